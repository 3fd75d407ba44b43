#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "document/ProjectFileReader.h"
#include "document/ProjectSnapshot.h"
#include "engine/ScopedGlobalTempo.h"
#include "machines/builtin/AnalogBass.h"
#include "support/ScratchDirectory.h"

#include "document/ProjectMachines.h"
#include "document/ProjectTestDocument.h"
#include "engine/SystemParameters.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tarn {
namespace {

using test::ProjectLines;

constexpr int kBass = test::kRichBass;
constexpr int kEffect = test::kRichEffect;

class ProjectSaveLoad : public ::testing::Test {
protected:
    std::unique_ptr<Project> NewProject() {
        return MakeNewProject(machines.Creator(), engineTempo);
    }

    // The routes of the Connection at index of destination's input list,
    // as (route index, source channel, destination channel).
    static std::vector<std::tuple<int, int, int>> Routes(const Project& project, int destination,
                                                         int index) {
        std::vector<std::tuple<int, int, int>> routes;
        const Connection* connection = project.GetNode(destination)->InputList().Get(index);
        if (connection != nullptr) {
            for (auto [routeIndex, route] : connection->Routes()) {
                routes.emplace_back(routeIndex, route->sourceChannel, route->destinationChannel);
            }
        }
        return routes;
    }

    std::unique_ptr<Project> RichProject() {
        auto project = test::MakeRichProject(machines, engineTempo);
        EXPECT_NE(project, nullptr);
        return project;
    }

    std::unique_ptr<Project> SaveAndLoad(Project& project) {
        const auto path = scratch / "song.tarn";
        EXPECT_EQ(SaveProject(project, path), 1);
        return LoadProject(path, machines.Creator(), engineTempo);
    }

