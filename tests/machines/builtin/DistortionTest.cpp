#include "machines/builtin/Distortion.h"
#include "machines/builtin/CorvaDist.h"

#include "EffectHarness.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace tarn {
namespace {

using test::EffectHarness;
using test::Sine;

// Amplitude of the harmonic at frequency over a whole number of periods.
double Harmonic(const std::vector<double>& samples, std::size_t from, double frequency) {
    double re = 0.0;
    double im = 0.0;
    const std::size_t count = samples.size() - from;
    for (std::size_t i = from; i < samples.size(); ++i) {
        const double phase =
            2.0 * std::numbers::pi * frequency * static_cast<double>(i) / EffectHarness::kRate;
        re += samples[i] * std::cos(phase);
        im += samples[i] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(count);
}

TEST(DistortionSound, ClipsWithTheCubicCurveAndBoostsTheCentreBand) {
    // Amount 0: flat filters, so constant levels show the clipper's curve.
    {
        EffectHarness host(std::make_unique<Distortion>());
        for (const auto& [in, expected] :
             {std::pair{0.5, 0.525 - 0.525 * 0.525 * 0.525 / 3.0},
              std::pair{-0.5, -0.5 + 0.125 / 3.0}, std::pair{0.96, 2.0 / 3.0},
              std::pair{-1.5, -2.0 / 3.0}, std::pair{4.0, 2.0 / 3.0}}) {
            const auto out =
                host.Process(std::vector<double>(64, in), std::vector<double>(64, -in));
            EXPECT_NEAR(out.left.back(), expected, 1e-9) << in;
            EXPECT_NEAR(out.right.back(), Distortion::Saturate(-in), 1e-9) << in;
        }
    }
    // A loud sine gains the harmonics the curve predicts: odd ones from the
    // cubic term, even ones from the harder positive half-wave.
    {
        EffectHarness host(std::make_unique<Distortion>());
        const double f = 441.0; // 100 samples a period
        const double a = 0.8;
        const auto sine = Sine(f, 44100, a);
        const auto out = host.Process(sine, sine);
        const auto curve = [](double x) {
            return x > 0.0 ? 1.05 * x - std::pow(1.05 * x, 3.0) / 3.0 : x - x * x * x / 3.0;
        };
        std::vector<double> predicted(sine.size());
        std::transform(sine.begin(), sine.end(), predicted.begin(), curve);
        for (int harmonic = 1; harmonic <= 4; ++harmonic) {
            EXPECT_NEAR(Harmonic(out.left, 4410, f * harmonic),
                        Harmonic(predicted, 4410, f * harmonic), 1e-6)
                << harmonic;
        }
        // Closed form of the symmetric part: a³/12 at the third harmonic.
        EXPECT_NEAR(Harmonic(out.left, 4410, 3 * f),
                    (1.0 + std::pow(1.05, 3.0)) / 2.0 * a * a * a / 12.0, 1e-3);
        EXPECT_GT(Harmonic(out.left, 4410, 2 * f), 1e-3);
    }
    // Amount 24 dB at the centre (0.5 → 2510 Hz): a quiet sine there comes
    // out 24 dB louder, one far below the band passes nearly unchanged.
    {
        const double centre = 0.5 * 0.5 * 0.5 * 20000.0 + 10.0;
        const double a = 0.001;
        for (const auto& [frequency, gain] :
             {std::pair{centre, std::pow(10.0, 24.0 / 20.0)}, std::pair{40.0, 1.0}}) {
            EffectHarness host(std::make_unique<Distortion>());
            // Set mid-chunk: still in force from the first frame on.
            host.SetAt(100, Distortion::kAmount, 24.0);
            const auto sine = Sine(frequency, 44100, a);
            const auto out = host.Process(sine, sine);
            // The clipper's positive half-wave is 5 % louder: 2.5 % on the fundamental.
            EXPECT_NEAR(Harmonic(out.right, 22050, frequency) / (a * gain * 1.025), 1.0, 0.02)
                << frequency;
        }
    }
}

// The shaped part of a Corva Dist output: all but the quarter of the dry
// input, over the second half, once the normalising gain has settled.
std::vector<double> ShapedPart(const std::vector<double>& out, const std::vector<double>& in) {
    std::vector<double> shaped;
    for (std::size_t i = in.size() / 2; i < in.size(); ++i) {
        shaped.push_back(out[i] - 0.25 * in[i]);
    }
    return shaped;
}

double RmsDifference(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0.0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sum += (a[i] - b[i]) * (a[i] - b[i]);
    }
    return std::sqrt(sum / static_cast<double>(a.size()));
}

std::vector<double> Shaped(double amplitude, double frequency, double amount,
                           std::initializer_list<std::pair<std::int32_t, double>> settings = {}) {
    EffectHarness host(std::make_unique<CorvaDist>());
    host.Set(CorvaDist::kAmount, amount);
    for (const auto& [index, value] : settings) {
        host.Set(index, value);
    }
    const auto in = Sine(frequency, 2 * static_cast<int>(EffectHarness::kRate), amplitude);
    return ShapedPart(host.Process(in, in).left, in);
}

TEST(CorvaDistSound, ShapesEveryLevelAlikeAndEqualisesAfterTheShaper) {
    // A signal four times as loud is shaped alike and scaled back to its
    // own level.
    for (double amount : {0.0, 8.0}) {
        auto quiet = Shaped(0.05, 441.0, amount);
        for (double& s : quiet) {
            s *= 4.0;
        }
        const auto loud = Shaped(0.2, 441.0, amount);
        EXPECT_LT(RmsDifference(quiet, loud), 0.02 * test::Rms(loud)) << amount;
    }
    // Even Amount 0 bends the sine; more drive adds far more odd harmonics.
    const double f = 441.0;
    const auto gentle = Shaped(0.3, f, 0.0);
    const auto hard = Shaped(0.3, f, 8.0);
    const auto third = [&](const std::vector<double>& s) {
        return Harmonic(s, 0, 3 * f) / Harmonic(s, 0, f);
    };
    EXPECT_GT(third(gentle), 0.003);
    EXPECT_GT(third(hard), 5.0 * third(gentle));

    // Either equaliser's +15 dB at the mid band raises a 2 kHz tone by 15 dB:
    // the shaper divides its normalising gain out again. The mid
    // frequencies change nothing at all.
    const double mid = 2000.0;
    const auto flat = Shaped(0.3, mid, 0.0);
    const auto post = Shaped(0.3, mid, 0.0, {{CorvaDist::kPostMid, 15.0}});
    const auto pre = Shaped(0.3, mid, 0.0, {{CorvaDist::kPreMid, 15.0}});
    EXPECT_NEAR(20.0 * std::log10(Harmonic(post, 0, mid) / Harmonic(flat, 0, mid)), 15.0, 0.5);
    EXPECT_NEAR(20.0 * std::log10(Harmonic(pre, 0, mid) / Harmonic(flat, 0, mid)), 15.0, 0.5);
    EXPECT_EQ(
        Shaped(0.3, mid, 0.0, {{CorvaDist::kPreMidFreq, 0.7}, {CorvaDist::kPostMidFreq, 0.2}}),
        flat);
}

TEST(CorvaDistSound, SurvivesValuesThatAreNotNumbersAndFallsSilentOnSilence) {
    EffectHarness host(std::make_unique<CorvaDist>());
    host.Set(CorvaDist::kAmount, 40.0);
    auto in = Sine(441.0, 44100, 0.5);
    in[100] = std::nan("");
    in[200] = std::numeric_limits<double>::infinity();
    in[300] = -std::numeric_limits<double>::infinity();
    in[400] = 1e300;
    const auto out = host.Process(in, in);
    for (const auto* channel : {&out.left, &out.right}) {
        EXPECT_TRUE(test::AllFinite(*channel));
        EXPECT_GT(test::Rms(std::span(*channel).subspan(22050)), 0.05);
    }
    // Silence in, and once the combs have emptied, exact zeros out.
    const auto quiet =
        host.Process(std::vector<double>(44100, 0.0), std::vector<double>(44100, 0.0));
    for (const auto* channel : {&quiet.left, &quiet.right}) {
        EXPECT_EQ(test::Peak(std::span(*channel).subspan(33075)), 0.0);
    }
}

} // namespace
} // namespace tarn
