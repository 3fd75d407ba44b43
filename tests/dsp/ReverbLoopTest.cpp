#include "dsp/DampedComb.h"
#include "dsp/DiffusionAllpass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarn {
namespace {

template <typename F> std::vector<double> ImpulseResponse(int frames, F&& process) {
    std::vector<double> out(frames);
    for (int n = 0; n < frames; ++n) {
        out[n] = process(n == 0 ? 1.0 : 0.0);
    }
    return out;
}

TEST(DampedComb, EchoesAtItsLengthWithTheLoopGainOfItsFeedback) {
    DampedComb comb;
    comb.Allocate(50);
    comb.feedback = 0.7;
    auto out = ImpulseResponse(400, [&](double x) { return comb.Process(x); });
    for (int n = 0; n < 400; ++n) {
        const double expected = n > 0 && n % 50 == 0 ? std::pow(0.7, n / 50 - 1) : 0.0;
        ASSERT_NEAR(out[n], expected, 1e-15) << n;
    }

    // Damping smooths the echoes but leaves the gain at DC alone: the whole
    // response still sums to 1 / (1 - feedback).
    comb.Clear();
    comb.SetDamping(0.6);
    out = ImpulseResponse(20000, [&](double x) { return comb.Process(x); });
    double sum = 0.0;
    for (double s : out) {
        sum += s;
    }
    EXPECT_NEAR(sum, 1.0 / 0.3, 1e-9);
    EXPECT_NEAR(out[100], 0.7 * 0.4, 1e-15); // the second echo is softened and spread
    EXPECT_GT(out[101], 0.0);

    // A shortened read arrives early, shared between the two nearest
    // entries: 2.25 short is 0.75 at 48 and 0.25 at 47.
    comb.Clear();
    comb.feedback = 0.0;
    out = ImpulseResponse(60, [&](double x) { return comb.ProcessShortened(x, 2.25); });
    EXPECT_NEAR(out[48], 0.75, 1e-15);
    EXPECT_NEAR(out[47], 0.25, 1e-15);
    EXPECT_EQ(out[49] + out[50] + out[46], 0.0);
}

TEST(DiffusionAllpass, InvertsTheInputThenEchoesAtHalvingLevels) {
    DiffusionAllpass allpass;
    allpass.Allocate(30);
    const auto out = ImpulseResponse(200, [&](double x) { return allpass.Process(x); });
    EXPECT_EQ(out[0], -1.0);
    for (int n = 1; n < 200; ++n) {
        const double expected = n % 30 == 0 ? std::pow(0.5, n / 30 - 1) : 0.0;
        ASSERT_NEAR(out[n], expected, 1e-15) << n;
    }
    // An echo that has decayed into the denormal range stops circulating.
    allpass.Clear();
    allpass.Process(1e-310);
    for (int n = 1; n < 30; ++n) {
        allpass.Process(0.0);
    }
    EXPECT_EQ(allpass.Process(0.0), 0.0);
}

} // namespace
} // namespace tarn
