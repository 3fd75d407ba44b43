#pragma once

namespace tarn {

// The five coefficients of one biquad section. a1 and a2 are stored with
// their sign already negated, so that every term of the difference equation
// is added: y = b0·x + b1·x1 + b2·x2 + a1·y1 + a2·y2. The default passes
// the signal unchanged.
struct BiquadCoefficients {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// The filter types a machine's "Filter type" parameter selects.
enum FilterType : int {
    kFilterLowpass = 0,
    kFilterHighpass = 1,
    kFilterBandpass = 2,
    kFilterBandreject = 3,
};
inline constexpr int kFilterTypeCount = 4;

// The range the machines hold their design frequencies to: well clear of 0
// and of Nyquist, where the recipes degenerate into filters that ring for
// ever or divide by zero.
inline constexpr double kLowestDesignHz = 10.0;
inline constexpr double kHighestDesignRatio = 0.49; // of the sample rate

inline double UsableFrequency(double frequency, double sampleRate) noexcept {
    const double highest = kHighestDesignRatio * sampleRate;
    return frequency > kLowestDesignHz ? (frequency < highest ? frequency : highest)
                                       : kLowestDesignHz;
}

// Q of a resonance parameter 0..1 (0.7 to 20.7).
inline double ResonanceToQ(double resonance) noexcept {
    return resonance * 20.0 + 0.7;
}

// The coefficient recipes. Frequencies in Hz, bandwidths in octaves, gains
// in dB. A frequency at or beyond 0 or Nyquist, or a Q or bandwidth that is
// not positive, is moved just inside the valid range, so that the result is
// always finite: a NaN coefficient would silence the section for good.
BiquadCoefficients DesignLowpass(double frequency, double q, double sampleRate) noexcept;
BiquadCoefficients DesignHighpass(double frequency, double q, double sampleRate) noexcept;
// Bandpass with 0 dB at the centre.
BiquadCoefficients DesignBandpass(double frequency, double bandwidth, double sampleRate) noexcept;
BiquadCoefficients DesignBandreject(double frequency, double bandwidth, double sampleRate) noexcept;
BiquadCoefficients DesignPeaking(double frequency, double gainDb, double bandwidth,
                                 double sampleRate) noexcept;
// Shelves of slope 1: the full gain below (low) or above (high) the corner
// frequency, half of it in dB at the corner.
BiquadCoefficients DesignLowShelf(double frequency, double gainDb, double sampleRate) noexcept;
BiquadCoefficients DesignHighShelf(double frequency, double gainDb, double sampleRate) noexcept;

} // namespace tarn
