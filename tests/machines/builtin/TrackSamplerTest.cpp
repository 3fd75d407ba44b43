// The Track Sampler: each track plays its own wave at its own level and
// balance, so one machine plays a kit.
#include "WaveProject.h"

#include "machines/builtin/TrackSampler.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <span>

namespace tarn {
namespace {

using test::Frames;

TEST(TrackSampler, EveryTrackPlaysItsOwnWaveLevelAndSide) {
    test::WaveProject kit("Tarn Track Sampler");
    kit.SetTracks(3);
    kit.PutWave(1, {test::SineWave(1000.0, 44100.0, 44100)});
    kit.PutWave(2, {test::SineWave(250.0, 22050.0, 22050)}, 22050);
    kit.Set(TrackSampler::kWave, 1, 0);
    kit.Set(TrackSampler::kPan, -1.0, 0);
    kit.Set(TrackSampler::kWave, 2, 1);
    kit.Set(TrackSampler::kPan, 1.0, 1);
    kit.Set(TrackSampler::kVolume, -6.0206, 1);
    kit.Set(TrackSampler::kWave, 7, 2); // an empty slot: only guard noise
    for (int track = 0; track < 3; ++track) {
        kit.Note(48.0, 0.0, 1.0, track);
    }
    test::WaveProject::Stereo out = kit.Render(20000);
    EXPECT_NEAR(test::ZeroCrossingFrequency(Frames(out.left, 2000, 20000), 44100.0), 1000.0, 1.0);
    EXPECT_NEAR(test::ZeroCrossingFrequency(Frames(out.right, 2000, 20000), 44100.0), 250.0, 0.25);
    const double leftRms = test::Rms(Frames(out.left, 2000, 20000));
    const double rightRms = test::Rms(Frames(out.right, 2000, 20000));
    EXPECT_NEAR(rightRms / leftRms, 0.5, 0.01);

    // A key release ends only its own track; a new note on a track
    // restarts that track alone.
    kit.Note(48.0, 0.0, 0.0, 1);
    out = kit.Render(2000);
    EXPECT_GT(test::Rms(Frames(out.left, 1000, 2000)), 0.3);
    EXPECT_LT(test::Peak(Frames(out.right, 1000, 2000)), 1e-20);
    kit.Note(60.0, 0.0, 1.0, 1);
    out = kit.Render(20000);
    EXPECT_NEAR(test::ZeroCrossingFrequency(Frames(out.right, 2000, 20000), 44100.0), 500.0, 0.5);
    EXPECT_NEAR(test::ZeroCrossingFrequency(Frames(out.left, 2000, 20000), 44100.0), 1000.0, 1.0);
}

} // namespace
} // namespace tarn
