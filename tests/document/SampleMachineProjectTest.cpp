// Projects whose machines play waves from the wavetable save and load with
// their waves and render the same samples afterwards.
#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "engine/ScopedGlobalTempo.h"
#include "support/ScratchDirectory.h"
#include "support/SignalMeasures.h"

#include "document/ProjectMachines.h"
#include "document/SongRender.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

using test::Event;

constexpr int kMachine = 1;
constexpr int kFrames = 4 * 22050; // the four beats of the song at 120 BPM

struct SongOf {
    const char* machine;
    std::vector<PatternEventRecord> events;
};

TEST(SampleMachineProject, WavesSaveAndLoadAndRenderTheSame) {
    test::ScopedGlobalTempo globalTempo;
    test::ProjectMachines machines;
    TempoRecord engineTempo;
    test::ScratchDirectory scratch;
    const std::vector<SongOf> songs{
        {"Tarn Sampler",
         {Event(0, 0.0, 1, 1.0), Event(0, 0.0, 0, 48.0), Event(0, 0.5, 0, 55.0, 1),
          Event(1, 0.25, 20, 0.4), Event(2, 0.0, 1, 4.0), Event(2, 0.1, 0, 60.0)}},
        {"Tarn Tracker",
         {Event(0, 0.0, 3, 1.0), Event(0, 0.0, 0, 48.0), Event(0, 0.5, 3, 4.0, 1),
          Event(0, 0.5, 6, -0.5, 1), Event(0, 0.5, 0, 55.0, 1), Event(1, 0.0, 10, 3.0),
          Event(1, 0.0, 0, 50.0), Event(2, 0.0, 20, 1.0, 1), Event(2, 0.0, 21, 1.0, 1),
          Event(2, 0.0, 0, 60.0, 1), Event(3, 0.0, 5, -6.0)}},
        {"Tarn Track Sampler",
         {Event(0, 0.0, 1, 1.0), Event(0, 0.0, 0, 48.0), Event(0, 0.5, 1, 4.0, 1),
          Event(0, 0.5, 3, 0.7, 1), Event(0, 0.5, 0, 55.0, 1), Event(1, 0.0, 2, -12.0),
          Event(2, 0.0, 23, 1.0), Event(2, 0.25, 0, 62.0)}},
    };
    for (const SongOf& song : songs) {
        auto project = MakeNewProject(machines.Creator(), engineTempo);
        ASSERT_NE(project, nullptr);
        ASSERT_EQ(project->CreateNode(song.machine, {}, kMachine), kMachine) << song.machine;
        ASSERT_EQ(project->ConnectMachines(kMachine, Project::kMasterId), 1);
        test::PutWaves(*project);
        std::vector<PatternEventRecord> events = song.events;
        Node& node = *project->GetNode(kMachine);
        ASSERT_EQ(node.SetTrackCount(kGroupMachine, 2), 1);
        ASSERT_EQ(CreatePattern(node, 0, 4, 4, 0), 0);
        for (PatternEventRecord& event : events) {
            const int beat = event.editorMark;
            event.editorMark = 0;
            ASSERT_EQ(AddClampedEvent(*project, kMachine, 0, beat, event), 1) << song.machine;
        }
        ASSERT_EQ(node.SequenceTracks().Create(0), 1);
        ASSERT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, 0), 1);

        const auto path = scratch / "song.tarn";
        ASSERT_EQ(SaveProject(*project, path), 1);
        const std::vector<double> before = test::RenderSong(std::move(project), kFrames);
        auto loaded = LoadProject(path, machines.Creator(), engineTempo);
        ASSERT_NE(loaded, nullptr);
        const std::vector<double> after = test::RenderSong(std::move(loaded), kFrames);
        EXPECT_GT(test::Rms(before), 0.01) << song.machine;
        EXPECT_EQ(before, after) << song.machine;
    }
}

// A song's event at beat 0 wins over the value the machine was saved with
// on the very first play after loading: whatever the stored value, the
// song sounds as if the stored value were the event's.
TEST(SampleMachineProject, BeatZeroEventsWinOnTheFirstPlayAfterLoading) {
    test::ScopedGlobalTempo globalTempo;
    test::ProjectMachines machines;
    TempoRecord engineTempo;
    test::ScratchDirectory scratch;
    struct BeatZeroCase {
        const char* name;
        const char* machine;
        std::int32_t index; // the parameter an event sets at beat 0
        double stored;      // what the machine was saved with
        double played;      // what the event sets
        std::vector<PatternEventRecord> events;
    };
    const std::vector<BeatZeroCase> cases{
        {"Tracker volume",
         "Tarn Tracker",
         5,
         0.0,
         -20.0,
         {Event(0, 0.0, 3, 1.0), Event(0, 0.0, 5, -20.0), Event(0, 0.0, 0, 48.0)}},
        {"Tracker sample offset",
         "Tarn Tracker",
         11,
         0.0,
         128.0,
         {Event(0, 0.0, 3, 1.0), Event(0, 0.0, 10, 0.0), Event(0, 0.0, 11, 128.0),
          Event(0, 0.0, 0, 48.0)}},
        {"Sampler wave",
         "Tarn Sampler",
         1,
         1.0,
         4.0,
         {Event(0, 0.0, 1, 4.0), Event(0, 0.0, 0, 48.0)}},
    };
    const auto firstPlayAfterLoading = [&](const BeatZeroCase& song, double stored) {
        auto project = MakeNewProject(machines.Creator(), engineTempo);
        EXPECT_EQ(project->CreateNode(song.machine, {}, kMachine), kMachine);
        EXPECT_EQ(project->ConnectMachines(kMachine, Project::kMasterId), 1);
        test::PutWaves(*project);
        Node& node = *project->GetNode(kMachine);
        EXPECT_EQ(CreatePattern(node, 0, 4, 4, 0), 0);
        for (PatternEventRecord event : song.events) {
            const int beat = event.editorMark;
            event.editorMark = 0;
            EXPECT_EQ(AddClampedEvent(*project, kMachine, 0, beat, event), 1);
        }
        EXPECT_EQ(node.SequenceTracks().Create(0), 1);
        EXPECT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, 0), 1);
        EXPECT_EQ(node.WriteParameter(kGroupMachine, 0, song.index, stored), 1);
        const auto path = scratch / "beat-zero.tarn";
        EXPECT_EQ(SaveProject(*project, path), 1);
        auto loaded = LoadProject(path, machines.Creator(), engineTempo);
        return loaded != nullptr ? test::RenderSong(std::move(loaded), kFrames / 4)
                                 : std::vector<double>{};
    };
    for (const BeatZeroCase& song : cases) {
        const std::vector<double> played = firstPlayAfterLoading(song, song.stored);
        const std::vector<double> expected = firstPlayAfterLoading(song, song.played);
        EXPECT_GT(test::Rms(expected), 0.01) << song.name;
        EXPECT_EQ(played, expected) << song.name;
    }
}

} // namespace
} // namespace tarn
