#include "machines/builtin/Compressor.h"
#include "machines/builtin/Limiter.h"

#include "EffectHarness.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <string>

namespace tarn {
namespace {

using test::Db;
using test::EffectHarness;

std::vector<double> Level(double value, int frames) {
    return std::vector<double>(frames, value);
}

TEST(CompressorSound, FollowsItsStaticCurveAttackAndRelease) {
    // Static curve at −20 dB and ratio value 0.5 (5.875:1), fast attack:
    // the settled gain matches d / b within 0.5 dB over a level sweep.
    const double threshold = 0.1;
    const double ratio = (0.125 * 0.975 + 0.025) * 40.0;
    for (double levelDb : {-40.0, -20.0, -10.0, 0.0, 6.0, 12.0}) {
        EffectHarness host(std::make_unique<Compressor>());
        host.Set(Compressor::kThreshold, -20.0);
        host.Set(Compressor::kRatio, 0.5);
        host.Set(Compressor::kAttack, 0.0);
        const double b = std::pow(10.0, levelDb / 20.0);
        const auto out = host.Process(Level(b, 22050), Level(-b, 22050));
        const double wanted = b > threshold ? (threshold + (b - threshold) / ratio) / b : 1.0;
        EXPECT_NEAR(Db(out.left.back() / b), Db(wanted), 0.5) << levelDb;
        EXPECT_EQ(out.right.back(), -out.left.back());
    }

    // Threshold 0 dB, ratio 40, a constant 2.0: settles at (1 + 1/40) / 2,
    // reaching 1 − 1/e of the reduction (in dB) after the attack time.
    EffectHarness host(std::make_unique<Compressor>());
    host.Set(Compressor::kRatio, 1.0);
    host.Set(Compressor::kAttack, 0.5);
    host.Set(Compressor::kRelease, 0.5);
    const double time = (0.125 * 0.999 + 0.001) * 5000.0 * 0.001 * EffectHarness::kRate;
    const double settled = (1.0 + 1.0 / 40.0) / 2.0;
    auto out = host.Process(Level(2.0, 441000), Level(2.0, 441000));
    int reached = 0;
    while (Db(out.left[reached] / 2.0) > Db(settled) * (1.0 - std::exp(-1.0))) {
        ++reached;
    }
    EXPECT_NEAR(reached / time, 1.0, 0.1);
    EXPECT_NEAR(out.left.back() / 2.0, settled, 1e-6);

    // Below the threshold again: a straight line in dB back to exactly 1.0,
    // lasting the release time.
    out = host.Process(Level(0.5, 44100), Level(0.5, 44100));
    const double start = Db(out.left[0] / 0.5);
    const int half = static_cast<int>(time / 2.0);
    EXPECT_NEAR(Db(out.left[half] / 0.5), start / 2.0, 0.05);
    EXPECT_LT(out.left[static_cast<int>(time) - 10], 0.5);
    EXPECT_EQ(out.left[static_cast<int>(time) + 2], 0.5);

    // Ratio value 0 (1:1) never touches the gain, however loud.
    EffectHarness flat(std::make_unique<Compressor>());
    flat.Set(Compressor::kThreshold, -60.0);
    flat.Set(Compressor::kRatio, 0.0);
    out = flat.Process(Level(4.0, 4410), Level(-4.0, 4410));
    EXPECT_EQ(out.left.back(), 4.0);

    EXPECT_EQ(flat.Text(Compressor::kThreshold, -6.0), "-6.00dB");
    EXPECT_EQ(flat.Text(Compressor::kRatio, 1.0), "40.000:1");
    EXPECT_EQ(flat.Text(Compressor::kAttack, 0.0), "5.000ms");
    EXPECT_EQ(flat.Text(Compressor::kRelease, 1.0), "5000.000ms");
}

TEST(LimiterSound, MeetsEachPeakExactlyAndNeverExceedsTheCeiling) {
    // The only loud sample, 4.0 at position 100: the gain falls along a
    // straight line in dB to 0.25, arrives on the step before the peak, is
    // held for 256 samples and then released.
    {
        EffectHarness host(std::make_unique<Limiter>());
        std::vector<double> in(kMaxChunkFrames * 3, 0.5);
        in[100] = 4.0;
        const auto out = host.Process(in, in);
        EXPECT_NEAR(Db(out.left[50] / 0.5), Db(0.25) * 51.0 / 100.0, 1e-9);
        EXPECT_NEAR(out.left[99], 0.125, 1e-15);
        EXPECT_NEAR(out.left[100], 1.0, 1e-15);
        for (int i = 100; i < 99 + Limiter::kHoldSamples; ++i) {
            ASSERT_NEAR(out.left[i] / in[i], 0.25, 1e-15) << i;
        }
        EXPECT_GT(out.left[100 + Limiter::kHoldSamples], 0.125);
    }
    // The loudest channel sets the gain, even when the other is nearer.
    {
        EffectHarness host(std::make_unique<Limiter>());
        std::vector<double> left(64, 0.0);
        std::vector<double> right(64, 0.0);
        left[40] = 3.0;
        right[40] = 2.0;
        const auto out = host.Process(left, right);
        EXPECT_EQ(out.left[40], 1.0);
        EXPECT_NEAR(out.right[40], 2.0 / 3.0, 1e-15);
    }
    // Channels that differ: bursts of different heights that take turns
    // and overlap, each channel louder at times, across chunk boundaries.
    // Whichever channel is louder, neither goes over.
    {
        EffectHarness host(std::make_unique<Limiter>());
        const int frames = 4 * kMaxChunkFrames * 11;
        std::vector<double> left(frames);
        std::vector<double> right(frames);
        for (int i = 0; i < frames; ++i) {
            const double leftBurst = (i / 300) % 3 == 0 ? 4.0 : 0.6;
            const double rightBurst = (i / 170) % 4 == 1 ? 2.0 : 0.3;
            left[i] = leftBurst * std::sin(i * 0.21);
            right[i] = rightBurst * std::sin(i * 0.13 + 1.0);
        }
        const auto out = host.Process(left, right);
        for (int i = 0; i < frames; ++i) {
            ASSERT_LE(std::abs(out.left[i]), 1.0 + 1e-12) << i;
            ASSERT_LE(std::abs(out.right[i]), 1.0 + 1e-12) << i;
        }
    }
    // 60 s of noise at +12 dB with drum-like bursts, at two ceilings and with
    // events splitting chunks: not one sample over.
    for (double ceilingDb : {0.0, -6.0}) {
        EffectHarness host(std::make_unique<Limiter>());
        host.SetAt(77, Limiter::kThreshold, ceilingDb);
        host.SetAt(200, Limiter::kRelease, 20.0);
        std::mt19937 random(7);
        std::uniform_real_distribution<double> noise(-1.0, 1.0);
        const int frames = 60 * static_cast<int>(EffectHarness::kRate);
        std::vector<double> left(frames);
        std::vector<double> right(frames);
        for (int i = 0; i < frames; ++i) {
            const double hit = std::exp(-(i % 11025) / 800.0) * 3.0;
            left[i] = noise(random) * (1.0 + hit);
            right[i] = noise(random) * 4.0 * std::exp(-(i % 7000) / 3000.0);
        }
        const double ceiling = std::pow(10.0, ceilingDb / 20.0);
        const auto out = host.Process(left, right);
        int overs = 0;
        for (const auto* channel : {&out.left, &out.right}) {
            // The new ceiling holds from the event's frame on.
            overs += static_cast<int>(
                std::count_if(channel->begin() + 77, channel->end(),
                              [&](double s) { return std::abs(s) > ceiling * (1.0 + 1e-12); }));
        }
        EXPECT_EQ(overs, 0) << ceilingDb;
        EXPECT_EQ(host.Text(Limiter::kRelease, 50.0), "50.000ms");
    }
}

} // namespace
} // namespace tarn
