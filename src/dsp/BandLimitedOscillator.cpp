#include "dsp/BandLimitedOscillator.h"

#include <cmath>

namespace tarn {

void BandLimitedOscillator::GlideTo(double target, double samples) noexcept {
    glideTarget = target;
    if (samples > 0.0) {
        glideStep = (target - pitch) / samples;
        glideRemaining = samples;
    } else {
        glideStep = 0.0;
        glideRemaining = 0.0;
    }
}

double BandLimitedOscillator::WrapPhase(double value) noexcept {
    if (!std::isfinite(value)) {
        return 0.0;
    }
    const double wrapped = value - std::floor(value);
    return wrapped < 1.0 ? wrapped : 0.0;
}

} // namespace tarn
