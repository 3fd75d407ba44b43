#include "dsp/BiquadCascade.h"
#include "dsp/BiquadCoefficients.h"
#include "dsp/MultimodeFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace tarn {
namespace {

constexpr double kRate = 44100.0;
constexpr double kNyquist = kRate / 2;

// |H(e^jw)| of one section, with a1 and a2 stored negated.
double Gain(const BiquadCoefficients& c, double frequency) {
    const std::complex<double> z1 =
        std::polar(1.0, -2.0 * std::numbers::pi * frequency / kRate); // z^-1
    const std::complex<double> numerator = c.b0 + c.b1 * z1 + c.b2 * z1 * z1;
    const std::complex<double> denominator = 1.0 - c.a1 * z1 - c.a2 * z1 * z1;
    return std::abs(numerator / denominator);
}

double Db(double gain) {
    return 20.0 * std::log10(gain);
}

bool Finite(const BiquadCoefficients& c) {
    return std::isfinite(c.b0) && std::isfinite(c.b1) && std::isfinite(c.b2) &&
           std::isfinite(c.a1) && std::isfinite(c.a2);
}

// Peak of the output over the second half of a one-second sine, once the
// filter has settled.
template <typename Filter> double SinePeak(Filter&& process, double frequency) {
    double peak = 0.0;
    for (int i = 0; i < static_cast<int>(kRate); ++i) {
        const double y = process(std::sin(2.0 * std::numbers::pi * frequency * i / kRate));
        if (i >= kRate / 2) {
            peak = std::max(peak, std::abs(y));
        }
    }
    return peak;
}

TEST(BiquadCoefficients, RecipesGiveTheirGainsAtDcNyquistAndCentre) {
    for (double f : {100.0, 1000.0, 8000.0}) {
        for (double q : {0.7, 2.0, 20.7}) {
            const BiquadCoefficients lp = DesignLowpass(f, q, kRate);
            EXPECT_NEAR(Gain(lp, 0), 1.0, 1e-9);
            EXPECT_NEAR(Gain(lp, kNyquist), 0.0, 1e-9);
            EXPECT_NEAR(Gain(lp, f), q, q * 1e-9);
            const BiquadCoefficients hp = DesignHighpass(f, q, kRate);
            EXPECT_NEAR(Gain(hp, 0), 0.0, 1e-9);
            EXPECT_NEAR(Gain(hp, kNyquist), 1.0, 1e-9);
            EXPECT_NEAR(Gain(hp, f), q, q * 1e-9);
        }
        for (double bw : {0.1, 1.0, 3.0}) {
            const BiquadCoefficients bp = DesignBandpass(f, bw, kRate);
            EXPECT_NEAR(Gain(bp, 0), 0.0, 1e-9);
            EXPECT_NEAR(Gain(bp, kNyquist), 0.0, 1e-9);
            EXPECT_NEAR(Gain(bp, f), 1.0, 1e-9);
            // The band edges, half the bandwidth either side, are 3 dB down
            // (the bilinear warp narrows them a little at high frequencies).
            if (f <= 1000.0) {
                EXPECT_NEAR(Db(Gain(bp, f * std::pow(2.0, bw / 2))), -3.01, 0.1);
            }
            const BiquadCoefficients notch = DesignBandreject(f, bw, kRate);
            EXPECT_NEAR(Gain(notch, 0), 1.0, 1e-9);
            EXPECT_NEAR(Gain(notch, kNyquist), 1.0, 1e-9);
            EXPECT_NEAR(Gain(notch, f), 0.0, 1e-9);
            for (double g : {-15.0, 6.0, 30.0}) {
                const BiquadCoefficients peak = DesignPeaking(f, g, bw, kRate);
                EXPECT_NEAR(Gain(peak, 0), 1.0, 1e-9);
                EXPECT_NEAR(Gain(peak, kNyquist), 1.0, 1e-9);
                EXPECT_NEAR(Db(Gain(peak, f)), g, 1e-9);
            }
        }
    }
    EXPECT_EQ(ResonanceToQ(0.0), 0.7);
    EXPECT_EQ(ResonanceToQ(1.0), 20.7);
}

TEST(BiquadCoefficients, OutOfRangeDesignValuesStayFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double f : {0.0, -50.0, kNyquist, 30000.0, nan}) {
        EXPECT_TRUE(Finite(DesignLowpass(f, 0.7, kRate))) << f;
        EXPECT_TRUE(Finite(DesignHighpass(f, 0.7, kRate))) << f;
        EXPECT_TRUE(Finite(DesignBandpass(f, 1.0, kRate))) << f;
        EXPECT_TRUE(Finite(DesignBandreject(f, 1.0, kRate))) << f;
        EXPECT_TRUE(Finite(DesignPeaking(f, 6.0, 1.0, kRate))) << f;
    }
    for (double shape : {0.0, -1.0, 1e6, nan}) {
        EXPECT_TRUE(Finite(DesignLowpass(1000, shape, kRate))) << shape;
        EXPECT_TRUE(Finite(DesignBandpass(1000, shape, kRate))) << shape;
        EXPECT_TRUE(Finite(DesignPeaking(1000, 6.0, shape, kRate))) << shape;
    }
    EXPECT_TRUE(Finite(DesignPeaking(1000, nan, 1.0, kRate)));
    EXPECT_TRUE(Finite(DesignPeaking(1000, 1e6, 1.0, kRate)));
    // The highest cutoff the brickwall filters reach is left as designed.
    EXPECT_NEAR(Gain(DesignLowpass(20010, 0.7, kRate), 20010), 0.7, 1e-9);
}

