#pragma once

#include "dsp/BiquadCoefficients.h"
#include "dsp/BiquadSection.h"
#include "dsp/DenormalGuard.h"
#include "dsp/DspLibrary.h"

#include <array>

namespace tarn {

// Up to ten biquad sections in series for two channels, all sharing one set
// of coefficients, plus the design values and denormal guard counter of the
// owning machine. Owned by one machine and run on its work thread; the
// machine recomputes the coefficients when its design values change.
class BiquadCascade {
public:
    static constexpr int kMaxSections = 10;
    static constexpr int kChannels = 2;

    // Design values of the owning machine.
    double frequency = 0.0; // centre or cutoff, Hz
    double gain = 0.0;      // dB
    double bandwidth = 1.0; // octaves
    double resonance = 0.0; // 0..1
    BiquadCoefficients coefficients;

    // Sets the rate and the section count (cut to 0..10) and clears every
    // section's state.
    void Init(double sampleRate, int sectionCount) noexcept;

    int SectionCount() const noexcept { return sectionCount_; }
    double SampleRate() const noexcept { return sampleRate_; }

    // This sample's denormal guard value; call once per sample.
    double NextGuard() noexcept { return guard_.Next(); }

    // Runs x through every section of channel 0 or 1.
    double Process(int channel, double x) noexcept {
        for (int i = 0; i < sectionCount_; ++i) {
            x = sections_[i][channel].Process(coefficients, x);
        }
        return x;
    }

    // The same with the guard value added to the input of every section.
    double ProcessGuarded(int channel, double x, double guard) noexcept {
        for (int i = 0; i < sectionCount_; ++i) {
            x = sections_[i][channel].Process(coefficients, x + guard);
        }
        return x;
    }

private:
    std::array<std::array<BiquadSection, kChannels>, kMaxSections> sections_{};
    int sectionCount_ = 0;
    double sampleRate_ = kDspSampleRate;
    DenormalGuard guard_;
};

} // namespace tarn
