#include "dsp/LadderFilter.h"

#include <cmath>

namespace tarn {

void LadderFilter::Clear() noexcept {
    stage.fill(0.0);
    previous.fill(0.0);
}

void LadderFilter::Tune(double cutoff, double resonance, double rate) noexcept {
    f = cutoff / rate * 2.0 * 1.16;
    feedback = 4.0 * resonance * (1.0 - 0.15 * f * f);
    gain = 0.35013 * (f * f) * (f * f);
}

double LadderFilter::Pass(double x) noexcept {
    const double keep = 1.0 - f;
    double input = (x - feedback * stage[3]) * gain;
    for (std::size_t i = 0; i < stage.size(); ++i) {
        stage[i] = input + 0.3 * previous[i] + keep * stage[i];
        previous[i] = input;
        input = stage[i];
    }
    double& out = stage[3];
    // Denormals would slow every later pass; a value out of bounds (either
    // sign, or not a number) would only grow through the clipper's cubic.
    if (std::fpclassify(out) == FP_SUBNORMAL || !(std::abs(out) <= kBlowUpLimit)) {
        Clear();
    }
    out -= out * out * out / 6.0;
    return out;
}

} // namespace tarn
