#include "base/ConsoleLog.h"
#include "engine/Project.h"
#include "machines/framework/ParameterDisplay.h"
#include "support/ScratchDirectory.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <latch>
#include <thread>
#include <tuple>

namespace tarn {
namespace {

using test::PipeCapture;
using test::TestFactory;
using test::TestMachine;
using test::TestMachineLog;
using test::TestMachineSetup;

using Messages = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(Node, CreationStoresTheDescriptionAndBindsTheMachine) {
    TestFactory factory;
    Project project(factory.Creator());
    project.Tempo().SetBpm(120.75);
    auto log = std::make_shared<TestMachineLog>();
    TestMachineSetup setup;
    setup.name = "Analog Bass";
    setup.kind = kKindGenerator;
    setup.inputs = 0;
    setup.perTrack = 3; // not taken by the host
    setup.minTracks = 2;
    setup.maxTracks = 4;
    factory.Define("Tarn Analog Bass", setup, log);
    const std::uint8_t state[] = {'s', 't', 'a', 't', 'e'};
    ASSERT_EQ(project.CreateNode("Tarn Analog Bass", state), 0);
    Node* node = project.GetNode(0);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->Id(), 0);
    EXPECT_EQ(node->MachineName(), "Tarn Analog Bass");
    EXPECT_EQ(node->Handle().FileName(), "Tarn Analog Bass.so");
    EXPECT_EQ(node->Name(), "Analog Bass");

    // Every info message lands in its field; the per-track counts stay 0.
    const MachineInfo& info = node->Info();
    EXPECT_EQ(std::tie(info.kind, info.revision, info.inputChannels, info.outputChannels,
                       info.inputChannelsPerTrack, info.outputChannelsPerTrack, info.minTracks,
                       info.maxTracks),
              std::make_tuple(kKindGenerator, 1, 0, 2, 0, 0, 2, 4));
    EXPECT_EQ(std::tie(info.name, info.shortName, info.alternateName, info.author),
              std::make_tuple("Analog Bass", "Ana", "Analog Bass", "Tarn team"));

    // Buffers from the global counts only, zeroed and unconnected, each with
    // an empty analyzer ring, whose samples are made once it is watched.
    EXPECT_EQ(node->Inputs().Count(), 0);
    ASSERT_EQ(node->Outputs().Count(), 2);
    EXPECT_EQ(node->Outputs().Ring(0).samples, nullptr);
    ASSERT_TRUE(node->WatchAnalyzer());
    EXPECT_TRUE(node->meters.analyzerOn);
    for (int channel = 0; channel < 2; ++channel) {
        EXPECT_FALSE(node->Outputs().Connected(channel));
        const AnalyzerRing& ring = node->Outputs().Ring(channel);
        EXPECT_EQ(std::tie(ring.writeIndex, ring.peak), std::make_tuple(0, 0.0));
        for (int frame = 0; frame < kMaxChunkFrames; ++frame) {
            ASSERT_EQ(node->Outputs().Samples(channel)[frame], 0.0);
        }
        for (int i = 0; i < AnalyzerRing::kSize; ++i) {
            ASSERT_EQ(ring.samples[i], 0.0);
        }
    }
    EXPECT_NE(node->Outputs().Ring(0).samples, node->Outputs().Ring(1).samples);

    // Group 3 descriptors keyed by index, the note parameter, folders, programs.
    ASSERT_EQ(node->Parameters().size(), 5u);
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

