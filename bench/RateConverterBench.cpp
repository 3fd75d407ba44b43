// The output rate conversion from the engine's 44 100 Hz to a device's
// rate: the time one second of stereo audio takes to convert in the driver's
// 800-frame blocks, and the conversion's quality, measured once on pure
// tones and reported as counters: the pass band's ripple (gain spread over
// 20 Hz to 20 kHz, dB) and the strongest residual beside the tone (images,
// aliases and the 16-bit input's own noise, dB below the tone).
#include "audio/RateConverter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tarn {
namespace {

constexpr int kInputRate = 44100;
constexpr std::size_t kBlockFrames = 800;
constexpr int kChannels = 2;

std::vector<std::int16_t> Tone(double frequency, double amplitude, std::size_t frames) {
    std::vector<std::int16_t> samples(frames * kChannels);
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const double x = amplitude * std::sin(2.0 * std::numbers::pi * frequency *
                                              static_cast<double>(frame) / kInputRate);
        const auto code = static_cast<std::int16_t>(std::lround(x * 32767.0));
        samples[frame * kChannels] = code;
        samples[frame * kChannels + 1] = code;
    }
    return samples;
}

// Left channel of the whole conversion of `input`, in blocks as the driver
// converts it.
std::vector<float> Convert(RateConverter& converter, const std::vector<std::int16_t>& input) {
    std::vector<float> block(converter.MaxOutputFrames() * kChannels);
    std::vector<float> left;
    const std::size_t frames = input.size() / kChannels;
    for (std::size_t done = 0; done < frames; done += kBlockFrames) {
        const std::size_t count = std::min(kBlockFrames, frames - done);
        const std::size_t made =
            converter.Process(input.data() + done * kChannels, count, block.data());
        for (std::size_t frame = 0; frame < made; ++frame) {
            left.push_back(block[frame * kChannels]);
        }
    }
    return left;
}

struct Fit {
    double gain = 0.0;     // amplitude found / amplitude sent
    double residual = 0.0; // power beside the tone / power of the tone
};

// Least-squares fit of a sine and cosine of `frequency` to y.
Fit FitTone(const std::vector<float>& y, std::size_t from, double frequency, double rate,
            double amplitude) {
    double cc = 0.0, ss = 0.0, cs = 0.0, yc = 0.0, ys = 0.0;
    const double w = 2.0 * std::numbers::pi * frequency / rate;
    for (std::size_t n = from; n < y.size(); ++n) {
        const double c = std::cos(w * n);
        const double s = std::sin(w * n);
        cc += c * c;
        ss += s * s;
        cs += c * s;
        yc += y[n] * c;
        ys += y[n] * s;
    }
    const double det = cc * ss - cs * cs;
    const double a = (yc * ss - ys * cs) / det;
    const double b = (ys * cc - yc * cs) / det;
    double tone = 0.0;
    double rest = 0.0;
    for (std::size_t n = from; n < y.size(); ++n) {
        const double fitted = a * std::cos(w * n) + b * std::sin(w * n);
        tone += fitted * fitted;
        rest += (y[n] - fitted) * (y[n] - fitted);
    }
    return {std::hypot(a, b) / amplitude, rest / tone};
}

void RateConversionCost(benchmark::State& state) {
    const int outputRate = static_cast<int>(state.range(0));
    RateConverter converter(kInputRate, outputRate, kChannels, kBlockFrames);
    const std::vector<std::int16_t> second = Tone(1000.0, 0.5, kInputRate);
    std::vector<float> block(converter.MaxOutputFrames() * kChannels);
    for (auto _ : state) {
        for (std::size_t done = 0; done < kInputRate; done += kBlockFrames) {
            const std::size_t count = std::min<std::size_t>(kBlockFrames, kInputRate - done);
            benchmark::DoNotOptimize(
                converter.Process(second.data() + done * kChannels, count, block.data()));
        }
    }
    state.SetLabel("one second of stereo audio");
}
BENCHMARK(RateConversionCost)->Arg(48000)->Arg(96000)->Unit(benchmark::kMicrosecond);

void RateConversionQuality(benchmark::State& state) {
    const int outputRate = static_cast<int>(state.range(0));
    constexpr double kAmplitude = 0.9;
    double lowest = 1e9, highest = -1e9, worstResidual = -1e9;
    for (auto _ : state) {
        // 20 Hz up by quarters, and the top of the pass band itself.
        std::vector<double> frequencies;
        for (double frequency = 20.0; frequency < 20000.0; frequency *= 1.25) {
            frequencies.push_back(frequency);
        }
        frequencies.push_back(20000.0);
        for (const double frequency : frequencies) {
            RateConverter converter(kInputRate, outputRate, kChannels, kBlockFrames);
            const std::vector<float> out =
                Convert(converter, Tone(frequency, kAmplitude, kInputRate / 2));
            // Past the filter's start and the priming silence.
            const Fit fit = FitTone(out, static_cast<std::size_t>(outputRate / 10), frequency,
                                    outputRate, kAmplitude);
            const double gainDb = 20.0 * std::log10(fit.gain);
            lowest = std::min(lowest, gainDb);
            highest = std::max(highest, gainDb);
            worstResidual = std::max(worstResidual, 10.0 * std::log10(fit.residual));
        }
    }
    state.counters["ripple_dB"] = highest - lowest;
    state.counters["residual_dB"] = worstResidual;
}
BENCHMARK(RateConversionQuality)
    ->Arg(48000)
    ->Arg(96000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarn
