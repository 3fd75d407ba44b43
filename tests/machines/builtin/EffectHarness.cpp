#include "EffectHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace tarn::test {

EffectHarness::EffectHarness(std::unique_ptr<Machine> machine, int bpm)
    : machine_(std::move(machine)), host_(*machine_, bpm) {}

void EffectHarness::Set(std::int32_t index, double value, double glideBeats, double endValue) {
    EventRecord& event = host_.Queue(index, value);
    event.endValue = glideBeats > 0.0 ? endValue : value;
    event.glideLength = glideBeats;
}

void EffectHarness::SetAt(int offset, std::int32_t index, double value) {
    host_.Queue(index, value, offset);
}

std::string EffectHarness::Text(std::int32_t index, double value) {
    std::string text;
    EXPECT_EQ(host_.Format(index, value, text), 1);
    return text;
}

EffectHarness::Stereo EffectHarness::Process(std::span<const double> left,
                                             std::span<const double> right) {
    const int frames = static_cast<int>(std::max(left.size(), right.size()));
    return host_.Run(frames, {left, !left.empty()}, {right, !right.empty()});
}

std::vector<double> Impulse(int frames, int at) {
    std::vector<double> samples(frames, 0.0);
    samples[at] = 1.0;
    return samples;
}

std::vector<double> Sine(double frequency, int frames, double amplitude) {
    std::vector<double> samples(frames);
    for (int i = 0; i < frames; ++i) {
        samples[i] =
            amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / EffectHarness::kRate);
    }
    return samples;
}

std::vector<double> Noise(int frames, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    std::vector<double> samples(frames);
    for (double& s : samples) {
        s = uniform(generator);
    }
    return samples;
}

double SineGainDb(std::span<const double> in, std::span<const double> out) {
    const std::size_t half = in.size() / 2;
    return 20.0 * std::log10(Rms(out.subspan(half)) / Rms(in.subspan(half)));
}

} // namespace tarn::test
