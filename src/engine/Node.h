#pragma once

#include "engine/ChannelBufferSet.h"
#include "engine/Connection.h"
#include "engine/OwnedSlotList.h"
#include "machines/framework/ByteBuffer.h"
#include "machines/framework/Machine.h"
#include "machines/framework/MachineInfo.h"
#include "machines/framework/ParameterDescriptor.h"
#include "machines/framework/ParameterFolder.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace tarn {

// One machine in the graph, and the host of that machine: it owns the
// machine, answers its host callback, keeps the description the machine sent
// (info, parameter descriptors of group 3, folders, programs), its channel
// buffers and the Connections of which it is the destination.
//
// Locks: graph edits and set-up run on the GUI thread with the project lock
// held; the work cycle renders the Node with the project lock and the Node
// lock held. The Node lock is recursive because a machine may report a
// parameter change from inside Work, where the lock is already held.
class Node {
public:
    static constexpr int kInputCapacity = 16;

    // Writes a value the machine reported through ParameterChanged into the
    // Node's parameter store (group 3, track 0); called with the Node lock
    // held, possibly from the audio thread.
    using ParameterWriter = std::function<void(std::int32_t index, double value)>;

    // machineName is the name the machine was created by; it names the
    // Node in set-up failures.
    Node(std::string machineName, std::unique_ptr<Machine> machine);
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Binds the machine: attach, describe, track count, channel buffers,
    // tempo and Init with a copy of the stored state. On failure the reason
    // is logged (when there is one to tell) and the Node must be discarded.
    bool SetUp(std::span<const std::uint8_t> storedState, double sampleRate, double bpm);

    // Refused (0, nothing sent) outside [minTracks, maxTracks] and for
    // negative counts; otherwise stores the count, tells the machine and
    // returns 1.
    int SetTrackCount(int count);

    // Sends one host-to-machine message and returns the machine's answer.
    std::int32_t SendToMachine(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr);

    int Id() const { return id_; }
    const std::string& MachineName() const { return machineName_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    Machine& MachineInstance() { return *machine_; }
    const MachineInfo& Info() const { return info_; }
    int TrackCount() const { return trackCount_; }
    // Channels in use for the current track count; never more than the
    // buffers allocated for the maximum track count.
    int InputChannelCount() const;
    int OutputChannelCount() const;
    ChannelBufferSet& Inputs() { return inputs_; }
    const ChannelBufferSet& Inputs() const { return inputs_; }
    ChannelBufferSet& Outputs() { return outputs_; }
    const ChannelBufferSet& Outputs() const { return outputs_; }

    const std::map<std::int32_t, ParameterDescriptor>& Parameters() const { return parameters_; }
    const std::map<std::int32_t, ParameterFolder>& Folders() const { return folders_; }
    const std::map<std::int32_t, std::string>& Programs() const { return programs_; }
    // Index of the machine's note parameter, -1 when it has none.
    std::int32_t NoteParameter() const { return noteParameter_; }
    const ByteBuffer& StoredState() const { return storedState_; }

    // The Connections that end here; the index is the Connection's track in
    // the input mixer group.
    OwnedSlotList<Connection>& InputList() { return inputList_; }
    const OwnedSlotList<Connection>& InputList() const { return inputList_; }
    // The index of the last Connection from sourceId, or -1.
    int FindInput(int sourceId) const;

    // Longest path to the Master, -1 when the Node does not feed it.
    int Depth() const { return depth_; }

    std::recursive_mutex& Lock() { return lock_; }

    void SetParameterWriter(ParameterWriter writer) { parameterWriter_ = std::move(writer); }

    // Written under the project lock, read by the work cycle.
    bool mute = false;
    bool solo = false;
    bool bypass = false;
    bool liveInput = false; // takes notes from the keyboard and MIDI input

private:
    friend class Project;

    static std::int32_t HostCallback(MachineMessage* message);
    std::int32_t TakeHostMessage(MachineMessage& message);
    std::int32_t TakeInfo(const MachineMessage& message);
    std::int32_t TakeParameter(const MachineMessage& message);
    std::int32_t TakeFolder(const MachineMessage& message);
    std::int32_t TakeParameterChange(const MachineMessage& message);
    bool AllocateChannels();

    int id_ = -1;
    std::string machineName_;
    std::string name_;
    std::unique_ptr<Machine> machine_;
    MachineInfo info_;
    std::map<std::int32_t, ParameterDescriptor> parameters_;
    std::map<std::int32_t, ParameterFolder> folders_;
    std::map<std::int32_t, std::string> programs_;
    std::int32_t noteParameter_ = -1;
    int trackCount_ = 0;
    ByteBuffer storedState_;
    ChannelBufferSet inputs_;
    ChannelBufferSet outputs_;
    OwnedSlotList<Connection> inputList_{kInputCapacity};
    int depth_ = -1;
    std::recursive_mutex lock_;
    ParameterWriter parameterWriter_;
};

} // namespace tarn
