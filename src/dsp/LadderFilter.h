#pragma once

#include <array>
#include <cfloat>
#include <cmath>

namespace tarn {

// A four-stage resonant low-pass. Each stage is a one-pole with a zero, and
// the last stage's output is fed back to the input for resonance; the
// output is soft-clipped. Meant to be ticked at twice the sample rate by
// running Pass twice per sample (tune it with that doubled rate). Plain
// state owned by one voice; allocates nothing.
//
// Everything is inline: a voice that copies the filter into a local for its
// sample loop keeps the whole state in registers, so each pass waits only on
// its own arithmetic, never on a store of the last pass's output.
struct LadderFilter {
    // A stage output beyond this has blown up; the state is cleared.
    static constexpr double kBlowUpLimit = 100.0;

    std::array<double, 4> stage{};    // stage outputs
    std::array<double, 4> previous{}; // stage inputs of the last pass
    double f = 0.0;
    double feedback = 0.0;
    double gain = 0.0;

    void Clear() noexcept {
        stage.fill(0.0);
        previous.fill(0.0);
    }

    // cutoff in Hz, resonance 0..1, rate = the filter's own rate in Hz.
    void Tune(double cutoff, double resonance, double rate) noexcept {
        f = cutoff / rate * 2.0 * 1.16;
        feedback = 4.0 * resonance * (1.0 - 0.15 * f * f);
        gain = 0.35013 * (f * f) * (f * f);
    }

    // One pass over input x; returns the soft-clipped output. A pass that
    // leaves the output denormal or out of bounds clears the state.
    [[gnu::always_inline]] double Pass(double x) noexcept {
        const double keep = 1.0 - f;
        double input = (x - feedback * stage[3]) * gain;
#pragma GCC unroll 4
        for (std::size_t i = 0; i < stage.size(); ++i) {
            stage[i] = input + 0.3 * previous[i] + keep * stage[i];
            previous[i] = input;
            input = stage[i];
        }
        double& out = stage[3];
        // Denormals would slow every later pass; a value out of bounds (either
        // sign, or not a number) would only grow through the clipper's cubic.
        // One range test passes every normal value in bounds; zero is kept.
        const double size = std::abs(out);
        if (!(size >= DBL_MIN && size <= kBlowUpLimit) && size != 0.0) {
            Clear();
        }
        out -= out * out * out / 6.0;
        return out;
    }
};

} // namespace tarn
