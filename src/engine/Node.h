#pragma once

#include "base/OwnedSlotList.h"
#include "engine/ChannelBufferSet.h"
#include "engine/Connection.h"
#include "engine/LiveEventQueue.h"
#include "engine/NodeMeters.h"
#include "engine/OutputStage.h"
#include "engine/ParameterStore.h"
#include "engine/SystemParameters.h"
#include "engine/TempoRecord.h"
#include "engine/Wave.h"
#include "machines/framework/ByteBuffer.h"
#include "machines/framework/Machine.h"
#include "machines/framework/MachineHandle.h"
#include "machines/framework/MachineInfo.h"
#include "sequencing/PatternList.h"
#include "sequencing/SequenceTrackList.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tarn {

class ProjectMutex;

// How the editors show a Node. Kept with the project file; the work cycle
// never reads it.
struct NodeEditorState {
    // Where the machine view shows the Node: fractions of its width and
    // height.
    double x = 0.0;
    double y = 0.0;
    // Values only the editors interpret.
    std::array<std::int32_t, 2> values = {0, 0};
    // The pattern number the Node's editors show; -1 for none.
    std::int32_t currentPattern = -1;
};

// Makes the machine of a registry name, or none (having said why on the
// error pipe). Production code wraps the machine factory; tests may wrap
// their own machines.
using MachineCreator = std::function<std::optional<MachineHandle>(std::string_view name)>;

// One machine in the graph, and the host of that machine: it owns the
// machine, answers its host callback, keeps the description the machine sent
// (info, parameter descriptors of group 3, folders, programs), the values of
// its parameters, its own volume and position (groups 1 and 2), its channel
// buffers and the Connections of which it is the destination.
//
// Locks: graph edits, set-up and parameter edits run on the GUI thread with
// the project lock held; the work cycle renders the Node with the project
// lock and the Node lock held. The Node lock is recursive because a machine
// may report a parameter change from inside Work, where the lock is already
// held.
class Node {
public:
    static constexpr int kInputCapacity = 16;

    Node();
    ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Makes the machine of machineName and binds it: host link, description,
    // track count, channel buffers, tempo, Init with a copy of storedState,
    // then every parameter's default, also queued as a live event so that the
    // machine hears it in its first chunk. On failure the reason is logged
    // (when there is one to tell) and the Node must be discarded.
    bool SetUp(std::string_view machineName, std::span<const std::uint8_t> storedState,
               const MachineCreator& createMachine, const TempoRecord& tempo);

    // Brings the Node back to how a project loaded with its present values
    // would have it, so that a render starts from the same state whatever
    // played before: stops the machine and clears its voices, delay lines
    // and tails (a plug-in suspended and resumed in place, any other
    // machine made anew, set up like this one and started from its saved
    // state),
    // queues every stored value instead of whatever was queued, and settles
    // its volume and position. False when the machine could be neither
    // restarted nor replaced; it is then only stopped. GUI thread, project
    // lock held, the song stopped.
    bool Restart(const MachineCreator& createMachine, const TempoRecord& tempo);

    // The values the Node keeps itself (not those its machine holds), and
    // putting back values taken earlier: each is set as a stored value is
    // (SetStoredValue), so that the machine hears it too. Project lock held.
    const ParameterStore& Values() const { return values_; }
    void RestoreValues(const ParameterStore& values);

    // Refused (0, nothing sent) outside [minTracks, maxTracks]. Otherwise the
    // group's values for the new tracks are made where missing, the count
    // (one for every group) is stored and sent to the machine; 1.
    int SetTrackCount(int group, int count);

    // A Connection was put at index of the input list: its input mixer
    // values start over at their defaults.
    void ConnectionAdded(int index);

    // Parameter values. A machine parameter carrying kParamMachineHeld is
    // asked from or sent to the machine; everything else lives in the
    // Node's store, where a missing record reads 0.0 and takes no writes
    // (WriteParameter then answers 0). Project lock held; allocate nothing.
    double ReadParameter(int group, int track, int index);
    int WriteParameter(int group, int track, int index, double value);

    // The display text of a value into text (kValueTextSize bytes); 0 when
    // nothing was written. Groups 1 and 2 are formatted here; for group 3
    // the machine is asked first and the parameter's type decides otherwise.
    int FormatValue(int group, int index, double value, char* text);

    // Sets a stored value, as a project being built or loaded does: writes
    // it, puts a volume, position or input mix at it at once (no glide from
    // the old value), and queues it for the machine's first chunk unless it
    // is a note. Answers WriteParameter's result; nothing else happens when
    // that is 0. Project lock held, not playing.
    int SetStoredValue(int group, int track, int index, double value);

    // Queues an event for the Node's next chunk (see LiveEventQueue); a note
    // parameter's event carries the note length and velocity.
    void QueueLiveEvent(int group, int track, int index, double value, double noteLength = 0.0,
                        double velocity = 0.0, bool replace = false);
    LiveEventQueue& LiveEvents() { return liveEvents_; }

    // The Node's volume and position over one chunk of its outputs (see
    // OutputStage). Audio thread, Node lock held.
    void RunOutputStage(const WorkRecord& record) noexcept;
    const OutputStage& Output() const { return outputStage_; }

    // Sends one host-to-machine message and returns the machine's answer;
    // anything the machine throws counts as 0, not handled.
    std::int32_t SendToMachine(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                               void* extra = nullptr) noexcept;
    // Tells the machine a new tempo: the BPM as a whole number, then the
    // order to derive its beat lengths.
    void SendTempo(double bpm) noexcept;

