#include "dsp/SaturatingLadder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

namespace tarn {
namespace {

// Gain of a sine of frequency f held for two passes per sample, against
// the stages' transfer function g(1 + z⁻¹) / (1 + p z⁻¹) at the doubled
// rate, to the fourth, times the hold's cos(ω/2).
TEST(SaturatingLadder, WithoutResonanceFollowsItsStageFormulaAndStaysBounded) {
    constexpr double kRate = 44100.0;
    for (const double cutoff : {200.0, 1725.0, 8000.0}) {
        for (const double f : {50.0, 500.0, 2000.0, 6000.0}) {
            SCOPED_TRACE(testing::Message() << "cutoff " << cutoff << " f " << f);
            SaturatingLadder ladder;
            ladder.Tune(cutoff, 0.0, 2.0 * kRate);
            const double w = 2.0 * std::numbers::pi * f / (2.0 * kRate);
            const std::complex<double> z = std::polar(1.0, -w);
            const double stage = std::abs(ladder.gain * (1.0 + z) / (1.0 + ladder.pole * z));
            const double expected = std::pow(stage, 4) * std::cos(w / 2.0);

            const int frames = static_cast<int>(kRate);
            double sumSquares = 0.0;
            for (int i = 0; i < frames; ++i) {
                const double x = 0.01 * std::sin(2.0 * std::numbers::pi * f * i / kRate);
                ladder.Pass(x);
                const double y = ladder.Pass(x);
                sumSquares += i >= frames / 2 ? y * y : 0.0;
            }
            const double gain = std::sqrt(sumSquares / (frames / 2)) / (0.01 / std::sqrt(2.0));
            EXPECT_NEAR(20.0 * std::log10(gain), 20.0 * std::log10(expected), 0.1);
        }
    }

    // DC passes at unity; full resonance on a loud square stays bounded by
    // the saturator's 2/3 plus the input.
    SaturatingLadder ladder;
    ladder.Tune(500.0, 0.0, 2.0 * kRate);
    double y = 0.0;
    for (int i = 0; i < 20000; ++i) {
        y = ladder.Pass(0.5);
    }
    EXPECT_NEAR(y, 0.5, 1e-9);
    ladder.Tune(500.0, 1.0, 2.0 * kRate);
    double peak = 0.0;
    for (int i = 0; i < 200000; ++i) {
        peak = std::max(peak, std::abs(ladder.Pass((i / 100) % 2 == 0 ? 1.0 : -1.0)));
    }
    EXPECT_TRUE(std::isfinite(peak));
    EXPECT_LT(peak, 1.0 + 2.0 / 3.0);
    EXPECT_EQ(SaturatingLadder::Saturate(3.0), 2.0 / 3.0);
    EXPECT_EQ(SaturatingLadder::Saturate(-3.0), -2.0 / 3.0);
    EXPECT_DOUBLE_EQ(SaturatingLadder::Saturate(0.5), 0.5 - 0.125 / 3.0);
}

} // namespace
} // namespace tarn
