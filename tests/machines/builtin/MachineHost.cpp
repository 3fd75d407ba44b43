#include "MachineHost.h"

#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>

namespace tarn::test {
namespace {

std::int32_t SendTo(Machine& machine, std::int32_t type, std::int32_t value = 0,
                    void* pointer = nullptr, void* extra = nullptr) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return machine.HandleMessage(&message);
}

} // namespace

void MachineHost::BuildDspTables() {
    if (DspSampleRate() != kRate) {
        EXPECT_EQ(InitializeDspLibrary(kRate), 1);
    }
}

MachineHost::MachineHost(Machine& machine, int bpm, HostLink* link) : machine_(machine) {
    BuildDspTables();
    if (link != nullptr) {
        EXPECT_EQ(Send(kMsgAttachHost, 0, link), 1);
        EXPECT_EQ(Send(kMsgDescribe), 1);
    }
    Send(kMsgSetSampleRate, static_cast<std::int32_t>(kRate));
    SetTempo(bpm);
    EXPECT_EQ(Send(kMsgInit), 1);
}

std::int32_t MachineHost::Send(std::int32_t type, std::int32_t value, void* pointer, void* extra) {
    return SendTo(machine_, type, value, pointer, extra);
}

void MachineHost::SetTempo(int bpm) {
    Send(kMsgSetBpm, bpm);
    Send(kMsgUpdateTempo);
}

std::int32_t MachineHost::Format(std::int32_t index, double value, std::string& text) {
    std::array<char, 256> buffer{};
    const std::int32_t answer = Send(kMsgFormatValue, index, &value, buffer.data());
    text = buffer.data();
    return answer;
}

EventRecord& MachineHost::Queue(std::int32_t index, double value, int offset) {
    EventRecord& event = pending_.emplace_back();
    event.group = kGroupMachine;
    event.index = static_cast<std::int16_t>(index);
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    return event;
}

EventRecord& MachineHost::QueueNote(std::int32_t noteIndex, double note, double lengthBeats,
                                    double velocity, int offset) {
    EventRecord& event = Queue(noteIndex, note, offset);
    event.noteLength = lengthBeats;
    event.velocity = velocity;
    return event;
}

MachineHost::Stereo MachineHost::Run(int frames) {
    return Run(frames, Input{}, Input{});
}

MachineHost::Stereo MachineHost::Run(int frames, Input left, Input right) {
    return Run(machine_, pending_, frames, left, right);
}

MachineHost::Stereo MachineHost::Run(Machine& machine, std::vector<EventRecord>& pending,
                                     int frames, Input left, Input right) {
    std::array<Input, 2> sources{left, right};
    std::array<std::array<double, kMaxChunkFrames>, 2> in{};
    std::array<std::array<double, kMaxChunkFrames>, 2> out{};
    std::array<ChannelBufferRecord, 2> inRecords{};
    std::array<ChannelBufferRecord, 2> outRecords{};
    std::array<ChannelBufferRecord*, 2> inputs{};
    std::array<ChannelBufferRecord*, 2> outputs{};
    for (int channel = 0; channel < 2; ++channel) {
        inRecords[channel] = {in[channel].data(), sources[channel].connected ? 1 : 0};
        outRecords[channel] = {out[channel].data(), 1};
        inputs[channel] = &inRecords[channel];
        outputs[channel] = &outRecords[channel];
    }
    std::vector<EventRecord*> events;
    for (EventRecord& event : pending) {
        events.push_back(&event);
    }
    std::stable_sort(events.begin(), events.end(), [](const EventRecord* a, const EventRecord* b) {
        return a->offset < b->offset;
    });
    Stereo result;
    int done = 0;
    do {
        const int chunk = std::min(frames - done, kMaxChunkFrames);
        for (int channel = 0; channel < 2; ++channel) {
            const std::span<const double> samples = sources[channel].samples;
            for (int i = 0; i < chunk; ++i) {
                const auto at = static_cast<std::size_t>(done + i);
                in[channel][i] = at < samples.size() ? samples[at] : 0.0;
            }
            out[channel].fill(kUnwritten);
        }
        WorkRecord record;
        record.inputs = inputs.data();
        record.outputs = outputs.data();
        record.frameCount = chunk;
        record.events = done == 0 ? events.data() : nullptr;
        record.eventCount = done == 0 ? static_cast<std::int32_t>(events.size()) : 0;
        EXPECT_EQ(SendTo(machine, kMsgWork, 0, &record), 1);
        result.left.insert(result.left.end(), out[0].begin(), out[0].begin() + chunk);
        result.right.insert(result.right.end(), out[1].begin(), out[1].begin() + chunk);
        done += chunk;
    } while (done < frames);
    pending.clear();
    return result;
}

const MachineDescription::Parameter* MachineDescription::Find(std::int32_t index) const {
    const auto found = std::find_if(parameters.begin(), parameters.end(),
                                    [index](const Parameter& p) { return p.index == index; });
    return found != parameters.end() ? &*found : nullptr;
}

std::int32_t MachineDescription::Callback(MachineMessage* message) noexcept {
    auto& self = *static_cast<MachineDescription*>(message->hostContext);
    const std::int32_t type = message->messageType;
    const std::int32_t index = message->value;
    const auto* text = static_cast<const char*>(message->pointer);
    const auto number = [message] { return *static_cast<const double*>(message->pointer); };
    if (type == kHostDescribeBegin) {
        return 1;
    }
    if (type > kHostDescribeBegin && type <= kHostInfoFlags) {
        const bool carriesText = type == kHostInfoName || type == kHostInfoAuthor ||
                                 type == kHostInfoAlternateName || type == kHostInfoShortName;
        if (carriesText) {
            self.infoTexts[type] = text;
        } else {
            self.infoValues[type] = index;
        }
        return 0;
    }
    if (type == kHostProgramName) {
        self.programs.emplace_back(text);
        return 0;
    }
    if (type == kHostParameterBegin) {
        self.parameters.push_back({index, {}});
        return 0;
    }
    if (type >= kHostFolderBegin && type <= kHostFolderFlag) {
        ParameterFolder& folder = self.folders[index];
        if (type == kHostFolderBegin) {
            folder = ParameterFolder{};
        } else if (type == kHostFolderParent) {
            folder.parent = message->value2;
        } else if (type == kHostFolderName) {
            folder.name = text;
        } else if (type == kHostFolderFlag) {
            folder.flag = message->value2;
        }
        return 0;
    }
    // Wave requests and parameter changes the machine reports are not kept.
    if (type < kHostParameterBegin || type > kHostParameterResolution) {
        return 0;
    }
    if (self.parameters.empty() || self.parameters.back().index != index) {
        ADD_FAILURE() << "parameter field " << type << " outside its parameter " << index;
        return 0;
    }
    ParameterDescriptor& parameter = self.parameters.back().descriptor;
    switch (type) {
    case kHostParameterFolder:
        parameter.folder = message->value2;
        break;
    case kHostParameterType:
        parameter.type = message->value2;
        break;
    case kHostParameterFlags:
        parameter.flags = message->value2;
        break;
    case kHostParameterName:
        parameter.name = text;
        break;
    case kHostParameterDescription:
        parameter.description = text;
        break;
    case kHostParameterMinimum:
        parameter.minimum = number();
        break;
    case kHostParameterMaximum:
        parameter.maximum = number();
        break;
    case kHostParameterDefault:
        parameter.defaultValue = number();
        break;
    case kHostParameterResolution:
        parameter.resolution = number();
        break;
    default:
        break;
    }
    return 0;
}

} // namespace tarn::test
