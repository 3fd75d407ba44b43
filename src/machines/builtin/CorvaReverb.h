#pragma once

#include "dsp/BiquadCoefficients.h"
#include "dsp/BiquadSection.h"
#include "dsp/DampedComb.h"
#include "dsp/DiffusionAllpass.h"
#include "machines/framework/StereoEffect.h"

#include <array>
#include <cstdint>

namespace tarn {

// "Corva Reverb": 16 damped combs and 4 all-passes per side like the plain
// reverb, but every comb's length sways slowly with a sine of its own rate,
// the comb feedbacks follow one decay time so that every comb dies away
// together, each side's wet signal leaves through a 150 Hz highpass and is
// cross-mixed 90/10, and once the input has been silent for the whole tail
// the machine stops working and answers exact zeros.
class CorvaReverb : public StereoEffect {
public:
    enum Parameter : std::int32_t {
        kWetOut = 1,
        kReverbTime = 2,
        kHfDamp = 3,
    };
    static constexpr int kCombs = 16;
    static constexpr int kAllpasses = 4;
    static constexpr std::array<std::array<int, kCombs>, 2> kCombLengths{{
        {2244, 2131, 2086, 1993, 1924, 1823, 1764, 1663, 1620, 1523, 1476, 1381, 1320, 1229, 1176,
         1087},
        {2221, 2154, 2063, 2016, 1901, 1846, 1741, 1686, 1597, 1546, 1453, 1404, 1297, 1252, 1153,
         1110},
    }};
    static constexpr std::array<std::array<int, kAllpasses>, 2> kAllpassLengths{{
        {557, 443, 337, 223},
        {580, 466, 360, 246},
    }};
    static constexpr double kInputGain = 0.05;
    static constexpr double kDryGain = 0.8;
    static constexpr double kHighpassHz = 150.0;
    // The decay factor "Reverb time" 1.0 gives. A factor of 1 would be a tail
    // without end, with no length to count the silence gate down from;
    // this one takes about four days to fall 60 dB, which is endless in
    // practice, and keeps every loop below unity.
    static constexpr double kLongestDecay = 1.0 - 1e-6;

    CorvaReverb();

    // The decay factor of a "Reverb time" value: 1 - (1 - v)³, held below 1.
    static double DecayFactor(double v) noexcept;
    // The samples in which a signal in the longest comb falls 60 dB at that
    // decay factor; every comb falls as fast. 0 for a factor of 0.
    static double TailSamples(double decay) noexcept;

protected:
    // The machine's make-up: every comb, or every `combStep`-th of each
    // side, with the input level raised to keep the wet level the same.
    struct Layout {
        int combStep = 1;
        double inputGain = kInputGain;
    };

    CorvaReverb(MachineInfo info, Layout layout);

    void Prepare(double rate) override;
    void ApplyParameter(const EventRecord& event) noexcept override;
    void RenderSegment(const WorkRecord& record, int from, int to) noexcept override;

private:
    struct Side {
        std::array<DampedComb, kCombs> combs; // the first combCount_ are in use
        std::array<DiffusionAllpass, kAllpasses> allpasses;
        BiquadSection highpass;
        std::array<double, kMaxChunkFrames> wet{};
    };

    void UpdateDecay() noexcept;
    // Renders the wet signal of frames from..to-1 of this segment's input.
    void RenderWet(int from, int to) noexcept;

    Layout layout_;
    int combCount_ = 0;
    std::array<Side, 2> sides_;
    BiquadCoefficients highpass_;
    std::array<double, kMaxChunkFrames> input_{};
    double wet_ = 0.68;
    double decay_ = 0.0;
    double damping_ = 0.5;
    // Samples the gate stays open after the last input: the tail, plus the
    // longest path through the lines, so nothing still on its way is cut.
    std::int64_t hold_ = 0;
    std::int64_t longestPath_ = 0;
    std::int64_t countdown_ = 0;
};

} // namespace tarn
