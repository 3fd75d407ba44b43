#include "machines/builtin/RavelSynth.h"
#include "AnalogBassHarness.h"
#include "SynthHarness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarn::test {
namespace {

using S = SubtractiveSynth;

SynthHarness::Stereo PannedNote(double pan, int bpm = 120) {
    RavelSynth synth;
    SynthHarness h(synth, bpm);
    h.PlainSine();
    h.Set(SynthHarness::Osc(0, S::kPan), pan);
    h.Note(69);
    return h.RenderSeconds(0.3);
}

TEST(RavelSynth, EachOscillatorHasABalanceControlAndVoicesFilterBothSides) {
    const SynthHarness::Stereo right = PannedNote(1.0);
    EXPECT_EQ(Peak(right.left), 0.0);
    EXPECT_NEAR(Peak(Window(right.right, 0.1, 0.2)), 0.25, 0.01);

    const SynthHarness::Stereo leftish = PannedNote(-0.5);
    EXPECT_NEAR(Rms(leftish.right) / Rms(leftish.left), 0.5, 1e-9);

    const SynthHarness::Stereo centre = PannedNote(0.0);
    EXPECT_EQ(centre.left, centre.right);

    // Two oscillators hard left and right keep their own pitches.
    RavelSynth synth;
    SynthHarness h(synth);
    h.PlainSine();
    h.Set(SynthHarness::Osc(0, S::kPan), -1.0);
    h.Set(SynthHarness::Osc(1, S::kEnabled), 1.0);
    h.Set(SynthHarness::Osc(1, S::kWaveform), 2.0);
    h.Set(SynthHarness::Osc(1, S::kSemi), 19.0);
    h.Set(SynthHarness::Osc(1, S::kPan), 1.0);
    h.Note(57);
    const SynthHarness::Stereo out = h.RenderSeconds(0.6);
    EXPECT_NEAR(ZeroCrossingFrequency(Window(out.left, 0.1, 0.5), SynthHarness::kRate), 440.0, 0.3);
    EXPECT_NEAR(ZeroCrossingFrequency(Window(out.right, 0.1, 0.5), SynthHarness::kRate),
                440.0 * std::exp2(7.0 / 12.0), 0.4);
}

TEST(RavelSynth, LfosIgnoreTheTempoAndStartSpreadTheSameWayEveryTime) {
    const auto render = [](int bpm) {
        RavelSynth synth;
        SynthHarness h(synth, bpm);
        h.PlainSine();
        h.Set(SynthHarness::Osc(0, S::kVolumeLfo1), 1.0);
        h.Set(SynthHarness::Lfo(0, S::kSpeed), 0.6);
        h.Note(69);
        return h.RenderSeconds(1.0).left;
    };
    EXPECT_EQ(render(60), render(177));

    RavelSynth first;
    RavelSynth second;
    SynthHarness a(first);
    SynthHarness b(second);
    a.Set(SynthHarness::Lfo(1, S::kKeySync), 1.0);
    b.Set(SynthHarness::Lfo(0, S::kVoiceCommon), 1.0);
    a.Render(1);
    b.Render(1);
    for (int i = 0; i < S::kVoiceCount; ++i) {
        EXPECT_EQ(first.VoiceAt(i).lfos[0].phase, second.VoiceAt(i).lfos[0].phase);
        if (i > 0) {
            EXPECT_NE(first.VoiceAt(i).lfos[0].phase, first.VoiceAt(i - 1).lfos[0].phase);
        }
    }
}

TEST(RavelSynth, StaysFiniteAndBoundedWithEveryParameterJumpingBetweenExtremes) {
    RavelSynth synth;
    JumpEveryParameter(synth, 5000.0);
}

} // namespace
} // namespace tarn::test
