#include "machines/framework/Machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tarn {
namespace {

// A host that records every message a machine sends it.
struct RecordingHost {
    struct Entry {
        std::int32_t type = 0;
        std::int32_t value = 0;
        std::int32_t value2 = 0;
        std::string text;
        double number = 0.0;
        void* context = nullptr;
        void* cookie = nullptr;
    };

    std::vector<Entry> entries;
    void* waveAnswer = nullptr;
    int cookie = 0;

    static bool CarriesText(std::int32_t type) {
        switch (type) {
        case kHostInfoName:
        case kHostInfoAuthor:
        case kHostInfoAlternateName:
        case kHostInfoShortName:
        case kHostProgramName:
        case kHostParameterName:
        case kHostParameterDescription:
        case kHostFolderName:
            return true;
        default:
            return false;
        }
    }

    static bool CarriesNumber(std::int32_t type) {
        switch (type) {
        case kHostParameterMinimum:
        case kHostParameterMaximum:
        case kHostParameterDefault:
        case kHostParameterResolution:
        case kHostParameterChanged:
            return true;
        default:
            return false;
        }
    }

    static std::int32_t Callback(MachineMessage* message) {
        auto* host = static_cast<RecordingHost*>(message->hostContext);
        Entry entry{message->messageType, message->value,     message->value2, {}, 0.0,
                    message->hostContext, message->hostCookie};
        if (CarriesText(entry.type) && message->pointer != nullptr) {
            entry.text = static_cast<const char*>(message->pointer);
        }
        if (CarriesNumber(entry.type)) {
            entry.number = *static_cast<const double*>(message->pointer);
        }
        host->entries.push_back(entry);
        if (entry.type == kHostGetWave) {
            message->pointer = host->waveAnswer;
            return 1;
        }
        return entry.type == kHostDescribeBegin ? 1 : 0;
    }

    void Attach(Machine& machine) {
        HostLink link{this, &Callback, &cookie};
        MachineMessage message;
        message.messageType = kMsgAttachHost;
        message.pointer = &link;
        EXPECT_EQ(machine.HandleMessage(&message), 1);
    }

