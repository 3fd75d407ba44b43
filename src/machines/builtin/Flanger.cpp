#include "machines/builtin/Flanger.h"

#include "dsp/DspLibrary.h"
#include "machines/builtin/EchoParameters.h"

#include <algorithm>

namespace tarn {
namespace {

int FormatMs(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, " ms");
}

constexpr std::array<ParameterRow, 5> kRows{{
    {.index = Flanger::kMix,
     .name = "Dry/Wet Mix",
     .description = "Dry/Wet Mix\nSet to 50/50 for full flanging effect",
     .defaultValue = 0.5,
     .resolution = 0.05,
     .format = FormatDryWet},
    {.index = Flanger::kFeedback,
     .name = "Feedback",
     .description = "Feedback\nControls the amount of signal fed back into the delays",
     .defaultValue = 0.5,
     .resolution = 0.05,
     .format = FormatFeedback},
    {.index = Flanger::kDelayStart,
     .name = "Delay start",
     .description = "Delay start\nThe delay time will change from start to end at a rate "
                    "specified by 'Rate'.",
     .maximum = Flanger::kLongestDelayMs,
     .defaultValue = 0.01,
     .resolution = 0.05,
     .format = FormatMs},
    {.index = Flanger::kDelayEnd,
     .name = "Delay end",
     .description = "Delay end\nThe delay time will change from start to end at a rate "
                    "specified by 'Rate'.",
     .maximum = Flanger::kLongestDelayMs,
     .defaultValue = 0.01,
     .resolution = 0.05,
     .format = FormatMs},
    {.index = Flanger::kRate,
     .name = "Rate",
     .description = "Rate",
     .defaultValue = 0.01,
     .resolution = 0.05,
     .format = FormatSlowRate},
}};

} // namespace

Flanger::Flanger()
    : StereoEffect(MachineInfo::Builtin(kKindEffect, "Flanger", "Flanger"), ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void Flanger::Prepare(double rate) {
    rate_ = rate;
    const int size = static_cast<int>(kLongestDelayMs * 0.001 * rate + 1.0);
    std::uint32_t phase = 0;
    for (Channel& channel : channels_) {
        channel.line.Allocate(size);
        channel.sweep = TableLfo{};
        channel.sweep.samples = LfoTable(kLfoSine)->samples;
        channel.sweep.phase = phase;
        channel.position = 0.0;
        phase += 0x80000000u; // the right channel half a period behind
    }
}

void Flanger::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kMix:
        mix_ = v;
        break;
    case kFeedback:
        feedback_ = v;
        break;
    case kDelayStart:
    case kDelayEnd:
        (event.index == kDelayStart ? start_ : end_) = v * 0.001 * rate_;
        // What the lines hold was delayed for the old sweep.
        for (Channel& channel : channels_) {
            channel.line.Clear();
        }
        break;
    default: {
        const std::uint32_t increment = TableLfo::IncrementFor(SlowRateHz(v) / rate_);
        for (Channel& channel : channels_) {
            channel.sweep.increment = increment;
        }
        break;
    }
    }
}

void Flanger::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const std::array<const double*, 2> inputs{io.left, io.right};
    const std::array<double*, 2> outputs{io.outLeft, io.outRight};
    const double shortest = std::min(start_, end_);
    const double swing = std::max(start_, end_) - shortest;
    for (int i = from; i < to; ++i) {
        const double guard = guard_.Next();
        for (int c = 0; c < 2; ++c) {
            Channel& channel = channels_[c];
            const double x = inputs[c][i] + guard;
            const double y = channel.line.Read(shortest + swing * (channel.position + 1.0) / 2.0);
            outputs[c][i] = FlushBelowFloor(mix_ * y + (1.0 - mix_) * x);
            channel.line.Write(x + y * feedback_);
            channel.position = channel.sweep.Tick();
        }
    }
}

} // namespace tarn
