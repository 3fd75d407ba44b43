#include "dsp/SaturatingLadder.h"

namespace tarn {

void SaturatingLadder::Clear() noexcept {
    stage.fill(0.0);
    previous.fill(0.0);
}

void SaturatingLadder::Tune(double cutoff, double resonance, double rate) noexcept {
    // Polynomial fits of the stage pole and of the feedback that keeps the
    // resonance alike over the cutoff range.
    k = cutoff * 2.0 / rate;
    pole = k * (k * (3.0429 - k * 2.7528) + 1.718) - 0.9984;
    const double q = pole + 1.0;
    gain = q * 0.5;
    feedback = (q * (q * (10.963 - q * 2.7079) - 14.934) + 8.4974) * resonance;
}

} // namespace tarn
