// The host side of the machine protocol: what a Node does with the messages
// its machine sends through the host callback.
#include "engine/Node.h"

namespace tarn {
namespace {

std::string Text(const MachineMessage& message) {
    return message.pointer != nullptr ? static_cast<const char*>(message.pointer) : "";
}

} // namespace

std::int32_t Node::HostCallback(MachineMessage* message) noexcept {
    auto* node = message != nullptr ? static_cast<Node*>(message->hostContext) : nullptr;
    if (node == nullptr) {
        return 0;
    }
    // Descriptions and names are copied into the Node; running out of
    // memory there loses that one field rather than unwinding through
    // the machine.
    try {
        return node->TakeHostMessage(*message);
    } catch (...) {
        return 0;
    }
}

std::int32_t Node::TakeHostMessage(MachineMessage& message) {
    const std::int32_t type = message.messageType;
    switch (type) {
    case kHostGetWave: {
        // Machines ask from Work as well: a look-up only, under the project
        // lock the caller holds.
        const Wave* wave = waves_ != nullptr ? waves_->Get(message.value2) : nullptr;
        const Sound* sound = wave != nullptr ? wave->GetSound() : nullptr;
        message.pointer = sound != nullptr ? const_cast<SoundData*>(&sound->Data()) : nullptr;
        return 1;
    }
    case kHostProgramEntry:
        programs_.try_emplace(message.value);
        return 1;
    case kHostProgramName:
        programs_[message.value] = Text(message);
        return 1;
    case kHostParameterChanged:
        return TakeParameterChange(message);
    default:
        break;
    }
    if (type >= kHostDescribeBegin && type <= kHostInfoFlags) {
        return TakeInfo(message);
    }
    if (type >= kHostParameterBegin && type <= kHostParameterResolution) {
        return TakeParameter(message);
    }
    if (type >= kHostFolderBegin && type <= kHostFolderFlag) {
        return TakeFolder(message);
    }
    return 0;
}

std::int32_t Node::TakeInfo(const MachineMessage& message) {
    switch (message.messageType) {
    case kHostDescribeBegin:
        return 1;
    case kHostInfoName:
        info_.name = Text(message);
        return 1;
    case kHostInfoAuthor:
        info_.author = Text(message);
        return 1;
    case kHostInfoAlternateName:
        info_.alternateName = Text(message);
        return 1;
    case kHostInfoShortName:
        info_.shortName = Text(message);
        return 1;
    case kHostInfoRevision:
        info_.revision = message.value;
        return 1;
    case kHostInfoKind:
        info_.kind = message.value;
        return 1;
    case kHostInfoMinTracks:
        info_.minTracks = message.value;
        return 1;
    case kHostInfoMaxTracks:
        info_.maxTracks = message.value;
        return 1;
    case kHostInfoInputChannels:
        info_.inputChannels = message.value;
        return 1;
    case kHostInfoOutputChannels:
        info_.outputChannels = message.value;
        return 1;
    case kHostInfoFlags:
        info_.flags = message.value;
        return 1;
    default:
        // Per-track channel counts (210, 211) are not taken: they stay 0.
        return 0;
    }
}

std::int32_t Node::TakeParameter(const MachineMessage& message) {
    if (message.messageType == kHostParameterBegin) {
        parameters_.try_emplace(message.value);
        return 1;
    }
    // A field for a parameter that was never begun has nowhere to go.
    const auto found = parameters_.find(message.value);
    if (found == parameters_.end()) {
        return 0;
    }
    ParameterDescriptor& descriptor = found->second;
    const auto* number = static_cast<const double*>(message.pointer);
    switch (message.messageType) {
    case kHostParameterFolder:
        descriptor.folder = message.value2;
        return 1;
    case kHostParameterType:
        descriptor.type = message.value2;
        if (descriptor.type == kTypeNote) {
            noteParameter_ = message.value;
        }
        return 1;
    case kHostParameterFlags:
        descriptor.flags = message.value2;
        return 1;
    case kHostParameterName:
        descriptor.name = Text(message);
        return 1;
    case kHostParameterDescription:
        descriptor.description = Text(message);
        return 1;
    default:
        break;
    }
    if (number == nullptr) {
        return 0;
    }
    switch (message.messageType) {
    case kHostParameterMinimum:
        descriptor.minimum = *number;
        return 1;
    case kHostParameterMaximum:
        descriptor.maximum = *number;
        return 1;
    case kHostParameterDefault:
        descriptor.defaultValue = *number;
        return 1;
    case kHostParameterResolution:
        descriptor.resolution = *number;
        return 1;
    default:
        return 0;
    }
}

std::int32_t Node::TakeFolder(const MachineMessage& message) {
    if (message.messageType == kHostFolderBegin) {
        folders_.try_emplace(message.value);
        return 1;
    }
    const auto found = folders_.find(message.value);
    if (found == folders_.end()) {
        return 0;
    }
    switch (message.messageType) {
    case kHostFolderParent:
        found->second.parent = message.value2;
        return 1;
    case kHostFolderName:
        found->second.name = Text(message);
        return 1;
    case kHostFolderFlag:
        found->second.flag = message.value2;
        return 1;
    default:
        return 0;
    }
}

std::int32_t Node::TakeParameterChange(const MachineMessage& message) {
    const auto found = parameters_.find(message.value);
    if (found == parameters_.end() || (found->second.flags & kParamMachineHeld) != 0 ||
        message.pointer == nullptr) {
        return 0;
    }
    const double value = *static_cast<const double*>(message.pointer);
    // Machines may report from any thread, the audio thread included.
    std::lock_guard guard(lock_);
    values_.Write(kGroupMachine, 0, message.value, value);
    return 0;
}

} // namespace tarn
