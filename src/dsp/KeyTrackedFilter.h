#pragma once

#include "dsp/MultimodeFilter.h"

namespace tarn {

// The synthesizers' voice filter: a multimode filter whose cutoff is a
// position between half the played key's frequency and 20 kHz, so one
// setting sounds alike on every note. Owned by one voice; Tune runs at the
// voice's control rate, Process per sample, both on the work thread.
struct KeyTrackedFilter {
    static constexpr double kLowestCutoff = 20.0;     // Hz
    static constexpr double kHighestCutoff = 20000.0; // Hz
    // A filter output beyond this has run away (coefficients swept faster
    // than a resonant filter settles); the filter restarts from silence.
    static constexpr double kRunawayLevel = 1.0e8;

    MultimodeFilter filter;

    // The cutoff at position x: x = 0 gives half the key frequency, x = 1
    // gives 20 kHz, exponentially in between and beyond; always within
    // 20 Hz..20 kHz.
    static double Cutoff(double keyFrequency, double x) noexcept;

    // Designs the sections for a cutoff (Hz), a resonance 0..1, a filter
    // type and slope index (0..2 for 1..3 sections). The bandwidth of
    // Bandpass and Bandreject follows the resonance: 1 to 6 octaves.
    void Tune(double cutoff, double resonance, int type, int slope) noexcept;

    double Process(int channel, double x) noexcept {
        const double y = filter.Process(channel, x);
        if (!(y < kRunawayLevel && y > -kRunawayLevel)) {
            filter.ClearState();
            return 0.0;
        }
        return y;
    }
};

} // namespace tarn
