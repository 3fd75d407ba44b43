#include "machines/builtin/Reverb.h"
#include "machines/builtin/CorvaReverb.h"
#include "machines/builtin/CorvaReverbLe.h"

#include "EffectHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tarn {
namespace {

using test::EffectHarness;

constexpr int kSecond = static_cast<int>(EffectHarness::kRate);

// The time in samples a decay takes to fall 60 dB, from the backward
// integral of its energy (samples squared, or any other energy envelope),
// fitted between -5 and -35 dB.
double Rt60(const std::vector<double>& energy) {
    std::vector<double> remaining(energy.size() + 1, 0.0);
    for (std::size_t i = energy.size(); i-- > 0;) {
        remaining[i] = remaining[i + 1] + energy[i];
    }
    const auto crossing = [&](double db) {
        const double level = remaining[0] * std::pow(10.0, db / 10.0);
        std::size_t i = 0;
        while (remaining[i] > level) {
            ++i;
        }
        return static_cast<double>(i);
    };
    return (crossing(-35.0) - crossing(-5.0)) * 2.0;
}

std::vector<double> Energy(const EffectHarness::Stereo& out) {
    std::vector<double> energy(out.left.size());
    for (std::size_t i = 0; i < energy.size(); ++i) {
        energy[i] = out.left[i] * out.left[i] + out.right[i] * out.right[i];
    }
    return energy;
}

double EnergyOf(const std::vector<double>& samples, int from, int to) {
    double sum = 0.0;
    for (int i = from; i < to; ++i) {
        sum += samples[i] * samples[i];
    }
    return sum;
}

// True when every sample from `from` on is exactly zero.
bool SilentFrom(const std::vector<double>& samples, int from) {
    for (std::size_t i = from; i < samples.size(); ++i) {
        if (samples[i] != 0.0) {
            return false;
        }
    }
    return true;
}

std::vector<double> Burst(int frames, int length, unsigned seed) {
    std::vector<double> samples = test::Noise(length, seed);
    samples.resize(frames, 0.0);
    return samples;
}

TEST(ReverbSound, DecaysAtTheRateItsCombsGiveAndEndsInExactSilence) {
    // Wet only, no damping: every comb loses 20·log10(feedback) dB per trip,
    // so the energy envelope is the sum of one exponential per comb.
    for (double time : {0.7, 0.9}) {
        EffectHarness reverb(std::make_unique<Reverb>());
        reverb.Set(Reverb::kDryOut, -80.0);
        reverb.Set(Reverb::kReverbTime, time);
        const auto out = reverb.Process(test::Impulse(8 * kSecond));
        std::vector<double> model(out.left.size(), 0.0);
        for (int spread : {0, Reverb::kRightSpread}) {
            for (int length : Reverb::kCombLengths) {
                for (std::size_t t = 0; t < model.size(); ++t) {
                    model[t] += std::pow(time, 2.0 * t / (length + spread));
                }
            }
        }
        EXPECT_NEAR(Rt60(Energy(out)) / Rt60(model), 1.0, 0.15) << time;
        // Falling steadily from one 100 ms window to the next.
        const int window = kSecond / 10;
        for (int from = window; from + 2 * window < 4 * kSecond; from += window) {
            EXPECT_LT(EnergyOf(out.left, from + window, from + 2 * window),
                      EnergyOf(out.left, from, from + window))
                << time << " " << from;
        }
        // A mono impulse still leaves two different tails.
        EXPECT_NE(out.left[kSecond], out.right[kSecond]);
    }

    // A burst of noise, then silence: the tail dies into exact zeros.
    EffectHarness reverb(std::make_unique<Reverb>());
    reverb.Set(Reverb::kReverbTime, 0.5);
    reverb.Set(Reverb::kDamp, 0.3);
    auto out = reverb.Process(Burst(8 * kSecond, kSecond / 10, 3));
    EXPECT_TRUE(SilentFrom(out.left, 7 * kSecond));
    EXPECT_TRUE(SilentFrom(out.right, 7 * kSecond));
}

TEST(ReverbSound, StaysFiniteFreeOfDcAndDecayingAtEveryExtreme) {
    // The defaults (the longest time, no damping) and the loudest levels
    // over loud noise and a steady offset: finite, and the tail still falls.
    EffectHarness reverb(std::make_unique<Reverb>());
    reverb.Set(Reverb::kWetOut, 20.0);
    reverb.Set(Reverb::kDryOut, 20.0);
    std::vector<double> loud = test::Noise(10 * kSecond, 5);
    for (double& s : loud) {
        s = 4.0 * s + 1.0;
    }
    auto out = reverb.Process(loud);
    EXPECT_TRUE(test::AllFinite(out.left));
    EXPECT_TRUE(test::AllFinite(out.right));
    out = reverb.Process(std::vector<double>(20 * kSecond, 0.0));
    EXPECT_TRUE(test::AllFinite(out.left));
    EXPECT_LT(EnergyOf(out.left, 19 * kSecond, 20 * kSecond), EnergyOf(out.left, 0, kSecond) * 0.1);

    // A steady offset into the reverb leaves none in its wet output.
    EffectHarness wet(std::make_unique<Reverb>());
    wet.Set(Reverb::kDryOut, -80.0);
    wet.Set(Reverb::kReverbTime, 0.9);
    out = wet.Process(std::vector<double>(6 * kSecond, 0.5));
    const std::span<const double> last(out.left.end() - kSecond, out.left.end());
    double mean = 0.0;
    for (double s : last) {
        mean += s / kSecond;
    }
    EXPECT_LT(std::abs(mean), 1e-3);

    // The dry level passes the input with nothing added before the first
    // echo; a value that is not a number does not poison the tail.
    EffectHarness dry(std::make_unique<Reverb>());
    dry.Set(Reverb::kDryOut, -6.0);
    dry.Set(Reverb::kReverbTime, 0.5);
    std::vector<double> in = test::Impulse(7 * kSecond);
    in[1] = std::nan("");
    out = dry.Process(in, test::Impulse(7 * kSecond));
    EXPECT_NEAR(out.right[0], std::pow(10.0, -0.3), 1e-12);
    EXPECT_TRUE(test::AllFinite(std::span(out.right).subspan(2)));
    EXPECT_TRUE(SilentFrom(out.right, 6 * kSecond));
}

// The most samples a sound takes through the Corva Reverb's lines: the
// longest comb and every all-pass of a side.
int LongestCorvaPath() {
    int longest = 0;
    for (int side = 0; side < 2; ++side) {
        int path = *std::max_element(CorvaReverb::kCombLengths[side].begin(),
                                     CorvaReverb::kCombLengths[side].end());
        for (int length : CorvaReverb::kAllpassLengths[side]) {
            path += length;
        }
        longest = std::max(longest, path);
    }
    return longest;
}

template <typename M> std::unique_ptr<Machine> Make() {
    return std::make_unique<M>();
}

TEST(CorvaReverbSound, EveryCombDiesInTheTailTimeAndTheGateEndsInExactZeros) {
    double fullLevel = 0.0;
    for (auto make : {Make<CorvaReverb>, Make<CorvaReverbLe>}) {
        for (double time : {0.3, 0.5}) {
            EffectHarness reverb(make());
            reverb.Set(CorvaReverb::kReverbTime, time);
            const double tail = CorvaReverb::TailSamples(CorvaReverb::DecayFactor(time));
            const int frames = static_cast<int>(tail) + LongestCorvaPath() + kSecond;
            auto out = reverb.Process(test::Impulse(frames));
            // The dry impulse is all of frame 0; the rest is the tail.
            out.left[0] -= CorvaReverb::kDryGain;
            out.right[0] -= CorvaReverb::kDryGain;
            EXPECT_NEAR(Rt60(Energy(out)) / tail, 1.0, 0.15) << time;
            const int window = kSecond / 10;
            for (int from = window; from + 2 * window < static_cast<int>(tail); from += window) {
                EXPECT_LT(EnergyOf(out.left, from + window, from + 2 * window),
                          EnergyOf(out.left, from, from + window))
                    << time << " " << from;
            }
            EXPECT_NE(out.left[kSecond / 2], out.right[kSecond / 2]);
            // Nothing still on its way through the lines is cut when the
            // tail time is up; after the longest path, exact zeros.
            const int end = static_cast<int>(tail) + LongestCorvaPath() + 2;
            EXPECT_GT(EnergyOf(out.left, static_cast<int>(tail), end), 0.0);
            EXPECT_TRUE(SilentFrom(out.left, end)) << time;
            EXPECT_TRUE(SilentFrom(out.right, end)) << time;
            if (time == 0.5) {
                // The lighter reverb's tail is as loud as the full one's.
                const double level = std::sqrt(EnergyOf(out.left, 0, kSecond));
                if (fullLevel == 0.0) {
                    fullLevel = level;
                } else {
                    EXPECT_NEAR(20.0 * std::log10(level / fullLevel), 0.0, 1.5);
                }
            }
        }
    }
}

TEST(CorvaReverbSound, NeverGatesTheDryPathAndStaysFiniteAtEveryExtreme) {
    // An anti-phase pair feeds the combs nothing, yet the dry signal passes
    // at its fixed level throughout.
    EffectHarness reverb(std::make_unique<CorvaReverb>());
    reverb.Set(CorvaReverb::kReverbTime, 0.4);
    const std::vector<double> sine = test::Sine(440.0, kSecond);
    std::vector<double> inverted(sine.size());
    std::transform(sine.begin(), sine.end(), inverted.begin(), [](double s) { return -s; });
    auto out = reverb.Process(sine, inverted);
    for (int i = 0; i < kSecond; ++i) {
        ASSERT_EQ(out.left[i], CorvaReverb::kDryGain * sine[i]) << i;
    }

    // The longest time, full damping range and loudest wet level over loud
    // noise with an offset: finite, no offset in the wet signal, and the
    // tail (far longer than 2^31 samples) still sounds after seconds of
    // silence.
    for (double damp : {0.0, 1.0}) {
        for (auto make : {Make<CorvaReverb>, Make<CorvaReverbLe>}) {
            EffectHarness loud(make());
            loud.Set(CorvaReverb::kReverbTime, 1.0);
            loud.Set(CorvaReverb::kHfDamp, damp);
            loud.Set(CorvaReverb::kWetOut, 20.0);
            EXPECT_GT(CorvaReverb::TailSamples(CorvaReverb::DecayFactor(1.0)), 4.0e9);
            std::vector<double> in = test::Noise(4 * kSecond, 9);
            for (double& s : in) {
                s = 4.0 * s + 1.0;
            }
            out = loud.Process(in);
            EXPECT_TRUE(test::AllFinite(out.left));
            EXPECT_TRUE(test::AllFinite(out.right));
            out = loud.Process(std::vector<double>(3 * kSecond, 0.0));
            EXPECT_TRUE(test::AllFinite(out.left));
            if (damp == 1.0) {
                continue; // the damping holds the loops' stores at 0: no tail
            }
            const std::span<const double> last(out.right.end() - kSecond, out.right.end());
            double mean = 0.0;
            for (double s : last) {
                mean += s / kSecond;
            }
            EXPECT_LT(std::abs(mean), 1e-3 * test::Rms(last));
            EXPECT_GT(test::Rms(last), 1e-3);
        }
    }
}

} // namespace
} // namespace tarn
