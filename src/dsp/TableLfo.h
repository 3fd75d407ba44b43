#pragma once

#include "dsp/WaveTable.h"

#include <cstdint>

namespace tarn {

// A low-frequency oscillator over one of the library's LFO shape tables,
// with a 32-bit phase accumulator: the top 8 bits pick the table entry and
// the low 24 bits interpolate towards the next, so a whole period is 2^32
// and the phase wraps by itself. Owned by one machine and ticked on its
// work thread.
struct TableLfo {
    static constexpr double kPhaseSteps = 4294967296.0;        // 2^32, one period
    static constexpr double kFractionScale = 1.0 / 16777216.0; // 2^-24

    const double* samples = SilentLfo().samples; // 257 entries: a period and a guard
    std::uint32_t phase = 0;
    std::uint32_t increment = 0;

    // The phase increment of a rate in periods per sample, truncated. Rates
    // outside 0 .. 1 (and NaN) are held to that range, so the conversion to
    // 32 bits is always defined.
    static std::uint32_t IncrementFor(double periodsPerSample) noexcept {
        if (!(periodsPerSample > 0.0)) {
            return 0;
        }
        const double steps = periodsPerSample * kPhaseSteps;
        return steps >= kPhaseSteps ? UINT32_MAX : static_cast<std::uint32_t>(steps);
    }

    // The shape's value at the current phase, -1 .. 1.
    double Value() const noexcept {
        const std::uint32_t i = phase >> 24;
        const double fraction = (phase & 0xFFFFFFu) * kFractionScale;
        return samples[i] + fraction * (samples[i + 1] - samples[i]);
    }

    // The value at the current phase; then advances one sample.
    double Tick() noexcept {
        const double value = Value();
        phase += increment;
        return value;
    }
};

} // namespace tarn
