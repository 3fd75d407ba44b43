#include "machines/builtin/Delay.h"

#include "machines/builtin/EchoParameters.h"

#include <cmath>

namespace tarn {
namespace {

constexpr std::array<ParameterRow, 4> kRows{{
    WetOutRow(Delay::kWetOut),
    FeedbackRow(Delay::kFeedback),
    LengthRow(Delay::kLengthLeft, false),
    LengthRow(Delay::kLengthRight, true),
}};

} // namespace

Delay::Delay()
    : StereoEffect(MachineInfo::Builtin(kKindEffect, "Tarn Delay", "TDelay"),
                   ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void Delay::Prepare(double rate) {
    // Two entries more than five seconds, so that the longest read reaches
    // back the whole five seconds.
    for (DelayLine& line : lines_) {
        line.Allocate(static_cast<int>(kLineSeconds * rate) + 2);
    }
}

void Delay::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kWetOut:
        wetGain_ = WetGain(v);
        break;
    case kFeedback:
        feedback_ = v;
        break;
    default:
        // Whole samples at the tempo of now; the line cuts what is longer.
        lengths_[event.index == kLengthLeft ? 0 : 1] = std::trunc(v * samplesPerBeat);
        break;
    }
}

void Delay::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const std::array<const double*, 2> inputs{io.left, io.right};
    const std::array<double*, 2> outputs{io.outLeft, io.outRight};
    for (int i = from; i < to; ++i) {
        const double guard = guard_.Next();
        for (int channel = 0; channel < 2; ++channel) {
            DelayLine& line = lines_[channel];
            const double x = inputs[channel][i] + guard;
            const double delayed = line.Read(lengths_[channel]);
            line.Write(x + delayed * feedback_);
            outputs[channel][i] = FlushBelowFloor(x + delayed * wetGain_);
        }
    }
}

} // namespace tarn
