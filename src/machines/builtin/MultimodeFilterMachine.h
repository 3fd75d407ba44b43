#pragma once

#include "dsp/DenormalGuard.h"
#include "dsp/MultimodeFilter.h"
#include "dsp/ParameterRamp.h"
#include "machines/framework/StereoEffect.h"

#include <cstdint>

namespace tarn {

// "Tarn Multimode Filter": lowpass, highpass, bandpass or bandreject at 12,
// 24 or 36 dB per octave. Frequency, resonance and bandwidth move through
// ramps (a whole range in 0.1 s, and along an event's glide), and the
// coefficients follow them every kCoefficientInterval samples.
class MultimodeFilterMachine : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kFrequency = 0,
        kResonance = 5,
        kBandwidth = 10,
        kType = 15,
        kSlope = 20,
    };
    static constexpr int kCoefficientInterval = 41; // samples
    static constexpr double kRampSeconds = 0.1;     // for a whole range

    MultimodeFilterMachine();

    // Hz of a ramped frequency value 0..1: 20 Hz to 20 kHz, exponentially.
    static double CutoffHz(double v) noexcept;

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    void Design() noexcept;

    MultimodeFilter filter_;
    ParameterRamp frequency_;
    ParameterRamp resonance_;
    ParameterRamp bandwidth_;
    DenormalGuard guard_;
    int countdown_ = 0;
};

} // namespace tarn
