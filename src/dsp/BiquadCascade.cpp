#include "dsp/BiquadCascade.h"

#include <algorithm>

namespace tarn {

void BiquadCascade::Init(double sampleRate, int sectionCount) noexcept {
    sampleRate_ = sampleRate;
    sectionCount_ = std::clamp(sectionCount, 0, kMaxSections);
    sections_ = {};
}

} // namespace tarn
