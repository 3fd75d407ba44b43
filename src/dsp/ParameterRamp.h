#pragma once

#include <array>

namespace tarn {

// Smooths a parameter's changes and carries its glides. A change first moves
// from the current value to the new one at a speed of one full range per
// full-range time (so small changes are quick and no jump is ever sudden),
// then glides on to the event's end value over what is left of the event's
// glide length. Owned by one machine or Node and ticked once per sample on
// the work thread. SlewRamp.h names the other smoothers.
struct ParameterRamp {
    enum State : int { kFirstSegment = 0, kSecondSegment = 1, kIdle = 2 };

    struct Segment {
        double target = 0.0;
        double step = 0.0;  // per sample
        double count = 0.0; // samples remaining
    };

    double value = 0.0;
    double range = 1.0;         // max - min of the parameter
    double fullRangeTime = 0.0; // samples for a change of the whole range
    int state = kIdle;
    std::array<Segment, 2> segments{};

    // Idle at the value, with both segments aimed at it.
    void Init(double initialValue, double valueRange, double fullRangeSamples) noexcept;

    // A parameter event: new value v, end value e, glide length t in
    // samples. An event whose value is where the running glide is heading
    // continues from the current value straight on to e.
    void Set(double v, double e, double t) noexcept;

    // Advances one sample and returns the current value.
    double Tick() noexcept {
        if (state == kIdle) {
            return value;
        }
        Segment& segment = segments[state];
        value += segment.step;
        segment.count -= 1.0;
        if (segment.count < 0.0) {
            value = segment.target;
            ++state;
        }
        return value;
    }

    // Writes the value each of the next frames samples has, ticking after
    // each: what frames calls of Tick would give, without asking every
    // sample whether the ramp is idle.
    void TickInto(double* values, int frames) noexcept {
        int k = 0;
        while (k < frames && state != kIdle) {
            // The running value in a register: values may not alias it, but
            // the compiler cannot know.
            Segment& segment = segments[state];
            double current = value;
            double count = segment.count;
            bool ended = false;
            while (k < frames && !ended) {
                values[k++] = current;
                current += segment.step;
                count -= 1.0;
                if (count < 0.0) {
                    current = segment.target;
                    ended = true;
                }
            }
            value = current;
            segment.count = count;
            state += ended ? 1 : 0;
        }
        for (; k < frames; ++k) {
            values[k] = value;
        }
    }

    // A whole chunk on in one step: the value moves frames steps at once. A
    // segment that ends inside the chunk lands on its target; the next
    // segment starts with the next chunk.
    void Advance(int frames) noexcept {
        if (state == kIdle) {
            return;
        }
        Segment& segment = segments[state];
        value += frames * segment.step;
        segment.count -= frames;
        if (segment.count < 0.0) {
            value = segment.target;
            ++state;
        }
    }

    bool Moving() const noexcept { return state != kIdle; }
};

} // namespace tarn
