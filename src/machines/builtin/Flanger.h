#pragma once

#include "dsp/DelayLine.h"
#include "dsp/DenormalGuard.h"
#include "dsp/TableLfo.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Flanger": each channel passes through a short delay (up to 20 ms) whose
// length sweeps between Delay start and Delay end with a sine, the two
// channels half a period apart, mixed with the dry signal.
class Flanger : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kMix = 2,
        kDelayStart = 5,
        kDelayEnd = 10,
        kFeedback = 12,
        kRate = 20,
    };
    static constexpr double kLongestDelayMs = 20.0;

    Flanger();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    struct Channel {
        DelayLine line;
        TableLfo sweep;
        double position = 0.0; // the sweep's value for the next sample, -1..1
    };

    std::array<Channel, 2> channels_;
    double rate_ = 0.0;
    double start_ = 0.0; // samples
    double end_ = 0.0;   // samples
    double mix_ = 0.0;
    double feedback_ = 0.0;
    DenormalGuard guard_;
};

} // namespace tarn
