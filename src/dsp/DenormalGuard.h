#pragma once

#include "dsp/DspLibrary.h"

#include <cmath>
#include <cstdint>

namespace tarn {

// A running counter over the library's denormal guard noise. Each owner
// advances its own counter once per sample (not per section or channel).
struct DenormalGuard {
    std::uint32_t counter = 0; // wraps harmlessly

    // This sample's guard value; advances the counter.
    double Next() noexcept { return GuardNoise(counter++); }
};

// Output levels below this (about -600 dB) leave an effect as exact zeros:
// the guard noise keeps recursive state out of denormals, and this keeps it
// from ever reaching the output, so silence in gives silence out.
inline constexpr double kSilenceFloor = 1e-30;

inline double FlushBelowFloor(double x) noexcept {
    return std::abs(x) < kSilenceFloor ? 0.0 : x;
}

} // namespace tarn
