#include "GeneratorHarness.h"

#include "machines/builtin/Duosync.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarn {
namespace {

using test::AllFinite;
using test::Cents;
using test::GeneratorHarness;
using test::JumpEveryParameter;
using test::NoteHz;
using test::Peak;
using test::ToneAmplitude;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;

// A held note at full sustain with the slave `sync` semitones up and a
// sweep of `sweep` semitones that falls away over about 0.3 s.
std::vector<double> Play(double note, double sync, double sweep, double seconds = 1.2) {
    GeneratorHarness host(std::make_unique<Duosync>());
    host.Set(Duosync::kSustain, 0.0);
    host.Set(Duosync::kSync, sync);
    host.Set(Duosync::kSweep, sweep);
    host.Set(Duosync::kSweepDecay, 0.4);
    host.Note(note);
    return host.RenderSeconds(seconds);
}

// Summed amplitudes at the harmonics of hz (up to 10 kHz), and halfway
// between them.
struct Spectrum {
    double harmonic = 0.0;
    double between = 0.0;
};

Spectrum Split(std::span<const double> samples, double hz) {
    Spectrum spectrum;
    for (double k = 1.0; k * hz < 10000.0; k += 1.0) {
        spectrum.harmonic += ToneAmplitude(samples, k * hz, kRate);
        spectrum.between += ToneAmplitude(samples, (k + 0.5) * hz, kRate);
    }
    return spectrum;
}

TEST(Duosync, WithoutSyncOrSweepNotesPlayWithinACentOfTheirPitch) {
    for (const double note : {33.0, 45.0, 57.0, 69.0, 81.0}) {
        SCOPED_TRACE(testing::Message() << "note " << note);
        const std::vector<double> out = Play(note, 0.0, 0.0);
        EXPECT_GT(Peak(Window(out, 0.1, 1.0)), 0.5);
        EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out, 0.1, 1.0), kRate), NoteHz(note)), 0.0,
                    1.0);
    }
}

TEST(Duosync, HardSyncKeepsEveryComponentOnAHarmonicOfTheNote) {
    for (const double note : {45.0, 69.0}) {
        for (const double sync : {7.3, 19.6}) {
            SCOPED_TRACE(testing::Message() << "note " << note << " sync " << sync);
            const std::vector<double> out = Play(note, sync, 0.0);
            const std::span<const double> held = Window(out, 0.1, 1.0);
            EXPECT_TRUE(AllFinite(out));
            const double hz = NoteHz(note);
            const Spectrum spectrum = Split(held, hz);
            EXPECT_GT(spectrum.harmonic, 0.5);
            // What falls between the harmonics is aliasing of the restarts,
            // which an unsmoothed restart would raise thirtyfold.
            EXPECT_LT(spectrum.between, 0.001 * spectrum.harmonic);
            // The slave's own pitch is not heard as a tone of its own.
            const double slave = NoteHz(note + sync);
            EXPECT_LT(ToneAmplitude(held, slave, kRate), 0.01);
            // Unlike a plain wave, the harmonics near the slave are the
            // strong ones.
            const double nearSlave = std::round(slave / hz) * hz;
            EXPECT_GT(ToneAmplitude(held, nearSlave, kRate),
                      ToneAmplitude(held, 3.0 * hz, kRate) * (nearSlave > 3.5 * hz ? 1.0 : 0.0));
        }
    }
}

TEST(Duosync, TheSweepStartsHighAndFallsBackToTheNote) {
    const std::vector<double> out = Play(45.0, 0.0, 24.0, 2.0);
    // Near two octaves up, the synced wave crosses zero about four times a
    // period; once the sweep is over, once.
    EXPECT_GT(ZeroCrossingFrequency(Window(out, 0.0, 0.02), kRate), 2.5 * NoteHz(45.0));
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out, 1.5, 0.5), kRate), NoteHz(45.0)), 0.0, 1.0);
}

TEST(Duosync, StaysFiniteAndBoundedWithEveryParameterJumpingBetweenExtremes) {
    GeneratorHarness host(std::make_unique<Duosync>());
    EXPECT_LE(JumpEveryParameter(host), 1.5);
}

} // namespace
} // namespace tarn
