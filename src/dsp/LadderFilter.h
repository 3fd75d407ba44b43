#pragma once

#include <array>

namespace tarn {

// A four-stage resonant low-pass. Each stage is a one-pole with a zero, and
// the last stage's output is fed back to the input for resonance; the
// output is soft-clipped. Meant to be ticked at twice the sample rate by
// running Pass twice per sample (tune it with that doubled rate). Plain
// state owned by one voice; allocates nothing.
struct LadderFilter {
    // A stage output beyond this has blown up; the state is cleared.
    static constexpr double kBlowUpLimit = 100.0;

    std::array<double, 4> stage{};    // stage outputs
    std::array<double, 4> previous{}; // stage inputs of the last pass
    double f = 0.0;
    double feedback = 0.0;
    double gain = 0.0;

    void Clear() noexcept;
    // cutoff in Hz, resonance 0..1, rate = the filter's own rate in Hz.
    void Tune(double cutoff, double resonance, double rate) noexcept;
    // One pass over input x; returns the soft-clipped output. A pass that
    // leaves the output denormal or out of bounds clears the state.
    double Pass(double x) noexcept;
};

} // namespace tarn