    // Track count starts at the minimum, which refuses the later count of 1;
    // tempo arrives truncated before Init; Init sees the Node's own copy of
    // the stored state.
    EXPECT_EQ(node->TrackCount(), 2);
    EXPECT_EQ(log->trackCounts, (std::vector<std::int32_t>{2}));
    EXPECT_EQ(log->bpm, 120.0);
    EXPECT_EQ(log->sampleRate, 44100.0);
    EXPECT_DOUBLE_EQ(log->samplesPerBeat, 22050.0);
    EXPECT_EQ(log->initState, "state");
    EXPECT_EQ(log->initData, node->StoredState().Data());
    EXPECT_NE(log->initData, state);
}

TEST(Node, SetUpTalksToTheMachineInItsOrderAndStartsEveryParameterAtItsDefault) {
    TestFactory factory;
    Project project(factory.Creator());
    auto log = std::make_shared<TestMachineLog>();
    factory.Define("Tarn Test", {}, log);
    ASSERT_EQ(project.CreateNode("Tarn Test"), 0);
    Node& node = *project.GetNode(0);

    // Attach, describe, the two track counts, the rate twice, the tempo,
    // Init without state, then the default of the one machine-held value.
    EXPECT_EQ(log->messages, (Messages{{kMsgAttachHost, 0},
                                       {kMsgDescribe, 0},
                                       {kMsgSetTrackCount, 1},
                                       {kMsgSetTrackCount, 1},
                                       {kMsgSetSampleRate, 44100},
                                       {kMsgSetSampleRate, 44100},
                                       {kMsgSetBpm, 60},
                                       {kMsgUpdateTempo, 0},
                                       {kMsgInit, 0},
                                       {kMsgSetParameterValue, 7}}));
    EXPECT_EQ(log->heldValue, 0.5);
    EXPECT_EQ(log->initData, nullptr);
    EXPECT_EQ(node.MachineInstance().Link().hostContext, &node);

    // Defaults in the store, and queued once each for the first chunk; the
    // note parameter gets neither.
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.5);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 11), 1.0);
    std::vector<std::tuple<int, int, int, double, double, double>> queued;
    for (const EventRecord& event : node.LiveEvents().Events()) {
        queued.emplace_back(event.group, event.track, event.index, event.value, event.endValue,
                            event.glideLength);
    }
    EXPECT_EQ(queued, (std::vector<std::tuple<int, int, int, double, double, double>>{
                          {kGroupMachine, 0, 2, 0.5, 0.5, 0.0},
                          {kGroupMachine, 0, 7, 0.5, 0.5, 0.0},
                          {kGroupMachine, 0, 11, 1.0, 1.0, 0.0},
                          {kGroupMachine, 0, 12, 1.0, 1.0, 0.0}}));

    // The Node's own groups, by their names.
    EXPECT_STREQ(system_parameter::GroupName(kGroupSystem), "System");
    EXPECT_STREQ(system_parameter::GroupName(kGroupInputMixer), "Input mixer");
    EXPECT_STREQ(system_parameter::GroupName(kGroupMachine), "Machine");
    using Row = std::tuple<std::string, std::string, int, double, double, double, double>;
    auto row = [&](int group, int index) {
        const ParameterDescriptor& d = *node.FindParameter(group, index);
        return Row{d.name,    d.description,  d.type,      d.minimum,
                   d.maximum, d.defaultValue, d.resolution};
    };
    EXPECT_EQ(row(1, 0), (Row{"Volume", "Machine output volume", kTypeDouble, -60, 20, 0, 0.01}));
    EXPECT_EQ(row(1, 1),
              (Row{"Pan", "Machine output stereo position", kTypeDouble, -1, 1, 0, 0.01}));
    EXPECT_EQ(row(2, 0), (Row{"Volume", "Input volume", kTypeDouble, -60, 20, 0, 0.01}));
    EXPECT_EQ(row(2, 1), (Row{"Pan", "Input stereo position", kTypeDouble, -1, 1, 0, 0.01}));
    EXPECT_EQ(node.Parameters(kGroupSystem).size(), 2u);
    EXPECT_EQ(node.FindParameter(kGroupSystem, 2), nullptr);
    EXPECT_EQ(node.Folders(kGroupSystem).at(0).name, "System");
    EXPECT_EQ(node.Folders(kGroupSystem).at(1).name, "Equalizer");
    ASSERT_EQ(node.Folders(kGroupInputMixer).size(), 1u);
    EXPECT_EQ(node.Folders(kGroupInputMixer).at(0).name, "Imput mixer");
    EXPECT_EQ(&node.Folders(kGroupMachine), &node.Folders());
    EXPECT_TRUE(node.Parameters(4).empty());
    for (int group : {kGroupSystem, kGroupInputMixer}) {
        for (int index : {0, 1}) {
            EXPECT_EQ(node.ReadParameter(group, 0, index), 0.0);
            EXPECT_EQ(node.WriteParameter(group, 0, index, -3.0), 1);
        }
    }
}

