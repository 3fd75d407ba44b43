#pragma once

#include "machines/builtin/AnalogBass.h"

namespace tarn {

// "Tarn Analog Bass 2": the Analog Bass with a second oscillator of the
// same waveform, detuned by up to a semitone either way, and a square
// sub-oscillator an octave below, mixed before the filter. With both levels
// at 0 it plays exactly as the Analog Bass.
class AnalogBass2 : public AnalogBass {
public:
    enum Parameter2 : std::int32_t {
        kDetune = 3,      // cents, -100..100
        kSecondLevel = 4, // 0..1
        kSubLevel = 7,    // 0..1
    };

    AnalogBass2();

private:
    void ApplyParameter(const EventRecord& event) noexcept override;

    double detune_ = 0.0; // cents
    double secondLevel_ = 0.0;
    double subLevel_ = 0.0;
};

} // namespace tarn
