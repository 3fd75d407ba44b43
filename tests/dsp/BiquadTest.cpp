#include "dsp/BiquadCascade.h"
#include "dsp/BiquadCoefficients.h"
#include "dsp/MultimodeFilter.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace tarn {
namespace {

using test::Db;

constexpr double kRate = 44100.0;
constexpr double kNyquist = kRate / 2;

// |H(e^jw)| of one section, with a1 and a2 stored negated.
double Gain(const BiquadCoefficients& c, double frequency) {
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequency / kRate);
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 - c.a1 * z1 - c.a2 * z1 * z1));
}

// Peak output over the second half of a one-second sine, once settled.
template <typename Filter> double SinePeak(Filter&& process, double frequency) {
    double peak = 0.0;
    for (int i = 0; i < static_cast<int>(kRate); ++i) {
        const double y = process(std::sin(2.0 * std::numbers::pi * frequency * i / kRate));
        peak = i >= kRate / 2 ? std::max(peak, std::abs(y)) : 0.0;
    }
    return peak;
}

TEST(BiquadCoefficients, RecipesGiveTheirGainsAtDcNyquistAndCentre) {
    for (double f : {100.0, 1000.0, 8000.0}) {
        for (double q : {0.7, 20.7}) {
            const BiquadCoefficients lp = DesignLowpass(f, q, kRate);
            EXPECT_NEAR(Gain(lp, 0), 1.0, 1e-9);
            EXPECT_NEAR(Gain(lp, kNyquist), 0.0, 1e-9);
            EXPECT_NEAR(Gain(lp, f), q, 1e-9);
            const BiquadCoefficients hp = DesignHighpass(f, q, kRate);
            EXPECT_NEAR(Gain(hp, 0), 0.0, 1e-9);
            EXPECT_NEAR(Gain(hp, kNyquist), 1.0, 1e-9);
            EXPECT_NEAR(Gain(hp, f), q, 1e-9);
        }
        for (double bw : {0.1, 3.0}) {
            const BiquadCoefficients bp = DesignBandpass(f, bw, kRate);
            EXPECT_NEAR(Gain(bp, 0) + Gain(bp, kNyquist), 0.0, 1e-9);
            EXPECT_NEAR(Gain(bp, f), 1.0, 1e-9);
            const BiquadCoefficients notch = DesignBandreject(f, bw, kRate);
            EXPECT_NEAR(Gain(notch, 0), 1.0, 1e-9);
            EXPECT_NEAR(Gain(notch, kNyquist), 1.0, 1e-9);
            EXPECT_NEAR(Gain(notch, f), 0.0, 1e-9);
            for (double g : {-15.0, 30.0}) {
                const BiquadCoefficients peak = DesignPeaking(f, g, bw, kRate);
                EXPECT_NEAR(Gain(peak, 0), 1.0, 1e-9);
                EXPECT_NEAR(Gain(peak, kNyquist), 1.0, 1e-9);
                EXPECT_NEAR(Db(Gain(peak, f)), g, 1e-9);
            }
        }
    }
    // The band edges, half the bandwidth either side, are 3 dB down.
    EXPECT_NEAR(Db(Gain(DesignBandpass(500, 2.0, kRate), 1000)), -3.01, 0.05);
}

TEST(BiquadCoefficients, ShelvesGiveTheirGainBeyondTheCornerAndHalfAtIt) {
    for (double f : {48.0, 1000.0, 12000.0}) {
        for (double g : {-15.0, 6.0, 15.0}) {
            const BiquadCoefficients low = DesignLowShelf(f, g, kRate);
            EXPECT_NEAR(Db(Gain(low, 0)), g, 1e-9);
            EXPECT_NEAR(Db(Gain(low, kNyquist)), 0.0, 1e-9);
            EXPECT_NEAR(Db(Gain(low, f)), g / 2, 1e-9);
            const BiquadCoefficients high = DesignHighShelf(f, g, kRate);
            EXPECT_NEAR(Db(Gain(high, 0)), 0.0, 1e-9);
            EXPECT_NEAR(Db(Gain(high, kNyquist)), g, 1e-9);
            EXPECT_NEAR(Db(Gain(high, f)), g / 2, 1e-9);
        }
    }
    // Flat at 0 dB: an identity section.
    const BiquadCoefficients flat = DesignLowShelf(48, 0.0, kRate);
    EXPECT_NEAR(flat.b0, 1.0, 1e-15);
    EXPECT_NEAR(flat.b1 + flat.a1, 0.0, 1e-15);
}

