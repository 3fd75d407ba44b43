#include "machines/framework/Machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace tarn {
namespace {

// A host that records every message a machine sends it as one line:
// type, value, value2, then the text or double the pointer carries.
struct RecordingHost {
    std::vector<std::string> lines;
    void* waveAnswer = nullptr;
    int cookie = 0;
    int foreignMessages = 0; // arrived without this host's context and cookie

    static std::int32_t Callback(MachineMessage* message) noexcept {
        auto* host = static_cast<RecordingHost*>(message->hostContext);
        const std::int32_t type = message->messageType;
        std::ostringstream line;
        line << type << ' ' << message->value << ' ' << message->value2;
        const bool text = type == 201 || type == 202 || type == 203 || type == 212 || type == 251 ||
                          type == 305 || type == 306 || type == 403;
        const bool number = (type >= 307 && type <= 312) || type == kHostParameterChanged;
        if (text) {
            line << ' ' << static_cast<const char*>(message->pointer);
        } else if (number) {
            line << ' ' << *static_cast<const double*>(message->pointer);
        }
        host->lines.push_back(line.str());
        if (message->hostCookie != &host->cookie) {
            ++host->foreignMessages;
        }
        if (type == kHostGetWave) {
            message->pointer = host->waveAnswer;
            return 1;
        }
        return type == kHostDescribeBegin ? 1 : 0;
    }

    void Attach(Machine& machine) {
        HostLink link{this, &Callback, &cookie};
        MachineMessage message;
        message.messageType = kMsgAttachHost;
        message.pointer = &link;
        EXPECT_EQ(machine.HandleMessage(&message), 1);
    }
};

std::int32_t Send(Machine& machine, std::int32_t type, std::int32_t value = 0,
                  void* pointer = nullptr, void* extra = nullptr) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return machine.HandleMessage(&message);
}

// Overrides only what every machine must: destructor, Work and Describe.
class BareMachine : public Machine {
public:
    ~BareMachine() override = default;

    std::int32_t Work(const WorkRecord& record) override {
        lastRecord = &record;
        ++workCalls;
        return 1;
    }

    std::int32_t Describe() override {
        info.kind = kKindGenerator;
        info.revision = 1;
        info.minTracks = 1;
        info.maxTracks = 4;
        info.inputChannels = 0;
        info.name = "Bare";
        info.alternateName = "Bare";
        info.shortName = "BM";
        info.author = "Tarn team";
        info.flags = kInfoHasEditor;
        DescribeInfo(info);
        ParameterFolder folder;
        folder.name = "Osc 1";
        folder.parent = 4;
        DescribeFolder(100, folder);
        ParameterDescriptor cutoff;
        cutoff.type = kTypeDouble;
        cutoff.flags = kParamMachineHeld;
        cutoff.name = "Cutoff";
        cutoff.description = "Cutoff\nFilter cutoff";
        cutoff.minimum = 0.25;
        cutoff.maximum = 1.5;
        cutoff.defaultValue = 0.75;
        cutoff.resolution = 0.01;
        DescribeParameter(11, cutoff);
        DescribeParameter(20, ParameterDescriptor::Note("Note", "Note played"));
        DescribeProgram(3, "Init");
        return 1;
    }

    void Report(std::int32_t index, double value) {
        EXPECT_EQ(ReportParameterChange(index, value), 1);
    }
    void* Wave(std::int32_t slot) { return GetWave(slot); }

    MachineInfo info;
    const WorkRecord* lastRecord = nullptr;
    int workCalls = 0;
};

