#pragma once

#include "dsp/BiquadCoefficients.h"

namespace tarn {

// The state of one biquad section on one channel: its last two inputs and
// outputs. The coefficients live elsewhere, since the sections of a cascade
// usually share them.
struct BiquadSection {
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;

    double Process(const BiquadCoefficients& c, double x) noexcept {
        const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 + c.a1 * y1 + c.a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

} // namespace tarn
