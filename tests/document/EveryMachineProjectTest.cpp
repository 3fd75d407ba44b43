// A project holding one of every built-in machine saves, loads and renders
// the same samples, and the samples every machine rendered when the digest
// was recorded. To record it anew after an intended change of sound (from
// the source root):
//   export TARN_GOLDEN_OUTPUT=$PWD/tests/document/golden
//   build/release/tarn_document_tests --gtest_filter='EveryMachineProject*'
#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "engine/ScopedGlobalTempo.h"
#include "machines/builtin/BuiltinMachines.h"
#include "support/GoldenDigest.h"
#include "support/ScratchDirectory.h"
#include "support/SignalMeasures.h"

#include "document/ProjectMachines.h"
#include "document/SongRender.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

constexpr int kFrames = 4 * 22050; // the four beats of the song at 120 BPM

// Every generator plays a pattern of two notes (with its oscillators
// switched on where they all start off) into the Master; every effect takes
// the first generator's sound into the Master. The sample players find a
// wave in their default slot, 0.
TEST(EveryMachineProject, SavesLoadsAndRendersTheSameSamples) {
    test::ScopedGlobalTempo globalTempo;
    test::ProjectMachines machines;
    TempoRecord engineTempo;
    test::ScratchDirectory scratch;
    auto project = MakeNewProject(machines.Creator(), engineTempo);
    ASSERT_NE(project, nullptr);
    test::PutWaves(*project, 0);

    int id = 0;
    std::vector<int> effects;
    int source = -1;
    for (const BuiltinMachine& builtin : BuiltinMachines()) {
        const std::string name = builtin.name;
        if (name == "Tarn Master") {
            continue;
        }
        SCOPED_TRACE(name);
        ++id;
        ASSERT_EQ(project->CreateNode(name, {}, id), id);
        ASSERT_EQ(project->ConnectMachines(id, Project::kMasterId), 1);
        Node& node = *project->GetNode(id);
        if (node.Info().kind != kKindGenerator) {
            effects.push_back(id);
            continue;
        }
        source = source < 0 ? id : source;
        for (const auto& [index, descriptor] : node.Parameters(kGroupMachine)) {
            if (descriptor.name == "Enabled") {
                ASSERT_EQ(node.WriteParameter(kGroupMachine, 0, index, 1.0), 1);
            }
        }
        ASSERT_EQ(CreatePattern(node, 0, 4, 4, 0), 0);
        for (PatternEventRecord event : {test::Event(0, 0.0, node.NoteParameter(), 48.0),
                                         test::Event(2, 0.5, node.NoteParameter(), 55.0)}) {
            const int beat = event.editorMark;
            event.editorMark = 0;
            ASSERT_EQ(AddClampedEvent(*project, id, 0, beat, event), 1);
        }
        ASSERT_EQ(node.SequenceTracks().Create(0), 1);
        ASSERT_EQ(node.SequenceTracks().Get(0)->PlacePattern(0, 0), 1);
    }
    ASSERT_EQ(id + 1, static_cast<int>(BuiltinMachines().size()));
    ASSERT_GE(source, 0);
    for (const int effect : effects) {
        ASSERT_EQ(project->ConnectMachines(source, effect), 1) << effect;
    }

    const auto path = scratch / "every.tarn";
    ASSERT_EQ(SaveProject(*project, path), 1);
    const std::vector<double> before = test::RenderSong(std::move(project), kFrames);
    auto loaded = LoadProject(path, machines.Creator(), engineTempo);
    ASSERT_NE(loaded, nullptr);
    for (int node = 1; node <= id; ++node) {
        EXPECT_NE(loaded->GetNode(node), nullptr) << node;
    }
    const std::vector<double> after = test::RenderSong(std::move(loaded), kFrames);
    EXPECT_TRUE(test::AllFinite(before));
    EXPECT_GT(test::Rms(before), 0.01);
    EXPECT_EQ(before, after);
    test::ExpectGoldenDigest("tests/document/golden/every-machine.digest",
                             test::SampleBytes(before));
}

} // namespace
} // namespace tarn
