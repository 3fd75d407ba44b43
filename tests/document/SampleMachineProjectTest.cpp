// Projects whose machines play waves from the wavetable save and load with
// their waves and render the same samples afterwards.
#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/ScopedGlobalTempo.h"
#include "engine/Wave.h"
#include "support/ScratchDirectory.h"
#include "support/SignalMeasures.h"

#include "document/ProjectMachines.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tarn {
namespace {

constexpr int kMachine = 1;
constexpr int kFrames = 4 * 22050; // the four beats of the song at 120 BPM

// A stereo wave of two sines with a loop, and a mono one at half the rate.
void PutWaves(Project& project) {
    auto stereo = std::make_unique<Sound>(SoundFormat{3000, 2, 32, 44100, 1});
    auto mono = std::make_unique<Sound>(SoundFormat{2000, 1, 32, 22050, 0});
    for (int i = 0; i < 3000; ++i) {
        stereo->Samples(0)[i] = static_cast<float>(0.5 * std::sin(i * 0.05));
        stereo->Samples(1)[i] = static_cast<float>(0.3 * std::sin(i * 0.11));
    }
    for (int i = 0; i < 2000; ++i) {
        mono->Samples(0)[i] = static_cast<float>(0.4 * std::sin(i * 0.2 + std::sin(i * 0.01)));
    }
    stereo->LoopPoints()[0] = {1, 0, 1200.5, 2700.0};
    auto looped = std::make_unique<Wave>();
    looped->Set(std::move(stereo), "looped");
    project.Waves().Place(1, std::move(looped));
    auto plain = std::make_unique<Wave>();
    plain->Set(std::move(mono), "plain");
    project.Waves().Place(4, std::move(plain));
}

std::vector<double> RenderSong(std::unique_ptr<Project> project) {
    CurrentProject current;
    CoreEngine engine(current);
    project->Transport().PlaySong();
    current.Set(std::move(project));
    std::vector<double> left(800);
    std::vector<double> right(800);
    std::array<double*, 2> channels{left.data(), right.data()};
    AudioBuffer buffer;
    buffer.outputs = channels.data();
    buffer.frameCount = 800;
    std::vector<double> song;
    while (static_cast<int>(song.size()) < 2 * kFrames) {
        EXPECT_EQ(engine.WorkCycle(buffer), 1);
        song.insert(song.end(), left.begin(), left.end());
        song.insert(song.end(), right.begin(), right.end());
    }
    return song;
}

PatternEventRecord Event(int beat, double time, std::int32_t index, double value, int track = 0) {
    PatternEventRecord record;
    record.event.group = kGroupMachine;
    record.event.index = static_cast<std::int16_t>(index);
    record.event.track = static_cast<std::int16_t>(track);
    record.event.time = time;
    record.event.value = value;
    record.event.noteLength = 0.75;
    record.event.velocity = 1.0;
    record.editorMark = beat;
    return record;
}

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
        PutWaves(*project);
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
        const std::vector<double> before = RenderSong(std::move(project));
        auto loaded = LoadProject(path, machines.Creator(), engineTempo);
        ASSERT_NE(loaded, nullptr);
        const std::vector<double> after = RenderSong(std::move(loaded));
        EXPECT_GT(test::Rms(before), 0.01) << song.machine;
        EXPECT_EQ(before, after) << song.machine;
    }
}

} // namespace
} // namespace tarn
