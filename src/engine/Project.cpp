#include "engine/Project.h"

#include "base/MessagePipe.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace tarn {
namespace {

// The Master's tempo parameter (group 3, track 0).
constexpr int kTempoParameter = 0;

bool CheckIndex(const char* what, int index) {
    if (index > Project::kMaxIndex) {
        ErrorOut() << "error: " << what << " index " << index << " is out of range" << eol;
        return false;
    }
    return true;
}

} // namespace

Project::Project(MachineCreator createMachine, const TempoRecord& tempo)
    : createMachine_(std::move(createMachine)), tempo_(tempo) {}

Project::Project(const MachineFactory& factory, const TempoRecord& tempo)
    : Project([&factory](std::string_view name) { return factory.CreateMachine(name); }, tempo) {}

Project::~Project() = default;

int Project::CreateNode(std::string_view machineName, std::span<const std::uint8_t> storedState,
                        int id) {
    if (id > kMaxIndex) {
        ErrorOut() << "error: node id " << id << " is out of range" << eol;
        return -1;
    }
    // A stored project naming one id twice must not silently replace a
    // Node that Connections already refer to.
    if (id >= 0 && nodes_.Get(id) != nullptr) {
        ErrorOut() << "error: node " << id << " already exists" << eol;
        return -1;
    }
    auto node = std::make_unique<Node>();
    node->waves_ = &waves_;
    node->guard_ = &guard_;
    if (!node->SetUp(machineName, storedState, createMachine_, tempo_)) {
        return -1;
    }
    Node* created = node.get();
    id = nodes_.Place(id, std::move(node));
    created->id_ = id;
    RebuildProcessOrder();
    return id;
}

int Project::DeleteNode(int id) {
    if (id == kMasterId) {
        ErrorOut() << "error: master can't be deleted" << eol;
        return 0;
    }
    if (nodes_.Get(id) == nullptr) {
        ErrorOut() << "error: node " << id << " does not exist" << eol;
        return 0;
    }
    for (auto [nodeId, node] : nodes_) {
        OwnedSlotList<Connection>& inputs = node->InputList();
        for (int index = inputs.Slots().First(); index != -1;) {
            const int next = inputs.Slots().Next(index);
            if (inputs.Get(index)->SourceId() == id) {
                inputs.Remove(index);
            }
            index = next;
        }
    }
    const std::unique_ptr<Node> removed = nodes_.Remove(id);
    std::erase(nodeOrder_, id);
    RebuildProcessOrder();
    return 1;
}

void Project::Stop() {
    transport_.MarkStopped();
    SilenceVoices();
}

void Project::Relocate(double beat) {
    transport_.position = beat;
    SilenceVoices();
}

void Project::SilenceVoices() {
    for (auto [id, node] : nodes_) {
        node->SendToMachine(kMsgStop, 1);
    }
}

void Project::Restart() {
    transport_.MarkStopped();
    for (auto [id, node] : nodes_) {
        if (!node->Restart(createMachine_, tempo_)) {
            WarningOut() << "warning: '" << node->Name()
                         << "': could not start afresh; it may still sound from before" << eol;
        }
    }
}

bool Project::UpdateTempo() {
    Node* master = GetNode(kMasterId);
    if (master == nullptr) {
        return false;
    }
    const double bpm = master->ReadParameter(kGroupMachine, 0, kTempoParameter);
    // Zero, negative or NaN beats per minute would stall the song clock and
    // make every event offset meaningless.
    if (bpm == tempo_.bpm || !(bpm > 0.0) || !std::isfinite(bpm)) {
        return false;
    }
    tempo_.SetBpm(bpm);
    GlobalTempo().SetBpm(bpm);
    for (auto [id, node] : nodes_) {
        node->SendTempo(bpm);
    }
    return true;
}

double Project::ChunkEnd(int frames) const {
    return transport_.ChunkEnd(frames, tempo_.beatsPerSample);
}

void Project::AdvancePosition(int frames) {
    if (transport_.Advance(frames, tempo_.beatsPerSample)) {
        Stop();
    }
}

