#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

constexpr int kKinds[] = {kWaveBrightRamp, kWaveSawtooth,         kWaveSquare,      kWaveTriangle,
                          kWaveSine,       kWaveReversedSawtooth, kWaveInvertedSine};
constexpr int kLastAudibleNote = 123; // the last note whose fundamental is below 20 kHz

double Peak(const WaveTable& table) {
    double peak = 0.0;
    for (int m = 0; m < table.count; ++m) {
        peak = std::max(peak, std::abs(table.samples[m]));
    }
    return peak;
}

// Spectrum of one 1024-sample period: bin n is harmonic n of the note.
class Spectrum {
public:
    Spectrum() {
        for (int j = 0; j < kWavePeriod; ++j) {
            cos_[j] = std::cos(2.0 * std::numbers::pi * j / kWavePeriod);
            sin_[j] = std::sin(2.0 * std::numbers::pi * j / kWavePeriod);
        }
    }

    // |X_n|² of the period.
    double BinEnergy(const double* x, int n) const {
        double re = 0.0;
        double im = 0.0;
        for (int m = 0; m < kWavePeriod; ++m) {
            const int j = (n * m) & (kWavePeriod - 1);
            re += x[m] * cos_[j];
            im -= x[m] * sin_[j];
        }
        return re * re + im * im;
    }

    // Amplitude of harmonic n as a sine of that amplitude would show it.
    double Amplitude(const double* x, int n) const {
        return std::sqrt(BinEnergy(x, n)) * 2.0 / kWavePeriod;
    }

    // Energy (sum of squares over one period) of harmonics first..512,
    // taking whichever side of Parseval's sum needs fewer bins.
    double EnergyFrom(const double* x, int first) const {
        constexpr int kNyquistBin = kWavePeriod / 2;
        auto weight = [](int n) { return (n == 0 || n == kNyquistBin) ? 1.0 : 2.0; };
        double part = 0.0;
        if (first > kNyquistBin / 2) {
            for (int n = first; n <= kNyquistBin; ++n) {
                part += weight(n) * BinEnergy(x, n);
            }
            return part / kWavePeriod;
        }
        double total = 0.0;
        for (int m = 0; m < kWavePeriod; ++m) {
            total += x[m] * x[m];
        }
        for (int n = 0; n < first; ++n) {
            part += weight(n) * BinEnergy(x, n);
        }
        return total - part / kWavePeriod;
    }

private:
    std::array<double, kWavePeriod> cos_;
    std::array<double, kWavePeriod> sin_;
};

TEST(WaveSets, FullScaleBelowTheLimitAndSilentAboveIt) {
    for (int kind : kKinds) {
        for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
            const WaveTable* table = WaveTableFor(kind, note);
            ASSERT_NE(table, nullptr);
            ASSERT_EQ(table->count, kWaveSampleCount);
            ASSERT_EQ(table->period, kWavePeriod);
            const bool sine = kind == kWaveSine || kind == kWaveInvertedSine;
            const double expected = (sine || note <= kLastAudibleNote) ? 1.0 : 0.0;
            EXPECT_EQ(Peak(*table), expected) << "kind " << kind << " note " << note;
            // The guard samples continue the period.
            EXPECT_EQ(table->samples[1024], table->samples[0]) << kind << "/" << note;
            EXPECT_EQ(table->samples[1025], table->samples[1]) << kind << "/" << note;
        }
    }
}

TEST(WaveSets, NoHarmonicAtOrAboveTwentyKilohertz) {
    const Spectrum spectrum;
    for (int kind : kKinds) {
        const bool sine = kind == kWaveSine || kind == kWaveInvertedSine;
        // The sines are full scale for every note by design, also above the
        // limit; below it they obey it like every other kind.
        const int lastNote = sine ? kLastAudibleNote : WaveSet::kLastNote;
        for (int note = WaveSet::kFirstNote; note <= lastNote; ++note) {
            const double* x = WaveTableFor(kind, note)->samples;
            const int firstBanned = static_cast<int>(std::ceil(20000.0 / NoteFrequency(note)));
            if (firstBanned > kWavePeriod / 2) {
                continue; // every harmonic the table can hold is allowed
            }
            // A harmonic left above the limit would carry 1e-5 or more; the
            // rounding residue of the sum is near 1e-11.
            EXPECT_LT(spectrum.EnergyFrom(x, firstBanned), 1e-9)
                << "kind " << kind << " note " << note;
        }
    }
}

TEST(WaveSets, HarmonicContentOfEachKind) {
    const Spectrum spectrum;
    const int note = 45; // 220 Hz: 90 harmonics below the limit
    const double* saw = WaveTableFor(kWaveSawtooth, note)->samples;
    const double* square = WaveTableFor(kWaveSquare, note)->samples;
    const double* triangle = WaveTableFor(kWaveTriangle, note)->samples;
    const double* bright = WaveTableFor(kWaveBrightRamp, note)->samples;
    // The fundamental is the strongest harmonic of every kind.
    for (const double* x : {saw, square, triangle, bright}) {
        for (int n = 2; n <= 10; ++n) {
            EXPECT_GT(spectrum.Amplitude(x, 1), spectrum.Amplitude(x, n)) << n;
        }
    }
    // Square and triangle hold odd harmonics only.
    for (int n = 2; n <= 20; n += 2) {
        EXPECT_LT(spectrum.Amplitude(square, n), 1e-12) << n;
        EXPECT_LT(spectrum.Amplitude(triangle, n), 1e-12) << n;
    }
    // Roll-off: about 1/n for saw and square, 1/n² for the triangle and
    // 2/(n+1) for the bright ramp (the taper is still near 1 here).
    EXPECT_NEAR(spectrum.Amplitude(saw, 2) / spectrum.Amplitude(saw, 1), 0.5, 0.01);
    EXPECT_NEAR(spectrum.Amplitude(square, 3) / spectrum.Amplitude(square, 1), 1.0 / 3, 0.01);
    EXPECT_NEAR(spectrum.Amplitude(triangle, 3) / spectrum.Amplitude(triangle, 1), 1.0 / 9, 0.01);
    EXPECT_NEAR(spectrum.Amplitude(bright, 3) / spectrum.Amplitude(bright, 1), 0.5, 0.01);
    // The top harmonic is tapered towards zero rather than cut off hard.
    EXPECT_LT(spectrum.Amplitude(saw, 90) / spectrum.Amplitude(saw, 1), 1e-3);
}

TEST(WaveSets, ReversedSawAndInvertedSineMirrorTheirPartners) {
    for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
        const double* saw = WaveTableFor(kWaveSawtooth, note)->samples;
        const double* reversed = WaveTableFor(kWaveReversedSawtooth, note)->samples;
        const double* sine = WaveTableFor(kWaveSine, note)->samples;
        const double* inverted = WaveTableFor(kWaveInvertedSine, note)->samples;
        for (int m = 0; m < kWaveSampleCount; ++m) {
            ASSERT_EQ(reversed[m], saw[1025 - m]) << note << "/" << m;
            ASSERT_NEAR(sine[m], std::sin(2.0 * std::numbers::pi * m / 1024), 1e-15);
            ASSERT_EQ(inverted[m], -sine[m]) << note << "/" << m;
        }
    }
    // The sawtooth falls through its period; the reversed one rises.
    const double* saw = WaveTableFor(kWaveSawtooth, 30)->samples;
    EXPECT_GT(saw[256], 0.3);
    EXPECT_LT(saw[768], -0.3);
}

} // namespace
} // namespace tarn
