#include "machines/builtin/RavelSynth.h"
#include "GeneratorHarness.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarn::test {
namespace {

using S = SubtractiveSynth;
constexpr double kRate = GeneratorHarness::kRate;

GeneratorHarness::Stereo PannedNote(double pan, int bpm = 120) {
    GeneratorHarness h(std::make_unique<RavelSynth>(), bpm);
    PlainSine(h);
    h.Set(Osc(0, S::kPan), pan);
    h.Note(69);
    return h.RenderStereo(static_cast<int>(0.3 * kRate));
}

TEST(RavelSynth, EachOscillatorHasABalanceControlAndVoicesFilterBothSides) {
    const GeneratorHarness::Stereo right = PannedNote(1.0);
    EXPECT_EQ(Peak(right.left), 0.0);
    EXPECT_NEAR(Peak(Window(right.right, 0.1, 0.2)), 0.25, 0.01);

    const GeneratorHarness::Stereo leftish = PannedNote(-0.5);
    EXPECT_NEAR(Rms(leftish.right) / Rms(leftish.left), 0.5, 1e-9);

    const GeneratorHarness::Stereo centre = PannedNote(0.0);
    EXPECT_EQ(centre.left, centre.right);

    // Two oscillators hard left and right keep their own pitches.
    GeneratorHarness h(std::make_unique<RavelSynth>());
    PlainSine(h);
    h.Set(Osc(0, S::kPan), -1.0);
    h.Set(Osc(1, S::kEnabled), 1.0);
    h.Set(Osc(1, S::kWaveform), 2.0);
    h.Set(Osc(1, S::kSemi), 19.0);
    h.Set(Osc(1, S::kPan), 1.0);
    h.Note(57);
    const GeneratorHarness::Stereo out = h.RenderStereo(static_cast<int>(0.6 * kRate));
    EXPECT_NEAR(ZeroCrossingFrequency(Window(out.left, 0.1, 0.5), kRate), 440.0, 0.3);
    EXPECT_NEAR(ZeroCrossingFrequency(Window(out.right, 0.1, 0.5), kRate),
                440.0 * std::exp2(7.0 / 12.0), 0.4);
}

TEST(RavelSynth, LfosIgnoreTheTempoAndStartSpreadTheSameWayEveryTime) {
    const auto render = [](int bpm) {
        GeneratorHarness h(std::make_unique<RavelSynth>(), bpm);
        PlainSine(h);
        h.Set(Osc(0, S::kVolumeLfo1), 1.0);
        h.Set(Lfo(0, S::kSpeed), 0.6);
        h.Note(69);
        return h.RenderSeconds(1.0);
    };
    EXPECT_EQ(render(60), render(177));

    RavelSynth first;
    RavelSynth second;
    GeneratorHarness a(first);
    GeneratorHarness b(second);
    a.Set(Lfo(1, S::kKeySync), 1.0);
    b.Set(Lfo(0, S::kVoiceCommon), 1.0);
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
    GeneratorHarness h(std::make_unique<RavelSynth>());
    const double peak = JumpEveryParameter(h);
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(peak, 5000.0);
}

} // namespace
} // namespace tarn::test
