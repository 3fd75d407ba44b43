#pragma once

#include "dsp/CycleTable.h"
#include "dsp/FixedPhase.h"

#include <cstdint>

namespace tarn {

// One wavetable oscillator of a synthesizer voice: the band-limited table
// of its current note read at a 32-bit phase. The voice retunes it at its
// control rate and ticks it every sample in between; both on the work
// thread.
struct SynthOscillator {
    const double* samples = kSilentSamples.data(); // the current note's table
    std::uint32_t phase = 0;
    std::uint32_t increment = 0;
    double amplitude = 0.0;
    double basePitch = 0.0; // notes, before modulation

    // Picks the table and increment of a wave kind (1..7) at a pitch in
    // notes, held to notes 0..127. An unknown kind plays silence.
    void Tune(int kind, double pitch, double sampleRate) noexcept;

    [[gnu::always_inline]] double Tick() noexcept {
        const double out = ReadWave(samples, phase) * amplitude;
        phase += increment;
        return out;
    }
};

} // namespace tarn
