#include "base/ConsoleLog.h"
#include "engine/Project.h"
#include "engine/TestMachine.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>

namespace tarn {
namespace {

using test::MakeMachine;
using test::PipeCapture;
using test::TestMachine;
using test::TestMachineLog;
using test::TestMachineSetup;

TEST(Node, CreationStoresTheDescriptionAndBindsTheMachine) {
    Project project;
    project.SetTempo(120.75, 44100.0);
    auto log = std::make_shared<TestMachineLog>();
    TestMachineSetup setup;
    setup.name = "Analog Bass";
    setup.kind = kKindGenerator;
    setup.inputs = 0;
    setup.perTrack = 3; // not taken by the host
    setup.minTracks = 2;
    setup.maxTracks = 4;
    const std::uint8_t state[] = {'s', 't', 'a', 't', 'e'};
    ASSERT_EQ(project.CreateNode("Tarn Analog Bass", MakeMachine(setup, log), -1, state), 0);
    const Node* node = project.GetNode(0);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Id(), 0);
    EXPECT_EQ(node->MachineName(), "Tarn Analog Bass");
    EXPECT_EQ(node->Name(), "Analog Bass");

    // Every info message lands in its field; the per-track counts stay 0.
    const MachineInfo& info = node->Info();
    EXPECT_EQ(std::tie(info.kind, info.revision, info.inputChannels, info.outputChannels,
                       info.inputChannelsPerTrack, info.outputChannelsPerTrack, info.minTracks,
                       info.maxTracks),
              std::make_tuple(kKindGenerator, 1, 0, 2, 0, 0, 2, 4));
    EXPECT_EQ(std::tie(info.name, info.shortName, info.alternateName, info.author),
              std::make_tuple("Analog Bass", "Ana", "Analog Bass", "Tarn team"));

    // Buffers from the global counts only, zeroed and unconnected.
    EXPECT_EQ(node->Inputs().Count(), 0);
    ASSERT_EQ(node->Outputs().Count(), 2);
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_FALSE(node->Outputs().Connected(channel));
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            ASSERT_EQ(node->Outputs().Samples(channel)[frame], 0.0);
        }
    }

    // Group 3 descriptors keyed by index, the note parameter, folders, programs.
    ASSERT_EQ(node->Parameters().size(), 3u);
    const ParameterDescriptor& cutoff = node->Parameters().at(2);
    EXPECT_EQ(std::tie(cutoff.name, cutoff.type, cutoff.folder, cutoff.maximum, cutoff.defaultValue,
                       cutoff.resolution),
              std::make_tuple("Cutoff", kTypeDouble, 4, 1.0, 0.5, 0.01));
    EXPECT_EQ(node->Parameters().at(7).flags, kParamMachineHeld);
    EXPECT_EQ(node->NoteParameter(), 9);
    ASSERT_EQ(node->Folders().size(), 1u);
    const ParameterFolder& folder = node->Folders().at(4);
    EXPECT_EQ(std::tie(folder.name, folder.parent, folder.flag), std::make_tuple("Filter", -1, 1));
    ASSERT_EQ(node->Programs().size(), 2u);
    EXPECT_EQ(node->Programs().at(2), "Lead");

    // Track count starts at the minimum; tempo arrives truncated before Init;
    // Init sees the Node's own copy of the stored state.
    EXPECT_EQ(node->TrackCount(), 2);
    EXPECT_EQ(log->trackCounts, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(log->bpm, 120.0);
    EXPECT_EQ(log->sampleRate, 44100.0);
    EXPECT_DOUBLE_EQ(log->samplesPerBeat, 22050.0);
    EXPECT_EQ(log->initState, "state");
    EXPECT_EQ(log->initData, node->StoredState().Data());
    EXPECT_NE(log->initData, state);
}

