#include "EffectHarness.h"

#include "dsp/BiquadCoefficients.h"
#include "machines/builtin/BrickwallFilter.h"
#include "machines/builtin/Eq10.h"
#include "machines/builtin/MultimodeFilterMachine.h"
#include "machines/builtin/ParametricEq.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace tarn::test {
namespace {

constexpr double kRate = EffectHarness::kRate;
constexpr int kQuarterSecond = static_cast<int>(kRate / 4);

// dB of one section's designed response at a frequency.
double DesignDb(const BiquadCoefficients& c, double frequency) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequency / kRate);
    return 20.0 * std::log10(std::abs((c.b0 + c.b1 * z1 + c.b2 * z1 * z1) /
                                      (1.0 - c.a1 * z1 - c.a2 * z1 * z1)));
}

// The stored value whose cubic mapping v³·20000 + 10 gives hz.
double CubicValue(double hz) {
    return std::cbrt((hz - 10.0) / 20000.0);
}

// dB of a sine through the harness, left channel: at least a quarter second
// and 80 periods, so that the measured half holds enough whole periods.
double MeasureDb(EffectHarness& harness, double frequency) {
    const int frames = std::max(kQuarterSecond, static_cast<int>(80 * kRate / frequency));
    const std::vector<double> in = Sine(frequency, frames);
    return SineGainDb(in, harness.Process(in).left);
}

TEST(BrickwallFilters, SixSectionsAtTheirCutoffWithSteepStopBands) {
    constexpr double kCutoff = 1000.0;
    constexpr int kSections = BrickwallFilter::kSections;
    for (double resonance : {0.0, 1.0}) {
        const double q = (resonance / kSections) * 20.0 + 0.7;
        EffectHarness low(std::make_unique<BrickwallLowpass>());
        low.Set(BrickwallFilter::kCutoff, CubicValue(kCutoff));
        low.Set(BrickwallFilter::kResonance, resonance);
        EffectHarness high(std::make_unique<BrickwallHighpass>());
        high.Set(BrickwallFilter::kCutoff, CubicValue(kCutoff));
        high.Set(BrickwallFilter::kResonance, resonance);
        const BiquadCoefficients lowDesign = DesignLowpass(kCutoff, q, kRate);
        const BiquadCoefficients highDesign = DesignHighpass(kCutoff, q, kRate);
        for (double f : {250.0, 700.0, 1000.0, 1400.0}) {
            EXPECT_NEAR(MeasureDb(low, f), kSections * DesignDb(lowDesign, f), 0.3) << f;
            EXPECT_NEAR(MeasureDb(high, f), kSections * DesignDb(highDesign, f), 0.3) << f;
        }
        // At the cutoff each section gives Q, so the cascade gives Q^6.
        EXPECT_NEAR(MeasureDb(low, kCutoff), 6 * 20 * std::log10(q), 0.3);
        // An octave into the stop band, 72 dB per octave has set in.
        EXPECT_LT(MeasureDb(low, 2 * kCutoff), -50.0);
        EXPECT_LT(MeasureDb(high, kCutoff / 2), -50.0);
    }
    // The defaults leave the audio band open: 20010 Hz and 10 Hz.
    EffectHarness low(std::make_unique<BrickwallLowpass>());
    EXPECT_NEAR(MeasureDb(low, 5000), 0.0, 0.1);
    EffectHarness high(std::make_unique<BrickwallHighpass>());
    EXPECT_NEAR(MeasureDb(high, 200), 0.0, 0.1);
}

TEST(ParametricEq, BandsReachTheirGainsAtTheirCentres) {
    // Flat at 0 dB: the signal passes unchanged.
    EffectHarness flat(std::make_unique<ParametricEq>());
    const std::vector<double> noise = Noise(4096, 3);
    const EffectHarness::Stereo passed = flat.Process(noise);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        ASSERT_NEAR(passed.left[i], noise[i], 1e-9) << i;
        ASSERT_NEAR(passed.right[i], noise[i], 1e-9) << i;
    }

    // +30 dB in one band gives +30 dB at its centre, not +90.
    EffectHarness one(std::make_unique<ParametricEq>());
    one.Set(0, CubicValue(1000));
    one.Set(1, 30.0);
    EXPECT_NEAR(MeasureDb(one, 1000), 30.0, 0.5);

    // Three bands far apart, each within 0.5 dB of its gain at its centre.
    constexpr std::array<double, 3> kCentres{80.0, 1000.0, 12000.0};
    constexpr std::array<double, 3> kGains{-12.0, 6.0, 9.0};
    EffectHarness three(std::make_unique<ParametricEq>());
    for (int band = 0; band < 3; ++band) {
        three.Set(band * ParametricEq::kBandStride + ParametricEq::kFrequency,
                  CubicValue(kCentres[band]));
        three.Set(band * ParametricEq::kBandStride + ParametricEq::kGain, kGains[band]);
        three.Set(band * ParametricEq::kBandStride + ParametricEq::kBandwidth, 1.0);
    }
    for (int band = 0; band < 3; ++band) {
        EXPECT_NEAR(MeasureDb(three, kCentres[band]), kGains[band], 0.5) << band;
    }
    // A narrower band leaves a frequency an octave away nearly untouched.
    three.Set(1 * ParametricEq::kBandStride + ParametricEq::kBandwidth, 0.1);
    EXPECT_NEAR(MeasureDb(three, 1000), 6.0, 0.5);
    EXPECT_NEAR(MeasureDb(three, 2000), 0.0, 0.5);
}

