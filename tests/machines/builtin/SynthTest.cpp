#include "GeneratorHarness.h"

#include "machines/builtin/Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace tarn {
namespace {

using test::Cents;
using test::GeneratorHarness;
using test::LastSounding;
using test::NoteHz;
using test::Peak;
using test::Rms;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kSine = 2.0;

// Oscillator 1 alone on a sine, the filter open and a decay of five
// seconds at full level, so a note holds steady while it is measured.
std::unique_ptr<GeneratorHarness> SteadySine() {
    auto host = std::make_unique<GeneratorHarness>(std::make_unique<Synth>());
    host->Set(Synth::Oscillator(0, Synth::kWaveform), kSine);
    host->Set(Synth::kDecay, 5000.0);
    host->Set(Synth::kSustain, 1.0);
    host->Set(Synth::kAttack, 0.0);
    return host;
}

TEST(Synth, NotesOctavesAndDetuneLandWithinACent) {
    struct Case {
        double note;
        double octave;
        double detune;
    };
    for (const Case& c : {Case{57, 0, 0}, Case{33, 0, 0}, Case{69, 0, 0}, Case{45, 1, 0},
                          Case{57, -2, 0}, Case{57, 0, 50}, Case{57, 0, -30}}) {
        SCOPED_TRACE(testing::Message()
                     << c.note << " octave " << c.octave << " detune " << c.detune);
        const auto host = SteadySine();
        host->Set(Synth::Oscillator(0, Synth::kOctave), c.octave);
        host->Set(Synth::Oscillator(0, Synth::kDetune), c.detune);
        host->Note(c.note);
        const std::vector<double> out = host->RenderSeconds(1.0);
        EXPECT_NEAR(Rms(Window(out, 0.1, 0.8)), 0.25 / std::sqrt(2.0), 0.01);
        const double expected = NoteHz(c.note + 12.0 * c.octave + c.detune * 0.01);
        EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out, 0.1, 0.8), kRate), expected), 0.0, 1.0);
    }

    // With every oscillator off, a note is silent.
    const auto off = SteadySine();
    off->Set(Synth::Oscillator(0, Synth::kEnabled), 0.0);
    off->Note(57.0);
    EXPECT_EQ(Peak(off->RenderSeconds(0.2)), 0.0);
}

TEST(Synth, ANoteWithoutGlidePlaysAttackAndDecayThenEnds) {
    const auto host = SteadySine();
    host->Set(Synth::kAttack, 100.0);
    host->Set(Synth::kDecay, 200.0);
    host->Set(Synth::kSustain, 0.5);
    host->Note(57.0);
    const std::vector<double> out = host->RenderSeconds(0.5);
    // The 44-sample first attack, then 100 ms up and 200 ms down to half,
    // and one sample at the sustain level (each segment ends on the sample
    // its curve reaches the end).
    const int end = 44 + 4410 + 8820;
    EXPECT_NEAR(LastSounding(out), end, 5);
    EXPECT_NEAR(Peak(Window(out, 0.09, 0.02)), 0.25, 0.01);
    EXPECT_NEAR(Peak(std::span(out).subspan(end - 300, 300)), 0.125, 0.005);
}

TEST(Synth, AGlideRowHoldsAndTheNextNoteSlidesInOverTheGlideTime) {
    const auto host = SteadySine();
    host->Set(Synth::kDecay, 50.0);
    host->Set(Synth::kSustain, 0.8);
    host->Set(Synth::kGlideTime, 200.0);
    host->Set(Synth::kGlide, 1.0);
    host->Note(45.0);
    const std::vector<double> held = host->RenderSeconds(0.5);
    EXPECT_NEAR(Rms(Window(held, 0.3, 0.2)), 0.8 * 0.25 / std::sqrt(2.0), 0.01);

    host->Note(57.0);
    const std::vector<double> slide = host->RenderSeconds(0.5);
    EXPECT_GT(Rms(Window(slide, 0.0, 0.01)), 0.9 * Rms(Window(held, 0.4, 0.1)));
    const double middle = ZeroCrossingFrequency(Window(slide, 0.08, 0.04), kRate);
    EXPECT_GT(middle, NoteHz(48.0));
    EXPECT_LT(middle, NoteHz(54.0));
    // Its own row had no Glide: it plays a decay's length (50 ms) at its
    // pitch and ends.
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(slide, 0.205, 0.04), kRate), NoteHz(57.0)), 0.0,
                1.0);
    EXPECT_EQ(Peak(Window(slide, 0.251, 0.2)), 0.0);

    // A key release ends a note held for a glide, and the next note starts
    // afresh at its own pitch.
    host->Set(Synth::kGlide, 1.0);
    host->Note(45.0);
    EXPECT_GT(Rms(host->RenderSeconds(0.3)), 0.1);
    host->Note(45.0, 0.0, 0.0);
    EXPECT_EQ(Peak(Window(host->RenderSeconds(0.1), 0.01, 0.09)), 0.0);
    host->Set(Synth::kDecay, 5000.0);
    host->Note(69.0);
    const std::vector<double> fresh = host->RenderSeconds(0.3);
    EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(fresh, 0.05, 0.2), kRate), NoteHz(69.0)), 0.0,
                1.0);
}

TEST(Synth, FullPitchModSwingsAnOctaveAndExtremesStayBounded) {
    const auto host = SteadySine();
    host->Set(Synth::Oscillator(0, Synth::kPitchMod), 1.0);
    host->Set(Synth::kLfoSpeed, 1.0);
    host->Note(57.0);
    const std::vector<double> out = host->RenderSeconds(1.2);
    double lowest = HUGE_VAL;
    double highest = 0.0;
    for (double from = 0.0; from < 1.18; from += 0.01) {
        const double f = ZeroCrossingFrequency(Window(out, from, 0.02), kRate);
        lowest = std::min(lowest, f);
        highest = std::max(highest, f);
    }
    EXPECT_NEAR(highest, 880.0, 880.0 * 0.02);
    EXPECT_NEAR(lowest, 220.0, 220.0 * 0.03);

    // The filter asked for 40 kHz is held to 20 kHz; every extreme stays
    // finite and below the resonance's gain of about 21 on a full mix.
    GeneratorHarness jumping(std::make_unique<Synth>());
    const double peak = test::JumpEveryParameter(jumping);
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(peak, 25.0);
}

} // namespace
} // namespace tarn
