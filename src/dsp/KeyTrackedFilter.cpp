#include "dsp/KeyTrackedFilter.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// The frequency x = 1 aims at: twice the highest cutoff, so that the
// half-key-frequency scale reaches it.
constexpr double kTopFrequency = 40000.0;
constexpr double kBandwidthPerResonance = 5.0; // octaves

} // namespace

double KeyTrackedFilter::Cutoff(double keyFrequency, double x) noexcept {
    const double f = keyFrequency / 2.0 * std::exp2(x * std::log2(kTopFrequency / keyFrequency));
    // Written so that a NaN lands on the lowest cutoff.
    return f > kLowestCutoff ? std::min(f, kHighestCutoff) : kLowestCutoff;
}

void KeyTrackedFilter::Tune(double cutoff, double resonance, int type, int slope) noexcept {
    const double r = std::isfinite(resonance) ? std::clamp(resonance, 0.0, 1.0) : 0.0;
    filter.cutoff = cutoff;
    filter.resonance = r;
    filter.bandwidth = r * kBandwidthPerResonance + 1.0;
    filter.type = std::clamp(type, 0, kFilterTypeCount - 1);
    filter.sectionCount = std::clamp(slope + 1, 1, MultimodeFilter::kMaxSections);
    filter.UpdateCoefficients();
}

} // namespace tarn