TEST(Eq10, EachBandSetsItsGainWhereItActs) {
    constexpr std::array<double, 10> kHz{48, 64, 125, 250, 500, 1000, 2000, 4000, 8000, 12000};
    for (int band = 0; band < Eq10::kBands; ++band) {
        for (double gain : {-15.0, 12.0}) {
            EffectHarness eq(std::make_unique<Eq10>());
            eq.Set(band, gain);
            // Peaking bands give their gain at the centre, shelves half of it
            // at their corner.
            const bool shelf = band == 0 || band == Eq10::kBands - 1;
            const double expected = shelf ? gain / 2 : gain;
            EXPECT_NEAR(MeasureDb(eq, kHz[band]), expected, 0.5) << band << " " << gain;
        }
    }
    // The shelves carry their full gain well beyond their corners.
    EffectHarness low(std::make_unique<Eq10>());
    low.Set(0, 12.0);
    EXPECT_NEAR(MeasureDb(low, 15), 12.0, 0.5);
    EXPECT_NEAR(MeasureDb(low, 2000), 0.0, 0.1);
    EffectHarness high(std::make_unique<Eq10>());
    high.Set(9, -12.0);
    EXPECT_NEAR(MeasureDb(high, 200), 0.0, 0.1);
    EXPECT_LT(MeasureDb(high, 20000), -9.0);
}

TEST(MultimodeFilter, TypesAndSlopesAtTheMappedCutoff) {
    using M = MultimodeFilterMachine;
    EXPECT_NEAR(M::CutoffHz(0.0), 20.0, 1e-9);
    EXPECT_NEAR(M::CutoffHz(1.0), 20000.0, 1e-9);
    const double v = 0.6;
    const double cutoff = M::CutoffHz(v);
    for (int slope = 0; slope < 3; ++slope) {
        const int sections = slope + 1;
        const double q = (0.5 * 20.0 + 0.7) / sections;
        EffectHarness lowpass(std::make_unique<M>());
        lowpass.Set(M::kFrequency, v);
        lowpass.Set(M::kResonance, 0.5);
        lowpass.Set(M::kSlope, slope);
        lowpass.Process(Sine(cutoff, kQuarterSecond)); // let the ramps arrive
        EXPECT_NEAR(MeasureDb(lowpass, cutoff), sections * 20 * std::log10(q), 0.3) << slope;
        EXPECT_LT(MeasureDb(lowpass, 8 * cutoff), -30.0 * sections) << slope;

        EffectHarness band(std::make_unique<M>());
        band.Set(M::kFrequency, v);
        band.Set(M::kType, kFilterBandpass);
        band.Set(M::kBandwidth, 2.0);
        band.Set(M::kSlope, slope);
        band.Process(Sine(cutoff, kQuarterSecond));
        EXPECT_NEAR(MeasureDb(band, cutoff), 0.0, 0.1) << slope;
        // The band edges, an octave either side, are 3 dB down per section.
        EXPECT_NEAR(MeasureDb(band, 2 * cutoff), -3.0 * sections, 0.5) << slope;

        EffectHarness notch(std::make_unique<M>());
        notch.Set(M::kFrequency, v);
        notch.Set(M::kType, kFilterBandreject);
        notch.Set(M::kSlope, slope);
        notch.Process(Sine(cutoff, kQuarterSecond));
        EXPECT_LT(MeasureDb(notch, cutoff), -40.0) << slope;

        EffectHarness highpass(std::make_unique<M>());
        highpass.Set(M::kFrequency, v);
        highpass.Set(M::kResonance, 0.0);
        highpass.Set(M::kType, kFilterHighpass);
        highpass.Set(M::kSlope, slope);
        highpass.Process(Sine(cutoff, kQuarterSecond));
        const BiquadCoefficients design = DesignHighpass(cutoff, 0.7 / sections, kRate);
        for (double f : {cutoff / 8, cutoff, 8 * cutoff}) {
            EXPECT_NEAR(MeasureDb(highpass, f), sections * DesignDb(design, f), 0.3) << slope;
        }
    }
}

TEST(MultimodeFilter, CutoffGlidesAcrossTheRangeInATenthOfASecond) {
    using M = MultimodeFilterMachine;
    EffectHarness harness(std::make_unique<M>());
    harness.Set(M::kResonance, 0.0);
    const std::vector<double> tone = Sine(2000, static_cast<int>(kRate));
    harness.Process(std::span(tone).first(4410));
    // Closing from 20 kHz to 20 Hz: the tone fades over 0.1 s, not at once.
    harness.Set(M::kFrequency, 0.0);
    const std::vector<double> out = harness.Process(tone).left;
    const auto level = [&](double fromSeconds) {
        return Rms(std::span(out).subspan(static_cast<std::size_t>(fromSeconds * kRate), 441));
    };
    EXPECT_GT(level(0.0), 0.6);  // cutoff still far above 2 kHz
    EXPECT_GT(level(0.02), 0.6); // about 5 kHz
    EXPECT_LT(level(0.06), 0.3); // about 300 Hz
    EXPECT_LT(level(0.12), 1e-3);
    // A glide of one beat (0.5 s at 120 BPM) back up to 1.0 takes that long.
    harness.Set(M::kFrequency, 0.0, 1.0, 1.0);
    const std::vector<double> opening = harness.Process(tone).left;
    const auto at = [&](double fromSeconds) {
        return Rms(std::span(opening).subspan(static_cast<std::size_t>(fromSeconds * kRate), 441));
    };
    EXPECT_LT(at(0.1), 0.01); // 80 Hz
    EXPECT_GT(at(0.45), 0.6); // 10 kHz
}

} // namespace
} // namespace tarn::test
