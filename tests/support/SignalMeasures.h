#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <span>

namespace tarn::test {

// Measures of rendered samples, shared by the tests that judge sound.

inline double Rms(std::span<const double> samples) {
    double sum = 0.0;
    for (double s : samples) {
        sum += s * s;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(samples.size()));
}

inline double Peak(std::span<const double> samples) {
    double peak = 0.0;
    for (double s : samples) {
        peak = std::max(peak, std::abs(s));
    }
    return peak;
}

inline bool AllFinite(std::span<const double> samples) {
    return std::all_of(samples.begin(), samples.end(), [](double s) { return std::isfinite(s); });
}

// The frequency of the fundamental from rising zero crossings, interpolated
// between samples; 0 with fewer than two crossings.
inline double ZeroCrossingFrequency(std::span<const double> samples, double rate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0 && samples[i] >= 0.0) {
            const double at =
                static_cast<double>(i - 1) + samples[i - 1] / (samples[i - 1] - samples[i]);
            if (crossings == 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) / (last - first) * rate;
}

// The share of samples above zero over the whole periods of a signal with
// the given period (in samples) at the start of samples.
inline double PositiveShare(std::span<const double> samples, double periodSamples) {
    const auto whole = static_cast<std::size_t>(
        std::floor(static_cast<double>(samples.size()) / periodSamples) * periodSamples);
    std::size_t positive = 0;
    for (std::size_t i = 0; i < whole; ++i) {
        positive += samples[i] > 0.0 ? 1 : 0;
    }
    return whole == 0 ? 0.0 : static_cast<double>(positive) / static_cast<double>(whole);
}

// The amplitude of the component at hz, read through a Hann window: a sine
// of amplitude a reads a, and components more than two analysis bins
// (2 · rate / size Hz) away hardly count.
inline double ToneAmplitude(std::span<const double> samples, double hz, double rate) {
    const double n = static_cast<double>(samples.size());
    const std::complex<double> turn = std::polar(1.0, -2.0 * std::numbers::pi * hz / rate);
    std::complex<double> rotor = 1.0;
    std::complex<double> sum = 0.0;
    double weights = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / n);
        sum += w * samples[i] * rotor;
        weights += w;
        rotor *= turn;
    }
    return weights > 0.0 ? 2.0 * std::abs(sum) / weights : 0.0;
}

// A gain in decibels.
inline double Db(double gain) {
    return 20.0 * std::log10(gain);
}

// The frequency of a note on the studio's scale: note 57 is 440 Hz.
inline double NoteHz(double note) {
    return 440.0 * std::exp2((note - 57.0) / 12.0);
}

// How far a measured frequency lies above (or below) an expected one.
inline double Cents(double measured, double expected) {
    return 1200.0 * std::log2(measured / expected);
}

} // namespace tarn::test
