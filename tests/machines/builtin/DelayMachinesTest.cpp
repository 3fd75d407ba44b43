#include "EffectHarness.h"

#include "machines/builtin/Delay.h"
#include "machines/builtin/Flanger.h"
#include "machines/builtin/TapeDelay.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn::test {
namespace {

constexpr double kRate = EffectHarness::kRate;

// Frames at which the signal is not zero (beyond the guard noise).
std::vector<int> Arrivals(const std::vector<double>& out) {
    std::vector<int> frames;
    for (int i = 0; i < static_cast<int>(out.size()); ++i) {
        if (std::abs(out[i]) > 1e-9) {
            frames.push_back(i);
        }
    }
    return frames;
}

double SamplesPerBeat(int bpm) {
    return kRate * 60.0 / bpm;
}

TEST(Delay, EchoesAtTheTempoSyncedLengthAndDecaysByTheFeedback) {
    for (int bpm : {120, 90}) {
        EffectHarness delay(std::make_unique<Delay>(), bpm);
        delay.Set(Delay::kLengthLeft, 0.5);
        delay.Set(Delay::kLengthRight, 0.25);
        delay.Set(Delay::kFeedback, 0.5);
        delay.Set(Delay::kWetOut, -6.0);
        const int left = static_cast<int>(0.5 * SamplesPerBeat(bpm));
        const int right = static_cast<int>(0.25 * SamplesPerBeat(bpm));
        const EffectHarness::Stereo out = delay.Process(Impulse(3 * left + 10), {});
        // The dry impulse, then echoes every `left` samples, each half the
        // one before; nothing reaches the right channel.
        EXPECT_EQ(Arrivals(out.left), (std::vector<int>{0, left, 2 * left, 3 * left})) << bpm;
        const double wet = std::pow(10.0, -6.0 * 0.05);
        EXPECT_NEAR(out.left[0], 1.0, 1e-12);
        EXPECT_NEAR(out.left[left], wet, 1e-12);
        EXPECT_NEAR(out.left[2 * left], wet * 0.5, 1e-12);
        EXPECT_NEAR(out.left[3 * left], wet * 0.25, 1e-12);
        EXPECT_TRUE(Arrivals(out.right).empty());
        const EffectHarness::Stereo other = delay.Process({}, Impulse(2 * right + 10));
        EXPECT_EQ(Arrivals(other.right)[1], right) << bpm;
    }

    // A length sent at 120 BPM keeps its samples when the tempo changes,
    // until it is sent again.
    EffectHarness delay(std::make_unique<Delay>(), 120);
    delay.Set(Delay::kLengthLeft, 1.0);
    delay.Set(Delay::kFeedback, 0.0);
    delay.Process(std::vector<double>(16, 0.0));
    delay.SetTempo(60);
    EXPECT_EQ(Arrivals(delay.Process(Impulse(30000), {}).left).back(), 22050);
    delay.Set(Delay::kLengthLeft, 1.0);
    EXPECT_EQ(Arrivals(delay.Process(Impulse(50000), {}).left).back(), 44100);
}

TEST(Delay, LineLimitsLengthsAndFeedbackOfOneRepeatsUndiminished) {
    // Two beats at 20 BPM (6 s) are cut to the five-second line; a length
    // of 0 still delays by one sample, never by the whole line.
    EffectHarness delay(std::make_unique<Delay>(), 20);
    delay.Set(Delay::kLengthLeft, 2.0);
    delay.Set(Delay::kLengthRight, 0.0);
    delay.Set(Delay::kWetOut, 0.0);
    delay.Set(Delay::kFeedback, 0.0);
    const EffectHarness::Stereo out =
        delay.Process(Impulse(static_cast<int>(5.5 * kRate)), Impulse(16));
    EXPECT_EQ(Arrivals(out.left), (std::vector<int>{0, static_cast<int>(5 * kRate)}));
    EXPECT_EQ(Arrivals(out.right), (std::vector<int>{0, 1}));

    EffectHarness loop(std::make_unique<Delay>());
    loop.Set(Delay::kLengthLeft, 0.01); // 220 samples at 120 BPM
    loop.Set(Delay::kFeedback, 1.0);
    loop.Set(Delay::kWetOut, 0.0);
    const std::vector<double> echoes = loop.Process(Impulse(220 * 200 + 1), {}).left;
    for (int repeat = 1; repeat <= 200; ++repeat) {
        ASSERT_NEAR(echoes[220 * repeat], 1.0, 1e-12) << repeat;
    }
    // A steady input into that loop grows, but only up to the loop's limit.
    const std::vector<double> loud(static_cast<int>(kRate), 1.0);
    const std::vector<double> held = loop.Process(loud, {}).left;
    EXPECT_LE(*std::max_element(held.begin(), held.end()), 1.0 + DelayLine::kLoopLimit);
}

TEST(TapeDelay, ReadsItsLengthBackPannedCrossedAndInverted) {
    const int length = static_cast<int>(0.1 * SamplesPerBeat(120)); // 2205
    const double gainLeft = 1.414214 * std::sqrt(0.25);             // pan 0.5
    const double wet = std::pow(10.0, -20.0 * 0.05);
    {
        // Defaults, no modulation: an echo exactly `length` samples late,
        // scaled by the pan gain and the wet level, then by the feedback.
        EffectHarness tape(std::make_unique<TapeDelay>());
        const EffectHarness::Stereo out = tape.Process(Impulse(2 * length + 10), {});
        EXPECT_EQ(Arrivals(out.left), (std::vector<int>{0, length, 2 * length}));
        EXPECT_NEAR(out.left[length], gainLeft * wet, 1e-6);
        EXPECT_NEAR(out.left[2 * length], gainLeft * wet * 0.4, 1e-6);
        EXPECT_TRUE(Arrivals(out.right).empty());
    }
    {
        // Crossed feedback with different lengths bounces an impulse on the
        // left from side to side.
        EffectHarness tape(std::make_unique<TapeDelay>());
        tape.Set(TapeDelay::kType, 1.0);
        tape.Set(TapeDelay::kLengthRight, 0.05);
        const int right = length / 2;
        const EffectHarness::Stereo out = tape.Process(Impulse(2 * length + right + 10), {});
        EXPECT_EQ(Arrivals(out.left), (std::vector<int>{0, length, 2 * length + right}));
        EXPECT_EQ(Arrivals(out.right), (std::vector<int>{length + right}));
        EXPECT_NEAR(out.right[length + right], gainLeft * 0.4 * wet, 1e-6);
    }
    {
        // Inverted: each input echoes on the other side, with its own gain.
        EffectHarness tape(std::make_unique<TapeDelay>());
        tape.Set(TapeDelay::kInverted, 1.0);
        tape.Set(TapeDelay::kFeedback, 0.0);
        tape.Set(TapeDelay::kInputPan, 0.0); // both gains 1
        const EffectHarness::Stereo out = tape.Process(Impulse(length + 10), {});
        EXPECT_NEAR(out.left[length], 0.0, 1e-12);
        EXPECT_NEAR(out.right[length], wet, 1e-6);
        // Pan 1 silences the left input and lifts the right by 3 dB.
        tape.Set(TapeDelay::kInputPan, 1.0);
        EXPECT_NEAR(tape.Process(Impulse(length + 10), {}).right[length], 0.0, 1e-12);
        EXPECT_NEAR(tape.Process({}, Impulse(length + 10)).left[length], 1.414214 * wet, 1e-6);
    }
    {
        // A zero length reads one sample back, not the whole line; a length
        // beyond the line reads its far end.
        EffectHarness tape(std::make_unique<TapeDelay>(), 20);
        tape.Set(TapeDelay::kLengthLeft, 0.0);
        tape.Set(TapeDelay::kLengthRight, 2.0);
        tape.Set(TapeDelay::kFeedback, 0.0);
        const EffectHarness::Stereo out =
            tape.Process(Impulse(TapeDelay::kLineSize + 10), Impulse(TapeDelay::kLineSize + 10));
        EXPECT_EQ(Arrivals(out.left), (std::vector<int>{0, 1}));
        EXPECT_EQ(Arrivals(out.right), (std::vector<int>{0, TapeDelay::kLineSize - 2}));
    }
}

TEST(TapeDelay, ModulationSwingsTheEchoAroundItsLength) {
    // Depth 0.2 is 0.008 s = 352.8 samples either way; speed 1.0 is 10 Hz.
    EffectHarness tape(std::make_unique<TapeDelay>());
    tape.Set(TapeDelay::kDepthLeft, 0.2);
    tape.Set(TapeDelay::kSpeedLeft, 1.0);
    tape.Set(TapeDelay::kFeedback, 0.0);
    tape.Set(TapeDelay::kWetOut, 0.0);
    const int length = static_cast<int>(0.1 * SamplesPerBeat(120));
    // A steady 100 Hz tone comes back with its phase wobbling by most of a
    // period, so its sum with the dry tone swings in level, and the swing
    // repeats with the modulation: every 4410 samples, ten 441-sample windows.
    const std::vector<double> tone = Sine(100, static_cast<int>(kRate));
    const std::vector<double> out = tape.Process(tone, {}).left;
    std::vector<double> levels;
    for (int start = length + 441; start + 441 <= static_cast<int>(out.size()); start += 441) {
        levels.push_back(Rms(std::span(out).subspan(start, 441)));
    }
    EXPECT_GT(*std::max_element(levels.begin(), levels.end()) -
                  *std::min_element(levels.begin(), levels.end()),
              0.5);
    for (std::size_t k = 0; k + 10 < levels.size(); ++k) {
        EXPECT_NEAR(levels[k], levels[k + 10], 0.02) << k;
    }
}

// The arrival of each of a train of impulses through a fully wet flanger:
// the delay it took, interpolated from where its energy landed.
std::vector<double> SweptDelays(EffectHarness& flanger, int spacing, int count) {
    std::vector<double> train(spacing * count, 0.0);
    for (int k = 0; k < count; ++k) {
        train[k * spacing] = 1.0;
    }
    const std::vector<double> out = flanger.Process(train, {}).left;
    std::vector<double> delays;
    for (int k = 0; k < count; ++k) {
        double weight = 0.0;
        double centre = 0.0;
        for (int i = 0; i < spacing; ++i) {
            weight += out[k * spacing + i];
            centre += out[k * spacing + i] * i;
        }
        delays.push_back(centre / weight);
    }
    return delays;
}

TEST(Flanger, DelaySweepsBetweenStartAndEndAtTheRate) {
    const double rateValue = std::cbrt(0.2); // 2 Hz
    for (bool swapped : {false, true}) {
        EffectHarness flanger(std::make_unique<Flanger>());
        flanger.Set(Flanger::kMix, 1.0);
        flanger.Set(Flanger::kFeedback, 0.0);
        flanger.Set(swapped ? Flanger::kDelayEnd : Flanger::kDelayStart, 1.0);
        flanger.Set(swapped ? Flanger::kDelayStart : Flanger::kDelayEnd, 5.0);
        flanger.Set(Flanger::kRate, rateValue);
        const int spacing = 441; // one impulse every 10 ms
        const std::vector<double> delays = SweptDelays(flanger, spacing, 200);
        // The delay follows (sin + 1)/2 between 44.1 and 220.5 samples, two
        // periods per second, as it stands when the impulse comes out.
        const auto sweep = [](double frame) {
            return 44.1 +
                   176.4 * (std::sin(2.0 * std::numbers::pi * 2.0 * frame / kRate) + 1.0) / 2.0;
        };
        for (int k = 0; k < 200; ++k) {
            double delay = sweep(k * spacing);
            for (int round = 0; round < 5; ++round) {
                delay = sweep(k * spacing + delay);
            }
            ASSERT_NEAR(delays[k], delay, 1.5) << k << (swapped ? " swapped" : "");
        }
    }
}

TEST(Flanger, MixesDryAndWetWithoutStrayEchoes) {
    const std::vector<double> noise = Noise(4096, 5);
    {
        // Mix 0 is the input unchanged.
        EffectHarness flanger(std::make_unique<Flanger>());
        flanger.Set(Flanger::kMix, 0.0);
        const EffectHarness::Stereo out = flanger.Process(noise);
        for (std::size_t i = 0; i < noise.size(); ++i) {
            ASSERT_EQ(out.left[i], noise[i]) << i;
            ASSERT_EQ(out.right[i], noise[i]) << i;
        }
    }
    {
        // The defaults (0.01 ms both ways) delay by one sample; nothing comes
        // back a whole line (20 ms) later.
        EffectHarness flanger(std::make_unique<Flanger>());
        flanger.Set(Flanger::kFeedback, 0.0);
        const std::vector<double> out = flanger.Process(Impulse(2000), {}).left;
        EXPECT_EQ(Arrivals(out), (std::vector<int>{0, 1}));
        EXPECT_NEAR(out[0], 0.5, 1e-12);
        EXPECT_NEAR(out[1], 0.5, 1e-12);
    }
}

} // namespace
} // namespace tarn::test
