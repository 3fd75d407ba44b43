#pragma once

#include "dsp/CycleTable.h"
#include "dsp/FixedPhase.h"

#include <cstdint>

namespace tarn {

// A synthesizer oscillator that reads two band-limited waves at one 32-bit
// phase and averages them: the second wave runs ahead by a fixed offset
// plus a pulse width, so two sawtooths in opposite directions make a pulse
// whose width moves with it. Pitch, pulse width and level are retuned once
// per control block and glide to their new values sample by sample over
// the block. Owned by one voice; used on its work thread.
struct WavePairOscillator {
    const double* a = kSilentSamples.data();
    const double* b = kSilentSamples.data();
    std::uint32_t phase = 0;
    std::uint32_t offsetB = 0; // the second wave's fixed lead
    // Fixed-point phase steps (a period is 2^32). Signed and 64 bits wide so
    // that downward steps and negative pulse widths stay exact.
    std::int64_t increment = 0;
    std::int64_t incrementStep = 0;
    std::int64_t width = 0; // the second wave's further lead
    std::int64_t widthStep = 0;
    double amplitude = 0.0;
    double amplitudeStep = 0.0;

    struct Target {
        double pitch = 0.0;     // notes, held to 0..127
        double width = 0.0;     // periods, held to -1..1
        double amplitude = 0.0; // linear
    };

    // Picks both waves' tables (wave kinds 1..7; others play silence) for
    // the target pitch and aims increment, width and amplitude at the
    // target, reached after the given samples, or at once when jump is set.
    void Retune(int kindA, int kindB, double leadB, const Target& target, double sampleRate,
                int samples, bool jump) noexcept;

    [[gnu::always_inline]] double Tick() noexcept {
        const std::uint32_t lead = offsetB + static_cast<std::uint32_t>(width);
        const double out = (ReadWave(a, phase) + ReadWave(b, phase + lead)) * amplitude * 0.5;
        Advance();
        return out;
    }

    // Moves on one sample without reading.
    [[gnu::always_inline]] void Advance() noexcept {
        phase += static_cast<std::uint32_t>(increment);
        increment += incrementStep;
        width += widthStep;
        amplitude += amplitudeStep;
    }

    // Hard sync: a master oscillator's cycle restarted during the last
    // sample and has since moved on by masterPhase (of masterIncrement per
    // sample); this oscillator restarts as far into its own cycle as it
    // got in that time, which keeps the restart free of sample-grid jitter.
    void SyncTo(std::uint32_t masterPhase, std::int64_t masterIncrement) noexcept {
        if (masterIncrement > 0) {
            phase = static_cast<std::uint32_t>(static_cast<double>(masterPhase) /
                                               static_cast<double>(masterIncrement) *
                                               static_cast<double>(increment));
        }
    }
};

} // namespace tarn
