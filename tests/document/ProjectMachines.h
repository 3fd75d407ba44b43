#pragma once

#include "document/ProjectBuilder.h"
#include "engine/Node.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "machines/builtin/AnalogBass.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"
#include "support/TestMachine.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::test {

// A test machine that keeps opaque state: SaveState hands out its bytes,
// and Init (logged by the base) receives what a load gives back.
class StatefulMachine : public TestMachine {
public:
    using TestMachine::TestMachine;

    std::int32_t SaveState(ByteBuffer& state) override {
        return state.Append(kState.data(), static_cast<std::int32_t>(kState.size())) ? 1 : 0;
    }

    static inline const std::vector<std::uint8_t> kState = {'s', 't', 0, 'a', 't', 'e', 0xFF};
};

// The machines the project-file tests use: every built-in from the real
// factory, and "Test Stateful", a stereo effect of 1 to 4 tracks with
// saved state, whose machines share one log.
class ProjectMachines {
public:
    static constexpr const char* kStateful = "Test Stateful";

    MachineCreator Creator() {
        return [this](std::string_view name) -> std::optional<MachineHandle> {
            if (name == kStateful) {
                TestMachineSetup setup;
                setup.name = "Stateful";
                setup.maxTracks = 4;
                return MachineHandle(std::make_unique<StatefulMachine>(setup, log), kStateful);
            }
            return factory.CreateMachine(name);
        };
    }

    MachineFactory factory{BuiltinMachines()};
    std::shared_ptr<TestMachineLog> log = std::make_shared<TestMachineLog>();
};

inline constexpr int kRichBass = 3;
inline constexpr int kRichEffect = 7;
inline constexpr int kRichWave = 2;

// A project using every kind of record: the Master, an Analog Bass at 3
// and a three-track stateful effect at 7, bass -> effect -> Master with a
// default route removed and one added by hand at a sparse index, patterns
// with note and System events, placements (one transposed down), changed
// parameters of all three groups, a machine-held value, the node order,
// song settings, machine-view positions, editor values and a stereo wave
// with loop points at wavetable slot 2. Null when any step of building it is refused.
inline std::unique_ptr<Project> MakeRichProject(ProjectMachines& machines,
                                                const TempoRecord& engineTempo) {
    auto project = MakeNewProject(machines.Creator(), engineTempo);
    if (project == nullptr || project->CreateNode("Tarn Analog Bass", {}, kRichBass) != kRichBass ||
        project->CreateNode(ProjectMachines::kStateful, {}, kRichEffect) != kRichEffect) {
        return nullptr;
    }
    Node& bass = *project->GetNode(kRichBass);
    Node& effect = *project->GetNode(kRichEffect);
    bass.SetName("Bassline");
    PatternEventRecord note;
    note.event.group = kGroupMachine;
    note.event.index = AnalogBass::kNote;
    note.event.time = 0.5;
    note.event.value = 48.0;
    note.event.noteLength = 0.75;
    note.event.velocity = 0.6;
    PatternEventRecord volume;
    volume.event.group = kGroupSystem;
    volume.event.time = 0.25;
    volume.event.value = -12.0;
    bool built = effect.SetTrackCount(kGroupMachine, 3) == 1 &&
                 project->ConnectMachines(kRichBass, kRichEffect, 2) == 1 &&
                 project->ConnectMachines(kRichEffect, Project::kMasterId) == 1 &&
                 project->DisconnectChannels(kRichEffect, 1, Project::kMasterId, 1) == 1 &&
                 project->ConnectChannels(kRichEffect, 1, Project::kMasterId, 0, -1, 5) == 1 &&
                 CreatePattern(bass, 4, 16, 6, 0xC0FFEE) == 4 &&
                 CreatePattern(bass, 0, 8, 4, 0x123456) == 0 &&
                 AddClampedEvent(*project, kRichBass, 4, 2, note) == 1 &&
                 AddClampedEvent(*project, kRichBass, 4, 15, volume) == 1 &&
                 bass.SequenceTracks().Create(1) == 1;
    if (!built) {
        return nullptr;
    }
    Pattern& verse = *bass.Patterns().Get(4);
    verse.name = "verse";
    verse.editorState[3] = 17;
    SequenceTrack& track = *bass.SequenceTracks().Get(1);
    track.firstDisplayValue = 44;
    track.displayValues = {1, 2, 3, 0};
    built = track.PlacePattern(2, 4) == 1 && track.TransposeEntry(2, -1.0) == 1 &&
            track.PlacePattern(24, 0) == 1 &&
            project->GetNode(Project::kMasterId)->WriteParameter(kGroupMachine, 0, 0, 133.0) == 1 &&
            bass.WriteParameter(kGroupMachine, 0, AnalogBass::kCutoff, 0.3) == 1 &&
            bass.WriteParameter(kGroupSystem, 0, 0, -6.0) == 1 &&
            effect.WriteParameter(kGroupInputMixer, 2, 1, 0.5) == 1 &&
            effect.WriteParameter(kGroupMachine, 2, 2, 0.75) == 1 &&
            effect.WriteParameter(kGroupMachine, 0, 7, 0.125) == 1;
    if (!built) {
        return nullptr;
    }
    bass.Editor().x = 0.25;
    bass.Editor().y = 0.75;
    bass.Editor().values = {3, 9};
    bass.Editor().currentPattern = 4;
    project->editorSelection = {2, 5};
    project->editedNodeId = kRichBass;
    auto sound = std::make_unique<Sound>(SoundFormat{3, 2, 32, 22050, 2});
    std::ranges::copy(std::array{0.5f, -0.25f, 1.0f}, sound->Samples(0).begin());
    std::ranges::copy(std::array{-1.0f, 0.0f, 0.125f}, sound->Samples(1).begin());
    sound->LoopPoints()[0] = {1, 0, 0.0, 2.0};
    sound->LoopPoints()[1] = {0, 0, 1.0, 3.0};
    auto wave = std::make_unique<Wave>();
    wave->Set(std::move(sound), "kick");
    project->Waves().Place(kRichWave, std::move(wave));
    project->NodeOrder() = {kRichBass, kRichEffect, Project::kMasterId};
    project->Transport().songEnd = 32.0;
    project->Transport().loopStart = 4.0;
    project->Transport().loopEnd = 12.0;
    return project;
}

} // namespace tarn::test
