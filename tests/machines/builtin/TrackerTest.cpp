// The Tracker playing waves written into a project's wavetable: pitch,
// level and balance per track, every command column, note lengths, and
// waves that change or vanish under a playing track.
#include "WaveProject.h"

#include "machines/builtin/Tracker.h"
#include "machines/framework/ParameterDisplay.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace tarn {
namespace {

using test::Frames;
using test::WaveProject;

constexpr int kSlot = 2;

// Frames 1/count, 2/count, ... 1: every frame tells where it is.
std::vector<float> Ramp(int count) {
    std::vector<float> samples(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        samples[static_cast<std::size_t>(i)] = static_cast<float>(i + 1) / count;
    }
    return samples;
}

double RampFrame(int count, int frame) {
    return static_cast<float>(frame + 1) / count;
}

// Frames before the first silent one.
int SoundingFrames(const std::vector<double>& samples) {
    const auto silent = std::ranges::find(samples, 0.0);
    return static_cast<int>(silent - samples.begin());
}

struct TrackerProject : WaveProject {
    explicit TrackerProject(int tracks = 1) : WaveProject("Tarn Tracker") {
        SetTracks(tracks);
        for (int track = 0; track < tracks; ++track) {
            Set(Tracker::kWave, kSlot, track);
        }
    }
};

TEST(Tracker, PitchLevelAndBalanceFollowTheTrack) {
    struct Case {
        int waveRate;
        double note;
        double expectedHz;
    };
    for (const Case& c : {Case{44100, 48.0, 1000.0}, Case{44100, 60.0, 2000.0},
                          Case{22050, 48.0, 1000.0}, Case{22050, 36.0, 500.0}}) {
        TrackerProject tracker;
        tracker.PutWave(kSlot, {test::SineWave(1000.0, c.waveRate, c.waveRate)}, c.waveRate);
        tracker.Note(c.note);
        const std::vector<double> out = tracker.Render(20000).left;
        EXPECT_NEAR(test::ZeroCrossingFrequency(Frames(out, 100, 20000), 44100.0), c.expectedHz,
                    c.expectedHz * 1e-3)
            << c.waveRate << " Hz, note " << c.note;
    }

    TrackerProject tracker;
    tracker.PutWave(kSlot, {Ramp(100), Ramp(100)});
    tracker.Note(48.0);
    const WaveProject::Stereo plain = tracker.Render(50);
    tracker.Set(Tracker::kVolume, -80.0);
    tracker.Set(Tracker::kPan, 0.5);
    tracker.Note(48.0);
    const WaveProject::Stereo quiet = tracker.Render(50);
    for (int i = 0; i < 50; ++i) {
        EXPECT_DOUBLE_EQ(quiet.left[i], plain.left[i] * 1e-4 * 0.5);
        EXPECT_DOUBLE_EQ(quiet.right[i], plain.right[i] * 1e-4);
    }
}

TEST(Tracker, CommandsChangeHowTheirNoteStarts) {
    constexpr int kFrames = 1000;
    const auto play = [](int command, int value, double note = 48.0) {
        TrackerProject tracker;
        tracker.PutWave(kSlot, {Ramp(kFrames)});
        tracker.Set(Tracker::kCommand1, command);
        tracker.Set(Tracker::kValue1, value);
        tracker.Note(note);
        return tracker.Render(100000).left;
    };
    // Sample offset: 128 x (1000 / 256) = 384 frames in.
    std::vector<double> out = play(Tracker::kSampleOffset, 128);
    EXPECT_EQ(out[0], RampFrame(kFrames, 384));
    EXPECT_EQ(SoundingFrames(out), kFrames - 384);

    // Beat fit: 4 beats at 120 BPM are 88200 frames, whatever the note.
    for (const double note : {30.0, 48.0, 70.0}) {
        EXPECT_NEAR(SoundingFrames(play(Tracker::kBeatFit, 4, note)), 88200, 1) << note;
    }

    // Reverse beat fit: from the end, backwards, over 2 beats.
    out = play(Tracker::kReverseBeatFit, 2, 60.0);
    EXPECT_EQ(out[0], RampFrame(kFrames, kFrames - 1));
    EXPECT_LT(out[20000], out[10000]);
    EXPECT_NEAR(SoundingFrames(out), 44100, 1);

    // Sample reverse: every frame once, last first.
    out = play(Tracker::kSampleReverse, 0);
    ASSERT_EQ(SoundingFrames(out), kFrames);
    for (int i = 0; i < kFrames; ++i) {
        EXPECT_EQ(out[static_cast<std::size_t>(i)], RampFrame(kFrames, kFrames - 1 - i)) << i;
    }

    // A command left on a track without a note is gone once any track
    // starts one. Track 0 plays on the left only, track 1 on the right.
    TrackerProject tracker(2);
    tracker.PutWave(kSlot, {Ramp(kFrames)});
    tracker.Set(Tracker::kPan, -1.0, 0);
    tracker.Set(Tracker::kPan, 1.0, 1);
    tracker.Set(Tracker::kCommand1, Tracker::kSampleReverse, 1);
    tracker.Note(48.0, 0.0, 1.0, 0);
    EXPECT_EQ(test::Peak(tracker.Render(10).right), 0.0);
    tracker.Note(48.0, 0.0, 1.0, 1);
    EXPECT_EQ(tracker.Render(10).right[0], RampFrame(kFrames, 0));

    auto& machine = dynamic_cast<Tracker&>(tracker.node().MachineInstance());
    std::string text(kValueTextSize, '\0');
    const auto format = [&](std::int32_t index, double value) {
        const int written = machine.FormatValue(index, value, text.data());
        return written == 0 ? std::string("-") : std::string(text.c_str());
    };
    EXPECT_EQ(format(Tracker::kCommand1, 1.0), "Beat fit");
    EXPECT_EQ(format(Tracker::kCommand2, 3.9), "Sample reverse");
    EXPECT_EQ(format(Tracker::kCommand1, 4.0), "");
    EXPECT_EQ(format(Tracker::kCommand1, -3.0), "");
    EXPECT_EQ(format(Tracker::kVolume, -6.5), "-6.50dB");
    EXPECT_EQ(format(Tracker::kValue1, 7.0), "-");
}

TEST(Tracker, NoteLengthCountsOnlyWhenSwitchedOn) {
    for (const bool on : {false, true}) {
        TrackerProject tracker;
        tracker.PutWave(kSlot, {Ramp(44100)});
        tracker.Set(Tracker::kUseNoteLength, on ? 1.0 : 0.0);
        tracker.Note(48.0, 0.5);
        EXPECT_EQ(SoundingFrames(tracker.Render(50000).left), on ? 11025 : 44100) << on;
    }
    // A key release starts nothing and stops nothing.
    TrackerProject tracker;
    tracker.PutWave(kSlot, {Ramp(1000)});
    tracker.Note(48.0);
    tracker.Render(100);
    tracker.Note(48.0, 0.0, 0.0);
    EXPECT_EQ(tracker.Render(10).left[0], RampFrame(1000, 100));
}

TEST(Tracker, ForeignTracksMissingAndChangingWavesAreSafe) {
    TrackerProject tracker(2);
    tracker.PutWave(kSlot, {Ramp(10000)});
    // Track 1 has no wave; events of tracks the machine lacks go nowhere.
    tracker.Set(Tracker::kWave, 9, 1);
    for (const int track : {1, 2, 254, 300, -1}) {
        EventRecord note;
        note.group = kGroupMachine;
        note.index = Tracker::kNote;
        note.track = static_cast<std::int16_t>(track);
        note.value = 60.0;
        note.velocity = 1.0;
        tracker.Queue(note);
    }
    EXPECT_EQ(test::Peak(tracker.Render(100).left), 0.0);
    tracker.Note(60.0, 0.0, 1.0, 0);
    EXPECT_EQ(tracker.Render(100).left[1], RampFrame(10000, 2));

    // Replaced by a shorter wave: the voice is past its end and stops.
    tracker.PutWave(kSlot, {Ramp(16)});
    EXPECT_EQ(test::Peak(tracker.Render(100).left), 1.0);
    EXPECT_EQ(test::Peak(tracker.Render(100).left), 0.0);

    // Removed or emptied while playing backwards: silence.
    tracker.PutWave(kSlot, {Ramp(10000), Ramp(10000)});
    tracker.Set(Tracker::kCommand1, Tracker::kSampleReverse);
    tracker.Note(48.0);
    EXPECT_GT(test::Peak(tracker.Render(100).right), 0.9);
    tracker.RemoveWave(kSlot);
    EXPECT_EQ(test::Peak(tracker.Render(100).right), 0.0);
    tracker.PutWave(kSlot, {std::vector<float>{}, std::vector<float>{}});
    EXPECT_EQ(test::Peak(tracker.Render(100).right), 0.0);
    tracker.PutWave(kSlot, {Ramp(10000), Ramp(10000)});
    EXPECT_GT(test::Peak(tracker.Render(100).right), 0.9);
}

} // namespace
} // namespace tarn
