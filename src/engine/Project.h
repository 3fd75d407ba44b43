#pragma once

#include "engine/Node.h"
#include "engine/OwnedSlotList.h"
#include "machines/framework/Machine.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tarn {

// The document: its machine graph, and the tempo new machines are told.
// Node id = index in the node table; id 0 is the Master. Every operation
// runs on the GUI thread with the project lock held by the caller, reports
// 1 / 0 (creation: the id / -1) and writes exactly one "error: " line to
// the error pipe when it refuses; a refused operation changes nothing.
class Project {
public:
    static constexpr int kMasterId = 0;
    // Node ids and list positions travel as 16-bit values in events and
    // files; anything above this is refused rather than grown into.
    static constexpr int kMaxIndex = 32767;
    static constexpr int kProcessOrderCapacity = 256;

    Project();
    ~Project();
    Project(const Project&) = delete;
    Project& operator=(const Project&) = delete;

    // Wraps a ready machine in a Node, sets it up with the project's tempo
    // and puts it at id, or at the lowest free id when id is negative.
    // Returns the id, or -1 (the Node and machine are discarded).
    int CreateNode(std::string_view machineName, std::unique_ptr<Machine> machine, int id = -1,
                   std::span<const std::uint8_t> storedState = {});
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

    double Bpm() const { return bpm_; }
    double SampleRate() const { return sampleRate_; }
    void SetTempo(double bpm, double sampleRate);

private:
    bool CheckSourceAndDestination(int source, int destination) const;
    void RaiseDepth(int id, int depth, std::vector<int>& depths) const;
    bool IsUpstream(int x, int y, std::vector<bool>& visited) const;

    OwnedSlotList<Node> nodes_;
    SlotList<Node> processOrder_{kProcessOrderCapacity};
    std::vector<int> nodeOrder_;
    double bpm_ = 60.0;
    double sampleRate_ = 44100.0;
};

} // namespace tarn
