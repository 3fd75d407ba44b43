#include "machines/builtin/Master.h"
#include "engine/Project.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

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
        EXPECT_EQ(project.CreateNode("Tarn Master", std::make_unique<Master>(), 0), 0);
        // Another Master serves as a plain stereo source.
        EXPECT_EQ(project.CreateNode("Tarn Master", std::make_unique<Master>()), 1);
        master = project.GetNode(0);
    }

    Project project;
    Node* master = nullptr;
};

using MasterMachine = MasterGraph;

TEST_F(MasterMachine, DescribesItselfAsTheTempoCarryingMaster) {
    const MachineInfo& info = master->Info();
    EXPECT_EQ(info.kind, kKindMaster);
    EXPECT_EQ(info.revision, 1);
    EXPECT_EQ(info.flags, 0);
    EXPECT_EQ(info.inputChannels, 2);
    EXPECT_EQ(info.outputChannels, 2);
    EXPECT_EQ(info.minTracks, 1);
    EXPECT_EQ(info.maxTracks, 1);
    EXPECT_EQ(info.name, "Master");
    EXPECT_EQ(info.shortName, "Master");
    EXPECT_EQ(info.alternateName, "Master");
    EXPECT_EQ(info.author, "Tarn team");
    EXPECT_EQ(master->TrackCount(), 1);
    EXPECT_TRUE(master->Folders().empty());

    ASSERT_EQ(master->Parameters().size(), 1u);
    const ParameterDescriptor& bpm = master->Parameters().at(Master::kBpmIndex);
    EXPECT_EQ(bpm.name, "BPM");
    EXPECT_EQ(bpm.description, "Beats Per Minute\nThe tempo of the song");
    EXPECT_EQ(bpm.type, kTypeDouble);
    EXPECT_EQ(bpm.folder, 0);
    EXPECT_EQ(bpm.flags, 0);
    EXPECT_EQ(bpm.minimum, 1.0);
    EXPECT_EQ(bpm.maximum, 1024.0);
    EXPECT_EQ(bpm.defaultValue, 60.0);
    EXPECT_EQ(bpm.resolution, 0.01);
    EXPECT_EQ(master->NoteParameter(), -1);

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
