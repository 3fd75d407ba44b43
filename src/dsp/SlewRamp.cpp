#include "dsp/SlewRamp.h"

#include <cmath>

namespace tarn {

void SlewRamp::MoveTo(double value) noexcept {
    target = value;
    remaining = std::abs(target - current) / scale * time;
    if (remaining >= 1.0) {
        step = (target - current) / remaining;
    } else {
        current = target;
        step = 0.0;
        remaining = 0.0;
    }
}

} // namespace tarn