    std::vector<std::int32_t> Types() const {
        std::vector<std::int32_t> types;
        for (const Entry& entry : entries) {
            types.push_back(entry.type);
        }
        return types;
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
    EXPECT_TRUE(host.entries.empty());

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

    const std::vector<std::int32_t> expected = {
        200, 201, 213, 212, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, // info
        400, 402, 403, 410,                                                   // folder
        300, 301, 302, 303, 305, 306, 307, 308, 310, 312,                     // cutoff
        300, 301, 302, 303, 305, 306, 307, 308, 310, 312,                     // note
        250, 251};
    ASSERT_EQ(host.Types(), expected);

    const auto& e = host.entries;
    for (const auto& entry : e) {
        EXPECT_EQ(entry.context, &host);
        EXPECT_EQ(entry.cookie, &host.cookie);
    }
    EXPECT_EQ(e[1].text, "Bare");
    EXPECT_EQ(e[2].value, kInfoHasEditor);
    EXPECT_EQ(e[3].text, "BM");
    EXPECT_EQ(e[4].text, "Tarn team");
    EXPECT_EQ(e[5].text, "Bare");
    EXPECT_EQ(e[6].value, 1);
    EXPECT_EQ(e[7].value, kKindGenerator);
    EXPECT_EQ(e[8].value, 1);
    EXPECT_EQ(e[9].value, 4);
    EXPECT_EQ(e[10].value, 0);
    EXPECT_EQ(e[11].value, 2);
    EXPECT_EQ(e[12].value, 0);
    EXPECT_EQ(e[13].value, 0);

    EXPECT_EQ(e[14].value, 100);
    EXPECT_EQ(e[15].value2, 4);
    EXPECT_EQ(e[16].text, "Osc 1");
    EXPECT_EQ(e[17].value2, 0);

    for (int i = 18; i < 28; ++i) {
        EXPECT_EQ(e[i].value, 11);
    }
    EXPECT_EQ(e[19].value2, 0);
    EXPECT_EQ(e[20].value2, kTypeDouble);
    EXPECT_EQ(e[21].value2, kParamMachineHeld);
    EXPECT_EQ(e[22].text, "Cutoff");
    EXPECT_EQ(e[23].text, "Cutoff\nFilter cutoff");
    EXPECT_EQ(e[24].number, 0.25);
    EXPECT_EQ(e[25].number, 1.5);
    EXPECT_EQ(e[26].number, 0.75);
    EXPECT_EQ(e[27].number, 0.01);

    EXPECT_EQ(e[28].value, 20);
    EXPECT_EQ(e[29].value2, -1);
    EXPECT_EQ(e[30].value2, kTypeNote);
    EXPECT_EQ(e[31].value2, kParamNoteDescriptor);
    EXPECT_EQ(e[32].text, "Note");
    EXPECT_EQ(e[35].number, 127.0);

    EXPECT_EQ(e[38].value, 3);
    EXPECT_EQ(e[39].value, 3);
    EXPECT_EQ(e[39].text, "Init");
}

TEST(Machine, ParameterChangeAndWaveRequestsReachTheHost) {
    BareMachine machine;
    // Without a host nothing is sent and no wave comes back.
    EXPECT_EQ(machine.Wave(2), nullptr);
    machine.Report(5, 0.5);

    RecordingHost host;
    host.Attach(machine);
    machine.Report(5, 0.625);
    ASSERT_EQ(host.entries.size(), 1u);
    EXPECT_EQ(host.entries[0].type, kHostParameterChanged);
    EXPECT_EQ(host.entries[0].value, 5);
    EXPECT_EQ(host.entries[0].number, 0.625);

    float sample = 0.0f;
    host.waveAnswer = &sample;
    EXPECT_EQ(machine.Wave(7), &sample);
    EXPECT_EQ(host.entries.back().type, kHostGetWave);
    EXPECT_EQ(host.entries.back().value2, 7);

    // Message 11 replaces the context and keeps callback and cookie.
    RecordingHost other;
    void* context = &other;
    EXPECT_EQ(Send(machine, kMsgSetHostContext, 0, &context), 1);
    machine.Report(1, 1.0);
    ASSERT_EQ(other.entries.size(), 1u);
    EXPECT_EQ(other.entries[0].cookie, &host.cookie);
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

TEST(Machine, DescriptionRecordsStartFromTheirDocumentedValues) {
    const MachineInfo info;
    EXPECT_EQ(info.kind, 0);
    EXPECT_EQ(info.inputChannels, 2);
    EXPECT_EQ(info.outputChannels, 2);
    EXPECT_EQ(info.inputChannelsPerTrack, 0);
    EXPECT_EQ(info.minTracks, MachineInfo::kTracksUnset);
    EXPECT_EQ(info.maxTracks, MachineInfo::kTracksUnset);
    EXPECT_TRUE(info.name.empty());

    const ParameterDescriptor fresh;
    EXPECT_EQ(fresh.folder, 0);
    EXPECT_EQ(fresh.type, 0);
    EXPECT_EQ(fresh.maximum, 0.0);
    EXPECT_TRUE(fresh.description.empty());

    const ParameterDescriptor note = ParameterDescriptor::Note("Note", "Played note");
    EXPECT_EQ(note.folder, -1);
    EXPECT_EQ(note.type, kTypeNote);
    EXPECT_EQ(note.flags, kParamNoteDescriptor);
    EXPECT_EQ(note.name, "Note");
    EXPECT_EQ(note.description, "Played note");
    EXPECT_EQ(note.minimum, 0.0);
    EXPECT_EQ(note.maximum, 127.0);
    EXPECT_EQ(note.defaultValue, 0.0);
    EXPECT_EQ(note.resolution, 0.0);
}

} // namespace
} // namespace tarn
