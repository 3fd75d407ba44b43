#include "machines/builtin/Master.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <tuple>

namespace tarn {
namespace {

// Runs one chunk of the Node's machine over its own channel buffers.
std::int32_t Render(Node& node, int frames) {
    WorkRecord record;
    record.inputs = node.Inputs().Records();
    record.outputs = node.Outputs().Records();
    record.frameCount = frames;
    return node.SendToMachine(kMsgWork, 0, &record);
}

void Fill(Node& node, int channel, double base) {
    for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
        node.Inputs().Samples(channel)[frame] = base + std::sin(frame * 0.1) * 0.5;
    }
}

void Scribble(Node& node) {
    for (int channel = 0; channel < node.Outputs().Count(); ++channel) {
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            node.Outputs().Samples(channel)[frame] = 0.123;
        }
    }
}

struct MasterGraph : ::testing::Test {
    MasterGraph() {
        EXPECT_EQ(project.CreateNode("Tarn Master", {}, 0), 0);
        // Another Master serves as a plain stereo source.
        EXPECT_EQ(project.CreateNode("Tarn Master"), 1);
        master = project.GetNode(0);
    }

    MachineFactory factory{BuiltinMachines()};
    Project project{factory};
    Node* master = nullptr;
};

using MasterMachine = MasterGraph;

TEST_F(MasterMachine, DescribesItselfAsTheTempoCarryingMaster) {
    const MachineInfo& info = master->Info();
    EXPECT_EQ(std::tie(info.kind, info.revision, info.flags, info.inputChannels,
                       info.outputChannels, info.minTracks, info.maxTracks),
              std::make_tuple(kKindMaster, 1, 0, 2, 2, 1, 1));
    EXPECT_EQ(std::tie(info.name, info.shortName, info.alternateName, info.author),
              std::make_tuple("Master", "Master", "Master", "Tarn team"));
    EXPECT_TRUE(master->Folders().empty());

    // One real parameter, the tempo, held in the Node's store.
    ASSERT_EQ(master->Parameters().size(), 1u);
    const ParameterDescriptor& bpm = master->Parameters().at(Master::kBpmIndex);
    EXPECT_EQ(std::tie(bpm.name, bpm.description, bpm.type, bpm.folder, bpm.flags),
              std::make_tuple("BPM", "Beats Per Minute\nThe tempo of the song", kTypeDouble, 0, 0));
    EXPECT_EQ(std::tie(bpm.minimum, bpm.maximum, bpm.defaultValue, bpm.resolution),
              std::make_tuple(1.0, 1024.0, 60.0, 0.01));

    // Everything else is the base's: no text, no state.
    double value = 127.5;
    char text[256] = "";
    MachineMessage format;
    format.messageType = kMsgFormatValue;
    format.pointer = &value;
    format.extra = text;
    EXPECT_EQ(master->MachineInstance().HandleMessage(&format), 0);
    MachineMessage save;
    save.messageType = kMsgSaveState;
    EXPECT_EQ(master->MachineInstance().HandleMessage(&save), 0);
    EXPECT_EQ(save.pointer, nullptr);
    EXPECT_EQ(save.value, 0);
}

TEST_F(MasterMachine, OutputsCopyConnectedInputsAndSilenceTheRest) {
    Fill(*master, 0, 0.25);
    Fill(*master, 1, -0.5);

    // Nothing connected: silence, whatever the outputs held before.
    Scribble(*master);
    EXPECT_EQ(Render(*master, kMaxChunkFrames), 1);
    for (int channel = 0; channel < 2; ++channel) {
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            ASSERT_EQ(master->Outputs().Samples(channel)[frame], 0.0);
        }
    }

    // Only the right input connected.
    ASSERT_EQ(project.ConnectChannels(1, 1, 0, 1), 1);
    Scribble(*master);
    EXPECT_EQ(Render(*master, kMaxChunkFrames), 1);
    for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
        ASSERT_EQ(master->Outputs().Samples(0)[frame], 0.0);
        ASSERT_EQ(master->Outputs().Samples(1)[frame], master->Inputs().Samples(1)[frame]);
    }

    // Both connected, over a short chunk: exactly n frames are written.
    ASSERT_EQ(project.ConnectChannels(1, 0, 0, 0), 1);
    Scribble(*master);
    EXPECT_EQ(Render(*master, 32), 1);
    for (int channel = 0; channel < 2; ++channel) {
        for (int frame = 0; frame < 32; ++frame) {
            ASSERT_EQ(master->Outputs().Samples(channel)[frame],
                      master->Inputs().Samples(channel)[frame]);
        }
        EXPECT_EQ(master->Outputs().Samples(channel)[32], 0.123);
    }

    // Disconnected again: the earlier copy does not linger.
    ASSERT_EQ(project.DisconnectMachines(0, master->FindInput(1)), 1);
    EXPECT_EQ(Render(*master, kMaxChunkFrames), 1);
    for (int channel = 0; channel < 2; ++channel) {
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            ASSERT_EQ(master->Outputs().Samples(channel)[frame], 0.0);
        }
    }
}

} // namespace
} // namespace tarn
