#pragma once

namespace tarn {

// The loop of a recorded sound, as a sampler voice plays it. A voice keeps
// a play phase that only moves forward; the loop folds that phase back
// into the wave (Wrap) and says which frame it reads (ReadPosition). Until
// the phase first reaches the loop's end the wave plays straight through.
//
// Kinds follow the loop types of a sound file's sampler chunk: forward
// jumps from the end back to the start; alternating turns round at the end
// and again at the start; backward plays the loop from its end down to its
// start, over and over. Other kinds play forward.
//
// start < end, both in frames, is the caller's promise; a loop of length 0
// never wraps (Wrap keeps the phase as it is).
struct SampleLoop {
    enum Kind : int { kForward = 0, kAlternating = 1, kBackward = 2 };

    bool active = false;
    int kind = kForward;
    double start = 0.0;
    double end = 0.0;

    // The phase folded into one period of the loop, by remainder rather
    // than by one subtraction, so that a step longer than the loop cannot
    // escape it.
    double Wrap(double phase) const noexcept;

    // The frame position a wrapped phase reads: never past end.
    double ReadPosition(double phase) const noexcept {
        if (!active || phase < end || (kind != kAlternating && kind != kBackward)) {
            return phase;
        }
        return end - (phase - end);
    }
};

} // namespace tarn
