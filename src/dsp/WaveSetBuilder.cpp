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
    // Four running maxima, so that no step waits for the one before; the
    // guard samples repeat samples already counted.
    std::array<double, 4> peaks{};
    for (int m = 0; m < kWavePeriod; m += 4) {
        for (int lane = 0; lane < 4; ++lane) {
            peaks[lane] = std::max(peaks[lane], std::abs(table[m + lane]));
        }
    }
    const double peak = std::max(std::max(peaks[0], peaks[1]), std::max(peaks[2], peaks[3]));
    // Dividing by exactly 1.0 would change nothing.
    if (peak > 0.0 && peak != 1.0) {
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
    for (int j = 0; j < kWavePeriod; ++j) {
        sineLanes_[j] = Lanes{sine_[j], sine_[j]};
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
    std::array<int, kMaxHarmonic> numbers;
    std::array<Lanes, kMaxHarmonic> weights;
    int count = 0;
    for (int n = 1; n <= kMaxHarmonic && n * fundamental < kHarmonicLimitHz; n += stride) {
        numbers[count] = n;
        weights[count] =
            Lanes{HarmonicWeight(pair.first, n, limit), HarmonicWeight(pair.second, n, limit)};
        ++count;
    }
    std::fill(sums.begin(), sums.begin() + end, Lanes{0.0, 0.0});
    int done = 0;
    for (; done + kBlock <= count; done += kBlock) {
        AddHarmonics<kBlock>(numbers.data() + done, weights.data() + done, end, sums);
    }
    for (; done < count; ++done) {
        AddHarmonics<1>(numbers.data() + done, weights.data() + done, end, sums);
    }
    if (pair.oddOnly) {
        for (int m = kQuarter + 1; m < kHalf; ++m) {
            sums[m] = sums[kHalf - m];
        }
    }
}

template <int kHarmonics>
void WaveSetBuilder::AddHarmonics(const int* numbers, const Lanes* weights, int end,
                                  std::array<Lanes, kHalf>& sums) const {
    // n·m grows by n each sample; masking it rather than a wrapped running
    // index keeps each step a single addition.
    std::array<int, kHarmonics> phases{};
    for (int m = 1; m < end; ++m) {
        Lanes sum = sums[m];
#pragma GCC unroll 8
        for (int h = 0; h < kHarmonics; ++h) {
            phases[h] += numbers[h];
            sum += weights[h] * sineLanes_[phases[h] & (kWavePeriod - 1)];
        }
        sums[m] = sum;
    }
}

void WaveSetBuilder::Build(double* storage, std::array<WaveSet, kWaveKindCount>& sets) const {
    // The harmonic kinds' tables in kind order, then the two sines'.
    auto tableOf = [storage](int kind, int note) {
        const int slot = kind == kWaveReversedSawtooth ? kHarmonicKinds - 1 : kind - 1;
        const std::size_t index =
            static_cast<std::size_t>(slot) * WaveSet::kNoteCount + (note - WaveSet::kFirstNote);
        return storage + index * kWaveSampleCount;
    };
    double* const sine =
        storage + static_cast<std::size_t>(kHarmonicKinds) * WaveSet::kNoteCount * kWaveSampleCount;
    double* const invertedSine = sine + kWaveSampleCount;
    for (int m = 0; m < kWaveSampleCount; ++m) {
        sine[m] = sine_[m & (kWavePeriod - 1)];
        invertedSine[m] = sine_[(kWavePeriod - m) & (kWavePeriod - 1)];
    }
    FinishTable(sine);
    FinishTable(invertedSine);
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
        constexpr int kBuildOrder[] = {kWaveBrightRamp, kWaveSawtooth, kWaveReversedSawtooth,
                                       kWaveSquare, kWaveTriangle};
        for (int kind : kBuildOrder) {
            double* table = tableOf(kind, note);
            if (kind == kWaveReversedSawtooth) {
                const double* sawtooth = tableOf(kWaveSawtooth, note);
                for (int m = 0; m < kWaveSampleCount; ++m) {
                    table[m] = sawtooth[kWaveSampleCount - 1 - m];
                }
            }
            FinishTable(table);
            sets[kind - 1].Assign(note, {table, kWavePeriod, kWaveSampleCount});
        }
        // Every note, also above the harmonic limit.
        sets[kWaveSine - 1].Assign(note, {sine, kWavePeriod, kWaveSampleCount});
        sets[kWaveInvertedSine - 1].Assign(note, {invertedSine, kWavePeriod, kWaveSampleCount});
    }
}

} // namespace tarn
