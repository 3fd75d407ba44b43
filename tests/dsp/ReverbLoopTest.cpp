#include "dsp/DampedComb.h"
#include "dsp/DiffusionAllpass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace tarn {
namespace {

// A comb's answer to an impulse, block by block as the reverbs run it.
std::vector<double> CombResponse(DampedComb& comb, int frames, bool swaying = false) {
    std::vector<double> in(frames, 0.0);
    std::vector<double> out(frames, 0.0);
    in[0] = 1.0;
    for (int done = 0; done < frames; done += 64) {
        const int block = std::min(64, frames - done);
        const std::span<DampedComb> one(&comb, 1);
        if (swaying) {
            DampedComb::AccumulateAllSwaying(one, in.data() + done, out.data() + done, block);
        } else {
            DampedComb::AccumulateAll(one, in.data() + done, out.data() + done, block);
        }
    }
    return out;
}

TEST(DampedComb, EchoesAtItsLengthWithTheLoopGainOfItsFeedback) {
    DampedComb comb;
    comb.Allocate(50);
    comb.feedback = 0.7;
    auto out = CombResponse(comb, 400);
    for (int n = 0; n < 400; ++n) {
        const double expected = n > 0 && n % 50 == 0 ? std::pow(0.7, n / 50 - 1) : 0.0;
        ASSERT_NEAR(out[n], expected, 1e-15) << n;
    }

    // Damping smooths the echoes but leaves the gain at DC alone: the whole
    // response still sums to 1 / (1 - feedback).
    comb.Clear();
    comb.SetDamping(0.6);
    out = CombResponse(comb, 20000);
    double sum = 0.0;
    for (double s : out) {
        sum += s;
    }
    EXPECT_NEAR(sum, 1.0 / 0.3, 1e-9);
    EXPECT_NEAR(out[100], 0.7 * 0.4, 1e-15); // the second echo is softened and spread
    EXPECT_GT(out[101], 0.0);

    // A swaying read arrives early, shared between the two nearest entries:
    // with a still sway, 2.25 short is 0.75 at 48 and 0.25 at 47.
    comb.Clear();
    comb.feedback = 0.0;
    comb.swayDepth = 2.25;
    out = CombResponse(comb, 60, true);
    EXPECT_NEAR(out[48], 0.75, 1e-15);
    EXPECT_NEAR(out[47], 0.25, 1e-15);
    EXPECT_EQ(out[49] + out[50] + out[46], 0.0);

    // Many combs at once answer exactly as each would alone.
    std::vector<DampedComb> combs(7);
    std::vector<double> alone(300, 0.0);
    for (int k = 0; k < 7; ++k) {
        combs[k].Allocate(20 + 3 * k);
        combs[k].feedback = 0.5 + 0.05 * k;
        combs[k].SetDamping(0.1 * k);
        DampedComb copy = combs[k];
        const auto response = CombResponse(copy, 300);
        for (int n = 0; n < 300; ++n) {
            alone[n] += response[n];
        }
    }
    std::vector<double> in(300, 0.0);
    std::vector<double> together(300, 0.0);
    in[0] = 1.0;
    DampedComb::AccumulateAll(combs, in.data(), together.data(), 300);
    for (int n = 0; n < 300; ++n) {
        ASSERT_NEAR(together[n], alone[n], 1e-12) << n;
    }
}

TEST(DiffusionAllpass, InvertsTheInputThenEchoesAtHalvingLevels) {
    DiffusionAllpass allpass;
    allpass.Allocate(30);
    std::vector<double> out(200, 0.0);
    out[0] = 1.0;
    allpass.ProcessInPlace(out.data(), 200);
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