    test::ScopedGlobalTempo globalTempo;
    test::ProjectMachines machines;
    TempoRecord engineTempo;
    test::ScratchDirectory scratch;
    ProjectLines lines;
};

TEST_F(ProjectSaveLoad, ANewProjectHoldsTheMasterAt120Bpm) {
    engineTempo.SetSampleRate(48000.0);
    auto project = NewProject();
    ASSERT_NE(project, nullptr);
    EXPECT_EQ(project->Nodes().Count(), 1);
    const Node& master = *project->GetNode(Project::kMasterId);
    EXPECT_EQ(master.MachineName(), "Tarn Master");
    EXPECT_EQ(project->Tempo().bpm, 120.0);
    EXPECT_EQ(project->Tempo().sampleRate, 48000.0);
    EXPECT_EQ(project->Tempo().samplesPerBeat, 24000.0);
    const SongTransport& transport = project->Transport();
    EXPECT_EQ(transport.position, 0.0);
    EXPECT_EQ(transport.songStart, 0.0);
    EXPECT_EQ(transport.songEnd, 4.0);
    EXPECT_EQ(transport.loopStart, 0.0);
    EXPECT_EQ(transport.loopEnd, 4.0);
    EXPECT_EQ(transport.flags, 4u);
    EXPECT_EQ(project->name, "Untitled");
    EXPECT_TRUE(project->filePath.empty());
    EXPECT_EQ(project->editorSelection, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(project->editedNodeId, Project::kMasterId);
    EXPECT_EQ(master.Editor().x, 0.5);
    EXPECT_EQ(master.Editor().y, 0.5);
    // The Master's tempo parameter agrees, so the first chunk keeps 120.
    EXPECT_FALSE(project->UpdateTempo());

    auto loaded = SaveAndLoad(*project);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Nodes().Count(), 1);
    EXPECT_EQ(loaded->GetNode(Project::kMasterId)->MachineName(), "Tarn Master");
    EXPECT_EQ(loaded->Tempo().bpm, 120.0);
    EXPECT_EQ(loaded->GetNode(Project::kMasterId)->Editor().x, 0.5);
    EXPECT_EQ(loaded->filePath, (scratch / "song.tarn").string());
    EXPECT_EQ(project->filePath, loaded->filePath);
    EXPECT_EQ(SnapshotProject(*loaded), SnapshotProject(*project));
    EXPECT_TRUE(lines.errors.Take().empty());
    EXPECT_TRUE(lines.warnings.Take().empty());
}

TEST_F(ProjectSaveLoad, ARoundTripKeepsTheWholeProject) {
    auto project = RichProject();
    ASSERT_NE(project, nullptr);
    const ProjectDocument saved = SnapshotProject(*project);
    machines.log->initState.clear();
    lines.errors.Take();
    auto loaded = SaveAndLoad(*project);
    ASSERT_NE(loaded, nullptr);
    // Not one error or warning: in particular no Connection is made twice.
    EXPECT_TRUE(lines.errors.Take().empty());
    EXPECT_TRUE(lines.warnings.Take().empty());

    EXPECT_EQ(SnapshotProject(*loaded), saved);
    std::vector<int> ids;
    for (auto [id, node] : loaded->Nodes()) {
        ids.push_back(id);
    }
    EXPECT_EQ(ids, (std::vector<int>{0, kBass, kEffect}));
    EXPECT_EQ(loaded->Tempo().bpm, 133.0);
    const Node& bass = *loaded->GetNode(kBass);
    EXPECT_EQ(bass.Name(), "Bassline");
    EXPECT_EQ(std::make_pair(bass.Editor().x, bass.Editor().y), std::make_pair(0.25, 0.75));
    EXPECT_EQ(bass.Editor().values, (std::array<std::int32_t, 2>{3, 9}));
    EXPECT_EQ(bass.Editor().currentPattern, 4);
    EXPECT_EQ(loaded->editorSelection, (std::array<std::int32_t, 2>{2, 5}));
    EXPECT_EQ(loaded->editedNodeId, kBass);
    // The wave keeps its slot, its channels sample for sample and its loops.
    EXPECT_EQ(loaded->Waves().Count(), 1);
    const Wave* wave = loaded->Waves().Get(test::kRichWave);
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->name, "kick");
    const Sound& sound = *wave->GetSound();
    const Sound& original = *project->Waves().Get(test::kRichWave)->GetSound();
    EXPECT_EQ(sound.Format().sampleRate, 22050);
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_TRUE(std::ranges::equal(sound.Samples(channel), original.Samples(channel)));
    }
    ASSERT_EQ(sound.LoopPoints().size(), 2u);
    EXPECT_EQ(sound.LoopPoints()[1].kind, 0);
    EXPECT_EQ(sound.LoopPoints()[1].end, 3.0);
    EXPECT_EQ(loaded->GetNode(kEffect)->TrackCount(), 3);
    // The saved state reached the new machine's Init; the value the machine
    // holds itself went back to it.
    const std::vector<std::uint8_t>& state = test::StatefulMachine::kState;
    EXPECT_EQ(machines.log->initState, std::string(state.begin(), state.end()));
    EXPECT_EQ(machines.log->heldValue, 0.125);
    // Exactly the routes the project had: the removed default stays gone.
    EXPECT_EQ(Routes(*loaded, Project::kMasterId, 0),
              (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {5, 1, 0}}));
    EXPECT_EQ(Routes(*loaded, kEffect, 2),
              (std::vector<std::tuple<int, int, int>>{{0, 0, 0}, {1, 1, 1}}));
    const SequenceEntry* placed = loaded->GetNode(kBass)->SequenceTracks().Get(1)->Entry(2);
    ASSERT_NE(placed, nullptr);
    EXPECT_EQ(placed->transpose, -1.0);
    EXPECT_EQ(loaded->GetNode(kBass)->ReadParameter(kGroupMachine, 0, AnalogBass::kCutoff), 0.3);
    // Loaded values reach the machines in their first chunk.
    int cutoffEvents = 0;
    for (const EventRecord& event : loaded->GetNode(kBass)->LiveEvents().Events()) {
        if (event.group == kGroupMachine && event.index == AnalogBass::kCutoff) {
            EXPECT_EQ(event.value, 0.3);
            ++cutoffEvents;
        }
    }
    EXPECT_EQ(cutoffEvents, 1);
}

