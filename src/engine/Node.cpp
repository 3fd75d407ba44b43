#include "engine/Node.h"

#include "base/MessagePipe.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tarn {
namespace {

std::string Text(const MachineMessage& message) {
    return message.pointer != nullptr ? static_cast<const char*>(message.pointer) : "";
}

// Tempo values reach machines as whole numbers, truncated toward zero;
// values no 32-bit integer can hold are clamped instead of overflowing.
std::int32_t Truncate(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::min(std::max(value, kLow), kHigh)));
}

} // namespace

Node::Node(std::string machineName, std::unique_ptr<Machine> machine)
    : machineName_(std::move(machineName)), machine_(std::move(machine)) {}

Node::~Node() = default;

bool Node::SetUp(std::span<const std::uint8_t> storedState, double sampleRate, double bpm) {
    if (!storedState.empty() &&
        !storedState_.Append(storedState.data(), static_cast<std::int32_t>(storedState.size()))) {
        return false;
    }
    try {
        HostLink link{this, &Node::HostCallback, nullptr};
        SendToMachine(kMsgAttachHost, 0, &link);
        SendToMachine(kMsgDescribe);
    } catch (...) {
        WarningOut() << "error: '" << machineName_ << "': register failed." << eol;
        return false;
    }
    name_ = info_.name.empty() ? machineName_ : info_.name;
    try {
        SetTrackCount(info_.minTracks);
        if (!AllocateChannels()) {
            return false;
        }
        SendToMachine(kMsgSetSampleRate, Truncate(sampleRate));
        SendToMachine(kMsgSetBpm, Truncate(bpm));
        SendToMachine(kMsgUpdateTempo);
        // The machine only reads the stored bytes during the call.
        SendToMachine(kMsgInit, storedState_.Size(),
                      const_cast<std::uint8_t*>(storedState_.Data()));
    } catch (...) {
        WarningOut() << "error: '" << machineName_ << "': init failed." << eol;
        return false;
    }
    return true;
}

int Node::SetTrackCount(int count) {
    if (count < 0 || count < info_.minTracks || count > info_.maxTracks) {
        return 0;
    }
    trackCount_ = count;
    SendToMachine(kMsgSetTrackCount, count);
    return 1;
}

std::int32_t Node::SendToMachine(std::int32_t type, std::int32_t value, void* pointer) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    return machine_->HandleMessage(&message);
}

int Node::InputChannelCount() const {
    return info_.inputChannels + info_.inputChannelsPerTrack * trackCount_;
}

int Node::OutputChannelCount() const {
    return info_.outputChannels + info_.outputChannelsPerTrack * trackCount_;
}

int Node::FindInput(int sourceId) const {
    int found = -1;
    for (auto [index, connection] : inputList_) {
        if (connection->SourceId() == sourceId) {
            found = index;
        }
    }
    return found;
}

bool Node::AllocateChannels() {
    // Buffers cover the largest track count so that changing the count never
    // reallocates on the way to the audio thread.
    const int tracks = std::max(info_.maxTracks, 0);
    return inputs_.Allocate(info_.inputChannels + info_.inputChannelsPerTrack * tracks) &&
           outputs_.Allocate(info_.outputChannels + info_.outputChannelsPerTrack * tracks);
}

std::int32_t Node::HostCallback(MachineMessage* message) {
    auto* node = static_cast<Node*>(message->hostContext);
    return node != nullptr ? node->TakeHostMessage(*message) : 0;
}

std::int32_t Node::TakeHostMessage(MachineMessage& message) {
    const std::int32_t type = message.messageType;
    switch (type) {
    case kHostGetWave:
        // The project has no wavetable yet, so every slot is empty.
        message.pointer = nullptr;
        return 1;
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
    std::lock_guard guard(lock_);
    if (parameterWriter_) {
        parameterWriter_(message.value, value);
    }
    return 0;
}

} // namespace tarn
