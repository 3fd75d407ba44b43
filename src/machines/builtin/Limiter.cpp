#include "machines/builtin/Limiter.h"

#include "dsp/Decibels.h"
#include "dsp/DspLibrary.h"
#include "machines/builtin/GainStage.h"
#include "machines/framework/ParameterDisplay.h"

#include <cmath>

namespace tarn {
namespace {

int FormatReleaseMs(char* text, double v) noexcept {
    return WriteValueText(text, v, 3, "ms");
}

constexpr ParameterRow kParameters[] = {
    {.index = Limiter::kThreshold,
     .name = "Threshold",
     .description = "Threshold\nNo signal will exceed this level.",
     .minimum = -60.0,
     .maximum = 20.0,
     .defaultValue = 0.0,
     .format = gain_stage::FormatThreshold},
    {.index = Limiter::kRelease,
     .name = "Release time",
     .description = "Release time\nShort realease times result in distortion",
     .minimum = 20.0,
     .maximum = 2000.0,
     .defaultValue = 50.0,
     .format = FormatReleaseMs},
};

int ReleaseSamples(double ms, double rate) noexcept {
    return static_cast<int>(ms * 0.001 * rate);
}

} // namespace

Limiter::Limiter()
    : BuiltinMachineBase(MachineInfo::Builtin(kKindEffect, "Tarn Limiter", "TLimiter"),
                         ParameterTable{kParameters}) {
    Prepare(kDspSampleRate);
}

void Limiter::Prepare(double rate) {
    rate_ = rate;
    threshold_ = 1.0;
    release_ = ReleaseSamples(50.0, rate);
    gain_ = 1.0;
    releaseFactor_ = 1.0;
    hold_ = 0;
}

void Limiter::ApplyParameter(const EventRecord& event) noexcept {
    switch (event.index) {
    case kThreshold:
        threshold_ = DecibelsToGain(event.value);
        break;
    case kRelease:
        release_ = ReleaseSamples(event.value, rate_);
        break;
    default:
        break;
    }
}

void Limiter::Plan(const WorkRecord& record, int from, int to) noexcept {
    // Backwards, so that each frame learns the nearest later frame above the
    // threshold, or failing that the loudest later one. The loudest channel
    // of a frame counts, so a quieter channel never hides a louder one.
    double peak = 0.0;
    int at = to - 1;
    for (int frame = to - 1; frame >= from; --frame) {
        const double x = gain_stage::PeakAt(record, Info().outputChannels, frame);
        if (x > peak || x > threshold_) {
            peak = x;
            at = frame;
        }
        plan_[frame] = {peak, at - frame};
    }
}

void Limiter::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    Plan(record, from, to);
    for (int frame = from; frame < to; ++frame) {
        const Target& target = plan_[frame];
        const bool loud = threshold_ < target.peak;
        const double wanted = loud ? threshold_ / target.peak : 1.0;
        if (loud && gain_ > wanted) {
            if (target.distance > 0) {
                gain_ *= std::pow(wanted / gain_, 1.0 / target.distance);
            } else {
                // Exactly on the peak: no rounding of the steps may leave
                // the gain a hair too high.
                gain_ = wanted;
            }
            releaseFactor_ = release_ > 0 ? std::pow(1.0 / gain_, 1.0 / release_) : 1.0 / gain_;
            hold_ = kHoldSamples;
        } else if (hold_ > 0) {
            --hold_;
        } else if (gain_ < 1.0) {
            // A release step never lifts the gain past what a planned peak
            // allows, or that peak would go over the threshold.
            gain_ = std::min({gain_ * releaseFactor_, 1.0, wanted});
        }
        gain_stage::Apply(record, Info().outputChannels, frame, gain_);
    }
}

} // namespace tarn