bool Project::CheckSourceAndDestination(int source, int destination) const {
    if (source == kMasterId) {
        ErrorOut() << "error: Master outputs are owned by the audio driver" << eol;
        return false;
    }
    const bool noDestination = GetNode(destination) == nullptr;
    if (noDestination || GetNode(source) == nullptr) {
        ErrorOut() << "error: node " << (noDestination ? destination : source) << " does not exist"
                   << eol;
        return false;
    }
    if (source == destination) {
        ErrorOut() << "error: destination same as source" << eol;
        return false;
    }
    return true;
}

int Project::ConnectMachines(int source, int destination, int index) {
    if (!CheckSourceAndDestination(source, destination)) {
        return 0;
    }
    Node* from = GetNode(source);
    Node* to = GetNode(destination);
    const int outputs = from->OutputChannelCount();
    const int inputs = to->InputChannelCount();
    if (outputs <= 0) {
        ErrorOut() << "error: " << from->Name() << " has no outputs" << eol;
        return 0;
    }
    if (inputs <= 0) {
        ErrorOut() << "error: " << to->Name() << " has no inputs" << eol;
        return 0;
    }
    if (to->FindInput(source) >= 0) {
        ErrorOut() << "error: connection already exists" << eol;
        return 0;
    }
    if (IsUpstream(destination, source)) {
        ErrorOut() << "error: feedback loops are not allowed (yet!)" << eol;
        return 0;
    }
    if (!CheckIndex("connection", index)) {
        return 0;
    }
    auto connection = std::make_unique<Connection>(source, tempo_.sampleRate);
    connection->AddRoute(0, 0);
    if (outputs < 2 && inputs > 1) {
        connection->AddRoute(0, 1);
    } else if (outputs >= 2 && inputs > 1) {
        connection->AddRoute(1, 1);
    } else if (outputs >= 2) {
        connection->AddRoute(1, 0);
    }
    to->ConnectionAdded(to->InputList().Place(index, std::move(connection)));
    RebuildProcessOrder();
    RebuildConnectedFlags();
    return 1;
}

int Project::ConnectChannels(int source, int sourceChannel, int destination, int destinationChannel,
                             int connectionIndex, int routeIndex) {
    if (!CheckSourceAndDestination(source, destination)) {
        return 0;
    }
    if (IsUpstream(destination, source)) {
        ErrorOut() << "error: feedback loops are not allowed (yet!)" << eol;
        return 0;
    }
    Node* to = GetNode(destination);
    for (auto [index, connection] : to->InputList()) {
        if (connection->SourceId() == source &&
            connection->FindRoute(sourceChannel, destinationChannel) >= 0) {
            ErrorOut() << "error: connection already exists" << eol;
            return 0;
        }
    }
    if (!CheckIndex("connection", connectionIndex) || !CheckIndex("route", routeIndex)) {
        return 0;
    }
    Connection* connection = to->InputList().Get(to->FindInput(source));
    if (connection == nullptr) {
        auto made = std::make_unique<Connection>(source, tempo_.sampleRate);
        connection = made.get();
        to->ConnectionAdded(to->InputList().Place(connectionIndex, std::move(made)));
    }
    connection->AddRoute(sourceChannel, destinationChannel, routeIndex);
    RebuildProcessOrder();
    RebuildConnectedFlags();
    return 1;
}

int Project::DisconnectMachines(int destination, int index) {
    Node* to = GetNode(destination);
    if (to == nullptr) {
        ErrorOut() << "error: Node " << destination << " does not exist!" << eol;
        return 0;
    }
    if (to->InputList().Remove(index) == nullptr) {
        ErrorOut() << "error: connection doesn't exist" << eol;
        return 0;
    }
    RebuildProcessOrder();
    RebuildConnectedFlags();
    return 1;
}

