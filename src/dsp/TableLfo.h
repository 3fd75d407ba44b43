#pragma once

#include "dsp/CycleTable.h"
#include "dsp/FixedPhase.h"

#include <cstdint>

namespace tarn {

// A low-frequency oscillator over one of the library's LFO shape tables,
// on a 32-bit phase, that reads its shape before it advances: the value a
// tick answers belongs to the phase the tick started from. Increments are
// truncated, never rounded, so a rate never runs fast. Owned by one machine
// and ticked on its work thread.
struct TableLfo {
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
        const double steps = periodsPerSample * kPhaseUnit;
        return steps >= kPhaseUnit ? UINT32_MAX : static_cast<std::uint32_t>(steps);
    }

    // The shape's value at the current phase, -1 .. 1.
    double Value() const noexcept { return ReadLfo(samples, phase); }

    // The value at the current phase; then advances one sample.
    double Tick() noexcept {
        const double value = Value();
        phase += increment;
        return value;
    }
};

} // namespace tarn
