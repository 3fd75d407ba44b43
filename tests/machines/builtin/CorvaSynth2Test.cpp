#include "machines/builtin/CorvaSynth2.h"
#include "GeneratorHarness.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace tarn::test {
namespace {

using C = CorvaSynth2;
using S = SubtractiveSynth;
constexpr double kRate = GeneratorHarness::kRate;

// One oscillator on with a wave pair, full sustain, everything else at its
// default.
void OneOscillator(GeneratorHarness& h, int waveform, double pulseWidth = 0.0) {
    h.Set(Osc(0, S::kEnabled), 1.0);
    h.Set(Osc(0, S::kWaveform), waveform);
    h.Set(Osc(0, C::kPulseWidth), pulseWidth);
    h.Set(S::kAmpSustain, 1.0);
}

// The pitch in notes of the sound around a time, from 40 ms of it.
double PitchAt(const std::vector<double>& out, double at) {
    const double f = ZeroCrossingFrequency(Window(out, at - 0.02, 0.04), kRate);
    return 57.0 + 12.0 * std::log2(f / 440.0);
}

// The share of samples above zero.
double Duty(std::span<const double> samples) {
    const auto high = std::count_if(samples.begin(), samples.end(), [](double s) { return s > 0; });
    return static_cast<double>(high) / static_cast<double>(samples.size());
}

// Correlation of a signal with itself lag samples later, -1..1.
double Correlation(std::span<const double> samples, std::size_t lag) {
    const std::span<const double> a = samples.first(samples.size() - lag);
    const std::span<const double> b = samples.subspan(lag);
    const double dot = std::inner_product(a.begin(), a.end(), b.begin(), 0.0);
    return dot / (Rms(a) * Rms(b) * static_cast<double>(a.size()));
}

TEST(CorvaSynth2, PlaysNotesInTune) {
    for (int note : {24, 45, 57, 69, 84, 96}) {
        GeneratorHarness h(std::make_unique<CorvaSynth2>());
        OneOscillator(h, 2); // a pair of sines
        h.Note(note);
        // Render also checks that both outputs carry the same signal.
        const std::vector<double> out = h.RenderSeconds(1.0);
        const double f = ZeroCrossingFrequency(Window(out, 0.2, 0.8), kRate);
        EXPECT_LT(std::abs(Cents(f, NoteHz(note))), 1.0) << note;
        // One oscillator at full level and the voice level of 0.2.
        EXPECT_NEAR(Peak(Window(out, 0.2, 0.8)), 0.2, 0.005) << note;
    }
}

TEST(CorvaSynth2, WavePairsFollowThePulseWidth) {
    const auto render = [](int waveform, double pulseWidth) {
        GeneratorHarness h(std::make_unique<CorvaSynth2>());
        OneOscillator(h, waveform, pulseWidth);
        h.Note(45);
        return h.RenderSeconds(0.5);
    };
    // "Square": a sawtooth and a reversed one half a period later are a
    // square; a pulse width of a quarter period makes it a 1:3 pulse.
    const std::vector<double> square = render(1, 0.0);
    EXPECT_NEAR(Duty(Window(square, 0.2, 0.3)), 0.5, 0.02);
    const std::vector<double> pulse = render(1, 0.25);
    EXPECT_NEAR(std::abs(Duty(Window(pulse, 0.2, 0.3)) - 0.5), 0.25, 0.02);
    // The pulse's two levels sit at 1:3 around zero: one side reaches three
    // times as far.
    const auto [low, high] = std::minmax_element(pulse.begin() + 8820, pulse.end());
    EXPECT_NEAR(std::max(-*low, *high) / std::min(-*low, *high), 3.0, 0.4);

    // "Saw": two sawtooths half a period apart are the octave above.
    const double saw = ZeroCrossingFrequency(Window(render(0, 0.0), 0.2, 0.3), kRate);
    EXPECT_LT(std::abs(Cents(saw, NoteHz(45))), 1.0);
    const double octave = ZeroCrossingFrequency(Window(render(0, 0.5), 0.2, 0.3), kRate);
    EXPECT_LT(std::abs(Cents(octave, NoteHz(57))), 1.0);
}

TEST(CorvaSynth2, NoiseSoundsWithEveryOscillatorOff) {
    const auto render = [](double volume, int colour) {
        GeneratorHarness h(std::make_unique<CorvaSynth2>());
        h.Set(S::kAmpSustain, 1.0);
        h.Set(Osc(0, S::kEnabled), 0.0); // the one a new synth starts with
        h.Set(C::kNoiseVolume, volume);
        h.Set(C::kNoiseColour, colour);
        h.Note(60);
        return h.RenderSeconds(0.5);
    };
    EXPECT_EQ(Peak(render(0.0, 0)), 0.0);
    // Uniform white noise over -1..1 has an RMS of 1/sqrt(3), at the voice
    // level of 0.2; neighbouring samples are nearly independent.
    const std::vector<double> white = render(1.0, 0);
    EXPECT_NEAR(Rms(Window(white, 0.1, 0.4)), 0.2 / std::sqrt(3.0), 0.01);
    EXPECT_LT(Correlation(Window(white, 0.1, 0.4), 1), 0.3);
    // Pink noise leans on the low frequencies, so neighbours are alike.
    const std::vector<double> pink = render(1.0, 1);
    EXPECT_GT(Correlation(Window(pink, 0.1, 0.4), 1), 0.8);
    EXPECT_TRUE(AllFinite(pink));
}

TEST(CorvaSynth2, EventsTakeEffectAtTheStartOfTheirBlock) {
    const auto render = [](int noteOffset, int cutoffOffset, bool blockLengthEvent) {
        GeneratorHarness h(std::make_unique<CorvaSynth2>());
        h.Set(S::kAmpSustain, 1.0);
        h.Set(C::kNoiseVolume, 1.0);
        h.Note(60, 0.0, 1.0, noteOffset);
        h.Set(S::kCutoff, 0.3, cutoffOffset);
        if (blockLengthEvent) {
            h.Set(300, 19.0, 3);
        }
        return h.Render(256);
    };
    const std::vector<double> reference = render(21, 40, false);
    // Nothing before the note's block, sound from its first frame on.
    EXPECT_EQ(Peak(std::span(reference).first(16)), 0.0);
    EXPECT_NE(reference[16], 0.0);
    EXPECT_EQ(render(16, 32, false), reference);
    EXPECT_EQ(render(31, 47, false), reference);
    // The control block length is not a parameter of this machine.
    EXPECT_EQ(render(21, 40, true), reference);
    // The next block is another story.
    EXPECT_NE(render(32, 40, false), reference);
    EXPECT_NE(render(21, 48, false), reference);
}

TEST(CorvaSynth2, GlidesOverTheGlideTimeButNeverIntoAFreshVoicesFirstNote) {
    GeneratorHarness h(std::make_unique<CorvaSynth2>());
    OneOscillator(h, 2);
    h.Set(C::kVoiceMode, C::kMono);
    h.Set(S::kGlideTime, 0.5); // 1.25 s
    h.Note(45);
    const std::vector<double> first = h.RenderSeconds(0.5);
    EXPECT_NEAR(PitchAt(first, 0.05), 45.0, 0.05);
    h.Note(57);
    const std::vector<double> glide = h.RenderSeconds(1.6);
    // Linear in notes: a quarter, half and three quarters of the way.
    EXPECT_NEAR(PitchAt(glide, 0.3125), 48.0, 0.2);
    EXPECT_NEAR(PitchAt(glide, 0.625), 51.0, 0.2);
    EXPECT_NEAR(PitchAt(glide, 0.9375), 54.0, 0.2);
    EXPECT_NEAR(PitchAt(glide, 1.4), 57.0, 0.05);
}

TEST(CorvaSynth2, VoiceModesShareOrRestartTheEnvelopes) {
    const auto secondNote = [](int mode, bool releaseFirst) {
        auto synth = std::make_unique<CorvaSynth2>();
        GeneratorHarness h(*synth);
        OneOscillator(h, 2);
        h.Set(S::kAmpSustain, 0.5);
        h.Set(S::kAmpAttack, 0.2); // 80 ms
        h.Set(S::kGlideTime, 0.3); // 0.27 s
        h.Set(C::kVoiceMode, mode);
        h.Note(45);
        h.RenderSeconds(0.4);
        if (releaseFirst) {
            h.Note(45, 0.0, 0.0);
            h.RenderSeconds(0.2);
        }
        h.Note(57);
        const std::vector<double> out = h.RenderSeconds(0.4);
        return std::pair{std::move(synth), out};
    };
    using E = SegmentEnvelope;
    {
        // Mono AG during the first note's sustain: legato, gliding.
        const auto [synth, out] = secondNote(C::kMonoLegato, false);
        EXPECT_EQ(synth->VoiceAt(0).amplitude.current, E::kSustain);
        EXPECT_EQ(synth->VoiceAt(1).amplitude.current, E::kOff);
        EXPECT_NEAR(PitchAt(out, 0.135), 51.0, 0.3);
        // The level holds the sustain level instead of attacking again.
        EXPECT_NEAR(Peak(Window(out, 0.01, 0.3)), 0.2 * 0.5, 0.002);
    }
    {
        // Mono AG after the release: a new attack and no glide.
        const auto [synth, out] = secondNote(C::kMonoLegato, true);
        EXPECT_GT(Peak(Window(out, 0.06, 0.04)), 0.2 * 0.9);
        EXPECT_NEAR(PitchAt(out, 0.03), 57.0, 0.05);
        EXPECT_EQ(synth->VoiceAt(0).amplitude.current, E::kSustain);
    }
    {
        // Mono attacks again (from the sustain level up to full) and glides.
        const auto [synth, out] = secondNote(C::kMono, false);
        EXPECT_GT(Peak(Window(out, 0.06, 0.04)), 0.2 * 0.9);
        EXPECT_NEAR(PitchAt(out, 0.135), 51.0, 0.3);
        EXPECT_EQ(synth->VoiceAt(1).amplitude.current, E::kOff);
    }
    {
        // Poly gives the second note a voice of its own.
        const auto [synth, out] = secondNote(C::kPoly, false);
        EXPECT_EQ(synth->VoiceAt(0).note, 45);
        EXPECT_EQ(synth->VoiceAt(1).note, 57);
        EXPECT_EQ(synth->VoiceAt(1).amplitude.current, E::kSustain);
    }
}

TEST(CorvaSynth2, HardSyncRestartsOscillatorTwoWithOscillatorOne) {
    // Oscillator 2 alone, a fifth above a silent oscillator 1: with sync
    // its sound repeats at oscillator 1's period, without it it is a plain
    // tone a fifth up.
    const auto render = [](int sync) {
        GeneratorHarness h(std::make_unique<CorvaSynth2>());
        h.Set(S::kAmpSustain, 1.0);
        h.Set(Osc(0, S::kEnabled), 0.0);
        h.Set(Osc(1, S::kEnabled), 1.0);
        h.Set(Osc(1, S::kWaveform), 2);
        h.Set(Osc(1, S::kSemi), 12 + 7);
        h.Set(C::kHardSync, sync);
        h.Note(45);
        return h.RenderSeconds(0.5);
    };
    const std::size_t period = std::lround(kRate / NoteHz(45)); // 401 samples
    const std::vector<double> synced = render(1);
    EXPECT_GT(Correlation(Window(synced, 0.1, 0.3), period), 0.98);
    const std::vector<double> free = render(0);
    EXPECT_LT(Correlation(Window(free, 0.1, 0.3), period), 0.0);
    EXPECT_LT(std::abs(Cents(ZeroCrossingFrequency(Window(free, 0.1, 0.3), kRate), NoteHz(52))),
              1.0);
}

TEST(CorvaSynth2, StaysFiniteAndBoundedWithEveryParameterJumpingBetweenExtremes) {
    GeneratorHarness h(std::make_unique<CorvaSynth2>());
    const double peak = JumpEveryParameter(h);
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(peak, 5000.0);
}

} // namespace
} // namespace tarn::test
