#include "gui/AnalyzerSpectrum.h"

#include "engine/AnalyzerRing.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace tarn {
namespace {

static_assert(AnalyzerSpectrum::kSize == AnalyzerRing::kSize);

// Decimation in time: the input in bit-reversed order, then butterflies of
// growing span, the twiddle factors by the angle recurrence.
void Fft(std::array<std::complex<float>, AnalyzerSpectrum::kSize>& data) {
    constexpr int n = AnalyzerSpectrum::kSize;
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1) {
            j ^= bit;
        }
        j |= bit;
        if (i < j) {
            std::swap(data[static_cast<std::size_t>(i)], data[static_cast<std::size_t>(j)]);
        }
    }
    for (int span = 1; span < n; span <<= 1) {
        const double theta = -std::numbers::pi / span;
        const double half = std::sin(0.5 * theta);
        const std::complex<double> step(-2.0 * half * half, std::sin(theta));
        std::complex<double> twiddle(1.0, 0.0);
        for (int m = 0; m < span; ++m) {
            const std::complex<float> w(static_cast<float>(twiddle.real()),
                                        static_cast<float>(twiddle.imag()));
            for (int i = m; i < n; i += 2 * span) {
                auto& a = data[static_cast<std::size_t>(i)];
                auto& b = data[static_cast<std::size_t>(i + span)];
                const std::complex<float> t = w * b;
                b = a - t;
                a += t;
            }
            twiddle += twiddle * step;
        }
    }
}

} // namespace

AnalyzerSpectrum::AnalyzerSpectrum() {
    for (int n = 0; n < kSize; ++n) {
        const double phase = 2.0 * std::numbers::pi * n / (kSize - 1);
        window_[static_cast<std::size_t>(n)] =
            static_cast<float>(0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase));
    }
}

void AnalyzerSpectrum::Take(const AnalyzerRing& ring) {
    for (int n = 0; n < kSize; ++n) {
        const double sample = ring.samples != nullptr
                                  ? ring.samples[(ring.writeIndex + n) & AnalyzerRing::kMask]
                                  : 0.0;
        data_[static_cast<std::size_t>(n)] = {
            static_cast<float>(sample) * window_[static_cast<std::size_t>(n)], 0.0f};
    }
}

void AnalyzerSpectrum::Transform() {
    Fft(data_);
    for (int k = 1; k < kBins; ++k) {
        const double magnitude = std::abs(data_[static_cast<std::size_t>(k)]) / (kSize / 2.0);
        levels_[static_cast<std::size_t>(k)] =
            magnitude > 0.0 ? 20.0 * std::log10(magnitude) : kSilentDb;
    }
}

double AnalyzerSpectrum::AxisX(double hz, double width) {
    return (std::log10(hz) - std::log10(kBinHz)) * width /
           (std::log10(kTopHz) - std::log10(kBinHz));
}

double AnalyzerSpectrum::AxisY(double decibels, double height) {
    return height - height * (decibels - kFloorDb) * 0.01;
}

} // namespace tarn
