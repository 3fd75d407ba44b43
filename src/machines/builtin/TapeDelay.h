#pragma once

#include "dsp/DelayLine.h"
#include "dsp/DenormalGuard.h"
#include "dsp/TableLfo.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Tape Delay": a stereo echo whose read positions wander with a slow
// triangle, as a tape's speed does. The input can be panned between the two
// lines (or swapped onto them), and the feedback can cross between them so
// that echoes bounce from side to side.
class TapeDelay : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kInputPan = 5,
        kWetOut = 8,
        kType = 10,
        kInverted = 11,
        kFeedback = 15,
        kLengthLeft = 20,
        kLengthRight = 23,
        kDepthLeft = 30,
        kSpeedLeft = 31,
        kDepthRight = 45,
        kSpeedRight = 46,
    };
    enum Type : std::int32_t { kOwnFeedback = 0, kCrossFeedback = 1 };
    static constexpr int kLineSize = 65536; // samples, about 1.49 s
    static constexpr double kRestingRateHz = 0.1;

    TapeDelay();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    struct Channel {
        DelayLine line;
        double length = 1.0; // samples
        double depth = 0.0;  // samples of swing either way
        TableLfo modulation;
        double inputGain = 1.0;
    };

    void SetPan(double pan) noexcept;

    std::array<Channel, 2> channels_;
    double rate_ = 0.0;
    double wetGain_ = 0.0;
    double feedback_ = 0.0;
    std::int32_t type_ = kOwnFeedback;
    bool inverted_ = false;
    DenormalGuard guard_;
};

} // namespace tarn