TEST_F(ProjectSaveLoad, WhatCannotBeRebuiltIsSkippedWithItsWarning) {
    auto project = RichProject();
    ASSERT_NE(project, nullptr);
    ProjectDocument document = SnapshotProject(*project);
    MachineDoc& bass = document.machines[1];
    ASSERT_EQ(bass.id, kBass);
    bass.patterns[1].ticksPerBeat = kMissingInteger;
    bass.patterns[1].length = kMissingInteger;
    for (ParameterValueDoc& value : bass.parameterValues) {
        if (value.group == kGroupMachine && value.index == AnalogBass::kCutoff) {
            value.value = 1.5;
        }
    }
    bass.parameterValues.push_back({kGroupMachine, 0, 99, 0.5, -1});
    bass.parameterValues.push_back({kGroupInputMixer, 4, 0, 0.0, -1});
    document.machines[2].typeName = "Tarn Nothing";

    auto loaded = BuildProject(document, machines.Creator(), engineTempo, "song.tarn");
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(lines.warnings.Take(),
              (std::vector<std::string>{
                  "warning: failed to load machine 'Tarn Nothing'.",
                  "warning: TPB is not specified for pattern 4, default (4) will be used.",
                  "warning: length is not specified for pattern 4, default (8) will be used.",
                  "Paremeter 'Cutoff' is out of range. Default value was assigned.",
                  "Paremeter '99' does not exist. Information lost.",
                  "Paremeter '0' does not exist. Information lost."}));
    // The unknown machine (the factory says why) and everything that refers
    // to it are skipped, the connections to it with the graph's own errors.
    EXPECT_EQ(loaded->GetNode(kEffect), nullptr);
    EXPECT_EQ(
        lines.errors.Take(),
        (std::vector<std::string>{"error: Tarn Nothing not found", "error: node 7 does not exist",
                                  "error: node 7 does not exist", "error: node 7 does not exist",
                                  "error: node 7 does not exist"}));
    EXPECT_EQ(loaded->NodeOrder(), (std::vector<int>{kBass, Project::kMasterId}));
    const Node& loadedBass = *loaded->GetNode(kBass);
    const Pattern& verse = *loadedBass.Patterns().Get(4);
    EXPECT_EQ(verse.TicksPerBeat(), 4);
    EXPECT_EQ(verse.Length(), 8);
    // Events beyond the shorter pattern are refused; the note at beat 2 stays.
    EXPECT_EQ(verse.EventCount(), 1);
    EXPECT_EQ(loadedBass.FindParameter(kGroupMachine, AnalogBass::kCutoff)->defaultValue,
              const_cast<Node&>(loadedBass).ReadParameter(kGroupMachine, 0, AnalogBass::kCutoff));
}

TEST_F(ProjectSaveLoad, AFileThatCannotBeLoadedGivesNoProjectAndOneError) {
    // No tempo in the Master's record.
    ProjectDocument document = test::SampleProjectDocument();
    document.machines[0].parameterValues.clear();
    EXPECT_EQ(BuildProject(document, machines.Creator(), engineTempo, "song.tarn"), nullptr);
    document.machines[0].parameterValues = {{kGroupMachine, 0, 0, 0.0, -1}};
    EXPECT_EQ(BuildProject(document, machines.Creator(), engineTempo, "song.tarn"), nullptr);
    EXPECT_EQ(
        lines.errors.Take(),
        std::vector<std::string>(2, "error: 'song.tarn' holds no usable tempo for the Master"));

    // A damaged file, a file that is no project, a file that is not there.
    const auto path = scratch / "song.tarn";
    auto project = RichProject();
    ASSERT_NE(project, nullptr);
    ASSERT_EQ(SaveProject(*project, path), 1);
    std::string bytes = test::ReadFile(path);
    std::filesystem::resize_file(path, bytes.size() - 3);
    EXPECT_EQ(LoadProject(path, machines.Creator(), engineTempo), nullptr);
    std::filesystem::remove(path);
    EXPECT_EQ(LoadProject(path, machines.Creator(), engineTempo), nullptr);
    EXPECT_EQ(lines.errors.Take().size(), 2u);

    // Saving where no file can be made reports the path and fails.
    const auto nowhere = scratch / "missing/song.tarn";
    EXPECT_EQ(SaveProject(*project, nowhere), 0);
    const auto errors = lines.errors.Take();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(nowhere.string()), std::string::npos);
}

