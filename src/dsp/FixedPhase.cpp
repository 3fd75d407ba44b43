#include "dsp/FixedPhase.h"

#include <cmath>

namespace tarn {

std::uint32_t PhaseOf(double periods) noexcept {
    if (!std::isfinite(periods)) {
        return 0;
    }
    // The fraction is below 1, so its scaled value fits 32 bits.
    const double fraction = periods - std::floor(periods);
    return static_cast<std::uint32_t>(fraction * kPhaseUnit);
}

std::uint32_t PhaseIncrement(double cyclesPerSample) noexcept {
    const double steps = cyclesPerSample * kIncrementScale;
    if (!std::isfinite(steps)) {
        return 0;
    }
    const double wrapped = steps - std::floor(steps / kPhaseUnit) * kPhaseUnit;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(std::nearbyint(wrapped)));
}

} // namespace tarn
