#pragma once

#include "dsp/DspLibrary.h"
#include "dsp/NotePitch.h"
#include "dsp/TablePosition.h"
#include "dsp/WaveSet.h"

namespace tarn {

// A wavetable oscillator over one wave set of the library: every tick picks
// the table of the current note, so the harmonics stay below the limit as
// the pitch moves. Pitch is in notes (semitones, fractional) on the scale of
// the note frequency table. Owned by one machine and ticked on its work
// thread; the machine writes the fields directly (the wave set when its
// waveform changes, pitchOffset every sample for modulation).
struct BandLimitedOscillator {
    const WaveSet* waveSet = nullptr; // null plays silence
    double sampleRate = kDspSampleRate;
    double pitch = 0.0;
    double glideStep = 0.0;      // notes per sample
    double glideRemaining = 0.0; // samples
    double glideTarget = 0.0;
    double pitchOffset = 0.0;
    double phase = 0.0;          // 0 <= phase < 1, in periods
    double phaseIncrement = 0.0; // periods per sample
    double output = 0.0;

    // Slides linearly from the current pitch to target over the given number
    // of samples; with 0 samples the pitch jumps after one sample.
    void GlideTo(double target, double samples) noexcept;

    // Advances one sample and returns the new output. Forced inline: it runs
    // in every voice's sample loop, and the compiler's size heuristic would
    // otherwise leave it a call.
    [[gnu::always_inline]] double Tick() noexcept {
        pitch += glideStep;
        glideRemaining -= 1.0;
        if (glideRemaining < 0.0) {
            pitch = glideTarget;
            glideRemaining = 0.0;
        }
        // Note indices wrap into 0..127 before any table is read.
        const NotePitch note = ResolvePitch(pitchOffset + pitch);
        phaseIncrement = note.frequency / sampleRate;
        if (!(phase >= 0.0 && phase < 1.0)) {
            phase = WrapPhase(phase);
        }
        output = waveSet != nullptr
                     ? Interpolate(waveSet->ForNote(note.note).samples, kWavePeriod * phase)
                     : 0.0;
        phase += phaseIncrement;
        if (phase >= 1.0) {
            phase -= 1.0;
            if (phase >= 1.0) {
                phase = WrapPhase(phase);
            }
        }
        return output;
    }

    // The wave at any phase (0 <= phase < 1) of the table the current pitch
    // plays, without advancing: for oscillators that jump their phase and
    // need the size of the jump.
    double Read(double at) const noexcept {
        return waveSet != nullptr
                   ? Interpolate(waveSet->ForNote(ResolvePitch(pitchOffset + pitch).note).samples,
                                 kWavePeriod * at)
                   : 0.0;
    }

private:
    // Brings a phase written from outside, or pushed past one period by an
    // increment of a period or more, back into 0..1; non-finite gives 0.
    static double WrapPhase(double value) noexcept;
};

} // namespace tarn
