#pragma once

#include "dsp/BiquadCoefficients.h"
#include "dsp/BiquadSection.h"
#include "dsp/DspLibrary.h"

#include <algorithm>
#include <array>

namespace tarn {

// The filter behind the machines' "Filter type" and "Filter slope"
// parameters: 1, 2 or 3 identical sections (12, 24 or 36 dB per octave) of
// one of the four designs, for two channels. The owning machine writes the
// fields, calls UpdateCoefficients at its control rate and Process per
// sample on its work thread. Out-of-range types play as Lowpass and section
// counts are held to 1..3.
struct MultimodeFilter {
    static constexpr int kMaxSections = 3;
    static constexpr int kChannels = 2;

    double resonance = 0.0;             // 0..1
    double cutoff = kDspSampleRate / 4; // Hz
    double sampleRate = kDspSampleRate;
    double bandwidth = 1.0; // octaves, for Bandpass and Bandreject
    int type = kFilterLowpass;
    int sectionCount = 1; // slope index + 1
    BiquadCoefficients coefficients;

    // Restores the initial values above for the rate, clears every state and
    // designs the initial coefficients.
    void Init(double rate) noexcept;

    // Designs the coefficients from the fields. Lowpass and Highpass spread
    // the resonance over the cascade: each section gets Q / sections.
    void UpdateCoefficients() noexcept;

    // Silence in every section, coefficients kept.
    void ClearState() noexcept { sections_ = {}; }

    double Process(int channel, double x) noexcept {
        const int count = ActiveSections();
        for (int i = 0; i < count; ++i) {
            x = sections_[i][channel].Process(coefficients, x);
        }
        return x;
    }

    int ActiveSections() const noexcept { return std::clamp(sectionCount, 1, kMaxSections); }

private:
    std::array<std::array<BiquadSection, kChannels>, kMaxSections> sections_{};
};

} // namespace tarn
