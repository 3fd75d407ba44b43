#include "dsp/WaveSetBuilder.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

constexpr int kMaxHarmonic = 499; // harmonics run while n < 500
constexpr int kQuarter = kWavePeriod / 4;

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

void WaveSetBuilder::SumHarmonics(const KindPair& pair, double fundamental,
                                  std::array<Lanes, kHalf>& sums) const {
    const int limit = HarmonicLimit(fundamental);
    // Odd harmonics alone make a wave symmetric about its quarter period:
    // harmonic n at 512 - m reads the same sine sample as at m, so the sums
    // there are the same terms in the same order.
    const int stride = pair.oddOnly ? 2 : 1;
    const int end = pair.oddOnly ? kQuarter + 1 : kHalf;
    std::fill(sums.begin(), sums.begin() + end, Lanes{0.0, 0.0});
    for (int n = 1; n <= kMaxHarmonic && n * fundamental < kHarmonicLimitHz; n += stride) {
        const Lanes weight{HarmonicWeight(pair.first, n, limit),
                           HarmonicWeight(pair.second, n, limit)};
        // n·m grows by n each sample; masking it rather than the running
        // index keeps the loop free of a two-step dependency.
        int phase = 0;
        for (int m = 1; m < end; ++m) {
            phase += n;
            sums[m] += weight * sine_[phase & (kWavePeriod - 1)];
        }
    }
    if (pair.oddOnly) {
        for (int m = kQuarter + 1; m < kHalf; ++m) {
            sums[m] = sums[kHalf - m];
        }
    }
}

void WaveSetBuilder::Build(double* storage, std::array<WaveSet, kWaveKindCount>& sets) const {
    auto tableOf = [storage](int kind, int note) {
        const std::size_t index =
            static_cast<std::size_t>(kind - 1) * WaveSet::kNoteCount + (note - WaveSet::kFirstNote);
        return storage + index * kWaveSampleCount;
    };
    // Kinds with the same harmonics are summed side by side: each sine
    // sample read serves both.
    constexpr KindPair kPairs[] = {{kWaveBrightRamp, kWaveSawtooth, false},
                                   {kWaveSquare, kWaveTriangle, true}};
    std::array<Lanes, kHalf> sums;
    for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
        for (const KindPair& pair : kPairs) {
            SumHarmonics(pair, noteFrequency_[note], sums);
            for (int lane = 0; lane < 2; ++lane) {
                double* table = tableOf(lane == 0 ? pair.first : pair.second, note);
                // A sum of sines is odd: the second half mirrors the first
                // exactly, and samples 0 and 512 stay 0.
                table[0] = 0.0;
                table[kHalf] = 0.0;
                for (int m = 1; m < kHalf; ++m) {
                    table[m] = sums[m][lane];
                    table[kWavePeriod - m] = -sums[m][lane];
                }
            }
        }
        // The reversed sawtooth reads the finished sawtooth.
        constexpr int kBuildOrder[] = {kWaveBrightRamp,  kWaveSawtooth, kWaveReversedSawtooth,
                                       kWaveSquare,      kWaveTriangle, kWaveSine,
                                       kWaveInvertedSine};
        for (int kind : kBuildOrder) {
            double* table = tableOf(kind, note);
            if (kind == kWaveReversedSawtooth) {
                const double* sawtooth = tableOf(kWaveSawtooth, note);
                for (int m = 0; m < kWaveSampleCount; ++m) {
                    table[m] = sawtooth[kWaveSampleCount - 1 - m];
                }
            } else if (kind == kWaveSine || kind == kWaveInvertedSine) {
                // Built for every note, also above the harmonic limit.
                for (int m = 0; m < kWaveSampleCount; ++m) {
                    const int phase = kind == kWaveSine ? m : kWavePeriod - m;
                    table[m] = sine_[phase & (kWavePeriod - 1)];
                }
            }
            FinishTable(table);
            sets[kind - 1].Assign(note, {table, kWavePeriod, kWaveSampleCount});
        }
    }
}

} // namespace tarn
