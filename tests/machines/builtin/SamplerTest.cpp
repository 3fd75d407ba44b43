// The Sampler playing waves written into a project's wavetable: pitch from
// the note and the wave's own rate, loops, note ends, voice choice, and
// waves that change or vanish under a sounding voice.
#include "WaveProject.h"

#include "machines/builtin/Sampler.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>

namespace tarn {
namespace {

using test::Frames;
using test::WaveProject;

constexpr int kSlot = 3;

// The largest difference between the signal and itself period frames
// later, over from..to.
double PeriodError(const std::vector<double>& samples, int period, int from, int to) {
    double error = 0.0;
    for (int i = from; i < to; ++i) {
        error = std::max(error, std::abs(samples[static_cast<std::size_t>(i)] -
                                         samples[static_cast<std::size_t>(i + period)]));
    }
    return error;
}

struct SamplerProject : WaveProject {
    SamplerProject() : WaveProject("Tarn Sampler") { Set(Sampler::kWave, kSlot); }
};

TEST(Sampler, PitchFollowsTheNoteAndTheWaveRate) {
    struct Case {
        int waveRate;
        double note;
        double expectedHz;
    };
    for (const Case& c :
         {Case{44100, 48.0, 1000.0}, Case{44100, 60.0, 2000.0}, Case{44100, 36.0, 500.0},
          Case{22050, 48.0, 1000.0}, Case{22050, 60.0, 2000.0}}) {
        SamplerProject sampler;
        sampler.PutWave(kSlot, {test::SineWave(1000.0, c.waveRate, c.waveRate * 2)}, c.waveRate);
        sampler.Note(c.note);
        const WaveProject::Stereo out = sampler.Render(22050);
        const double hz = test::ZeroCrossingFrequency(Frames(out.left, 2000, 20000), 44100.0);
        EXPECT_NEAR(hz, c.expectedHz, c.expectedHz * 1e-3) << c.waveRate << " Hz, note " << c.note;
        EXPECT_GT(test::Rms(Frames(out.left, 2000, 20000)), 0.3);
        // A mono wave sounds the same on both sides.
        EXPECT_EQ(out.left, out.right);
    }
}

TEST(Sampler, LoopsRepeatAtTheirLoopPoints) {
    // Noise only repeats where the loop makes it: forward loops have the
    // loop's length as their period, alternating ones twice that.
    constexpr int kStart = 1000;
    constexpr int kEnd = 1500;
    constexpr int kLength = kEnd - kStart;
    for (const int kind : {0, 1}) {
        SamplerProject sampler;
        sampler.PutWave(kSlot, {test::NoiseWave(2000, 7)}, 44100,
                        LoopPoint{kind, 0, double{kStart}, double{kEnd}});
        sampler.Note(48.0);
        const std::vector<double> out = sampler.Render(12000).left;
        const int period = kind == 0 ? kLength : 2 * kLength;
        EXPECT_LT(PeriodError(out, period, 3000, 11000), 1e-9) << "kind " << kind;
        EXPECT_GT(PeriodError(out, period - 1, 3000, 11000), 0.1) << "kind " << kind;
        EXPECT_GT(test::Rms(Frames(out, 11000, 12000)), 0.1) << "kind " << kind;
        if (kind == 1) {
            EXPECT_GT(PeriodError(out, kLength, 3000, 11000), 0.1);
        }
    }
    // Loop points outside the wave, reversed or not numbers play as no
    // loop: the wave ends.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const LoopPoint loop : {LoopPoint{0, 0, 100.0, 2000.0}, LoopPoint{0, 0, 900.0, 800.0},
                                 LoopPoint{0, 0, -5.0, 800.0}, LoopPoint{0, 0, nan, 800.0}}) {
        SamplerProject sampler;
        sampler.PutWave(kSlot, {test::NoiseWave(2000, 7)}, 44100, loop);
        sampler.Note(48.0);
        const std::vector<double> out = sampler.Render(6000).left;
        EXPECT_GT(test::Rms(Frames(out, 500, 1500)), 0.1);
        EXPECT_LT(test::Peak(Frames(out, 2100, 6000)), 1e-6) << loop.start << ".." << loop.end;
    }
}

