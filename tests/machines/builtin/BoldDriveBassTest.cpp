#include "GeneratorHarness.h"

#include "machines/builtin/BoldDriveBass.h"
#include "machines/builtin/BoldDriveBass2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace tarn {
namespace {

using test::AllFinite;
using test::Cents;
using test::GeneratorHarness;
using test::NoteHz;
using test::Peak;
using test::PositiveShare;
using test::Rms;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kSine = 2.0;
using Bass = BoldDriveBass;

template <typename T> std::unique_ptr<GeneratorHarness> Host() {
    return std::make_unique<GeneratorHarness>(std::make_unique<T>());
}

// Full sustain, and the filter envelope holding the filter at its top
// (14 kHz) for seconds, so what comes out is the oscillator.
void OpenVoice(GeneratorHarness& host, double waveform) {
    host.Set(Bass::kWaveform, waveform);
    host.Set(Bass::kSustain, 0.0);
    host.Set(Bass::kEnvMod, 1.0);
    host.Set(Bass::kFilterAttack, 0.0);
    host.Set(Bass::kFilterDecay, 1.0);
    host.Set(Bass::kAttack, 0.0);
}

TEST(BoldDriveBass, NotesPlayWithinACentOfTheirPitchOnBothMachines) {
    for (const bool second : {false, true}) {
        for (const double note : {33.0, 45.0, 57.0, 69.0}) {
            SCOPED_TRACE(testing::Message() << "machine " << second << " note " << note);
            const auto host = second ? Host<BoldDriveBass2>() : Host<BoldDriveBass>();
            OpenVoice(*host, kSine);
            host->Note(note);
            const std::vector<double> out = host->RenderSeconds(1.0);
            EXPECT_GT(Rms(Window(out, 0.1, 0.5)), 0.3);
            EXPECT_LT(
                std::abs(Cents(ZeroCrossingFrequency(Window(out, 0.1, 0.8), kRate), NoteHz(note))),
                1.0);
        }
    }
}

TEST(BoldDriveBass, TheSecondMachinesSquareHasThePulseWidthItIsGiven) {
    for (const double width : {0.5, 0.25, 0.1, 0.8}) {
        SCOPED_TRACE(width);
        GeneratorHarness host(std::make_unique<BoldDriveBass2>());
        OpenVoice(host, BoldDriveBass2::kSquare);
        host.Set(BoldDriveBass2::kPulseWidth, width);
        host.Note(33.0); // 110 Hz: wide enough periods to read the duty on
        const std::vector<double> out = host.RenderSeconds(0.6);
        EXPECT_NEAR(PositiveShare(Window(out, 0.1, 0.45), kRate / 110.0), width, 0.02);
        EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out, 0.1, 0.45), kRate), 110.0), 0.0, 1.0);
    }
    // The first machine's Square is the plain table, whatever a width says.
    GeneratorHarness first(std::make_unique<BoldDriveBass>());
    OpenVoice(first, 1.0);
    first.Set(BoldDriveBass2::kPulseWidth, 0.1);
    first.Note(33.0);
    EXPECT_NEAR(PositiveShare(Window(first.RenderSeconds(0.6), 0.1, 0.45), kRate / 110.0), 0.5,
                0.02);
}

TEST(BoldDriveBass, EnvelopesAndNoteLengthsKeepTheirTimes) {
    // Attack 0.5 is 0.5³ · 5 s = 625 ms to the peak.
    GeneratorHarness host(std::make_unique<BoldDriveBass>());
    OpenVoice(host, kSine);
    host.Set(Bass::kAttack, 0.5);
    host.Set(Bass::kDecay, 1.0);
    host.Set(Bass::kSustain, -6.0);
    host.Note(57.0);
    const std::vector<double> attack = host.RenderSeconds(1.0);
    std::size_t loudest = 0;
    for (std::size_t i = 0; i < attack.size(); ++i) {
        loudest = std::abs(attack[i]) > std::abs(attack[loudest]) ? i : loudest;
    }
    EXPECT_NEAR(static_cast<double>(loudest) / kRate, 0.625, 0.003);
    EXPECT_LT(Peak(Window(attack, 0.0, 0.3)), 0.5 * Peak(attack));

    // Half a beat at 120 bpm is 11025 samples; then a release of 0.2
    // (40 ms) falls to the -60 dB floor.
    GeneratorHarness timed(std::make_unique<BoldDriveBass>());
    OpenVoice(timed, kSine);
    timed.Set(Bass::kRelease, 0.2);
    timed.Note(57.0, 0.5);
    const std::vector<double> note = timed.RenderSeconds(0.5);
    EXPECT_GT(Rms(Window(note, 0.24, 0.01)), 0.4);
    EXPECT_GT(Rms(Window(note, 0.25, 0.01)), 0.15);
    EXPECT_LT(Peak(Window(note, 0.25 + 0.041, 0.1)), 0.0015);

    // A key release ends a note without a length; so does Stop.
    for (const bool stop : {false, true}) {
        GeneratorHarness held(std::make_unique<BoldDriveBass>());
        OpenVoice(held, kSine);
        held.Set(Bass::kRelease, 0.0);
        held.Note(57.0);
        EXPECT_GT(Rms(held.RenderSeconds(0.5)), 0.4);
        if (stop) {
            held.Send(kMsgStop, 1);
        } else {
            held.Note(57.0, 0.0, 0.0);
        }
        EXPECT_LT(Peak(Window(held.RenderSeconds(0.1), 0.01, 0.05)), 0.0015);
    }
}

