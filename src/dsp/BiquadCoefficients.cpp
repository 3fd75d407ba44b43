#include "dsp/BiquadCoefficients.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

constexpr double kEdgeAngle = 1e-9;     // radians kept clear of 0 and Nyquist
constexpr double kSmallestShape = 1e-6; // smallest Q or bandwidth used
constexpr double kLargestAlpha = 1e150; // far above any audible setting, far below overflow
constexpr double kLargestGainDb = 200.0;

struct Angle {
    double w0;
    double c;
    double s;
};

// At 0 or Nyquist sin w0 is 0 and the recipes divide by it.
Angle AngleOf(double frequency, double sampleRate) {
    double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
    if (!(w0 >= kEdgeAngle)) {
        w0 = kEdgeAngle;
    }
    if (!(w0 <= std::numbers::pi - kEdgeAngle)) {
        w0 = std::numbers::pi - kEdgeAngle;
    }
    return {w0, std::cos(w0), std::sin(w0)};
}

double Positive(double value) {
    return value > kSmallestShape ? value : kSmallestShape;
}

double AlphaFromQ(const Angle& angle, double q) {
    return angle.s / (2.0 * Positive(q));
}

double AlphaFromBandwidth(const Angle& angle, double bandwidth) {
    const double alpha =
        angle.s * std::sinh(std::numbers::ln2 / 2.0 * Positive(bandwidth) * angle.w0 / angle.s);
    return std::min(alpha, kLargestAlpha);
}

// 10^(G/40) of a gain in dB; a gain that is not a number is flat.
double Amplitude(double gainDb) {
    const double gain =
        std::isfinite(gainDb) ? std::clamp(gainDb, -kLargestGainDb, kLargestGainDb) : 0.0;
    return std::pow(10.0, gain / 40.0);
}

// Every design shares the poles' form: a1 = 2c / a0, a2 = -(1 - alpha) / a0.
BiquadCoefficients Normalised(double b0, double b1, double b2, double c, double alpha) {
    const double a0 = 1.0 + alpha;
    return {b0 / a0, b1 / a0, b2 / a0, 2.0 * c / a0, -(1.0 - alpha) / a0};
}

} // namespace

BiquadCoefficients DesignLowpass(double frequency, double q, double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double k = 1.0 - angle.c;
    return Normalised(k / 2.0, k, k / 2.0, angle.c, AlphaFromQ(angle, q));
}

BiquadCoefficients DesignHighpass(double frequency, double q, double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double k = 1.0 + angle.c;
    return Normalised(k / 2.0, -k, k / 2.0, angle.c, AlphaFromQ(angle, q));
}

BiquadCoefficients DesignBandpass(double frequency, double bandwidth, double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double alpha = AlphaFromBandwidth(angle, bandwidth);
    return Normalised(alpha, 0.0, -alpha, angle.c, alpha);
}

BiquadCoefficients DesignBandreject(double frequency, double bandwidth,
                                    double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    return Normalised(1.0, -2.0 * angle.c, 1.0, angle.c, AlphaFromBandwidth(angle, bandwidth));
}

BiquadCoefficients DesignPeaking(double frequency, double gainDb, double bandwidth,
                                 double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double alpha = AlphaFromBandwidth(angle, bandwidth);
    const double a = Amplitude(gainDb);
    const double a0 = 1.0 + alpha / a;
    return {(1.0 + alpha * a) / a0, -2.0 * angle.c / a0, (1.0 - alpha * a) / a0, 2.0 * angle.c / a0,
            -(1.0 - alpha / a) / a0};
}

BiquadCoefficients DesignLowShelf(double frequency, double gainDb, double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double a = Amplitude(gainDb);
    const double root = std::sqrt(2.0 * a) * angle.s; // 2·sqrt(A)·alpha at slope 1
    const double a0 = (a + 1.0) + (a - 1.0) * angle.c + root;
    return {a * ((a + 1.0) - (a - 1.0) * angle.c + root) / a0,
            2.0 * a * ((a - 1.0) - (a + 1.0) * angle.c) / a0,
            a * ((a + 1.0) - (a - 1.0) * angle.c - root) / a0,
            2.0 * ((a - 1.0) + (a + 1.0) * angle.c) / a0,
            -((a + 1.0) + (a - 1.0) * angle.c - root) / a0};
}

BiquadCoefficients DesignHighShelf(double frequency, double gainDb, double sampleRate) noexcept {
    const Angle angle = AngleOf(frequency, sampleRate);
    const double a = Amplitude(gainDb);
    const double root = std::sqrt(2.0 * a) * angle.s;
    const double a0 = (a + 1.0) - (a - 1.0) * angle.c + root;
    return {a * ((a + 1.0) + (a - 1.0) * angle.c + root) / a0,
            -2.0 * a * ((a - 1.0) + (a + 1.0) * angle.c) / a0,
            a * ((a + 1.0) + (a - 1.0) * angle.c - root) / a0,
            -2.0 * ((a - 1.0) - (a + 1.0) * angle.c) / a0,
            -((a + 1.0) - (a - 1.0) * angle.c - root) / a0};
}

} // namespace tarn
