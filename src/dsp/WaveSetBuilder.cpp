#include "dsp/WaveSetBuilder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

constexpr int kMaxHarmonic = 499; // harmonics run while n < 500
constexpr int kQuarter = kWavePeriod / 4;
constexpr int kHalf = kWavePeriod / 2;

// The Hamming-like taper that fades harmonics out towards the limit.
double Taper(int n, int limit) {
    return 0.54 + 0.46 * std::cos(std::numbers::pi * n / limit);
}

double HarmonicWeight(int kind, int n, int limit) {
    switch (kind) {
    case kWaveBrightRamp:
        return Taper(n, limit) * 2.0 / (n + 1);
    case kWaveSawtooth: {
        const double c = std::cos(n * (std::numbers::pi / 2) / limit);
        return c * c / n;
    }
    case kWaveSquare:
        return Taper(n, limit) / n;
    default: // kWaveTriangle
        return Taper(n, limit) / (static_cast<double>(n) * n);
    }
}

// How many harmonics of the fundamental lie below the limit.
int HarmonicLimit(double fundamental) {
    int count = 0;
    while ((count + 1) * fundamental < kHarmonicLimitHz) {
        ++count;
    }
    return count;
}

// Fills the two guard samples and scales to a peak of 1.0; an all-zero
// table stays zero.
void FinishTable(double* table) {
    table[kWavePeriod] = table[0];
    table[kWavePeriod + 1] = table[1];
    double peak = 0.0;
    for (int m = 0; m < kWaveSampleCount; ++m) {
        peak = std::max(peak, std::abs(table[m]));
    }
    if (peak > 0.0) {
        for (int m = 0; m < kWaveSampleCount; ++m) {
            table[m] /= peak;
        }
    }
}

} // namespace

WaveSetBuilder::WaveSetBuilder(const double* noteFrequency) : noteFrequency_(noteFrequency) {
    // One quarter from sin(), the rest by symmetry, so that sine_[0] and
    // sine_[512] are exactly 0 and sine_[1024 - j] == -sine_[j].
    for (int j = 0; j < kQuarter; ++j) {
        sine_[j] = std::sin(2.0 * std::numbers::pi * j / kWavePeriod);
    }
    sine_[kQuarter] = 1.0;
    for (int j = kQuarter + 1; j <= kHalf; ++j) {
        sine_[j] = sine_[kHalf - j];
    }
    for (int j = kHalf + 1; j < kWavePeriod; ++j) {
        sine_[j] = -sine_[j - kHalf];
    }
}

void WaveSetBuilder::SumHarmonics(int kind, double fundamental, double* table) const {
    std::fill(table, table + kWaveSampleCount, 0.0);
    const int limit = HarmonicLimit(fundamental);
    const int stride = (kind == kWaveSquare || kind == kWaveTriangle) ? 2 : 1;
    for (int n = 1; n <= kMaxHarmonic && n * fundamental < kHarmonicLimitHz; n += stride) {
        const double weight = HarmonicWeight(kind, n, limit);
        int j = 0;
        for (int m = 1; m < kHalf; ++m) {
            j = (j + n) & (kWavePeriod - 1);
            table[m] += weight * sine_[j];
        }
    }
    // A sum of sines is odd: the second half mirrors the first exactly, and
    // samples 0 and 512 stay 0.
    for (int m = 1; m < kHalf; ++m) {
        table[kWavePeriod - m] = -table[m];
    }
}

void WaveSetBuilder::Build(double* storage, std::array<WaveSet, kWaveKindCount>& sets) const {
    auto tableOf = [storage](int kind, int note) {
        const std::size_t index =
            static_cast<std::size_t>(kind - 1) * WaveSet::kNoteCount + (note - WaveSet::kFirstNote);
        return storage + index * kWaveSampleCount;
    };
    // Kind 6 reads kind 2, so kind 2 comes first.
    constexpr int kBuildOrder[] = {kWaveBrightRamp,  kWaveSawtooth, kWaveReversedSawtooth,
                                   kWaveSquare,      kWaveTriangle, kWaveSine,
                                   kWaveInvertedSine};
    for (int kind : kBuildOrder) {
        for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
            double* table = tableOf(kind, note);
            switch (kind) {
            case kWaveReversedSawtooth: {
                const double* sawtooth = tableOf(kWaveSawtooth, note);
                for (int m = 0; m < kWaveSampleCount; ++m) {
                    table[m] = sawtooth[kWaveSampleCount - 1 - m];
                }
                break;
            }
            case kWaveSine:
            case kWaveInvertedSine:
                // Built for every note, also above the harmonic limit.
                for (int m = 0; m < kWaveSampleCount; ++m) {
                    const int phase = kind == kWaveSine ? m : kWavePeriod - m;
                    table[m] = sine_[phase & (kWavePeriod - 1)];
                }
                break;
            default:
                SumHarmonics(kind, noteFrequency_[note], table);
                break;
            }
            FinishTable(table);
            sets[kind - 1].Assign(note, {table, kWavePeriod, kWaveSampleCount});
        }
    }
}

} // namespace tarn
