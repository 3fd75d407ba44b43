#include "machines/builtin/CorvaReverb.h"

#include "dsp/Decibels.h"
#include "dsp/DenormalGuard.h"
#include "dsp/DspLibrary.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

constexpr std::array<ParameterRow, 3> kRows{{
    {.index = CorvaReverb::kWetOut,
     .name = "Wet out",
     .description = "Wet out",
     .minimum = -60.0,
     .maximum = 20.0,
     .defaultValue = 0.0},
    {.index = CorvaReverb::kReverbTime,
     .name = "Reverb time",
     .description = "Reverb time",
     .defaultValue = 0.0},
    {.index = CorvaReverb::kHfDamp, .name = "HF Damp", .description = "HF Damp"},
}};

constexpr double kCrossMix = 0.1;
constexpr double kHighpassQ = 0.7;

// Cycles per sample of comb k's sway.
double SwayRate(int k) noexcept {
    return 0.0001 + k * 0.000005;
}

} // namespace

CorvaReverb::CorvaReverb()
    : CorvaReverb(MachineInfo::Builtin(kKindEffect, "Corva Reverb", "CVerb"), Layout{}) {}

CorvaReverb::CorvaReverb(MachineInfo info, Layout layout)
    : StereoEffect(std::move(info), ParameterTable{kRows}), layout_(layout) {
    Prepare(kDspSampleRate);
}

double CorvaReverb::DecayFactor(double v) noexcept {
    const double rest = 1.0 - v;
    return std::clamp(1.0 - rest * rest * rest, 0.0, kLongestDecay);
}

double CorvaReverb::TailSamples(double decay) noexcept {
    return decay > 0.0 ? -3.0 * kCombLengths[0][0] / std::log10(decay) : 0.0;
}

void CorvaReverb::Prepare(double rate) {
    highpass_ = DesignHighpass(kHighpassHz, kHighpassQ, rate);
    longestPath_ = 0;
    // The line lengths and sway rates are in samples at every rate.
    for (int s = 0; s < 2; ++s) {
        Side& side = sides_[s];
        combCount_ = 0;
        for (int k = 0; k < kCombs; k += layout_.combStep) {
            DampedComb& comb = side.combs[combCount_++];
            comb.Allocate(kCombLengths[s][k]);
            comb.swayDepth = kCombLengths[s][k] * 0.01;
            comb.sway = TableLfo{};
            comb.sway.samples = LfoTable(kLfoSine)->samples;
            comb.sway.increment = TableLfo::IncrementFor(SwayRate(k));
        }
        std::int64_t path = *std::max_element(kCombLengths[s].begin(), kCombLengths[s].end());
        for (int k = 0; k < kAllpasses; ++k) {
            side.allpasses[k].Allocate(kAllpassLengths[s][k]);
            side.allpasses[k].feedback = 0.5;
            path += kAllpassLengths[s][k];
        }
        longestPath_ = std::max(longestPath_, path);
        side.highpass = BiquadSection{};
    }
    wet_ = 0.68;
    decay_ = 1.0 - 0.05 * 0.05 * 0.05;
    damping_ = 0.5;
    countdown_ = 0;
    UpdateDecay();
}

void CorvaReverb::ApplyParameter(const EventRecord& event) noexcept {
    const double v = event.value;
    switch (event.index) {
    case kWetOut:
        wet_ = DecibelsToGain(v);
        break;
    case kReverbTime:
        decay_ = DecayFactor(v);
        break;
    case kHfDamp:
        damping_ = v;
        break;
    default:
        return;
    }
    UpdateDecay();
}

void CorvaReverb::UpdateDecay() noexcept {
    // Comb i loses 60 dB in the tail's length: its feedback is the decay
    // factor to the power of its length over the longest comb's.
    hold_ = static_cast<std::int64_t>(TailSamples(decay_)) + longestPath_;
    for (Side& side : sides_) {
        for (int k = 0; k < combCount_; ++k) {
            DampedComb& comb = side.combs[k];
            comb.feedback =
                std::pow(decay_, static_cast<double>(comb.Length()) / kCombLengths[0][0]);
            comb.SetDamping(damping_);
        }
    }
}

void CorvaReverb::RenderSegment(const WorkRecord& record, int from, int to) noexcept {
    const StereoChannels io = Channels(record);
    const int frames = to - from;
    // The gate: open while anything is coming in on either side (an
    // anti-phase pair sums to nothing but is no silence) and for the whole
    // tail after it; shut, the state stands still. Open frames are rendered
    // in runs.
    int runStart = -1;
    for (int i = 0; i <= frames; ++i) {
        bool open = false;
        if (i < frames) {
            const double l = io.left[from + i];
            const double r = io.right[from + i];
            if (std::max(std::abs(l), std::abs(r)) != 0.0) {
                countdown_ = hold_;
            }
            open = countdown_ >= 0;
            if (open) {
                --countdown_;
                const double x = (l + r) * layout_.inputGain;
                input_[i] = std::isfinite(x) ? x : 0.0;
            } else {
                sides_[0].wet[i] = 0.0;
                sides_[1].wet[i] = 0.0;
            }
        }
        if (open && runStart < 0) {
            runStart = i;
        } else if (!open && runStart >= 0) {
            RenderWet(runStart, i);
            runStart = -1;
        }
    }
    const double* l = sides_[0].wet.data();
    const double* r = sides_[1].wet.data();
    const double own = wet_ * (1.0 - kCrossMix);
    const double other = wet_ * kCrossMix;
    // The dry signal is never gated.
    for (int i = 0; i < frames; ++i) {
        const int frame = from + i;
        io.outLeft[frame] = FlushBelowFloor(r[i] * other + l[i] * own + kDryGain * io.left[frame]);
        io.outRight[frame] =
            FlushBelowFloor(l[i] * other + r[i] * own + kDryGain * io.right[frame]);
    }
}

void CorvaReverb::RenderWet(int from, int to) noexcept {
    for (Side& side : sides_) {
        double* wet = side.wet.data();
        std::fill(wet + from, wet + to, 0.0);
        DampedComb::AccumulateAllSwaying(std::span(side.combs).first(combCount_),
                                         input_.data() + from, wet + from, to - from);
        for (DiffusionAllpass& allpass : side.allpasses) {
            allpass.ProcessInPlace(wet + from, to - from);
        }
        for (int i = from; i < to; ++i) {
            wet[i] = side.highpass.Process(highpass_, wet[i]);
        }
    }
}

} // namespace tarn