TEST(BoldDriveBass, AGlideRowHoldsItsNoteAndTheNextSlidesInWithoutRestarting) {
    GeneratorHarness host(std::make_unique<BoldDriveBass>());
    OpenVoice(host, kSine);
    host.Set(Bass::kAttack, 0.3);    // 135 ms: a restart would dip audibly
    host.Set(Bass::kGlideTime, 0.4); // 320 ms
    host.Set(Bass::kGlide, 1.0);
    host.Note(45.0, 0.25); // the length does not end a glide note
    const std::vector<double> first = host.RenderSeconds(1.0);
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(first, 0.5, 0.5), kRate), NoteHz(45.0)), 0.0,
                1.0);
    host.Note(57.0, 1.0);
    const std::vector<double> slide = host.RenderSeconds(0.6);
    // No new attack from the floor.
    EXPECT_GT(Rms(Window(slide, 0.0, 0.01)), 0.95 * Rms(Window(first, 0.9, 0.1)));
    const double middle = ZeroCrossingFrequency(Window(slide, 0.14, 0.04), kRate);
    EXPECT_GT(middle, NoteHz(48.0));
    EXPECT_LT(middle, NoteHz(54.0));
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(slide, 0.35, 0.13), kRate), NoteHz(57.0)), 0.0,
                1.0);

    // A glide that waits for a note is forgotten when its note is let go:
    // the next note starts afresh, with its attack, at its own pitch.
    host.Set(Bass::kGlide, 1.0);
    host.Note(45.0);
    host.RenderSeconds(0.3);
    host.Note(45.0, 0.0, 0.0);
    host.RenderSeconds(0.3);
    host.Note(57.0);
    const std::vector<double> fresh = host.RenderSeconds(0.5);
    EXPECT_LT(Peak(Window(fresh, 0.0, 0.01)), 0.1);
    EXPECT_GT(Rms(Window(fresh, 0.3, 0.2)), 0.45);
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(fresh, 0.2, 0.3), kRate), NoteHz(57.0)), 0.0,
                1.0);

    // In the second machine's Always mode every note slides, attack and all.
    GeneratorHarness always(std::make_unique<BoldDriveBass2>());
    OpenVoice(always, kSine);
    always.Set(BoldDriveBass2::kGlideMode, BoldDriveBass2::kGlideAlways);
    always.Set(Bass::kGlideTime, 0.4);
    always.Note(45.0);
    always.RenderSeconds(0.5);
    always.Note(57.0);
    const std::vector<double> slid = always.RenderSeconds(0.6);
    const double between = ZeroCrossingFrequency(Window(slid, 0.14, 0.04), kRate);
    EXPECT_GT(between, NoteHz(48.0));
    EXPECT_LT(between, NoteHz(54.0));
}

TEST(BoldDriveBass, ResonanceAndDriveStayWithinTheSaturatorsBound) {
    for (const bool second : {false, true}) {
        const auto host = second ? Host<BoldDriveBass2>() : Host<BoldDriveBass>();
        host->Set(Bass::kResonance, 1.0);
        host->Set(Bass::kDist, 1.0);
        host->Set(Bass::kSustain, 0.0);
        host->Set(Bass::kEnvMod, 1.0);
        std::vector<double> out;
        for (const double note : {0.0, 24.0, 45.0, 100.0, 127.0}) {
            host->Note(note, 0.2);
            const std::vector<double> part = host->RenderSeconds(0.2);
            out.insert(out.end(), part.begin(), part.end());
        }
        EXPECT_TRUE(AllFinite(out));
        EXPECT_LE(Peak(out), 2.0 / 3.0 + 1e-12);
        EXPECT_GT(Peak(out), 0.3);
        const double jumped = test::JumpEveryParameter(*host);
        EXPECT_LE(jumped, 2.0 / 3.0 + 1e-12);
        EXPECT_GT(jumped, 0.0);
    }
}

} // namespace
} // namespace tarn
