#pragma once

#include "dsp/DspLibrary.h"

#include <cstdint>

namespace tarn {

// A running counter over the library's denormal guard noise. Each owner
// advances its own counter once per sample (not per section or channel).
struct DenormalGuard {
    std::uint32_t counter = 0; // wraps harmlessly

    // This sample's guard value; advances the counter.
    double Next() noexcept { return GuardNoise(counter++); }
};

} // namespace tarn
