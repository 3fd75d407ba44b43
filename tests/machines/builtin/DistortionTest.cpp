#include "machines/builtin/Distortion.h"

#include "GainEffectHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tarn {
namespace {

using test::GainEffectHarness;

// Amplitude of the harmonic at frequency over a whole number of periods.
double Harmonic(const std::vector<double>& samples, std::size_t from, double frequency) {
    double re = 0.0;
    double im = 0.0;
    const std::size_t count = samples.size() - from;
    for (std::size_t i = from; i < samples.size(); ++i) {
        const double phase =
            2.0 * std::numbers::pi * frequency * static_cast<double>(i) / GainEffectHarness::kRate;
        re += samples[i] * std::cos(phase);
        im += samples[i] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(count);
}

std::vector<double> Sine(double frequency, double amplitude, int frames) {
    std::vector<double> out(frames);
    for (int i = 0; i < frames; ++i) {
        out[i] =
            amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / GainEffectHarness::kRate);
    }
    return out;
}

TEST(DistortionSound, ClipsWithTheCubicCurveAndBoostsTheCentreBand) {
    // Amount 0: flat filters, so constant levels show the clipper's curve.
    {
        GainEffectHarness host(std::make_unique<Distortion>());
        for (const auto& [in, expected] :
             {std::pair{0.5, 0.525 - 0.525 * 0.525 * 0.525 / 3.0},
              std::pair{-0.5, -0.5 + 0.125 / 3.0}, std::pair{0.96, 2.0 / 3.0},
              std::pair{-1.5, -2.0 / 3.0}, std::pair{4.0, 2.0 / 3.0}}) {
            const auto out =
                host.Process(std::vector<double>(64, in), std::vector<double>(64, -in));
            EXPECT_NEAR(out[0].back(), expected, 1e-9) << in;
            EXPECT_NEAR(out[1].back(), Distortion::Saturate(-in), 1e-9) << in;
        }
    }
    // A loud sine gains the harmonics the curve predicts: odd ones from the
    // cubic term, even ones from the harder positive half-wave.
    {
        GainEffectHarness host(std::make_unique<Distortion>());
        const double f = 441.0; // 100 samples a period
        const double a = 0.8;
        const auto sine = Sine(f, a, 44100);
        const auto out = host.Process(sine, sine);
        const auto curve = [](double x) {
            return x > 0.0 ? 1.05 * x - std::pow(1.05 * x, 3.0) / 3.0 : x - x * x * x / 3.0;
        };
        std::vector<double> predicted(sine.size());
        std::transform(sine.begin(), sine.end(), predicted.begin(), curve);
        for (int harmonic = 1; harmonic <= 4; ++harmonic) {
            EXPECT_NEAR(Harmonic(out[0], 4410, f * harmonic),
                        Harmonic(predicted, 4410, f * harmonic), 1e-6)
                << harmonic;
        }
        // Closed form of the symmetric part: a³/12 at the third harmonic.
        EXPECT_NEAR(Harmonic(out[0], 4410, 3 * f),
                    (1.0 + std::pow(1.05, 3.0)) / 2.0 * a * a * a / 12.0, 1e-3);
        EXPECT_GT(Harmonic(out[0], 4410, 2 * f), 1e-3);
    }
    // Amount 24 dB at the centre (0.5 → 2510 Hz): a quiet sine there comes
    // out 24 dB louder, one far below the band passes nearly unchanged.
    {
        const double centre = 0.5 * 0.5 * 0.5 * 20000.0 + 10.0;
        const double a = 0.001;
        for (const auto& [frequency, gain] :
             {std::pair{centre, std::pow(10.0, 24.0 / 20.0)}, std::pair{40.0, 1.0}}) {
            GainEffectHarness host(std::make_unique<Distortion>());
            // Set mid-chunk: still in force from the first frame on.
            host.Set(Distortion::kAmount, 24.0, 100);
            const auto sine = Sine(frequency, a, 44100);
            const auto out = host.Process(sine, sine);
            // The clipper's positive half-wave is 5 % louder: 2.5 % on the fundamental.
            EXPECT_NEAR(Harmonic(out[1], 22050, frequency) / (a * gain * 1.025), 1.0, 0.02)
                << frequency;
        }
    }
}

} // namespace
} // namespace tarn