TEST(Machine, BareMachineAnswersZeroToEveryOperationItDoesNotImplement) {
    BareMachine machine;
    RecordingHost host;
    host.Attach(machine);

    for (std::int32_t type :
         {kMsgLoadPlugin, kMsgReserved130, kMsgIdle, kMsgStop, kMsgSetTrackCount, kMsgSetProgram,
          kMsgGetEditorSize, kMsgOpenEditor, kMsgCloseEditor, kMsgInit}) {
        EXPECT_EQ(Send(machine, type, 1), 0) << "message " << type;
    }
    double value = 0.5;
    char text[256] = "untouched";
    EXPECT_EQ(Send(machine, kMsgSetParameterValue, 3, &value), 0);
    EXPECT_EQ(Send(machine, kMsgFormatValue, 3, &value, text), 0);
    EXPECT_STREQ(text, "untouched");

    // GetParameterValue writes the base's 0.0 through the pointer.
    double read = 7.0;
    EXPECT_EQ(Send(machine, kMsgGetParameterValue, 11, &read), 0);
    EXPECT_EQ(read, 0.0);

    // No state: a null block of length 0, whatever the message held before.
    MachineMessage save;
    save.messageType = kMsgSaveState;
    save.pointer = &read;
    save.value = 99;
    EXPECT_EQ(machine.HandleMessage(&save), 0);
    EXPECT_EQ(save.pointer, nullptr);
    EXPECT_EQ(save.value, 0);

    // Types the base does not know, and host-side types, answer 0.
    for (std::int32_t type : {0, 2, 120, 201, 500, 999}) {
        EXPECT_EQ(Send(machine, type), 0) << "message " << type;
    }
    EXPECT_TRUE(host.lines.empty());

    // Work reaches the override with the host's record.
    double samples[kMaxChunkFrames] = {};
    ChannelBufferRecord channel{samples, 1};
    ChannelBufferRecord* channels[] = {&channel};
    WorkRecord record;
    record.inputs = channels;
    record.outputs = channels;
    record.frameCount = 64;
    EXPECT_EQ(Send(machine, kMsgWork, 0, &record), 1);
    EXPECT_EQ(machine.lastRecord, &record);
    EXPECT_EQ(machine.workCalls, 1);
    EXPECT_EQ(Send(machine, kMsgWork), 0);
    EXPECT_EQ(machine.workCalls, 1);

    // Describe always answers 1, whatever the operation returns.
    EXPECT_EQ(Send(machine, kMsgDescribe), 1);
}

TEST(Machine, DescriptionArrivesInProtocolOrderWithTextsAndNumbers) {
    BareMachine machine;
    RecordingHost host;
    host.Attach(machine);
    ASSERT_EQ(Send(machine, kMsgDescribe), 1);

    const std::vector<std::string> expected = {
        // info, in the protocol's order
        "200 0 0", "201 0 0 Bare", "213 2 0", "212 0 0 BM", "202 0 0 Tarn team", "203 0 0 Bare",
        "204 1 0", "205 2 0", "206 1 0", "207 4 0", "208 0 0", "209 2 0", "210 0 0", "211 0 0",
        // folder 100 inside folder 4
        "400 100 0", "402 100 4", "403 100 0 Osc 1", "410 100 0",
        // a machine-held real
        "300 11 0", "301 11 0", "302 11 1", "303 11 16", "305 11 0 Cutoff",
        "306 11 0 Cutoff\nFilter cutoff", "307 11 0 0.25", "308 11 0 1.5", "310 11 0 0.75",
        "312 11 0 0.01",
        // the note descriptor
        "300 20 0", "301 20 -1", "302 20 4", "303 20 2", "305 20 0 Note", "306 20 0 Note played",
        "307 20 0 0", "308 20 0 127", "310 20 0 0", "312 20 0 0",
        // a program
        "250 3 0", "251 3 0 Init"};
    EXPECT_EQ(host.lines, expected);
    EXPECT_EQ(host.foreignMessages, 0);
}

TEST(Machine, ParameterChangeAndWaveRequestsReachTheHost) {
    BareMachine machine;
    // Without a host nothing is sent and no wave comes back.
    EXPECT_EQ(machine.Wave(2), nullptr);
    machine.Report(5, 0.5);

    RecordingHost host;
    host.Attach(machine);
    machine.Report(5, 0.625);
    float sample = 0.0f;
    host.waveAnswer = &sample;
    EXPECT_EQ(machine.Wave(7), &sample);
    EXPECT_EQ(host.lines, (std::vector<std::string>{"500 5 0 0.625", "120 0 7"}));

    // Message 11 replaces the context and keeps callback and cookie.
    RecordingHost other;
    void* context = &other;
    EXPECT_EQ(Send(machine, kMsgSetHostContext, 0, &context), 1);
    machine.Report(1, 1.0);
    EXPECT_EQ(other.lines.size(), 1u);
    EXPECT_EQ(other.foreignMessages, 1); // the cookie is still the first host's
}

