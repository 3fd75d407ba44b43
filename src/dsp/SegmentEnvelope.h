#pragma once

#include <array>

namespace tarn {

// An envelope of six chained segments (attack, peak, decay, sustain,
// release, off), each a straight line or an exponential curve between two
// levels over a length in samples. Sustain and off loop on themselves, so
// an envelope stays put until the owner starts or releases it. Owned by one
// machine voice and ticked once per sample on its work thread; the owner
// writes segment lengths and levels directly.
struct SegmentEnvelope {
    enum SegmentIndex : int {
        kAttack = 0,
        kPeak = 1,
        kDecay = 2,
        kSustain = 3,
        kRelease = 4,
        kOff = 5,
    };
    static constexpr int kSegmentCount = 6;

    enum Curve : int { kLinear = 0, kExponential = 1 }; // any nonzero curve is exponential

    // The lowest level an exponential curve works with: -60 dB.
    static constexpr double kFloor = 0.001;
    // Samples before a looping segment (sustain, off) re-enters itself.
    static constexpr double kLoopLength = 65536.0;

    struct Segment {
        int curve = kLinear;
        double length = 1.0; // samples; the segment lasts its whole part
        int next = kOff;
        double start = 0.0;
        double end = 0.0;
    };

    std::array<Segment, kSegmentCount> segments{{
        {kLinear, 1.0, kPeak, kFloor, 1.0},
        {kLinear, 1.0, kDecay, 1.0, 1.0},
        {kExponential, 1.0, kSustain, 1.0, kFloor},
        {kLinear, kLoopLength, kSustain, kFloor, kFloor},
        {kExponential, 5.0, kOff, kFloor, kFloor},
        {kLinear, kLoopLength, kOff, 0.0, 0.0},
    }};

    // Running state.
    int current = kOff;
    int count = 0;                             // samples spent in the current segment
    int limit = static_cast<int>(kLoopLength); // whole samples of the current segment
    double level = 0.0;
    double multiplier = 1.0;
    double increment = 0.0;

    // Advances one sample and returns the new level.
    double Tick() noexcept {
        level = level * multiplier + increment;
        ++count;
        if (count >= limit) {
            Enter(segments[current].next);
        }
        return level;
    }

    // Makes a segment current from its start level. An index outside the six
    // segments goes to off.
    void Enter(int segment) noexcept;

    // Note-on: the attack rises from the present level (never below the
    // floor), so a retriggered envelope does not drop first; the sustain
    // loops again until the next release.
    void Start() noexcept;

    // A note's attack-peak-decay-sustain-release layout; lengths in ticks.
    struct Shape {
        double attack = 0.0;
        double peak = 1.0; // holding full level between attack and decay
        double decay = 0.0;
        double sustain = 0.0; // level; below the floor it is the floor
        double release = 0.0;
    };
    // Attack, decay and release never get shorter than this, so that even a
    // zero time does not click.
    static constexpr double kMinStageTicks = 5.0;

    // Note-on with a new layout: attack from the present level or the
    // sustain level, whichever is higher, up to full level; peak; decay to
    // the sustain level, held until release; release to the floor; off.
    void Start(const Shape& shape) noexcept;

    // Note-off: the sustain hands over to the release. Attack and decay run
    // to their end first; from the sustain the release starts on the next
    // tick.
    void Release() noexcept;

    // Silent from now on, without a release.
    void Silence() noexcept { Enter(kOff); }

    // The sustain level (linear), where the decay ends and the release
    // begins.
    void SetSustainLevel(double sustain) noexcept;
};

} // namespace tarn
