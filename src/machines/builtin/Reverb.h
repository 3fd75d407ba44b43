#pragma once

#include "dsp/BiquadCoefficients.h"
#include "dsp/BiquadSection.h"
#include "dsp/DampedComb.h"
#include "dsp/DenormalGuard.h"
#include "dsp/DiffusionAllpass.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Tarn Reverb": the summed input feeds 16 damped combs per side in
// parallel, whose sum is diffused by 4 all-passes in series; the right
// side's lines are 23 samples longer, so even a mono input leaves a wide
// tail. Wet and dry levels are in decibels. The combs' loops pass a steady
// offset on amplified, so the wet signal leaves through a highpass far
// below hearing that keeps it free of DC.
class Reverb : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kDryOut = 5,
        kWetOut = 10,
        kReverbTime = 15,
        kDamp = 17,
    };
    static constexpr int kCombs = 16;
    static constexpr int kAllpasses = 4;
    static constexpr int kRightSpread = 23; // samples the right side's lines are longer
    static constexpr std::array<int, kCombs> kCombLengths{1087, 1153, 1229, 1297, 1381, 1453,
                                                          1523, 1597, 1663, 1741, 1823, 1901,
                                                          1993, 2063, 2131, 2221};
    static constexpr std::array<int, kAllpasses> kAllpassLengths{557, 443, 337, 223};
    // The comb feedback "Reverb time" 1.0 gives. A loop gain of exactly 1
    // never loses what enters it, so the tail would never end and any
    // lasting input would pile up without bound; this keeps the longest
    // setting a very long hall (about 35 s to fall 60 dB) that still dies.
    static constexpr double kLongestFeedback = 0.99;
    // The input level into the combs, a single-precision constant.
    static constexpr double kInputGain = static_cast<double>(0.015f);
    static constexpr double kDcCutoffHz = 10.0;

    Reverb();

protected:
    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    struct Side {
        std::array<DampedComb, kCombs> combs;
        std::array<DiffusionAllpass, kAllpasses> allpasses;
        BiquadSection dcBlock;
        std::array<double, kMaxChunkFrames> sum{};
    };

    // Brings the wet mix and every comb up to date with the levels.
    void Update() noexcept;

    std::array<Side, 2> sides_;
    std::array<double, kMaxChunkFrames> input_{};
    BiquadCoefficients dcBlock_;
    double wet_ = 0.5;
    double wet1_ = 0.0; // own side
    double wet2_ = 0.0; // other side
    double dry_ = 1.0;
    double roomFeedback_ = 0.5;
    double damping_ = 0.0;
    DenormalGuard guard_;
};

} // namespace tarn
