#include "GeneratorHarness.h"

#include "machines/builtin/AnalogBass2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tarn {
namespace {

using test::AllFinite;
using test::Cents;
using test::GeneratorHarness;
using test::NoteHz;
using test::Peak;
using test::ToneAmplitude;
using test::Window;
using test::ZeroCrossingFrequency;

constexpr double kRate = GeneratorHarness::kRate;
constexpr double kSine = 2.0;
using Bass2 = AnalogBass2;

// A sine voice with the filter fully open and still, and the layers as
// given.
std::vector<double> Play(double note, double secondLevel, double detuneCents, double subLevel,
                         double seconds = 1.2) {
    GeneratorHarness host(std::make_unique<AnalogBass2>());
    host.Set(Bass2::kWaveform, kSine);
    host.Set(Bass2::kCutoff, 1.0);
    host.Set(Bass2::kEnvMod, 0.0);
    host.Set(Bass2::kSecondLevel, secondLevel);
    host.Set(Bass2::kDetune, detuneCents);
    host.Set(Bass2::kSubLevel, subLevel);
    host.RenderSeconds(0.3);
    host.Note(note);
    return host.RenderSeconds(seconds);
}

// The frequency of the strongest component within 2.5 Hz of hz, to a
// hundredth of a hertz.
double StrongestNear(std::span<const double> samples, double hz) {
    double best = hz;
    double bestAmplitude = 0.0;
    for (double step : {0.25, 0.01}) {
        const double centre = best;
        for (double f = centre - 10.0 * step; f <= centre + 10.0 * step; f += step) {
            const double a = ToneAmplitude(samples, f, kRate);
            if (a > bestAmplitude) {
                bestAmplitude = a;
                best = f;
            }
        }
    }
    return best;
}

TEST(AnalogBass2, WithoutLayersItPlaysTheAnalogBassSampleForSample) {
    const auto perform = [](GeneratorHarness& host) {
        host.Set(AnalogBass::kResonance, 0.7);
        host.Set(AnalogBass::kCutoff, 0.3);
        host.Set(Bass2::kSecondLevel, 0.0);
        host.Set(Bass2::kSubLevel, 0.0);
        host.Note(40.0, 0.5);
        std::vector<double> out = host.RenderSeconds(0.4);
        host.Set(AnalogBass::kGlide, 1.0);
        host.Note(52.0);
        host.Note(45.0, 0.0, 1.0, 3000);
        const std::vector<double> more = host.RenderSeconds(0.4);
        out.insert(out.end(), more.begin(), more.end());
        return out;
    };
    GeneratorHarness first(std::make_unique<AnalogBass>());
    GeneratorHarness second(std::make_unique<AnalogBass2>());
    const std::vector<double> bass = perform(first);
    EXPECT_GT(Peak(bass), 0.1);
    EXPECT_EQ(perform(second), bass);
}

TEST(AnalogBass2, NotesStayWithinACentOfTheirPitchWithTheLayersInTune) {
    for (const double note : {33.0, 45.0, 57.0, 69.0}) {
        SCOPED_TRACE(testing::Message() << "note " << note);
        // Both oscillators together, not detuned, make one tone.
        const std::vector<double> out = Play(note, 1.0, 0.0, 0.0);
        EXPECT_TRUE(AllFinite(out));
        EXPECT_LE(Peak(out), 1.0);
        EXPECT_NEAR(Cents(ZeroCrossingFrequency(Window(out, 0.1, 1.0), kRate), NoteHz(note)), 0.0,
                    1.0);
    }
}

TEST(AnalogBass2, TheSecondOscillatorSoundsAtItsDetuneBesideTheFirst) {
    for (const double cents : {50.0, -30.0, 100.0}) {
        SCOPED_TRACE(testing::Message() << "detune " << cents);
        const std::vector<double> out = Play(57.0, 1.0, cents, 0.0);
        const std::span<const double> held = Window(out, 0.1, 1.0);
        const double second = StrongestNear(held, NoteHz(57.0 + cents / 100.0));
        EXPECT_NEAR(Cents(second, NoteHz(57.0)), cents, 1.0);
        // Equal levels: the two sines come out equally strong.
        EXPECT_NEAR(ToneAmplitude(held, second, kRate) / ToneAmplitude(held, NoteHz(57.0), kRate),
                    1.0, 0.05);
    }
}

TEST(AnalogBass2, TheSubOscillatorSoundsAnOctaveDownButNeverBelowTheLowestNote) {
    const std::vector<double> plain = Play(57.0, 0.0, 0.0, 0.0);
    const std::vector<double> sub = Play(57.0, 0.0, 0.0, 1.0);
    const double octaveDown = NoteHz(45.0);
    EXPECT_LT(ToneAmplitude(Window(plain, 0.1, 1.0), octaveDown, kRate), 0.001);
    EXPECT_GT(ToneAmplitude(Window(sub, 0.1, 1.0), octaveDown, kRate), 0.2);
    // Half the mix is the first oscillator.
    EXPECT_NEAR(ToneAmplitude(Window(sub, 0.1, 1.0), NoteHz(57.0), kRate),
                ToneAmplitude(Window(plain, 0.1, 1.0), NoteHz(57.0), kRate) / 2.0, 0.04);

    // Under note 5 the sub holds at note 0 instead of wrapping to the top.
    const std::vector<double> low = Play(5.0, 0.0, 0.0, 1.0, 2.2);
    EXPECT_TRUE(AllFinite(low));
    EXPECT_GT(ToneAmplitude(Window(low, 0.2, 2.0), NoteHz(0.0), kRate), 0.2);
    EXPECT_LT(ToneAmplitude(Window(low, 0.2, 2.0), NoteHz(121.0), kRate), 0.001);
}

} // namespace
} // namespace tarn