TEST(Machine, TempoMessagesSetTheBaseFields) {
    BareMachine machine;
    EXPECT_EQ(machine.Bpm(), 0.0);
    EXPECT_EQ(machine.SamplesPerBeat(), 0.0);
    EXPECT_EQ(Send(machine, kMsgSetSampleRate, 44100), 0);
    // A project tempo of 120.75 reaches machines truncated.
    EXPECT_EQ(Send(machine, kMsgSetBpm, static_cast<std::int32_t>(120.75)), 0);
    EXPECT_EQ(machine.SamplesPerBeat(), 0.0);
    EXPECT_EQ(Send(machine, kMsgUpdateTempo), 0);
    EXPECT_EQ(machine.Bpm(), 120.0);
    EXPECT_EQ(machine.SampleRate(), 44100.0);
    EXPECT_DOUBLE_EQ(machine.SamplesPerBeat(), 44100.0 / 2);
    EXPECT_DOUBLE_EQ(machine.BeatsPerSample(), 2.0 / 44100.0);

    Send(machine, kMsgSetSampleRate, 48000);
    Send(machine, kMsgSetBpm, 90);
    Send(machine, kMsgUpdateTempo);
    EXPECT_DOUBLE_EQ(machine.SamplesPerBeat(), 32000.0);
    EXPECT_DOUBLE_EQ(machine.BeatsPerSample(), 1.5 / 48000.0);
}

// A machine with opaque state, to see both directions of the state path.
class StatefulMachine : public BareMachine {
public:
    std::int32_t Init(const ByteBuffer& state) override {
        seenData = state.Data();
        seen.assign(state.Data(), state.Data() + state.Size());
        return 1;
    }
    std::int32_t SaveState(ByteBuffer& state) override {
        return state.Append(saved.data(), static_cast<std::int32_t>(saved.size())) ? 1 : 0;
    }
    std::int32_t SetTrackCount(std::int32_t count) override {
        tracks = count;
        return 1;
    }
    double GetParameterValue(std::int32_t index) override { return index * 0.5; }

    std::string saved;
    std::string seen;
    const std::uint8_t* seenData = nullptr;
    std::int32_t tracks = 0;
};

TEST(Machine, StateTrackCountAndParameterValuesPassThroughTheBase) {
    StatefulMachine machine;
    machine.saved = "opaque state";
    MachineMessage save;
    save.messageType = kMsgSaveState;
    EXPECT_EQ(machine.HandleMessage(&save), 1);
    ASSERT_NE(save.pointer, nullptr);
    ASSERT_EQ(save.value, 12);
    EXPECT_EQ(std::memcmp(save.pointer, "opaque state", 12), 0);

    // Init sees the host's bytes in place; they stay the host's.
    EXPECT_EQ(Send(machine, kMsgInit, save.value, save.pointer), 1);
    EXPECT_EQ(machine.seenData, save.pointer);
    EXPECT_EQ(machine.seen, "opaque state");
    ByteBuffer::FreeBlock(save.pointer);

    EXPECT_EQ(Send(machine, kMsgInit, 0, nullptr), 1);
    EXPECT_EQ(machine.seenData, nullptr);

    // The base answers 0 to a track count even when the machine took it.
    EXPECT_EQ(Send(machine, kMsgSetTrackCount, 3), 0);
    EXPECT_EQ(machine.tracks, 3);

    double value = 0.0;
    EXPECT_EQ(Send(machine, kMsgGetParameterValue, 5, &value), 0);
    EXPECT_EQ(value, 2.5);
}

} // namespace
} // namespace tarn