    int Id() const { return id_; }
    // Unique among every Node the process ever makes, so that a record
    // kept by id (an undo entry) can tell its Node from a later one that
    // took the same id.
    std::uint64_t Serial() const { return serial_; }
    // A deleted Node put back (an undone deletion) is the same Node to
    // every record that names it: it takes back the serial it had.
    void RestoreSerial(std::uint64_t serial) { serial_ = serial; }
    // The registry name the machine was made from.
    const std::string& MachineName() const { return machineName_; }
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    Machine& MachineInstance() { return handle_->Instance(); }
    const MachineHandle& Handle() const { return *handle_; }
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

    // The machine's parameters and folders (group 3), keyed by its indices.
    const ParameterMap& Parameters() const { return parameters_; }
    const FolderMap& Folders() const { return folders_; }
    // The same for any group; empty for a group the Node does not have.
    const ParameterMap& Parameters(int group) const;
    const FolderMap& Folders(int group) const;
    // Null when the group has no parameter of that index.
    const ParameterDescriptor* FindParameter(int group, int index) const;
    const std::map<std::int32_t, std::string>& Programs() const { return programs_; }
    // Index of the machine's note parameter, -1 when it has none.
    std::int32_t NoteParameter() const { return noteParameter_; }
    // The block the machine last saved: what set-up handed to Init until
    // the next SaveState.
    const ByteBuffer& StoredState() const { return storedState_; }
    // Asks the machine for its state (SaveState) and keeps the block it
    // hands over in place of the stored one. 0, with a warning line and the
    // stored block left as it was, when the machine throws.
    int SaveState();

    // The Connections that end here; the index is the Connection's track in
    // the input mixer group.
    OwnedSlotList<Connection>& InputList() { return inputList_; }
    const OwnedSlotList<Connection>& InputList() const { return inputList_; }
    // The index of the last Connection from sourceId, or -1.
    int FindInput(int sourceId) const;

    // Longest path to the Master, -1 when the Node does not feed it.
    int Depth() const { return depth_; }

    // Makes the analyzer rings of the Node's inputs and outputs where they
    // are not made yet and has the work cycle feed them (meters.analyzerOn);
    // false, with nothing fed, when memory runs out. GUI thread, project
    // lock held.
    bool WatchAnalyzer();

    std::recursive_mutex& Lock() { return lock_; }

    // The Node's patterns (by pattern number) and the sequence tracks that
    // place them in the song.
    PatternList& Patterns() { return patterns_; }
    const PatternList& Patterns() const { return patterns_; }
    SequenceTrackList& SequenceTracks() { return sequenceTracks_; }
    const SequenceTrackList& SequenceTracks() const { return sequenceTracks_; }

    NodeMeters meters;

    // Flags the work cycle reads. Once the Node's project is current, they
    // are set only under the project lock (checked in debug builds).
    bool Muted() const { return mute_; }
    bool Soloed() const { return solo_; }
    bool Bypassed() const { return bypass_; }
    // Takes notes from the keyboard and MIDI input.
    bool LiveInput() const { return liveInput_; }
    // The audio streamer records this Node's input channels instead of its
    // outputs when it is the project's record source.
    bool RecordsInputs() const { return recordInputs_; }
    void SetMute(bool on);
    void SetSolo(bool on);
    void SetBypass(bool on);
    void SetLiveInput(bool on);
    void SetRecordInputs(bool on);

    // GUI thread, project lock held.
    NodeEditorState& Editor() { return editor_; }
    const NodeEditorState& Editor() const { return editor_; }

private:
    friend class Project;

    // The unguarded send of set-up, where a throw ends the set-up.
    std::int32_t Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr,
                      void* extra = nullptr);
    void SendTempoOrThrow(double bpm);
    // The steps of set-up that bind a machine; they throw what it throws.
    void AttachMachine();
    void InitMachine(const TempoRecord& tempo);
    bool ReplaceMachine(const MachineCreator& createMachine, const TempoRecord& tempo);
    void ApplyDefaults();
    // Asserts that the project lock is held when the project is current.
    void CheckGuarded() const;
    bool MachineHolds(int group, int index) const;
    static std::int32_t HostCallback(MachineMessage* message) noexcept;
    std::int32_t TakeHostMessage(MachineMessage& message);
    std::int32_t TakeInfo(const MachineMessage& message);
    std::int32_t TakeParameter(const MachineMessage& message);
    std::int32_t TakeFolder(const MachineMessage& message);
    std::int32_t TakeParameterChange(const MachineMessage& message);
    bool AllocateChannels();

    int id_ = -1;
    std::uint64_t serial_;
    // The project's guard (see Project::SetGuard), set before the machine
    // is made.
    const ProjectMutex* const* guard_ = nullptr;
    bool mute_ = false;
    bool solo_ = false;
    bool bypass_ = false;
    bool liveInput_ = false;
    bool recordInputs_ = false;
    NodeEditorState editor_;
    // The wavetable GetWave answers from: the project's, set before the
    // machine is made.
    const OwnedSlotList<Wave>* waves_ = nullptr;
    std::string machineName_;
    std::string name_;
    std::optional<MachineHandle> handle_;
    MachineInfo info_;
    ParameterMap parameters_;
    FolderMap folders_;
    std::map<std::int32_t, std::string> programs_;
    std::int32_t noteParameter_ = -1;
    int trackCount_ = 0;
    ByteBuffer storedState_;
    ParameterStore values_;
    LiveEventQueue liveEvents_;
    OutputStage outputStage_;
    ChannelBufferSet inputs_;
    ChannelBufferSet outputs_;
    OwnedSlotList<Connection> inputList_{kInputCapacity};
    int depth_ = -1;
    std::recursive_mutex lock_;
    PatternList patterns_;
    SequenceTrackList sequenceTracks_{patterns_};
};

} // namespace tarn
