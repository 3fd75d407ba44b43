#pragma once

namespace tarn {

// Turns white noise into pink (-3 dB per octave) with three one-pole
// filters spread over the audio band. Owned by one voice; per sample on the
// work thread.
struct PinkNoise {
    double p0 = 0.0;
    double p1 = 0.0;
    double p2 = 0.0;

    double Process(double white) noexcept {
        p0 = 0.99765 * p0 + 0.099046 * white;
        p1 = 0.963 * p1 + 0.2965164 * white;
        p2 = 0.57 * p2 + 1.0526913 * white;
        return (p0 + p1 + p2 + 0.1848 * white) * 0.11;
    }
};

} // namespace tarn