int Project::DisconnectChannels(int source, int sourceChannel, int destination,
                                int destinationChannel) {
    Node* to = GetNode(destination);
    if (to == nullptr) {
        ErrorOut() << "error: Node " << destination << " does not exist!" << eol;
        return 0;
    }
    for (auto [index, connection] : to->InputList()) {
        if (connection->SourceId() != source) {
            continue;
        }
        const int route = connection->FindRoute(sourceChannel, destinationChannel);
        if (route < 0) {
            continue;
        }
        connection->Routes().Remove(route);
        if (connection->Routes().Empty()) {
            to->InputList().Remove(index);
        }
        RebuildProcessOrder();
        RebuildConnectedFlags();
        return 1;
    }
    ErrorOut() << "error: channel connection doesn't exist" << eol;
    return 0;
}

bool Project::IsUpstream(int x, int y) const {
    std::vector<bool> visited(static_cast<std::size_t>(nodes_.Capacity()), false);
    return IsUpstream(x, y, visited);
}

// Depth-first over the sources of y. A Node already searched is not searched
// again: the answer through it cannot change, and without the mark a dense
// graph would be walked once per path.
bool Project::IsUpstream(int x, int y, std::vector<bool>& visited) const {
    const Node* node = GetNode(y);
    if (node == nullptr || visited[static_cast<std::size_t>(y)]) {
        return false;
    }
    visited[static_cast<std::size_t>(y)] = true;
    for (auto [index, connection] : node->InputList()) {
        const int source = connection->SourceId();
        if (source == x || IsUpstream(x, source, visited)) {
            return true;
        }
    }
    return false;
}

// Raises a Node's depth to at least depth and walks on into its sources.
// A Node whose depth is not raised is not walked again: its sources already
// got at least one more than that.
void Project::RaiseDepth(int id, int depth, std::vector<int>& depths) const {
    const Node* node = GetNode(id);
    if (node == nullptr || depth <= depths[static_cast<std::size_t>(id)]) {
        return;
    }
    depths[static_cast<std::size_t>(id)] = depth;
    for (auto [index, connection] : node->InputList()) {
        RaiseDepth(connection->SourceId(), depth + 1, depths);
    }
}

void Project::RebuildProcessOrder() {
    const auto slots = static_cast<std::size_t>(nodes_.Capacity());
    std::vector<int> depths(slots, -1);
    RaiseDepth(kMasterId, 0, depths);

    // Nodes that do not feed the Master keep depth -1, but among themselves
    // they are still ordered sources first: by their longest path to a Node
    // that feeds nothing.
    std::vector<bool> feeds(slots, false);
    for (auto [id, node] : nodes_) {
        node->depth_ = depths[static_cast<std::size_t>(id)];
        for (auto [index, connection] : node->InputList()) {
            if (nodes_.Get(connection->SourceId()) != nullptr) {
                feeds[static_cast<std::size_t>(connection->SourceId())] = true;
            }
        }
    }
    std::vector<int> heights(slots, -1);
    for (auto [id, node] : nodes_) {
        if (node->depth_ < 0 && !feeds[static_cast<std::size_t>(id)]) {
            RaiseDepth(id, 0, heights);
        }
    }

    const int masterRank = static_cast<int>(slots);
    const auto rank = [&](const Node* node) {
        return node->depth_ >= 0 ? masterRank + node->depth_
                                 : heights[static_cast<std::size_t>(node->id_)];
    };
    processOrder_.Reset(kProcessOrderCapacity);
    for (auto [id, node] : nodes_) {
        processOrder_.Add(node);
    }
    processOrder_.Sort([&](const Node* a, const Node* b) { return rank(b) - rank(a); });
}

void Project::RebuildConnectedFlags() {
    for (auto [id, node] : nodes_) {
        node->Inputs().ClearConnected();
        node->Outputs().ClearConnected();
    }
    for (auto [id, node] : nodes_) {
        for (auto [index, connection] : node->InputList()) {
            Node* source = GetNode(connection->SourceId());
            for (auto [routeIndex, route] : connection->Routes()) {
                if (node->Inputs().Has(route->destinationChannel)) {
                    node->Inputs().SetConnected(route->destinationChannel);
                }
                if (source != nullptr && source->Outputs().Has(route->sourceChannel)) {
                    source->Outputs().SetConnected(route->sourceChannel);
                }
            }
        }
    }
}

} // namespace tarn
