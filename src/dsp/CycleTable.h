#pragma once

#include <array>

namespace tarn {

// Band-limited waves: one period of 1024 samples plus two guard samples.
inline constexpr int kWavePeriod = 1024;
inline constexpr int kWaveSampleCount = kWavePeriod + 2;
// LFO shapes: one period of 256 samples plus one guard sample.
inline constexpr int kLfoPeriod = 256;
inline constexpr int kLfoSampleCount = kLfoPeriod + 1;

// One cycle of a read-only table of the DSP library: a band-limited wave for one note
// or an LFO shape. The samples hold one period followed by guard samples
// that continue it, so an interpolated read anywhere below the period
// length never needs a wrap test. The library owns the samples; records are
// shared by every machine and stay valid until the library is released.
struct CycleTable {
    const double* samples = nullptr;
    double period = 0.0; // samples per period
    int count = 0;       // period plus guard samples
};

// Zeros long enough for any table, so that a record can always point
// somewhere readable: tables that are not built (yet) play silence.
inline constexpr std::array<double, kWaveSampleCount> kSilentSamples{};

constexpr CycleTable SilentWave() {
    return {kSilentSamples.data(), kWavePeriod, kWaveSampleCount};
}

constexpr CycleTable SilentLfo() {
    return {kSilentSamples.data(), kLfoPeriod, kLfoSampleCount};
}

} // namespace tarn
