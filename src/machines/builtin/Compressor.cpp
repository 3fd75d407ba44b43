#include "machines/builtin/Compressor.h"

#include "dsp/Decibels.h"
#include "dsp/DspLibrary.h"
#include "machines/builtin/GainStage.h"
#include "machines/framework/ParameterDisplay.h"

#include <cmath>

namespace tarn {
namespace {

constexpr ParameterRow kParameters[] = {
    {.index = Compressor::kThreshold,
     .name = "Threshold",
     .description = "Threshold\nA signal over this level will be compressed according to the "
                    "ratio setting.",
     .minimum = -60.0,
     .maximum = 20.0,
     .defaultValue = 0.0,
     .format = gain_stage::FormatThreshold},
    {.index = Compressor::kRatio,
     .name = "Ratio",
     .description = "Ratio\nControls the amount of compression over the threshold level.",
     .defaultValue = 0.1,
     .format = FormatRatio},
    {.index = Compressor::kAttack,
     .name = "Attack time",
     .description = "Attack time\nThe time it takes for the compressor to reach full effect.",
     .defaultValue = 0.1,
     .format = FormatFlooredTime},
    {.index = Compressor::kRelease,
     .name = "Release time",
     .description = "Release time\nThe time if takes for the compressor to reach unity gain.",
     .defaultValue = 0.1,
     .format = FormatFlooredTime},
};

} // namespace

Compressor::Compressor()
    : BuiltinMachineBase(MachineInfo::Builtin(kKindEffect, "Compressor", "Comp"),
                         ParameterTable{kParameters}) {
    Prepare(kDspSampleRate);
}

void Compressor::Prepare(double rate) {
    rate_ = rate;
    threshold_ = 1.0;
    gain_ = 1.0;
    releaseFactor_ = 1.0;
}

void Compressor::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kThreshold:
        threshold_ = DecibelsToGain(v);
        break;
    case kRatio:
        ratio_ = CompressionRatio(v);
        break;
    case kAttack:
        attack_ = FlooredTimeMs(v) * 0.001 * rate_;
        break;
    case kRelease:
        release_ = FlooredTimeMs(v) * 0.001 * rate_;
        break;
    default:
        break;
    }
}

void Compressor::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const int channels = Info().outputChannels;
    for (int frame = from; frame < to; ++frame) {
        const double b = gain_stage::PeakAt(record, channels, frame);
        const double d = b > threshold_ ? threshold_ + (b - threshold_) / ratio_ : b;
        if (b > d && d / b < gain_) {
            double step = d / b / gain_;
            if (attack_ > 0.0) {
                step = std::pow(step, 1.0 / attack_);
            }
            gain_ *= step;
            releaseFactor_ = release_ > 0.0 ? std::pow(1.0 / gain_, 1.0 / release_) : 1.0 / gain_;
        } else if (gain_ < 1.0) {
            gain_ = std::min(gain_ * releaseFactor_, 1.0);
        }
        gain_stage::Apply(record, channels, frame, gain_);
    }
}

} // namespace tarn