TEST(Node, FailedSetUpLogsOnTheWarningPipeAndAddsNothing) {
    test::ScratchDirectory dir;
    {
        ConsoleLog console(dir / "Console.log");
        console.RegisterWithPipes();
        TestFactory factory;
        Project project(factory.Creator());
        TestMachineSetup broken;
        broken.name = "Broken";
        broken.throwInDescribe = true;
        auto log = std::make_shared<TestMachineLog>();
        factory.Define("Broken", broken, log);
        EXPECT_EQ(project.CreateNode("Broken"), -1);
        EXPECT_TRUE(log->destroyed);

        TestMachineSetup sulky;
        sulky.throwInInit = true;
        auto sulkyLog = std::make_shared<TestMachineLog>();
        factory.Define("Sulky", sulky, sulkyLog);
        EXPECT_EQ(project.CreateNode("Sulky"), -1);
        EXPECT_TRUE(sulkyLog->destroyed);
        EXPECT_EQ(sulkyLog->messages.back().first, kMsgInit); // no defaults after it

        // Negative channel counts give up without a line; an unknown name
        // leaves the telling to the factory.
        TestMachineSetup odd;
        odd.outputs = -2;
        factory.Define("Odd", odd);
        EXPECT_EQ(project.CreateNode("Odd"), -1);
        EXPECT_EQ(project.CreateNode("None"), -1);
        EXPECT_TRUE(project.Nodes().Empty());
        EXPECT_EQ(project.ProcessOrder().Count(), 0);

        // A refused graph operation reaches the log as an error line.
        EXPECT_EQ(project.DeleteNode(0), 0);
        MessageOut() << "done" << eol;
    }
    EXPECT_EQ(test::ReadFile(dir / "Console.log"), "[WAR] error: 'Broken': register failed.\n"
                                                   "[WAR] error: 'Sulky': init failed.\n"
                                                   "[ERR] error: None not found\n"
                                                   "[ERR] error: master can't be deleted\n"
                                                   "[MSG] done\n");
}

TEST(Node, TrackCountStaysWithinTheMachineRangeAndMakesValuesForNewTracks) {
    TestFactory factory;
    Project project(factory.Creator());
    auto log = std::make_shared<TestMachineLog>();
    TestMachineSetup setup;
    setup.minTracks = 1;
    setup.maxTracks = 16;
    factory.Define("Sampler", setup, log);
    ASSERT_EQ(project.CreateNode("Sampler"), 0);
    Node& node = *project.GetNode(0);
    EXPECT_EQ(node.SetTrackCount(kGroupMachine, 0), 0);
    EXPECT_EQ(node.SetTrackCount(kGroupMachine, 17), 0);
    EXPECT_EQ(node.TrackCount(), 1);
    EXPECT_EQ(node.WriteParameter(kGroupMachine, 3, 2, 0.9), 0); // no such track yet
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 3, 2), 0.0);

    EXPECT_EQ(node.SetTrackCount(kGroupMachine, 16), 1);
    EXPECT_EQ(node.TrackCount(), 16);
    EXPECT_EQ(log->trackCounts, (std::vector<std::int32_t>{1, 1, 16}));
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 15, 2), 0.5);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 15, 11), 1.0);
    EXPECT_EQ(node.WriteParameter(kGroupMachine, 3, 2, 0.9), 1);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 3, 2), 0.9);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 16, 2), 0.0);

    // Lowering the count keeps the values above it; raising it again does
    // not reset them.
    EXPECT_EQ(node.SetTrackCount(kGroupMachine, 2), 1);
    EXPECT_EQ(node.SetTrackCount(kGroupMachine, 4), 1);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 3, 2), 0.9);

    // A machine that never sends its track range gets no track count at all.
    auto silent = std::make_shared<TestMachineLog>();
    TestMachineSetup unset;
    unset.minTracks = MachineInfo::kTracksUnset;
    unset.maxTracks = MachineInfo::kTracksUnset;
    factory.Define("Widestrings", unset, silent);
    ASSERT_EQ(project.CreateNode("Widestrings"), 1);
    EXPECT_EQ(project.GetNode(1)->TrackCount(), 0);
    EXPECT_EQ(project.GetNode(1)->SetTrackCount(kGroupMachine, -1), 0);
    EXPECT_TRUE(silent->trackCounts.empty());
}

TEST(Node, ParameterChangesFromTheMachineWaitForTheNodeLock) {
    TestFactory factory;
    auto log = std::make_shared<TestMachineLog>();
    factory.Define("Test", {}, log);
    Project project(factory.Creator());
    ASSERT_EQ(project.CreateNode("Test"), 0);
    Node& node = *project.GetNode(0);
    auto& machine = static_cast<TestMachine&>(node.MachineInstance());

    // While another thread holds the lock, the report waits for it: it
    // returns only after the holder has let go.
    std::thread reporter;
    std::latch reporting(1);
    std::atomic<bool> released = false;
    bool returnedAfterRelease = false;
    {
        std::lock_guard guard(node.Lock());
        reporter = std::thread([&] {
            reporting.count_down();
            machine.Report(2, 0.25);
            returnedAfterRelease = released.load();
        });
        reporting.wait();
        EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.5);
        released = true;
    }
    reporter.join();
    EXPECT_TRUE(returnedAfterRelease);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.25);

    // From inside a locked section (as from Work) the recursive lock lets it in.
    {
        std::lock_guard guard(node.Lock());
        EXPECT_EQ(machine.Report(2, 0.75), 1);
    }
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.75);

    // Machine-held and unknown parameters are refused and change nothing.
    log->messages.clear();
    EXPECT_EQ(machine.Report(7, 0.1), 1);
    EXPECT_EQ(machine.Report(42, 0.1), 1);
    EXPECT_EQ(log->heldValue, 0.5);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 42), 0.0);

    // No wavetable: every slot is empty.
    EXPECT_EQ(machine.Wave(0), nullptr);

    // Host messages without meaning, and fields of unknown records, answer 0.
    MachineMessage message;
    message.hostContext = &node;
    const HostLink& link = machine.Link();
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

