#pragma once

#include "dsp/SegmentEnvelope.h"
#include "tarn/MachineAbi.h"

#include <cstdint>

namespace tarn {

// The note settings the one-voice synthesizers share: an amplitude envelope
// (attack, decay, sustain in dB, release), a modulation envelope (attack,
// decay) and glide, under the same parameter indices in every one of them.
// Times are cubic in the value, up to five seconds; envelope segments never
// get shorter than five samples, so a zero attack does not click.
//
// Notes: a row with Glide on holds its note until the next one slides in
// from its pitch without restarting the envelopes; any other note lasts its
// length (at least one sample), or until its key release when it has none.
// A release also forgets a pending glide, so the next note starts afresh
// rather than sliding into silence. Owned by one machine and changed on its
// work thread.
struct MonoVoiceControls {
    enum Parameter : std::int32_t {
        kGlideTime = 5,
        kGlide = 6,
        kAttack = 11,
        kDecay = 12,
        kSustain = 13,
        kRelease = 14,
        kModAttack = 25,
        kModDecay = 26,
    };

    // Silences both envelopes and forgets a Glide row, for a sample rate
    // (Hz); the lengths are set again by the parameters that follow.
    void Prepare(double rate) noexcept;
    // Takes one parameter event of the indices above; false for any other.
    bool Apply(const EventRecord& event) noexcept;

    // A note with a velocity above 0 (the caller releases for the others):
    // starts the envelopes unless a glide is pending, and answers whether
    // the pitch should slide to the note over glideTime.
    bool StartNote(const EventRecord& note, double samplesPerBeat) noexcept;
    // Key release: both envelopes release and a pending glide is forgotten.
    void Release() noexcept;
    // Counts one sample of the note's length, releasing it at its end.
    void CountDown() noexcept {
        if (noteRemaining > 0 && --noteRemaining == 0) {
            Release();
        }
    }

    // The longest note: one without a length of its own, or one that waits
    // for a glide, ends only by a key release or the next note.
    static constexpr std::int32_t kHeldNoteSamples = 268435455;

    // Seconds of a time parameter's value, as every time above reads it.
    static double Seconds(double value) noexcept { return value * value * value * kMaxSeconds; }
    static constexpr double kMaxSeconds = 5.0;

    double rate = 0.0;
    SegmentEnvelope amplitude;
    SegmentEnvelope modulation;
    double glideTime = 0.0; // samples
    bool glideRow = false;  // the Glide value of the row being played
    bool glidePending = false;
    std::int32_t noteRemaining = 0; // samples
};

} // namespace tarn
