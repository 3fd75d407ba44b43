#include "machines/builtin/CorvaSynth.h"
#include "GeneratorHarness.h"
#include "dsp/BiquadCoefficients.h"
#include "dsp/KeyTrackedFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

namespace tarn::test {
namespace {

using S = SubtractiveSynth;
constexpr double kRate = GeneratorHarness::kRate;

// The amplitude of a steady tone around a time: the peak of a 1 ms window.
double Level(const std::vector<double>& out, double at) {
    return Peak(Window(out, at - 0.0005, 0.001));
}

// Amplitude of a signal per 256-sample window.
std::vector<double> Envelope(std::span<const double> samples) {
    std::vector<double> envelope;
    for (std::size_t i = 0; i + 256 <= samples.size(); i += 256) {
        envelope.push_back(Peak(samples.subspan(i, 256)));
    }
    return envelope;
}

// The rate at which a signal's amplitude swings, from its envelope's
// crossings of its own mean.
double ModulationHz(std::span<const double> samples) {
    std::vector<double> envelope = Envelope(samples);
    double mean = 0.0;
    for (double e : envelope) {
        mean += e / envelope.size();
    }
    for (double& e : envelope) {
        e -= mean;
    }
    return ZeroCrossingFrequency(envelope, kRate / 256);
}

// How deep a signal's amplitude swings: (max - min) / (max + min).
double ModulationDepth(std::span<const double> samples) {
    const std::vector<double> envelope = Envelope(samples);
    const auto [low, high] = std::minmax_element(envelope.begin(), envelope.end());
    return (*high - *low) / (*high + *low);
}

double LowpassGain(double cutoff, double q, double frequency) {
    const BiquadCoefficients c = DesignLowpass(cutoff, q, kRate);
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequency / kRate);
    return std::abs((c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 - c.a1 * z1 - c.a2 * z1 * z1));
}

TEST(CorvaSynth, PlaysNotesInTuneWithTheOscillatorOffsetsWithinTheNoteRange) {
    for (int note : {24, 45, 57, 69, 84, 96}) {
        GeneratorHarness h(std::make_unique<CorvaSynth>());
        PlainSine(h);
        h.Note(note);
        // Render also checks that both outputs carry the same signal.
        const std::vector<double> out = h.RenderSeconds(1.0);
        const double f = ZeroCrossingFrequency(Window(out, 0.2, 0.8), kRate);
        EXPECT_LT(std::abs(Cents(f, NoteHz(note))), 1.0) << note;
    }
    // Octave +1, semi +7 and detune +25 cents add up.
    GeneratorHarness h(std::make_unique<CorvaSynth>());
    PlainSine(h);
    h.Set(Osc(0, S::kOctave), 5);
    h.Set(Osc(0, S::kSemi), 19);
    h.Set(Osc(0, S::kDetune), 75);
    h.Note(40);
    const double f = ZeroCrossingFrequency(Window(h.RenderSeconds(0.6), 0.1, 0.5), kRate);
    EXPECT_LT(std::abs(Cents(f, NoteHz(40 + 12 + 7 + 0.25))), 1.0);
    // Four octaves below note 10 stays at the lowest note instead of
    // wrapping into a high one.
    GeneratorHarness l(std::make_unique<CorvaSynth>());
    PlainSine(l);
    l.Set(Osc(0, S::kOctave), 0);
    l.Note(10);
    const double bottom = ZeroCrossingFrequency(Window(l.RenderSeconds(2.1), 0.1, 2.0), kRate);
    EXPECT_LT(std::abs(Cents(bottom, NoteHz(0))), 1.0);
}

TEST(CorvaSynth, EnvelopeStagesLastTheirTimesAndTheNoteLengthEndsTheNote) {
    GeneratorHarness h(std::make_unique<CorvaSynth>());
    PlainSine(h);
    h.Set(S::kAmpAttack, 0.2);   // 0.08 s
    h.Set(S::kAmpDecay, 0.3);    // 0.27 s
    h.Set(S::kAmpSustain, 0.5);  // the attack starts here too
    h.Set(S::kAmpRelease, 0.25); // 0.15625 s
    h.Note(81, 1.0);             // half a second at 120 BPM
    const std::vector<double> out = h.RenderSeconds(1.0);
    const double full = 0.25; // one oscillator at full level, voice level 1/4
    EXPECT_NEAR(Level(out, 0.04) / full, 0.75, 0.02);
    EXPECT_NEAR(Level(out, 0.08) / full, 1.0, 0.02);
    EXPECT_NEAR(Level(out, 0.08 + 0.135) / full, std::sqrt(0.5), 0.02);
    EXPECT_NEAR(Level(out, 0.45) / full, 0.5, 0.01);
    // Release from the sustain level down to -60 dB, then silence.
    EXPECT_NEAR(Level(out, 0.5 + 0.078) / full, 0.5 * std::sqrt(0.002), 0.003);
    EXPECT_EQ(Peak(Window(out, 0.5 + 0.16, 0.3)), 0.0);

    // The note length counts control periods of interval + 1 samples, so a
    // note ends on time at every quality.
    for (int quality : {0, 10, 19, 20}) {
        GeneratorHarness qh(std::make_unique<CorvaSynth>());
        PlainSine(qh);
        qh.Set(S::kAmpRelease, 0.0);
        qh.Set(S::kQuality, quality);
        qh.Note(69, 0.5); // 11025 samples
        const std::vector<double> note = qh.RenderSeconds(0.5);
        const int end = LastSounding(note) + 1;
        EXPECT_GE(end, 11025) << quality;
        EXPECT_LE(end, 11025 + 2 * 21 + 5) << quality;
    }
}

TEST(CorvaSynth, LfosRunAtTheirRateFollowTheTempoFadeInAndShareTheirPhase) {
    const auto vibratoVolume = [](GeneratorHarness& h) {
        PlainSine(h);
        h.Set(Osc(0, S::kVolumeLfo1), 1.0);
    };
    {
        GeneratorHarness h(std::make_unique<CorvaSynth>());
        vibratoVolume(h);
        h.Set(Lfo(0, S::kSpeed), 0.5); // 1.25 Hz
        h.Note(81);
        EXPECT_NEAR(ModulationHz(Window(h.RenderSeconds(4.2), 0.2, 4.0)), 1.25, 0.02);
    }
    {
        // Sync rate 17: one cycle per half beat, 4 Hz at 120 BPM.
        GeneratorHarness h(std::make_unique<CorvaSynth>(), 120);
        vibratoVolume(h);
        h.Set(Lfo(0, S::kSpeed), 0.5);
        h.Set(Lfo(0, S::kSyncRate), 17);
        h.Note(81);
        EXPECT_NEAR(ModulationHz(Window(h.RenderSeconds(2.2), 0.2, 2.0)), 4.0, 0.05);
    }
    {
        // Delay 0.5: the depth grows linearly over 1.25 s.
        GeneratorHarness h(std::make_unique<CorvaSynth>());
        vibratoVolume(h);
        h.Set(Lfo(0, S::kSpeed), 0.8); // 5.12 Hz
        h.Set(Lfo(0, S::kDelay), 0.5);
        h.Note(81);
        const std::vector<double> out = h.RenderSeconds(2.0);
        EXPECT_NEAR(ModulationDepth(Window(out, 0.2125, 0.2)), 0.25, 0.06);
        EXPECT_NEAR(ModulationDepth(Window(out, 0.8375, 0.2)), 0.75, 0.06);
        EXPECT_NEAR(ModulationDepth(Window(out, 1.5, 0.4)), 1.0, 0.02);
    }
    // Two notes 0.3 s apart: with a common LFO they swell together, with
    // their own LFOs a third of a cycle apart.
    double depth[2] = {};
    for (int common : {0, 1}) {
        GeneratorHarness h(std::make_unique<CorvaSynth>());
        vibratoVolume(h);
        h.Set(Lfo(0, S::kSpeed), 0.5);
        h.Set(Lfo(0, S::kVoiceCommon), common);
        h.Note(81);
        h.RenderSeconds(0.3);
        h.Note(81 + 12);
        depth[common] = ModulationDepth(Window(h.RenderSeconds(2.0), 0.2, 1.6));
    }
    EXPECT_GT(depth[1], 0.95);
    EXPECT_LT(depth[0], 0.9);
}

TEST(CorvaSynth, CutoffTracksTheKeyWithTheFilterResponseOfItsDesign) {
    const auto rms = [](int note, double cutoff, double resonance) {
        GeneratorHarness h(std::make_unique<CorvaSynth>());
        PlainSine(h);
        h.Set(S::kCutoff, cutoff);
        h.Set(S::kResonance, resonance);
        h.Note(note);
        return Rms(Window(h.RenderSeconds(0.6), 0.3, 0.3));
    };
    for (int note : {36, 60, 84}) {
        const double key = NoteHz(note);
        const double open = rms(note, 1.0, 0.0) / LowpassGain(20000.0, 0.7, key);
        for (double x : {0.0, 0.5}) {
            const double cutoff = KeyTrackedFilter::Cutoff(key, x);
            EXPECT_NEAR(rms(note, x, 0.0) / open, LowpassGain(cutoff, 0.7, key), 0.01) << note;
        }
        // Resonance is scaled by the distance between cutoff and key.
        const double cutoff = key / 2;
        const double r = (0.4 + 0.6 * std::sqrt(std::abs(cutoff - key) * 0.00005)) * 0.512;
        EXPECT_NEAR(rms(note, 0.0, 0.8) / open, LowpassGain(cutoff, r * 20 + 0.7, key), 0.01)
            << note;
    }
}

TEST(CorvaSynth, SeventhNoteTakesOverTheFirstAndNoteOffsReleaseTheirOwnNote) {
    CorvaSynth synth;
    GeneratorHarness h(synth);
    PlainSine(h);
    for (int i = 0; i < 7; ++i) {
        h.Note(50 + i, 0.0, 1.0, i * 10);
    }
    h.Render(100);
    EXPECT_EQ(synth.VoiceAt(0).note, 56);
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(synth.VoiceAt(i).note, 50 + i);
    }
    h.Note(53, 0.0, 0.0);
    h.Render(100);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(synth.VoiceAt(i).amplitude.current == SegmentEnvelope::kSustain, i != 3) << i;
    }
    // A chord on one frame takes three voices.
    CorvaSynth chord;
    GeneratorHarness c(chord);
    PlainSine(c);
    for (int note : {60, 64, 67}) {
        c.Note(note);
    }
    c.Render(10);
    int sounding = 0;
    for (int i = 0; i < 6; ++i) {
        sounding += chord.VoiceAt(i).amplitude.current != SegmentEnvelope::kOff ? 1 : 0;
    }
    EXPECT_EQ(sounding, 3);
}

TEST(CorvaSynth, StaysFiniteAndBoundedWithEveryParameterJumpingBetweenExtremes) {
    // Six voices of four oscillators at double volume through three
    // resonant sections stay below this.
    GeneratorHarness h(std::make_unique<CorvaSynth>());
    const double peak = JumpEveryParameter(h);
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(peak, 5000.0);
}

} // namespace
} // namespace tarn::test
