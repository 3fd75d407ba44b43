#pragma once

#include <cstdint>

namespace tarn {

// 32-bit fixed-point phases: one period is 2^32, so a phase wraps by plain
// unsigned overflow. The synthesizers' oscillators and LFOs run on these.
inline constexpr double kPhaseUnit = 4294967296.0;
// An oscillator increment scales cycles per sample by this (one less than a
// period, so that no frequency below the sample rate reaches a whole one).
inline constexpr double kIncrementScale = 4294967295.0;

// Reads a band-limited wave (1024-sample period plus guard samples) at a
// phase: the top 10 bits pick the entry, the low 22 bits interpolate.
[[gnu::always_inline]] inline double ReadWave(const double* samples, std::uint32_t phase) noexcept {
    const std::uint32_t index = phase >> 22;
    const double fraction = static_cast<double>(phase & 0x3FFFFFu) * (1.0 / 4194304.0);
    return (1.0 - fraction) * samples[index] + fraction * samples[index + 1];
}

// Reads an LFO shape (256-sample period plus a guard sample) at a phase.
inline double ReadLfo(const double* samples, std::uint32_t phase) noexcept {
    const std::uint32_t index = phase >> 24;
    const double fraction = static_cast<double>(phase & 0xFFFFFFu) * (1.0 / 16777216.0);
    return (1.0 - fraction) * samples[index] + fraction * samples[index + 1];
}

// The phase of a position in periods, truncated to the fixed-point grid.
// Whole periods drop out, so negative and large positions are valid too;
// a position that is not a number gives 0.
std::uint32_t PhaseOf(double periods) noexcept;

// An increment of cycles per sample, rounded to the nearest step; rates of
// a whole period or more per sample wrap, anything not a number gives 0.
std::uint32_t PhaseIncrement(double cyclesPerSample) noexcept;

} // namespace tarn
