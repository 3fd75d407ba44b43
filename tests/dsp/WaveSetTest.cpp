#include "dsp/DspLibrary.h"
#include "support/ByteDigest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace tarn {
namespace {

constexpr int kKinds[] = {kWaveBrightRamp, kWaveSawtooth,         kWaveSquare,      kWaveTriangle,
                          kWaveSine,       kWaveReversedSawtooth, kWaveInvertedSine};
constexpr int kLastAudibleNote = 123; // the last fundamental below 20 kHz

bool IsSine(int kind) {
    return kind == kWaveSine || kind == kWaveInvertedSine;
}

// Amplitude of harmonic n in one 1024-sample period.
double Harmonic(const double* x, int n) {
    static const auto kTwiddles = [] {
        std::array<std::complex<double>, kWavePeriod> twiddles;
        for (int j = 0; j < kWavePeriod; ++j) {
            twiddles[j] = std::polar(1.0, -2.0 * std::numbers::pi * j / kWavePeriod);
        }
        return twiddles;
    }();
    std::complex<double> sum = 0.0;
    for (int m = 0; m < kWavePeriod; ++m) {
        sum += x[m] * kTwiddles[(n * m) & (kWavePeriod - 1)];
    }
    return std::abs(sum) * 2.0 / kWavePeriod;
}

TEST(WaveSets, FullScaleBelowTheLimitSilentAboveAndGuarded) {
    for (int kind : kKinds) {
        for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
            const CycleTable& table = *CycleTableFor(kind, note);
            ASSERT_EQ(table.count, kWaveSampleCount);
            double peak = 0.0;
            for (int m = 0; m < table.count; ++m) {
                peak = std::max(peak, std::abs(table.samples[m]));
            }
            const double expected = IsSine(kind) || note <= kLastAudibleNote ? 1.0 : 0.0;
            EXPECT_EQ(peak, expected) << "kind " << kind << " note " << note;
            EXPECT_EQ(table.samples[1024], table.samples[0]) << kind << "/" << note;
            EXPECT_EQ(table.samples[1025], table.samples[1]) << kind << "/" << note;
        }
    }
}

TEST(WaveSets, NoHarmonicAtOrAboveTwentyKilohertz) {
    for (int kind : kKinds) {
        // The sines are full scale for every note by design, also above the
        // limit; below it they obey it like every other kind.
        const int lastNote = IsSine(kind) ? kLastAudibleNote : WaveSet::kLastNote;
        for (int note = WaveSet::kFirstNote; note <= lastNote; ++note) {
            const double* x = CycleTableFor(kind, note)->samples;
            const int first = static_cast<int>(std::ceil(20000.0 / NoteFrequency(note)));
            for (int n = first; n <= kWavePeriod / 2; ++n) {
                ASSERT_LT(Harmonic(x, n), 1e-9) << "kind " << kind << " note " << note;
            }
            if (note <= kLastAudibleNote) {
                EXPECT_GT(Harmonic(x, 1), 0.3) << "kind " << kind << " note " << note;
            }
        }
    }
}

TEST(WaveSets, ReversedSawAndInvertedSineMirrorTheirPartners) {
    for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
        const double* saw = CycleTableFor(kWaveSawtooth, note)->samples;
        const double* reversed = CycleTableFor(kWaveReversedSawtooth, note)->samples;
        const double* sine = CycleTableFor(kWaveSine, note)->samples;
        const double* inverted = CycleTableFor(kWaveInvertedSine, note)->samples;
        for (int m = 0; m < kWaveSampleCount; ++m) {
            ASSERT_EQ(reversed[m], saw[1025 - m]) << note << "/" << m;
            ASSERT_NEAR(sine[m], std::sin(2.0 * std::numbers::pi * m / 1024), 1e-15);
            ASSERT_EQ(inverted[m], -sine[m]) << note << "/" << m;
        }
    }
    // Square and triangle hold odd harmonics only.
    for (int n = 2; n <= 20; n += 2) {
        EXPECT_LT(Harmonic(CycleTableFor(kWaveSquare, 45)->samples, n), 1e-12);
        EXPECT_LT(Harmonic(CycleTableFor(kWaveTriangle, 45)->samples, n), 1e-12);
    }
}

// The tables as they were before their building was made faster; building
// them differently must not move a single bit, or every render would change.
TEST(WaveSets, EveryTableBitForBitAsRecorded) {
    std::vector<unsigned char> bytes;
    for (int kind = 1; kind <= kWaveKindCount; ++kind) {
        for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
            const CycleTable& table = *CycleTableFor(kind, note);
            const auto* first = reinterpret_cast<const unsigned char*>(table.samples);
            bytes.insert(bytes.end(), first, first + table.count * sizeof(double));
        }
    }
    EXPECT_EQ(test::ByteDigest(bytes), "95101c9d9b61ec59");
}

} // namespace
} // namespace tarn
