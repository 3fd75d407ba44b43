#pragma once

#include <array>
#include <cstddef>

namespace tarn {

// A four-pole resonant low-pass whose resonance comes back through a
// saturator, so that even full feedback stays bounded: every stage is a
// one-pole with a zero at the Nyquist frequency and a gain of 1 at DC, and
// the fed-back signal never exceeds 2/3. Meant to run twice per sample on
// the same input (tune it for that doubled rate). Plain state owned by one
// voice; allocates nothing.
struct SaturatingLadder {
    std::array<double, 4> stage{};    // stage outputs
    std::array<double, 4> previous{}; // stage inputs of the last pass
    double k = 0.0;                   // cutoff as a fraction of the filter's rate, doubled
    double pole = 0.0;                // each stage's feedback coefficient (negated)
    double gain = 0.0;                // each stage's input coefficient
    double feedback = 0.0;            // resonance scaled to the cutoff

    // The cubic soft clipper: x - x³/3 within -1..1, ±2/3 beyond.
    static double Saturate(double x) noexcept {
        if (x < -1.0) {
            return -2.0 / 3.0;
        }
        if (x > 1.0) {
            return 2.0 / 3.0;
        }
        return x - x * x * x / 3.0;
    }

    void Clear() noexcept;
    // cutoff in Hz, resonance 0..1, rate = the filter's own rate in Hz.
    void Tune(double cutoff, double resonance, double rate) noexcept;

    // One pass over input x; returns the last stage's output.
    double Pass(double x) noexcept {
        double input = x - Saturate(feedback * stage[3]);
        for (std::size_t i = 0; i < stage.size(); ++i) {
            stage[i] = (input + previous[i]) * gain - pole * stage[i];
            previous[i] = input;
            input = stage[i];
        }
        return stage[3];
    }
};

} // namespace tarn
