#pragma once

#include "dsp/DspLibrary.h"
#include "dsp/FixedPhase.h"

#include <cstdint>

namespace tarn {

// A low-frequency oscillator over one of the library's LFO shapes, on a
// 32-bit phase. The owner decides how often it advances (every sample, once
// per control update, or a block at a time) and scales the increment to
// match. Owned by one machine or voice and used on its work thread.
struct SynthLfo {
    const CycleTable* table = LfoTable(kLfoSine);
    std::uint32_t phase = 0;
    std::uint32_t increment = 0; // per advance
    double value = 0.0;          // -1..1, the shape at the phase of the last advance

    // Shape 0..3 (sine, ramp up, triangle, square); others play the sine.
    void SetShape(int shape) noexcept {
        const CycleTable* chosen = LfoTable(shape);
        table = chosen != nullptr ? chosen : LfoTable(kLfoSine);
    }

    // Moves on by the given number of increments and reads the shape there.
    void Advance(std::uint32_t steps = 1) noexcept {
        phase += increment * steps;
        value = ReadLfo(table->samples, phase);
    }
};

} // namespace tarn