TEST_F(ProjectSaveLoad, WaveRecordsAreCheckedAgainstTheirBytes) {
    ProjectDocument document = test::SampleProjectDocument();
    // Only the Master, so that every warning is about waves.
    document.machines.resize(1);
    document.connections.clear();
    document.channelConnections.clear();
    document.waves.clear();
    // The first layout: the format in the record, two channels interleaved.
    WaveDoc& old = document.waves.emplace_back();
    old.index = 1;
    old.name = "old";
    old.oldChannelCount = 2;
    old.oldFrameCount = 2;
    old.oldBitsPerSample = 32;
    old.oldSampleRate = 8000;
    for (const float sample : {0.5f, -0.5f, 0.25f, -0.25f}) {
        const auto bits = std::bit_cast<std::uint32_t>(sample);
        for (int shift = 0; shift < 32; shift += 8) {
            old.oldInterleaved.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    // Blocks that do not hold what the records claim.
    WaveDoc shortChannel;
    shortChannel.index = 2;
    shortChannel.format = {32, 44100, 1, 1000};
    shortChannel.channels = {{0, std::vector<std::uint8_t>(8)}};
    document.waves.push_back(shortChannel);
    WaveDoc huge = old;
    huge.index = 3;
    huge.oldChannelCount = 0x7FFFFFFF;
    huge.oldFrameCount = 0x7FFFFFFF;
    document.waves.push_back(huge);
    WaveDoc missingChannel = shortChannel;
    missingChannel.index = 4;
    missingChannel.format.channelCount = 0x7FFFFFFF;
    document.waves.push_back(missingChannel);

    auto loaded = BuildProject(document, machines.Creator(), engineTempo, "song.tarn");
    ASSERT_NE(loaded, nullptr);
    const Wave* split = loaded->Waves().Get(1);
    ASSERT_NE(split, nullptr);
    EXPECT_EQ(split->FrameCount(), 2);
    EXPECT_EQ(split->GetSound()->Format().sampleRate, 8000);
    EXPECT_THAT(split->GetSound()->Samples(0), testing::ElementsAre(0.5f, 0.25f));
    EXPECT_THAT(split->GetSound()->Samples(1), testing::ElementsAre(-0.5f, -0.25f));
    EXPECT_EQ(loaded->Waves().Count(), 1);
    EXPECT_EQ(
        lines.warnings.Take(),
        (std::vector<std::string>{
            "warning: old waveform document structure detected",
            "warning: wave 2 '' skipped: a channel block does not hold its frame count",
            "warning: old waveform document structure detected",
            "warning: wave 3 'old' skipped: its sample block does not hold its frame count",
            "warning: wave 4 '' skipped: its channel count does not match its channel blocks"}));
    EXPECT_TRUE(lines.errors.Take().empty());
}

// Levels stored with the project hold from the song's first sample: a
// machine saved at -40 dB is never heard at full level while its gain
// glides down from unity, and a Connection's stored mix is where it was.
TEST_F(ProjectSaveLoad, StoredLevelsHoldFromTheFirstSample) {
    std::unique_ptr<Project> project = RichProject();
    Node& bass = *project->GetNode(kBass);
    ASSERT_EQ(bass.WriteParameter(kGroupSystem, 0, system_parameter::kVolume, -40.0), 1);
    ASSERT_EQ(bass.WriteParameter(kGroupSystem, 0, system_parameter::kPan, 1.0), 1);
    std::unique_ptr<Project> loaded = SaveAndLoad(*project);
    ASSERT_NE(loaded, nullptr);

    const GainState& output = loaded->GetNode(kBass)->Output().Gains();
    EXPECT_FALSE(output.Moving());
    EXPECT_NEAR(output.Volume(), 0.01, 1e-12);
    EXPECT_EQ(output.Left(), 0.0);
    EXPECT_NEAR(output.Right(), std::sqrt(2.0), 1e-12);
    // The rich project stores the effect's third input at position 0.5.
    const GainState& mix = loaded->GetNode(kEffect)->InputList().Get(2)->Gains();
    const StereoGains half = PositionToGains(0.5);
    EXPECT_FALSE(mix.Moving());
    EXPECT_EQ(mix.Left(), half.left);
    EXPECT_EQ(mix.Right(), half.right);
}

} // namespace
} // namespace tarn