TEST(BiquadCascade, HoldsAtMostTenSectionsInSeriesPerChannel) {
    BiquadCascade cascade;
    cascade.Init(kRate, 12);
    EXPECT_EQ(cascade.SectionCount(), 10);
    EXPECT_EQ(cascade.SampleRate(), kRate);
    cascade.Init(kRate, -3);
    EXPECT_EQ(cascade.SectionCount(), 0);
    EXPECT_EQ(cascade.Process(0, 0.25), 0.25);

    // Four peaking sections of +3 dB each give +12 dB at the centre; the
    // right channel, fed silence, stays exactly silent.
    cascade.Init(kRate, 4);
    cascade.coefficients = DesignPeaking(1000, 3.0, 1.0, kRate);
    double right = 0.0;
    const double peak = SinePeak(
        [&](double x) {
            right = std::max(right, std::abs(cascade.Process(1, 0.0)));
            return cascade.Process(0, x);
        },
        1000);
    EXPECT_NEAR(Db(peak), 12.0, 0.05);
    EXPECT_EQ(right, 0.0);

    // Init clears the state: a fresh impulse response repeats exactly.
    cascade.coefficients = DesignLowpass(500, 5.0, kRate);
    auto impulse = [&] {
        cascade.Init(kRate, 2);
        std::vector<double> out;
        for (int i = 0; i < 64; ++i) {
            out.push_back(cascade.Process(0, i == 0 ? 1.0 : 0.0));
        }
        return out;
    };
    const std::vector<double> first = impulse();
    cascade.Process(0, 0.7);
    EXPECT_EQ(impulse(), first);
}

TEST(BiquadCascade, GuardNoiseKeepsADecayingTailOutOfDenormals) {
    BiquadCascade cascade;
    cascade.Init(kRate, 3);
    cascade.coefficients = DesignLowpass(1000, 10.0, kRate);
    for (std::uint32_t i = 0; i < 64; ++i) {
        ASSERT_EQ(cascade.NextGuard(), GuardNoise(i));
    }
    int subnormal = 0;
    for (int i = 0; i < 10 * static_cast<int>(kRate); ++i) {
        const double y = cascade.ProcessGuarded(0, i == 0 ? 1.0 : 0.0, cascade.NextGuard());
        subnormal += std::fpclassify(y) == FP_SUBNORMAL ? 1 : 0;
    }
    EXPECT_EQ(subnormal, 0);

    // Without the guard the same tail does end in denormals.
    cascade.Init(kRate, 3);
    for (int i = 0; i < 10 * static_cast<int>(kRate); ++i) {
        subnormal += std::fpclassify(cascade.Process(0, i == 0 ? 1.0 : 0.0)) == FP_SUBNORMAL;
    }
    EXPECT_GT(subnormal, 0);
}

TEST(MultimodeFilter, TypesSlopesAndResonanceSpread) {
    MultimodeFilter filter;
    filter.Init(kRate);
    EXPECT_EQ(filter.cutoff, kRate / 4);
    EXPECT_EQ(filter.resonance, 0.0);
    EXPECT_EQ(filter.bandwidth, 1.0);
    EXPECT_EQ(filter.type, kFilterLowpass);
    EXPECT_EQ(filter.sectionCount, 1);

    // "36dB" Lowpass at full resonance: Q 20.7 spread as 6.9 per section.
    filter.cutoff = 2000;
    filter.resonance = 1.0;
    filter.sectionCount = 3;
    filter.UpdateCoefficients();
    EXPECT_NEAR(Gain(filter.coefficients, 2000), 6.9, 1e-9);
    filter.type = kFilterHighpass;
    filter.UpdateCoefficients();
    EXPECT_NEAR(Gain(filter.coefficients, 2000), 6.9, 1e-9);
    EXPECT_NEAR(Gain(filter.coefficients, 0), 0.0, 1e-9);
    // Bandpass and Bandreject use the bandwidth, not divided.
    filter.type = kFilterBandpass;
    filter.bandwidth = 2.0;
    filter.UpdateCoefficients();
    EXPECT_NEAR(Gain(filter.coefficients, 2000), 1.0, 1e-9);
    EXPECT_NEAR(Db(Gain(filter.coefficients, 2000 * 2.0)), -3.01, 0.15);
    filter.type = kFilterBandreject;
    filter.UpdateCoefficients();
    EXPECT_NEAR(Gain(filter.coefficients, 2000), 0.0, 1e-9);

    // Two bandpass sections pass the centre at 0 dB and cut far below it.
    filter.Init(kRate);
    filter.type = kFilterBandpass;
    filter.cutoff = 1000;
    filter.sectionCount = 2;
    filter.UpdateCoefficients();
    EXPECT_NEAR(SinePeak([&](double x) { return filter.Process(0, x); }, 1000), 1.0, 0.01);
    EXPECT_LT(SinePeak([&](double x) { return filter.Process(1, x); }, 60), 0.05);

    // Out-of-range settings play as Lowpass with at most three sections.
    filter.Init(kRate);
    filter.type = 9;
    filter.sectionCount = 7;
    filter.UpdateCoefficients();
    EXPECT_EQ(filter.ActiveSections(), 3);
    EXPECT_NEAR(Gain(filter.coefficients, 0), 1.0, 1e-9);
    EXPECT_NEAR(Gain(filter.coefficients, filter.cutoff), 0.7 / 3, 1e-9);
    filter.sectionCount = 0;
    EXPECT_EQ(filter.ActiveSections(), 1);
}

} // namespace
} // namespace tarn
