#pragma once

#include "base/OwnedSlotList.h"
#include "engine/Node.h"
#include "engine/SongTransport.h"
#include "engine/TempoRecord.h"
#include "engine/Wave.h"
#include "machines/framework/MachineFactory.h"

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// The document: its machine graph, its tempo and its song clock.
// Node id = index in the node table; id 0 is the Master. Every operation
// runs with the project lock held by the caller (graph edits and transport
// commands on the GUI thread, the tempo update and the position advance in
// the work cycle), reports 1 / 0 (creation: the id / -1) and writes exactly
// one "error: " line to the error pipe when it refuses; a refused operation
// changes nothing.
class ProjectMutex;

class Project {
public:
    static constexpr int kMasterId = 0;
    // Node ids and list positions travel as 16-bit values in events and
    // files; anything above this is refused rather than grown into.
    static constexpr int kMaxIndex = 32767;
    static constexpr int kProcessOrderCapacity = 256;

    // Machines come from createMachine, which must outlive the project. The
    // timing (the sample rate above all) is the engine's.
    explicit Project(MachineCreator createMachine, const TempoRecord& tempo = {});
    // Machines come from the factory, which must outlive the project.
    explicit Project(const MachineFactory& factory, const TempoRecord& tempo = {});
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Makes the machine of machineName, sets up its Node with the project's
    // tempo and the stored state, and puts it at id, or at the lowest free id
    // when id is negative. Returns the id, or -1 (nothing is kept).
    int CreateNode(std::string_view machineName, std::span<const std::uint8_t> storedState = {},
                   int id = -1);
    int DeleteNode(int id);

    // Connects source to destination with the default routes, at index of
    // the destination's input list (lowest free index when negative).
    int ConnectMachines(int source, int destination, int index = -1);
    // Adds one route, making the Connection at connectionIndex when there is
    // none from source yet; the route goes to routeIndex. Negative indices
    // take the lowest free one.
    int ConnectChannels(int source, int sourceChannel, int destination, int destinationChannel,
                        int connectionIndex = -1, int routeIndex = -1);
    int DisconnectMachines(int destination, int index);
    // Removes one route; a Connection left without routes goes too.
    int DisconnectChannels(int source, int sourceChannel, int destination, int destinationChannel);

    // The loop test: whether audio from x reaches y.
    bool IsUpstream(int x, int y) const;

    // Depths and process order. Creation and deletion run only this, so the
    // connected flags keep their values until the next connect or disconnect.
    void RebuildProcessOrder();
    // Marks every channel a route uses; a route naming a channel its Node
    // does not have is skipped.
    void RebuildConnectedFlags();

    Node* GetNode(int id) const { return nodes_.Get(id); }
    const OwnedSlotList<Node>& Nodes() const { return nodes_; }
    // Every Node once: deepest first, so each Node comes after all Nodes
    // that feed it; Nodes that do not feed the Master come after it.
    const SlotList<Node>& ProcessOrder() const { return processOrder_; }
    // Node ids in the order the project keeps them; deleting a Node removes
    // its entry.
    std::vector<int>& NodeOrder() { return nodeOrder_; }
    const std::vector<int>& NodeOrder() const { return nodeOrder_; }

    TempoRecord& Tempo() { return tempo_; }
    const TempoRecord& Tempo() const { return tempo_; }
    SongTransport& Transport() { return transport_; }
    const SongTransport& Transport() const { return transport_; }

    // The samples the samplers play, by wavetable index (stable while other
    // slots change).
    OwnedSlotList<Wave>& Waves() { return waves_; }
    const OwnedSlotList<Wave>& Waves() const { return waves_; }

    std::string name = "Untitled";
    // Where the project was last saved or loaded from; empty for a new one.
    std::string filePath;
    // The editors' selection and the id of the Node they edit; the project
    // only keeps them with the file.
    std::array<std::int32_t, 2> editorSelection = {0, 0};
    std::int32_t editedNodeId = kMasterId;

    // The Node the audio streamer records (its inputs or outputs, as the
    // Node's recordInputs flag says). An id without a Node records nothing.
    // Not stored in the project file.
    int recordSourceId = kMasterId;

    // Stops the song and tells every machine to silence its voices.
    void Stop();
    // Stops the song and restarts every Node (Node::Restart), so that what
    // plays next sounds as in a freshly loaded project. A Node whose machine
    // can be neither restarted nor replaced is stopped and named in a
    // warning line.
    void Restart();
    // Moves the song to beat and silences the voices as Stop does, playing
    // or not: what sounded belongs to the old position, and the events due
    // from the new one follow.
    void Relocate(double beat);

    // Once per chunk, after every Node was rendered: takes the Master's tempo
    // parameter when it changed, into the project's record and the global
    // copies, and tells every machine. A tempo that is not a positive number
    // is not taken. True when the tempo changed.
    bool UpdateTempo();

    // The lock of the CurrentProject that holds this project, or null while
    // it is built or kept aside (see CurrentProject::Set).
    void SetGuard(const ProjectMutex* guard) { guard_ = guard; }

    // Where the next chunk's events end (see SongTransport::ChunkEnd).
    double ChunkEnd(int frames) const;
    // After each chunk: moves the song on and wraps, or stops at the end of
    // the active range without repeat (every chunk while it stays there).
    void AdvancePosition(int frames);

private:
    void SilenceVoices();
    bool CheckSourceAndDestination(int source, int destination) const;
    void RaiseDepth(int id, int depth, std::vector<int>& depths) const;
    bool IsUpstream(int x, int y, std::vector<bool>& visited) const;

    OwnedSlotList<Node> nodes_;
    SlotList<Node> processOrder_{kProcessOrderCapacity};
    std::vector<int> nodeOrder_;
    OwnedSlotList<Wave> waves_;
    MachineCreator createMachine_;
    TempoRecord tempo_;
    SongTransport transport_;
    const ProjectMutex* guard_ = nullptr;
};

} // namespace tarn