TEST(Node, MachineHeldValuesGoThroughTheMachineAndNewInputsStartAtTheirDefaults) {
    TestFactory factory;
    auto log = std::make_shared<TestMachineLog>();
    factory.Define("Test", {}, log);
    Project project(factory.Creator());
    ASSERT_EQ(project.CreateNode("Test"), 0);
    ASSERT_EQ(project.CreateNode("Test"), 1);
    Node& node = *project.GetNode(0);

    log->messages.clear();
    log->heldValue = 0.125;
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 7), 0.125);
    EXPECT_EQ(node.WriteParameter(kGroupMachine, 3, 7, 0.625), 1); // any track
    EXPECT_EQ(log->heldValue, 0.625);
    EXPECT_EQ(log->messages, (Messages{{kMsgGetParameterValue, 7}, {kMsgSetParameterValue, 7}}));
    // The rest never reach the machine.
    EXPECT_EQ(node.WriteParameter(kGroupMachine, 0, 2, 0.3), 1);
    EXPECT_EQ(node.ReadParameter(kGroupMachine, 0, 2), 0.3);
    EXPECT_EQ(log->messages.size(), 2u);

    // Input mixer values exist per Connection position, and a Connection put
    // at a position starts over at 0 dB and centre there.
    EXPECT_EQ(node.WriteParameter(kGroupInputMixer, 3, 0, -6.0), 0);
    ASSERT_EQ(project.ConnectChannels(1, 0, 0, 0, 3), 1);
    EXPECT_EQ(node.WriteParameter(kGroupInputMixer, 3, 0, -6.0), 1);
    EXPECT_EQ(node.WriteParameter(kGroupInputMixer, 3, 1, 0.5), 1);
    ASSERT_EQ(project.ConnectChannels(1, 1, 0, 1, 3), 1); // same Connection: values stay
    EXPECT_EQ(node.ReadParameter(kGroupInputMixer, 3, 0), -6.0);
    ASSERT_EQ(project.DisconnectMachines(0, 3), 1);
    ASSERT_EQ(project.ConnectMachines(1, 0, 3), 1);
    EXPECT_EQ(node.ReadParameter(kGroupInputMixer, 3, 0), 0.0);
    EXPECT_EQ(node.ReadParameter(kGroupInputMixer, 3, 1), 0.0);
}

TEST(Node, FormatsItsOwnValuesAndFallsBackOnTheParameterType) {
    TestFactory factory;
    factory.Define("Test", {});
    Project project(factory.Creator());
    ASSERT_EQ(project.CreateNode("Test"), 0);
    Node& node = *project.GetNode(0);
    auto text = [&](int group, int index, double value) {
        char buffer[kValueTextSize];
        std::strcpy(buffer, "untouched");
        const int written = node.FormatValue(group, index, value, buffer);
        return std::to_string(written) + " " + buffer;
    };
    for (int group : {kGroupSystem, kGroupInputMixer}) {
        EXPECT_EQ(text(group, 0, -6.0), "1 -6.00db");
        EXPECT_EQ(text(group, 0, 12.345), "1 12.35db");
        EXPECT_EQ(text(group, 1, 0.0), "1 (Center)");
        EXPECT_EQ(text(group, 1, -0.5), "1 50.00% (Left)");
        EXPECT_EQ(text(group, 1, 1.0), "1 100.00% (Right)");
        EXPECT_EQ(text(group, 2, 1.0), "0 untouched");
    }
    // The machine's own text first; then real, whole-number and note types
    // by the host; other types and unknown parameters keep the buffer.
    EXPECT_EQ(text(kGroupMachine, 2, 0.3), "1 cutoff 0.3");
    EXPECT_EQ(text(kGroupMachine, 7, 0.126), "1 0.13");
    EXPECT_EQ(text(kGroupMachine, 11, 2.9), "1 2");
    EXPECT_EQ(text(kGroupMachine, 11, -0.5), "1 0");
    EXPECT_EQ(text(kGroupMachine, 9, 60.7), "1 60");
    EXPECT_EQ(text(kGroupMachine, 12, 3.0), "0 untouched");
    EXPECT_EQ(text(kGroupMachine, 99, 3.0), "0 untouched");
    EXPECT_EQ(text(4, 0, 3.0), "0 untouched");
}

} // namespace
} // namespace tarn