TEST(BiquadCoefficients, OutOfRangeDesignValuesStayFinite) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    auto finite = [](const BiquadCoefficients& c) {
        return std::isfinite(c.b0 + c.b1 + c.b2 + c.a1 + c.a2);
    };
    for (double bad : {0.0, -50.0, kNyquist, 30000.0, 1e300, nan}) {
        EXPECT_TRUE(finite(DesignHighpass(bad, 0.7, kRate))) << bad;
        EXPECT_TRUE(finite(DesignLowpass(1000, bad, kRate))) << bad;
        EXPECT_TRUE(finite(DesignPeaking(bad, bad, bad, kRate))) << bad;
        EXPECT_TRUE(finite(DesignLowShelf(bad, bad, kRate))) << bad;
        EXPECT_TRUE(finite(DesignHighShelf(bad, bad, kRate))) << bad;
    }
    // The brickwall filters' top cutoff (20010 Hz) is left as designed.
    EXPECT_NEAR(Gain(DesignLowpass(20010, 0.7, kRate), 20010), 0.7, 1e-9);
}

TEST(BiquadCascade, HoldsAtMostTenSectionsInSeriesPerChannel) {
    BiquadCascade cascade;
    cascade.Init(kRate, 12);
    EXPECT_EQ(cascade.SectionCount(), 10);
    // Four +3 dB peaking sections give +12 dB; the silent right channel
    // stays exactly silent.
    cascade.Init(kRate, 4);
    cascade.coefficients = DesignPeaking(1000, 3.0, 1.0, kRate);
    double right = 0.0;
    const double left = SinePeak(
        [&](double x) {
            right = std::max(right, std::abs(cascade.Process(1, 0.0)));
            return cascade.Process(0, x);
        },
        1000);
    EXPECT_NEAR(Db(left), 12.0, 0.05);
    EXPECT_EQ(right, 0.0);
}

TEST(BiquadCascade, GuardNoiseKeepsADecayingTailOutOfDenormals) {
    BiquadCascade cascade;
    cascade.Init(kRate, 3);
    cascade.coefficients = DesignLowpass(1000, 10.0, kRate);
    for (std::uint32_t i = 0; i < 40; ++i) {
        ASSERT_EQ(cascade.NextGuard(), GuardNoise(i));
    }
    for (int i = 0; i < 10 * static_cast<int>(kRate); ++i) {
        const double y = cascade.ProcessGuarded(0, i == 0 ? 1.0 : 0.0, cascade.NextGuard());
        ASSERT_NE(std::fpclassify(y), FP_SUBNORMAL) << i;
    }
}

TEST(MultimodeFilter, TypesSlopesAndResonanceSpread) {
    MultimodeFilter filter;
    filter.Init(kRate);
    EXPECT_EQ(filter.cutoff, kRate / 4);
    // "36dB" at full resonance: Q 20.7 spread as 6.9 per section.
    filter.cutoff = 2000;
    filter.resonance = 1.0;
    filter.sectionCount = 3;
    for (int type : {kFilterLowpass, kFilterHighpass}) {
        filter.type = type;
        filter.UpdateCoefficients();
        EXPECT_NEAR(Gain(filter.coefficients, 2000), 6.9, 1e-9) << type;
    }
    // Bandpass uses the bandwidth, undivided; two sections pass the centre.
    filter.type = kFilterBandpass;
    filter.bandwidth = 2.0;
    filter.sectionCount = 2;
    filter.UpdateCoefficients();
    EXPECT_NEAR(Db(Gain(filter.coefficients, 4000)), -3.01, 0.15);
    EXPECT_NEAR(SinePeak([&](double x) { return filter.Process(0, x); }, 2000), 1.0, 0.01);
    // Out-of-range settings play as Lowpass with at most three sections.
    filter.type = 9;
    filter.sectionCount = 7;
    filter.UpdateCoefficients();
    EXPECT_EQ(filter.ActiveSections(), 3);
    EXPECT_NEAR(Gain(filter.coefficients, 2000), 20.7 / 3, 1e-9);
}

} // namespace
} // namespace tarn
