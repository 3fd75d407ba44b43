#pragma once

#include <cmath>

namespace tarn {

// Below this a sample is the anti-denormal noise of the output stage (or
// its remains), never music: -150 dB is far under any converter's floor.
inline constexpr double kOutputSilence = 1e-30;

// A sample as it leaves the studio for a file or a device: the inaudible
// guard noise and negative zero become +0.0, so silence is written as
// digital silence. Everything else, NaN included, passes unchanged.
inline double CleanOutputSample(double x) noexcept {
    return std::fabs(x) < kOutputSilence ? 0.0 : x;
}

} // namespace tarn
