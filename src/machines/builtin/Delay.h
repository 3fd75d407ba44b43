#pragma once

#include "dsp/DelayLine.h"
#include "dsp/DenormalGuard.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Delay": a tempo-synchronised stereo echo. Each channel has its own
// line of up to five seconds and its own length in beats, converted to
// samples at the tempo of the moment the length arrives. The dry signal
// passes at unity; Wet out scales only the echoes.
class Delay : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kWetOut = 0,
        kFeedback = 5,
        kLengthLeft = 10,
        kLengthRight = 11,
    };
    static constexpr double kLineSeconds = 5.0;

    Delay();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    std::array<DelayLine, 2> lines_;
    std::array<double, 2> lengths_{1.0, 1.0}; // samples
    double wetGain_ = 0.0;
    double feedback_ = 0.0;
    DenormalGuard guard_;
};

} // namespace tarn
