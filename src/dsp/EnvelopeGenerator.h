#pragma once

#include "dsp/DspLibrary.h"
#include "dsp/TablePosition.h"

#include <algorithm>
#include <limits>

namespace tarn {

// An attack-decay-sustain-release envelope over the library's exponential
// curves, with an optional short first attack segment (mode 1) that rises
// to firstAttackLevel before the main attack. The owning machine writes the
// settings below directly and ticks the envelope once per sample on its work
// thread. Lengths are in samples; a length of 0 (or anything not positive)
// makes that segment last one sample.
struct EnvelopeGenerator {
    enum State : int {
        kOff = 0,
        kFirstAttack = 1,
        kAttack = 2,
        kDecay = 3,
        kSustain = 4,
        kRelease = 5,
    };
    static constexpr int kTwoSegmentAttack = 1;

    // Settings, written by the owning machine.
    int mode = kTwoSegmentAttack; // any other value: one-segment attack
    double firstAttackLength = 44.0;
    double firstAttackLevel = 0.0;
    double attackLength = 0.0;
    double decayLength = 0.0;
    double sustain = 0.0; // level 0..1
    double releaseLength = 0.0;
    // Set by the machine at note-off; acted on only once the envelope has
    // reached its sustain, so attack and decay always run to their end.
    bool releaseRequest = false;

    // Running state.
    int state = kOff;
    double output = 0.0;
    double position = 0.0; // 0..1024 inside the current segment's curve
    double step = 0.0;     // position increment per sample

    // Note-on. The output is kept, so a retriggered envelope never drops: the
    // attack only takes over once its curve rises above the current level.
    void Start() noexcept;

    // Advances one sample and returns the new output.
    double Tick() noexcept {
        switch (state) {
        case kOff:
            output = 0.0;
            break;
        case kFirstAttack:
            output =
                std::max(output, (1.0 - Interpolate(FallingCurve(), position)) * firstAttackLevel);
            Advance(kAttack, attackLength);
            break;
        case kAttack:
            output =
                std::max(output, mode == kTwoSegmentAttack
                                     ? firstAttackLevel + Interpolate(RisingCurve(), position) *
                                                              (1.0 - firstAttackLevel)
                                     : 1.0 - Interpolate(FallingCurve(), position));
            Advance(kDecay, decayLength);
            break;
        case kDecay:
            output = sustain + Interpolate(FallingCurve(), position) * (1.0 - sustain);
            Advance(kSustain, 0.0);
            break;
        case kSustain:
            if (releaseRequest) {
                Enter(kRelease, releaseLength);
            }
            output = sustain;
            break;
        case kRelease:
            output = Interpolate(FallingCurve(), position) * sustain;
            Advance(kOff, 0.0);
            break;
        default:
            break;
        }
        return output;
    }

    // Curve positions per sample for a segment of the given length. Zero
    // gives an infinite step, so the segment lasts one sample. Negative or
    // NaN lengths are treated the same way: a negative step would walk the
    // position below the curve's first entry and never finish.
    static double StepFor(double length) noexcept {
        return length > 0.0 ? kCurveLength / length : std::numeric_limits<double>::infinity();
    }

private:
    void Enter(int next, double nextLength) noexcept {
        state = next;
        position = 0.0;
        step = StepFor(nextLength);
    }

    void Advance(int next, double nextLength) noexcept {
        position += step;
        if (position >= kCurveLength) {
            Enter(next, nextLength);
        }
    }
};

} // namespace tarn
