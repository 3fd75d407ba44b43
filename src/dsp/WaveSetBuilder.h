#pragma once

#include "dsp/DspLibrary.h"

#include <array>
#include <cstddef>

namespace tarn {

// Builds the seven band-limited wave kinds at start-up. Each table is a sum
// of sine harmonics of its note's fundamental, stopping below the harmonic
// limit, scaled to a peak of 1.0.
class WaveSetBuilder {
public:
    // The kinds built from harmonics have a table per note; a sine is the
    // same at every pitch, so the sine and the inverted sine have one table
    // each, which all their notes share.
    static constexpr int kHarmonicKinds = kWaveKindCount - 2;
    static constexpr std::size_t kStorageSize =
        (static_cast<std::size_t>(kHarmonicKinds) * WaveSet::kNoteCount + 2) * kWaveSampleCount;

    // noteFrequency: the library's note table (129 entries, Hz).
    explicit WaveSetBuilder(const double* noteFrequency);

    // Fills storage (kStorageSize doubles, owned by the caller) and points
    // every note of every set at its part of it.
    void Build(double* storage, std::array<WaveSet, kWaveKindCount>& sets) const;

private:
    static constexpr int kHalf = kWavePeriod / 2;

    // Two doubles summed in step, one lane per wave kind; the compiler keeps
    // each lane's arithmetic exactly that of a plain double.
    using Lanes = double __attribute__((vector_size(2 * sizeof(double))));

    // Two kinds with the same harmonics (all of them, or only the odd ones).
    struct KindPair {
        int first;
        int second;
        bool oddOnly;
    };

    // The first half period (samples 1..511) of both kinds of the pair at
    // once, each lane a sum of sine harmonics in rising order.
    void SumHarmonics(const KindPair& pair, double fundamental,
                      std::array<Lanes, kHalf>& sums) const;

    // Adds kHarmonics harmonics, in order, to every sum below end, in one
    // pass over the sums.
    static constexpr int kBlock = 8;
    template <int kHarmonics>
    void AddHarmonics(const int* numbers, const Lanes* weights, int end,
                      std::array<Lanes, kHalf>& sums) const;

    // One period of sin(2π·j/1024), exactly odd-symmetric, so harmonic n at
    // sample m is sine_[(n·m) mod 1024] without any phase error.
    std::array<double, kWavePeriod> sine_;
    // The same samples in both lanes.
    std::array<Lanes, kWavePeriod> sineLanes_;
    const double* noteFrequency_;
};

} // namespace tarn
