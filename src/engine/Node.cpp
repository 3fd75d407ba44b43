#include "engine/Node.h"

#include "base/MessagePipe.h"
#include "engine/ProjectMutex.h"
#include "machines/framework/ParameterDisplay.h"
#include "machines/framework/vst/VstAdapter.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <utility>

namespace tarn {

namespace {

std::atomic<std::uint64_t> nextSerial{1};

} // namespace

Node::Node() : serial_(nextSerial.fetch_add(1, std::memory_order_relaxed)) {}
Node::~Node() = default;

void Node::CheckGuarded() const {
    assert(guard_ == nullptr || *guard_ == nullptr || (*guard_)->HeldHere());
}

void Node::SetMute(bool on) {
    CheckGuarded();
    mute_ = on;
}

void Node::SetSolo(bool on) {
    CheckGuarded();
    solo_ = on;
}

void Node::SetBypass(bool on) {
    CheckGuarded();
    bypass_ = on;
}

void Node::SetLiveInput(bool on) {
    CheckGuarded();
    liveInput_ = on;
}

void Node::SetRecordInputs(bool on) {
    CheckGuarded();
    recordInputs_ = on;
}

bool Node::SetUp(std::string_view machineName, std::span<const std::uint8_t> storedState,
                 const MachineCreator& createMachine, const TempoRecord& tempo) {
    machineName_ = machineName;
    if (!storedState.empty() &&
        !storedState_.Append(storedState.data(), static_cast<std::int32_t>(storedState.size()))) {
        return false;
    }
    std::optional<MachineHandle> handle;
    if (createMachine) {
        handle = createMachine(machineName);
    }
    if (!handle) {
        return false;
    }
    handle_.emplace(std::move(*handle));

    trackCount_ = 0;
    values_.FillTrack(kGroupSystem, 0, Parameters(kGroupSystem), false);
    values_.FillTrack(kGroupInputMixer, 0, Parameters(kGroupInputMixer), false);
    outputStage_.Init(tempo.sampleRate);

    try {
        AttachMachine();
    } catch (...) {
        WarningOut() << "error: '" << machineName_ << "': register failed." << eol;
        return false;
    }
    name_ = info_.name.empty() ? machineName_ : info_.name;

    // One track count for the whole Node: a machine whose minimum is above
    // 1 refuses the second call and keeps its minimum.
    SetTrackCount(kGroupMachine, info_.minTracks);
    SetTrackCount(kGroupSystem, 1);
    if (!AllocateChannels()) {
        return false;
    }
    try {
        InitMachine(tempo);
    } catch (...) {
        WarningOut() << "error: '" << machineName_ << "': init failed." << eol;
        return false;
    }
    ApplyDefaults();
    return true;
}

void Node::AttachMachine() {
    HostLink link{this, &Node::HostCallback, nullptr};
    Send(kMsgAttachHost, 0, &link);
    Send(kMsgDescribe);
}

void Node::InitMachine(const TempoRecord& tempo) {
    const std::int32_t rate = TruncateValue(tempo.sampleRate);
    // Sent twice, as every machine of the studio has always been told.
    Send(kMsgSetSampleRate, rate);
    Send(kMsgSetSampleRate, rate);
    SendTempoOrThrow(tempo.bpm);
    // The machine only reads the stored bytes during the call.
    Send(kMsgInit, storedState_.Size(), const_cast<std::uint8_t*>(storedState_.Data()));
}

bool Node::Restart(const MachineCreator& createMachine, const TempoRecord& tempo) {
    SendToMachine(kMsgStop, 1);
    // A plug-in restarts in place: a new instance would load its library
    // again and take its editor away. A built-in is simply made anew.
    auto* plugin = dynamic_cast<VstAdapter*>(&MachineInstance());
    const bool restarted =
        plugin != nullptr ? plugin->Restart() : ReplaceMachine(createMachine, tempo);
    // What a load queues: every stored value, at once and for the first
    // chunk, and nothing else.
    liveEvents_.Clear();
    RestoreValues(values_);
    outputStage_.Restart();
    return restarted;
}

void Node::RestoreValues(const ParameterStore& values) {
    values.ForEach([this](int group, int track, int index, double value) {
        SetStoredValue(group, track, index, value);
    });
}

bool Node::ReplaceMachine(const MachineCreator& createMachine, const TempoRecord& tempo) {
    std::optional<MachineHandle> fresh = createMachine ? createMachine(machineName_) : std::nullopt;
    if (!fresh) {
        return false;
    }
    // The successor starts from what the machine would save now, as it
    // would from a project file.
    if (SaveState() == 0) {
        return false;
    }
    std::optional<MachineHandle> previous = std::exchange(handle_, std::move(fresh));
    try {
        // The description is the one the Node already holds, told again.
        AttachMachine();
        Send(kMsgSetTrackCount, trackCount_);
        InitMachine(tempo);
    } catch (...) {
        handle_ = std::move(previous);
        return false;
    }
    return true;
}

void Node::ApplyDefaults() {
    // A note parameter has no value to start with: its default would play a
    // note.
    for (const auto& [index, descriptor] : parameters_) {
        if (descriptor.type != kTypeNote) {
            WriteParameter(kGroupMachine, 0, index, descriptor.defaultValue);
            QueueLiveEvent(kGroupMachine, 0, index, descriptor.defaultValue, 0.0, 0.0, true);
        }
    }
}

int Node::SaveState() {
    MachineMessage message;
    message.messageType = kMsgSaveState;
    try {
        handle_->Instance().HandleMessage(&message);
    } catch (...) {
        WarningOut() << "warning: '" << machineName_ << "': save state failed." << eol;
        return 0;
    }
    // The block is the host's from here on; an empty one clears the state.
    storedState_.Adopt(static_cast<std::uint8_t*>(message.pointer), message.value);
    return 1;
}

int Node::SetTrackCount(int group, int count) {
    if (count < 0 || count < info_.minTracks || count > info_.maxTracks) {
        return 0;
    }
    for (int track = trackCount_; track < count; ++track) {
        values_.FillTrack(group, track, Parameters(group), false);
    }
    trackCount_ = count;
    patterns_.TrackCountChanged(group, count);
    SendToMachine(kMsgSetTrackCount, count);
    return 1;
}

void Node::ConnectionAdded(int index) {
    values_.FillTrack(kGroupInputMixer, index, Parameters(kGroupInputMixer), true);
    patterns_.ConnectionAdded(index);
}

bool Node::MachineHolds(int group, int index) const {
    const ParameterDescriptor* descriptor =
        group == kGroupMachine ? FindParameter(group, index) : nullptr;
    return descriptor != nullptr && (descriptor->flags & kParamMachineHeld) != 0;
}

double Node::ReadParameter(int group, int track, int index) {
    if (MachineHolds(group, index)) {
        double value = 0.0;
        SendToMachine(kMsgGetParameterValue, index, &value);
        return value;
    }
    return values_.Read(group, track, index);
}

int Node::WriteParameter(int group, int track, int index, double value) {
    if (MachineHolds(group, index)) {
        SendToMachine(kMsgSetParameterValue, index, &value);
        return 1;
    }
    return values_.Write(group, track, index, value) ? 1 : 0;
}

int Node::FormatValue(int group, int index, double value, char* text) {
    if (group == kGroupSystem || group == kGroupInputMixer) {
        return system_parameter::FormatValue(index, value, text);
    }
    if (group != kGroupMachine) {
        return 0;
    }
    if (SendToMachine(kMsgFormatValue, index, &value, text) != 0) {
        return 1;
    }
    const ParameterDescriptor* descriptor = FindParameter(group, index);
    return descriptor != nullptr ? FormatByParameterType(descriptor->type, value, text) : 0;
}

int Node::SetStoredValue(int group, int track, int index, double value) {
    const int written = WriteParameter(group, track, index, value);
    if (written == 0) {
        return 0;
    }
    if (group == kGroupSystem) {
        outputStage_.Gains().Settle(index, value);
    } else if (Connection* connection =
                   group == kGroupInputMixer ? inputList_.Get(track) : nullptr) {
        connection->Gains().Settle(index, value);
    }
    const ParameterDescriptor* descriptor = FindParameter(group, index);
    if (descriptor == nullptr || descriptor->type != kTypeNote) {
        QueueLiveEvent(group, track, index, value, 0.0, 0.0, true);
    }
    return written;
}

void Node::QueueLiveEvent(int group, int track, int index, double value, double noteLength,
                          double velocity, bool replace) {
    const ParameterDescriptor* descriptor = FindParameter(group, index);
    const bool note = descriptor != nullptr && descriptor->type == kTypeNote;
    liveEvents_.Queue(static_cast<std::int16_t>(group), static_cast<std::int16_t>(track),
                      static_cast<std::int16_t>(index), value, noteLength, velocity, note, replace);
}

void Node::RunOutputStage(const WorkRecord& record) noexcept {
    outputStage_.Run(record, std::min(OutputChannelCount(), outputs_.Count()));
}

std::int32_t Node::Send(std::int32_t type, std::int32_t value, void* pointer, void* extra) {
    MachineMessage message;
    message.messageType = type;
    message.value = value;
    message.pointer = pointer;
    message.extra = extra;
    return handle_->Instance().HandleMessage(&message);
}

std::int32_t Node::SendToMachine(std::int32_t type, std::int32_t value, void* pointer,
                                 void* extra) noexcept {
    try {
        return Send(type, value, pointer, extra);
    } catch (...) {
        return 0;
    }
}

void Node::SendTempoOrThrow(double bpm) {
    Send(kMsgSetBpm, TruncateValue(bpm));
    Send(kMsgUpdateTempo);
}

void Node::SendTempo(double bpm) noexcept {
    try {
        SendTempoOrThrow(bpm);
    } catch (...) {
    }
}

const ParameterMap& Node::Parameters(int group) const {
    return group == kGroupMachine ? parameters_ : system_parameter::Descriptors(group);
}

const FolderMap& Node::Folders(int group) const {
    return group == kGroupMachine ? folders_ : system_parameter::Folders(group);
}

const ParameterDescriptor* Node::FindParameter(int group, int index) const {
    const ParameterMap& descriptors = Parameters(group);
    const auto found = descriptors.find(index);
    return found != descriptors.end() ? &found->second : nullptr;
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
    // The Master's rings feed the meters whenever they show; every other
    // Node's wait for an analyzer.
    return inputs_.Allocate(info_.inputChannels + info_.inputChannelsPerTrack * tracks) &&
           outputs_.Allocate(info_.outputChannels + info_.outputChannelsPerTrack * tracks) &&
           (info_.kind != kKindMaster || (inputs_.ProvideRings() && outputs_.ProvideRings()));
}

bool Node::WatchAnalyzer() {
    if (!inputs_.ProvideRings() || !outputs_.ProvideRings()) {
        return false;
    }
    meters.analyzerOn = true;
    return true;
}

} // namespace tarn
