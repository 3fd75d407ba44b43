#include "machines/builtin/Delay.h"

#include "machines/framework/ParameterDisplay.h"

#include <cmath>

namespace tarn {
namespace {

int FormatWet(char* text, double v) noexcept {
    return FormatDecibels(text, v, " dB");
}

int FormatPercent(char* text, double v) noexcept {
    return FormatProportion(text, v, " %");
}

constexpr std::array<ParameterRow, 4> kRows{{
    {.index = Delay::kWetOut,
     .name = "Wet out",
     .description = "Wet out\n",
     .minimum = -80.0,
     .maximum = 20.0,
     .defaultValue = -20.0,
     .format = FormatWet},
    {.index = Delay::kFeedback,
     .name = "Feedback",
     .description =
         "Feedback\nControls the amount of the delayed signal fed back into the delay input",
     .defaultValue = 0.4,
     .format = FormatPercent},
    {.index = Delay::kLengthLeft,
     .name = "Length 1 (L)",
     .description = "Length 1 (L)\nDelay length for the left channel",
     .maximum = 2.0,
     .defaultValue = 0.1,
     .resolution = 0.001,
     .format = FormatBeats},
    {.index = Delay::kLengthRight,
     .name = "Length 2 (R)",
     .description = "Length 2 (R)\nDelay length for the right channel",
     .maximum = 2.0,
     .defaultValue = 0.1,
     .resolution = 0.001,
     .format = FormatBeats},
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
        wetGain_ = std::pow(10.0, v * 0.05);
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