TEST(Sampler, NotesEndWithTheirLengthOrKeyRelease) {
    // Release 0.1 is 441 frames; a looped wave would sound for ever.
    const LoopPoint loop{0, 0, 100.0, 900.0};
    SamplerProject sampler;
    sampler.PutWave(kSlot, {test::SineWave(441.0, 44100.0, 1000)}, 44100, loop);
    sampler.Note(48.0, 0.5);
    std::vector<double> out = sampler.Render(12000).left;
    EXPECT_GT(test::Peak(Frames(out, 10500, 11025)), 0.3);
    EXPECT_EQ(test::Peak(Frames(out, 11025 + 450, 12000)), 0.0);

    sampler.Note(50.0);
    EXPECT_GT(test::Peak(Frames(sampler.Render(5000).left, 4000, 5000)), 0.3);
    sampler.Note(50.0, 0.0, 0.0);
    EXPECT_EQ(test::Peak(Frames(sampler.Render(1000).left, 450, 1000)), 0.0);

    // Without a loop the wave falls silent at its end while the envelope
    // still holds.
    sampler.PutWave(kSlot, {test::SineWave(441.0, 44100.0, 1000)});
    sampler.Note(48.0);
    out = sampler.Render(3000).left;
    EXPECT_GT(test::Peak(Frames(out, 500, 990)), 0.3);
    EXPECT_LT(test::Peak(Frames(out, 1100, 3000)), 1e-9);
    const auto& machine = dynamic_cast<const Sampler&>(sampler.node().MachineInstance());
    EXPECT_TRUE(machine.VoiceAt(0).Sounding() || machine.VoiceAt(1).Sounding());

    // Stop silences even a held note on a looped wave.
    sampler.PutWave(kSlot, {test::SineWave(441.0, 44100.0, 1000)}, 44100, loop);
    sampler.Render(2000);
    EXPECT_EQ(sampler.node().SendToMachine(kMsgStop, 1), 1);
    EXPECT_EQ(test::Peak(sampler.Render(1000).left), 0.0);
}

TEST(Sampler, SeventeenthNoteTakesTheOldestVoice) {
    SamplerProject sampler;
    sampler.PutWave(kSlot, {test::SineWave(441.0, 44100.0, 1000)});
    sampler.SetTracks(16);
    for (int track = 0; track < 16; ++track) {
        sampler.Note(30.0 + track, 0.0, 1.0, track, track * 10);
    }
    sampler.Render(400);
    sampler.Note(90.0);
    sampler.Render(10);
    const auto& machine = dynamic_cast<const Sampler&>(sampler.node().MachineInstance());
    EXPECT_EQ(machine.VoiceAt(0).Note(), 90);
    for (int voice = 1; voice < 16; ++voice) {
        EXPECT_EQ(machine.VoiceAt(voice).Note(), 30 + voice);
    }
}

TEST(Sampler, CutoffZeroLeavesTwentyHertz) {
    SamplerProject open;
    SamplerProject closed;
    for (SamplerProject* sampler : {&open, &closed}) {
        sampler->PutWave(kSlot, {test::SineWave(1000.0, 44100.0, 44100)});
        sampler->Note(48.0);
    }
    closed.Set(Sampler::kCutoff, 0.0);
    const double openRms = test::Rms(Frames(open.Render(20000).left, 10000, 20000));
    const double closedRms = test::Rms(Frames(closed.Render(20000).left, 10000, 20000));
    // A 12 dB/octave lowpass at 20 Hz takes about 68 dB off 1 kHz.
    EXPECT_GT(openRms, 0.3);
    EXPECT_LT(closedRms / openRms, 1e-3);
}

TEST(Sampler, WavesChangingUnderAVoiceAreNeverReadOutside) {
    const LoopPoint loop{0, 0, 100.0, 9000.0};
    SamplerProject sampler;
    sampler.PutWave(kSlot, {test::NoiseWave(10000, 3), test::NoiseWave(10000, 4)}, 44100, loop);
    sampler.Note(72.0); // four frames of wave per output frame
    EXPECT_GT(test::Rms(sampler.Render(1500).left), 0.05);

    // Replaced by a far shorter wave: the voice goes on inside it.
    sampler.PutWave(kSlot, {test::NoiseWave(16, 5)}, 44100, LoopPoint{1, 0, 2.0, 12.0});
    WaveProject::Stereo out = sampler.Render(1000);
    EXPECT_TRUE(test::AllFinite(out.left) && test::AllFinite(out.right));
    EXPECT_GT(test::Rms(out.left), 0.05);

    // Removed: the voice plays nothing of it once the filter has rung out.
    sampler.RemoveWave(kSlot);
    out = sampler.Render(1000);
    EXPECT_LT(test::Peak(Frames(out.left, 100, 1000)), 1e-9);

    // An empty wave counts as none; a wave put back is played from where
    // the voice is.
    sampler.PutWave(kSlot, {std::vector<float>{}});
    EXPECT_LT(test::Peak(sampler.Render(500).left), 1e-9);
    sampler.PutWave(kSlot, {test::NoiseWave(100, 6)}, 44100, LoopPoint{0, 0, 0.0, 99.0});
    EXPECT_GT(test::Rms(sampler.Render(500).left), 0.05);

    // Another Wave reaches the sounding note at the next buffer.
    sampler.PutWave(kSlot + 1, {std::vector<float>(200, 0.25f)}, 44100,
                    LoopPoint{0, 0, 0.0, 199.0});
    sampler.Set(Sampler::kWave, kSlot + 1);
    out = sampler.Render(500);
    EXPECT_NEAR(out.left[499], 0.25, 1e-6);
}

} // namespace
} // namespace tarn