TEST(Node, FailedSetUpLogsOnTheWarningPipeAndAddsNothing) {
    test::ScratchDirectory dir;
    {
        ConsoleLog console(dir / "Console.log");
        console.RegisterWithPipes();
        Project project;
        TestMachineSetup broken;
        broken.name = "Broken";
        broken.throwInDescribe = true;
        auto log = std::make_shared<TestMachineLog>();
        EXPECT_EQ(project.CreateNode("Broken", MakeMachine(broken, log)), -1);
        EXPECT_TRUE(log->destroyed);

        TestMachineSetup sulky;
        sulky.throwInInit = true;
        EXPECT_EQ(project.CreateNode("Sulky", MakeMachine(sulky)), -1);

        // Negative channel counts give up without a line.
        TestMachineSetup odd;
        odd.outputs = -2;
        EXPECT_EQ(project.CreateNode("Odd", MakeMachine(odd)), -1);
        EXPECT_EQ(project.CreateNode("None", nullptr), -1);
        EXPECT_TRUE(project.Nodes().Empty());
        EXPECT_EQ(project.ProcessOrder().Count(), 0);

        // A refused graph operation reaches the log as an error line.
        EXPECT_EQ(project.DeleteNode(0), 0);
        MessageOut() << "done" << eol;
    }
    EXPECT_EQ(test::ReadFile(dir / "Console.log"), "[WAR] error: 'Broken': register failed.\n"
                                                   "[WAR] error: 'Sulky': init failed.\n"
                                                   "[ERR] error: master can't be deleted\n"
                                                   "[MSG] done\n");
}

TEST(Node, TrackCountStaysWithinTheMachineRange) {
    Project project;
    auto log = std::make_shared<TestMachineLog>();
    TestMachineSetup setup;
    setup.minTracks = 1;
    setup.maxTracks = 16;
    ASSERT_EQ(project.CreateNode("Sampler", MakeMachine(setup, log)), 0);
    Node& node = *project.GetNode(0);
    EXPECT_EQ(node.SetTrackCount(0), 0);
    EXPECT_EQ(node.SetTrackCount(17), 0);
    EXPECT_EQ(node.TrackCount(), 1);
    EXPECT_EQ(node.SetTrackCount(16), 1);
    EXPECT_EQ(node.TrackCount(), 16);
    EXPECT_EQ(log->trackCounts, (std::vector<std::int32_t>{1, 16}));

    // A machine that never sends its track range gets no track count at all.
    auto silent = std::make_shared<TestMachineLog>();
    TestMachineSetup unset;
    unset.minTracks = MachineInfo::kTracksUnset;
    unset.maxTracks = MachineInfo::kTracksUnset;
    ASSERT_EQ(project.CreateNode("Widestrings", MakeMachine(unset, silent)), 1);
    EXPECT_EQ(project.GetNode(1)->TrackCount(), 0);
    EXPECT_EQ(project.GetNode(1)->SetTrackCount(-1), 0);
    EXPECT_TRUE(silent->trackCounts.empty());
}

TEST(Node, HostCallbackAnswersParameterChangesAndWaveRequests) {
    Project project;
    auto machine = MakeMachine();
    TestMachine* raw = machine.get();
    ASSERT_EQ(project.CreateNode("Test", std::move(machine)), 0);
    Node& node = *project.GetNode(0);

    std::vector<std::pair<std::int32_t, double>> written;
    std::atomic<bool> lockedElsewhere{false};
    node.SetParameterWriter([&](std::int32_t index, double value) {
        written.emplace_back(index, value);
        // The Node lock is held while the value is written.
        std::thread probe([&] {
            if (node.Lock().try_lock()) {
                node.Lock().unlock();
            } else {
                lockedElsewhere = true;
            }
        });
        probe.join();
    });
    EXPECT_EQ(raw->Report(2, 0.25), 1);
    EXPECT_EQ(raw->Report(7, 0.5), 1);  // machine-held: refused
    EXPECT_EQ(raw->Report(42, 0.5), 1); // no such parameter: refused
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], std::make_pair(2, 0.25));
    EXPECT_TRUE(lockedElsewhere);

    // From inside a locked section (as from Work) the recursive lock lets it in.
    {
        std::lock_guard guard(node.Lock());
        raw->Report(2, 0.75);
    }
    EXPECT_EQ(written.size(), 2u);

    // No wavetable: every slot is empty.
    EXPECT_EQ(raw->Wave(0), nullptr);

    // Host messages without meaning, and fields of unknown records, answer 0.
    MachineMessage message;
    message.hostContext = &node;
    const HostLink& link = raw->Link();
    for (std::int32_t type : {0, 100, 210, 211, 214, 304, 401, 999}) {
        message.messageType = type;
        EXPECT_EQ(link.hostCallback(&message), 0) << "type " << type;
    }
    message.messageType = kHostParameterName;
    message.value = 55;
    message.pointer = const_cast<char*>("ghost");
    EXPECT_EQ(link.hostCallback(&message), 0);
    EXPECT_EQ(node.Parameters().count(55), 0u);
}

} // namespace
} // namespace tarn
