#include "dsp/MultimodeFilter.h"

namespace tarn {

void MultimodeFilter::Init(double rate) noexcept {
    *this = MultimodeFilter{};
    sampleRate = rate;
    cutoff = rate / 4;
    UpdateCoefficients();
}

void MultimodeFilter::UpdateCoefficients() noexcept {
    switch (type) {
    case kFilterHighpass:
        coefficients =
            DesignHighpass(cutoff, ResonanceToQ(resonance) / ActiveSections(), sampleRate);
        break;
    case kFilterBandpass:
        coefficients = DesignBandpass(cutoff, bandwidth, sampleRate);
        break;
    case kFilterBandreject:
        coefficients = DesignBandreject(cutoff, bandwidth, sampleRate);
        break;
    default:
        coefficients =
            DesignLowpass(cutoff, ResonanceToQ(resonance) / ActiveSections(), sampleRate);
        break;
    }
}

} // namespace tarn
