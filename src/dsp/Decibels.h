#pragma once

#include <cmath>

namespace tarn {

// A level in decibels as a gain: 10^(dB / 20).
inline double DecibelsToGain(double db) noexcept {
    return std::pow(10.0, db * 0.05);
}

} // namespace tarn
