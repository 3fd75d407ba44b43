#include "machines/framework/Machine.h"

namespace tarn {

std::int32_t Machine::HandleMessage(MachineMessage* message) {
    switch (message->messageType) {
    case kMsgWork:
        if (message->pointer == nullptr) {
            return 0;
        }
        return Work(*static_cast<const WorkRecord*>(message->pointer));
    case kMsgInit: {
        const ByteBuffer state = ByteBuffer::View(message->pointer, message->value);
        return Init(state);
    }
    case kMsgSaveState: {
        ByteBuffer state;
        const std::int32_t result = SaveState(state);
        const ByteBuffer::Block block = state.Detach();
        message->pointer = block.data;
        message->value = block.size;
        return result;
    }
    case kMsgLoadPlugin:
        return LoadPlugin(static_cast<const char*>(message->pointer));
    case kMsgReserved130:
        return Reserved130(message->value);
    case kMsgIdle:
        return Idle();
    case kMsgStop:
        return Stop(message->value);
    case kMsgUpdateTempo:
        beatsPerSample = bpm * kPerMinute / sampleRate;
        samplesPerBeat = sampleRate / (bpm * kPerMinute);
        return 0;
    case kMsgSetSampleRate:
        sampleRate = message->value;
        return 0;
    case kMsgSetBpm:
        bpm = message->value;
        return 0;
    case kMsgSetTrackCount:
        SetTrackCount(message->value);
        return 0;
    case kMsgGetParameterValue: {
        const double value = GetParameterValue(message->value);
        if (message->pointer != nullptr) {
            *static_cast<double*>(message->pointer) = value;
        }
        return 0;
    }
    case kMsgSetParameterValue:
        if (message->pointer == nullptr) {
            return 0;
        }
        return SetParameterValue(message->value, *static_cast<const double*>(message->pointer));
    case kMsgSetProgram:
        return SetProgram(message->value);
    case kMsgDescribe:
        Describe();
        return 1;
    case kMsgFormatValue:
        if (message->pointer == nullptr || message->extra == nullptr) {
            return 0;
        }
        return FormatValue(message->value, *static_cast<const double*>(message->pointer),
                           static_cast<char*>(message->extra));
    case kMsgGetEditorSize:
        return GetEditorSize(message->value);
    case kMsgOpenEditor:
        return OpenEditor(message->pointer);
    case kMsgCloseEditor:
        return CloseEditor();
    default:
        return MessageReceiver::HandleMessage(message);
    }
}

std::int32_t Machine::Init(const ByteBuffer&) {
    return 0;
}
std::int32_t Machine::LoadPlugin(const char*) {
    return 0;
}
std::int32_t Machine::Work(const WorkRecord&) {
    return 0;
}
std::int32_t Machine::SetTrackCount(std::int32_t) {
    return 0;
}
std::int32_t Machine::FormatValue(std::int32_t, double, char*) {
    return 0;
}
double Machine::GetParameterValue(std::int32_t) {
    return 0.0;
}
std::int32_t Machine::SetParameterValue(std::int32_t, double) {
    return 0;
}
std::int32_t Machine::SetProgram(std::int32_t) {
    return 0;
}
std::int32_t Machine::Describe() {
    return 0;
}
std::int32_t Machine::Reserved130(std::int32_t) {
    return 0;
}
std::int32_t Machine::Stop(std::int32_t) {
    return 0;
}
std::int32_t Machine::OpenEditor(void*) {
    return 0;
}
std::int32_t Machine::CloseEditor() {
    return 0;
}
std::int32_t Machine::GetEditorSize(std::int32_t) {
    return 0;
}
std::int32_t Machine::SaveState(ByteBuffer&) {
    return 0;
}
std::int32_t Machine::Idle() {
    return 0;
}

std::int32_t Machine::Send(std::int32_t type, std::int32_t value, std::int32_t value2,
                           const void* pointer) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.value2 = value2;
    // The host only reads through the pointer of the messages sent here.
    message.pointer = const_cast<void*>(pointer);
    return SendToHost(message);
}

std::int32_t Machine::DescribeInfo(const MachineInfo& info) {
    Send(kHostDescribeBegin);
    Send(kHostInfoName, 0, 0, info.name.c_str());
    Send(kHostInfoFlags, info.flags);
    Send(kHostInfoShortName, 0, 0, info.shortName.c_str());
    Send(kHostInfoAuthor, 0, 0, info.author.c_str());
    Send(kHostInfoAlternateName, 0, 0, info.alternateName.c_str());
    Send(kHostInfoRevision, info.revision);
    Send(kHostInfoKind, info.kind);
    Send(kHostInfoMinTracks, info.minTracks);
    Send(kHostInfoMaxTracks, info.maxTracks);
    Send(kHostInfoInputChannels, info.inputChannels);
    Send(kHostInfoOutputChannels, info.outputChannels);
    Send(kHostInfoInputChannelsPerTrack, info.inputChannelsPerTrack);
    Send(kHostInfoOutputChannelsPerTrack, info.outputChannelsPerTrack);
    return 1;
}

void Machine::DescribeParameter(std::int32_t index, const ParameterDescriptor& descriptor) {
    Send(kHostParameterBegin, index);
    Send(kHostParameterFolder, index, descriptor.folder);
    Send(kHostParameterType, index, descriptor.type);
    Send(kHostParameterFlags, index, descriptor.flags);
    Send(kHostParameterName, index, 0, descriptor.name.c_str());
    Send(kHostParameterDescription, index, 0, descriptor.description.c_str());
    Send(kHostParameterMinimum, index, 0, &descriptor.minimum);
    Send(kHostParameterMaximum, index, 0, &descriptor.maximum);
    Send(kHostParameterDefault, index, 0, &descriptor.defaultValue);
    Send(kHostParameterResolution, index, 0, &descriptor.resolution);
}

void Machine::DescribeFolder(std::int32_t index, const ParameterFolder& folder) {
    Send(kHostFolderBegin, index);
    Send(kHostFolderParent, index, folder.parent);
    Send(kHostFolderName, index, 0, folder.name.c_str());
    Send(kHostFolderFlag, index, folder.flag);
}

void Machine::DescribeProgram(std::int32_t number, const char* name) {
    Send(kHostProgramEntry, number);
    Send(kHostProgramName, number, 0, name);
}

std::int32_t Machine::ReportParameterChange(std::int32_t index, double value) {
    Send(kHostParameterChanged, index, 0, &value);
    return 1;
}

void* Machine::GetWave(std::int32_t slot) {
    MachineMessage message;
    message.messageType = kHostGetWave;
    message.value2 = slot;
    SendToHost(message);
    return message.pointer;
}

} // namespace tarn
