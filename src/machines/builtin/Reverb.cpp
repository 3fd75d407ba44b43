#include "machines/builtin/Reverb.h"

#include "dsp/Decibels.h"
#include "dsp/DspLibrary.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr std::array<ParameterRow, 4> kRows{{
    {.index = Reverb::kWetOut,
     .name = "Wet out",
     .description = "Wet out",
     .minimum = -80.0,
     .maximum = 20.0,
     .defaultValue = 0.0},
    {.index = Reverb::kDryOut,
     .name = "Dry out",
     .description = "Dry out",
     .minimum = -80.0,
     .maximum = 20.0,
     .defaultValue = 0.0},
    {.index = Reverb::kReverbTime,
     .name = "Reverb time",
     .description = "Reverb time",
     .defaultValue = 1.0},
    {.index = Reverb::kDamp, .name = "Damp", .description = "Damp", .defaultValue = 0.0},
}};

MachineInfo ReverbInfo() {
    return MachineInfo::Builtin(kKindEffect, "Tarn Reverb", "TVerb");
}

} // namespace

Reverb::Reverb() : StereoEffect(ReverbInfo(), ParameterTable{kRows}) {
    Prepare(kDspSampleRate);
}

void Reverb::Prepare(double rate) {
    dcBlock_ = DesignHighpass(kDcCutoffHz, 0.7, rate);
    // The line lengths are in samples at every rate.
    for (int side = 0; side < 2; ++side) {
        sides_[side].dcBlock = BiquadSection{};
        const int spread = side * kRightSpread;
        for (int k = 0; k < kCombs; ++k) {
            sides_[side].combs[k].Allocate(kCombLengths[k] + spread);
        }
        for (int k = 0; k < kAllpasses; ++k) {
            sides_[side].allpasses[k].Allocate(kAllpassLengths[k] + spread);
            sides_[side].allpasses[k].feedback = 0.5;
        }
    }
    wet_ = 0.5;
    roomFeedback_ = 0.5;
    dry_ = 1.0;
    damping_ = 0.0;
    Update();
}

void Reverb::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kDryOut:
        dry_ = DecibelsToGain(v);
        return;
    case kWetOut:
        wet_ = DecibelsToGain(v);
        break;
    case kReverbTime:
        roomFeedback_ = v;
        break;
    case kDamp:
        damping_ = v;
        break;
    default:
        return;
    }
    Update();
}

void Reverb::Update() noexcept {
    wet1_ = 0.8 * wet_;
    wet2_ = 0.2 * wet_;
    const double feedback = std::min(roomFeedback_, kLongestFeedback);
    for (Side& side : sides_) {
        for (DampedComb& comb : side.combs) {
            comb.feedback = feedback;
            comb.SetDamping(damping_);
        }
    }
}

void Reverb::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const int frames = to - from;
    for (int i = 0; i < frames; ++i) {
        const double x = (io.left[from + i] + io.right[from + i]) * kInputGain;
        // A sample that is not a number would stay in the loops for good.
        input_[i] = (std::isfinite(x) ? x : 0.0) + guard_.Next();
    }
    for (Side& side : sides_) {
        std::fill_n(side.sum.begin(), frames, 0.0);
        DampedComb::AccumulateAll(side.combs, input_.data(), side.sum.data(), frames);
        for (DiffusionAllpass& allpass : side.allpasses) {
            allpass.ProcessInPlace(side.sum.data(), frames);
        }
        for (int i = 0; i < frames; ++i) {
            side.sum[i] = side.dcBlock.Process(dcBlock_, side.sum[i]);
        }
    }
    const double* l = sides_[0].sum.data();
    const double* r = sides_[1].sum.data();
    for (int i = 0; i < frames; ++i) {
        const int frame = from + i;
        io.outLeft[frame] = FlushBelowFloor(l[i] * wet1_ + r[i] * wet2_ + io.left[frame] * dry_);
        io.outRight[frame] = FlushBelowFloor(r[i] * wet1_ + io.right[frame] * dry_ + l[i] * wet2_);
    }
}

} // namespace tarn
