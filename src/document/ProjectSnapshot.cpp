#include "document/ProjectSnapshot.h"

#include "document/ProjectWaves.h"
#include "tarn/MachineAbi.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace tarn {
namespace {

void AddParameterValues(Node& node, int group, int track, MachineDoc& machine) {
    for (const auto& [index, descriptor] : node.Parameters(group)) {
        ParameterValueDoc& value = machine.parameterValues.emplace_back();
        value.group = group;
        value.track = track;
        value.index = index;
        value.value = node.ReadParameter(group, track, index);
    }
}

PatternDoc Snapshot(int number, const Pattern& pattern) {
    PatternDoc doc;
    doc.index = number;
    doc.name = pattern.name;
    doc.ticksPerBeat = pattern.TicksPerBeat();
    doc.length = pattern.Length();
    doc.colour = static_cast<std::int32_t>(pattern.Colour());
    static_assert(Pattern::kEditorStateCount == kPatternEditorStateCount);
    doc.editorState = pattern.editorState;
    pattern.ForEachEvent([&doc](int beat, const PatternEventRecord& record) {
        const EventRecord& event = record.event;
        doc.events.push_back({event.group, event.track, event.index, beat, event.time, event.value,
                              event.noteLength, event.velocity});
    });
    return doc;
}

SequenceTrackDoc Snapshot(int index, const SequenceTrack& track) {
    SequenceTrackDoc doc;
    doc.index = index;
    doc.displayFirst = track.firstDisplayValue;
    for (int i = 0; i < kSequenceTrackFurtherDisplayCount; ++i) {
        doc.displayFurther[static_cast<std::size_t>(i)] =
            track.displayValues[static_cast<std::size_t>(i)];
    }
    // Only placement starts: loading places each pattern again, which
    // lays out the slots that continue it.
    for (auto [beat, entry] : track.Entries()) {
        if (entry->StartsPlacement()) {
            doc.entries.push_back({entry->patternNumber, static_cast<double>(beat),
                                   static_cast<double>(entry->placedLength), entry->transpose});
        }
    }
    return doc;
}

MachineDoc Snapshot(int id, Node& node) {
    MachineDoc machine;
    machine.id = id;
    machine.trackCount = node.TrackCount();
    machine.name = node.Name();
    machine.typeName = node.MachineName();
    machine.x = node.Editor().x;
    machine.y = node.Editor().y;
    // A machine that fails to save keeps the state it was set up with.
    node.SaveState();
    const ByteBuffer& state = node.StoredState();
    machine.state.assign(state.Data(), state.Data() + state.Size());
    machine.editorState = node.Editor().values;
    machine.currentPattern = node.Editor().currentPattern;
    for (auto [index, track] : node.SequenceTracks()) {
        machine.sequenceTracks.push_back(Snapshot(index, *track));
    }
    for (auto [number, pattern] : node.Patterns()) {
        machine.patterns.push_back(Snapshot(number, *pattern));
    }
    AddParameterValues(node, kGroupSystem, 0, machine);
    for (auto [index, connection] : node.InputList()) {
        AddParameterValues(node, kGroupInputMixer, index, machine);
    }
    for (int track = 0; track < node.TrackCount(); ++track) {
        AddParameterValues(node, kGroupMachine, track, machine);
    }
    return machine;
}

// The Connections into node, or only those from a source that keep
// answers true for.
template <typename Keep>
void SnapshotInputs(int destination, const Node& node, ProjectDocument& document, Keep keep) {
    for (auto [index, connection] : node.InputList()) {
        const int source = connection->SourceId();
        if (!keep(source)) {
            continue;
        }
        document.connections.push_back({index, source, destination});
        for (auto [routeIndex, route] : connection->Routes()) {
            document.channelConnections.push_back({routeIndex, index, source, destination,
                                                   route->destinationChannel,
                                                   route->sourceChannel});
        }
    }
}

void SnapshotInputValues(int destination, Node& node, int index,
                         std::vector<MachineSetDoc::InputValue>& values) {
    MachineDoc mixer;
    AddParameterValues(node, kGroupInputMixer, index, mixer);
    for (const ParameterValueDoc& value : mixer.parameterValues) {
        values.push_back({destination, value});
    }
}

} // namespace

ProjectDocument SnapshotProject(Project& project) {
    ProjectDocument document;
    document.selection = project.editorSelection;
    document.editedNode = project.editedNodeId;
    for (auto [index, wave] : project.Waves()) {
        // A cleared wave has nothing to keep.
        if (wave->GetSound() != nullptr) {
            document.waves.push_back(SnapshotWave(index, *wave));
        }
    }
    for (auto [id, node] : project.Nodes()) {
        document.machines.push_back(Snapshot(id, *node));
    }
    for (auto [id, node] : project.Nodes()) {
        SnapshotInputs(id, *node, document, [](int) { return true; });
    }
    const SongTransport& transport = project.Transport();
    document.songStart = transport.songStart;
    document.songEnd = transport.songEnd;
    document.loopStart = transport.loopStart;
    document.loopEnd = transport.loopEnd;
    const std::vector<int>& order = project.NodeOrder();
    for (std::size_t position = 0; position < order.size(); ++position) {
        document.nodeOrder.push_back({static_cast<std::int32_t>(position), order[position]});
    }
    return document;
}

std::optional<ProjectDocument> SnapshotCurrentProject(CurrentProject& current) {
    ProjectLock hold(current);
    Project* project = current.Get();
    if (project == nullptr) {
        return std::nullopt;
    }
    return SnapshotProject(*project);
}

MachineSetDoc SnapshotMachines(Project& project, const std::vector<int>& ids) {
    MachineSetDoc set;
    const auto taken = [&ids](int id) { return std::ranges::find(ids, id) != ids.end(); };
    for (auto [id, node] : project.Nodes()) {
        if (id == Project::kMasterId || !taken(id)) {
            continue;
        }
        set.document.machines.push_back(Snapshot(id, *node));
        set.flags.push_back({node->Muted(), node->Soloed(), node->Bypassed(), node->LiveInput()});
        set.serials.push_back(node->Serial());
        if (id == project.editedNodeId) {
            set.document.editedNode = id;
        }
    }
    for (auto [id, node] : project.Nodes()) {
        if (taken(id)) {
            SnapshotInputs(id, *node, set.document, [](int) { return true; });
            continue;
        }
        SnapshotInputs(id, *node, set.document, taken);
        for (auto [index, connection] : node->InputList()) {
            if (taken(connection->SourceId())) {
                SnapshotInputValues(id, *node, index, set.inputValues);
            }
        }
    }
    const std::vector<int>& order = project.NodeOrder();
    for (std::size_t position = 0; position < order.size(); ++position) {
        if (taken(order[position])) {
            set.document.nodeOrder.push_back(
                {static_cast<std::int32_t>(position), order[position]});
        }
    }
    return set;
}

} // namespace tarn
