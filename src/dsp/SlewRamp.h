#pragma once

namespace tarn {

// A value moving linearly to its target at a fixed speed: a change of
// `scale` takes `time` samples, and a change shorter than one sample lands
// at once. Keeps cutoff and resonance sweeps free of zipper noise.
//
// One of the studio's three smoothers, which differ in what a change does:
// SlewRamp only slews at a fixed speed; ParameterRamp slews, then glides on
// to an event's end value; GainRamp is three ParameterRamps for a volume
// and a stereo position. All are plain state owned by one voice, Node or
// Connection, ticked on the audio thread, and allocate nothing.
struct SlewRamp {
    double current = 0.0;
    double target = 0.0;
    double step = 0.0;      // per sample
    double remaining = 0.0; // samples
    double scale = 1.0;
    double time = 0.0; // samples for a change of `scale`

    void MoveTo(double value) noexcept;
    // Advances one sample and returns the current value.
    double Tick() noexcept {
        if (remaining > 0.0) {
            current += step;
            remaining -= 1.0;
            if (remaining <= 0.0) {
                current = target;
                remaining = 0.0;
            }
        }
        return current;
    }
};

} // namespace tarn
