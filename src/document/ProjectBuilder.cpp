#include "document/ProjectBuilder.h"

#include "base/MessagePipe.h"
#include "document/ProjectWaves.h"
#include "engine/PatternEditing.h"
#include "machines/framework/GearCatalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace tarn {
namespace {

constexpr double kNewProjectBpm = 120.0;
// The middle of the machine view, where a new project's Master sits.
constexpr double kCentre = 0.5;
// The Master's tempo parameter (group 3, track 0).
constexpr int kTempoParameter = 0;

// The BPM stored with the Master's parameters, on any track.
std::optional<double> SavedTempo(const ProjectDocument& document) {
    for (const MachineDoc& machine : document.machines) {
        if (machine.id != Project::kMasterId) {
            continue;
        }
        for (const ParameterValueDoc& value : machine.parameterValues) {
            if (value.group == kGroupMachine && value.index == kTempoParameter) {
                return value.value;
            }
        }
    }
    return std::nullopt;
}

// A stored real counts when it is not the missing value; one that is not
// even a number (a damaged file) counts as missing too.
void ApplyReal(double stored, double& target) {
    if (stored != kMissingReal && std::isfinite(stored)) {
        target = stored;
    }
}

void ApplyInteger(std::int32_t stored, std::int32_t& target) {
    if (stored != kMissingInteger) {
        target = stored;
    }
}

void ApplyRootIntegers(const ProjectDocument& document, Project& project) {
    ApplyInteger(document.selection[0], project.editorSelection[0]);
    ApplyInteger(document.selection[1], project.editorSelection[1]);
    ApplyInteger(document.editedNode, project.editedNodeId);
}

// Slot numbers are capped like Node ids, so that a damaged index cannot
// grow the wavetable without bound.
void AddWaves(const ProjectDocument& document, Project& project) {
    for (const WaveDoc& doc : document.waves) {
        if (doc.index < 0 || doc.index > Project::kMaxIndex) {
            WarningOut() << "warning: wave " << doc.index << " '" << doc.name
                         << "' skipped: its wavetable index is out of range" << eol;
            continue;
        }
        if (std::unique_ptr<Wave> wave = BuildWave(doc)) {
            project.Waves().Place(doc.index, std::move(wave));
        }
    }
}

void ApplySongSettings(const ProjectDocument& document, SongTransport& transport) {
    ApplyReal(document.songStart, transport.songStart);
    ApplyReal(document.songEnd, transport.songEnd);
    ApplyReal(document.loopStart, transport.loopStart);
    ApplyReal(document.loopEnd, transport.loopEnd);
}

// Creates every machine at its saved id and applies what belongs to the
// Node itself. Returns, per record, whether the record's machine exists:
// a record that failed must not touch a Node made by another record.
std::vector<bool> CreateMachines(const ProjectDocument& document, Project& project) {
    std::vector<bool> exists;
    for (const MachineDoc& machine : document.machines) {
        bool made = machine.id == Project::kMasterId;
        if (!made) {
            made = machine.id > Project::kMasterId &&
                   project.CreateNode(machine.typeName, machine.state, machine.id) == machine.id;
            if (!made) {
                WarningOut() << "warning: failed to load machine '" << machine.typeName << "'."
                             << eol;
            }
        }
        exists.push_back(made);
        Node* node = made ? project.GetNode(machine.id) : nullptr;
        if (node == nullptr) {
            continue;
        }
        if (machine.trackCount != kMissingInteger) {
            node->SetTrackCount(kGroupMachine, machine.trackCount);
        }
        ApplyReal(machine.x, node->Editor().x);
        ApplyReal(machine.y, node->Editor().y);
        if (!machine.name.empty()) {
            node->SetName(machine.name);
        }
        ApplyInteger(machine.editorState[0], node->Editor().values[0]);
        ApplyInteger(machine.editorState[1], node->Editor().values[1]);
        ApplyInteger(machine.currentPattern, node->Editor().currentPattern);
    }
    return exists;
}

// A Connection with saved routes is made by its routes alone: connecting
// it first would add the default routes, bring back routes the user had
// removed and refuse the saved ones that duplicate a default.
void Connect(const ProjectDocument& document, Project& project) {
    std::set<std::pair<int, int>> routed;
    for (const ChannelConnectionDoc& route : document.channelConnections) {
        routed.emplace(route.source, route.destination);
    }
    for (const ConnectionDoc& connection : document.connections) {
        if (!routed.contains({connection.source, connection.destination})) {
            project.ConnectMachines(connection.source, connection.destination, connection.index);
        }
    }
    for (const ChannelConnectionDoc& route : document.channelConnections) {
        project.ConnectChannels(route.source, route.sourceChannel, route.destination,
                                route.destinationChannel, route.connectionIndex, route.index);
    }
}

bool FitsEventField(std::int32_t value) {
    return value >= std::numeric_limits<std::int16_t>::min() &&
           value <= std::numeric_limits<std::int16_t>::max();
}

void AddPatterns(const MachineDoc& machine, Node& node) {
    for (const PatternDoc& doc : machine.patterns) {
        int ticksPerBeat = doc.ticksPerBeat;
        if (ticksPerBeat == kMissingInteger) {
            WarningOut() << "warning: TPB is not specified for pattern " << doc.index
                         << ", default (" << Pattern::kDefaultTicksPerBeat << ") will be used."
                         << eol;
            ticksPerBeat = Pattern::kDefaultTicksPerBeat;
        }
        int length = doc.length;
        if (length == kMissingInteger) {
            WarningOut() << "warning: length is not specified for pattern " << doc.index
                         << ", default (" << Pattern::kDefaultLength << ") will be used." << eol;
            length = Pattern::kDefaultLength;
        }
        const int number = CreatePattern(node, doc.index, length, ticksPerBeat,
                                         static_cast<std::uint32_t>(doc.colour));
        Pattern* pattern = node.Patterns().Get(number);
        if (pattern == nullptr) {
            continue;
        }
        pattern->name = doc.name;
        for (std::size_t i = 0; i < doc.editorState.size(); ++i) {
            if (doc.editorState[i] != kMissingInteger) {
                pattern->editorState[i] = doc.editorState[i];
            }
        }
        // All at once: one by one, each would relink its parameter's whole
        // list, quadratic in a long pattern.
        std::vector<Pattern::BeatEvent> events;
        events.reserve(doc.events.size());
        for (const EventDoc& event : doc.events) {
            // The event record keeps these in 16 bits; a value beyond them
            // would land on another parameter or track.
            if (!FitsEventField(event.group) || !FitsEventField(event.track) ||
                !FitsEventField(event.index)) {
                continue;
            }
            PatternEventRecord record;
            record.event.group = static_cast<std::int16_t>(event.group);
            record.event.nodeId = static_cast<std::int16_t>(node.Id());
            record.event.index = static_cast<std::int16_t>(event.index);
            record.event.track = static_cast<std::int16_t>(event.track);
            record.event.time = event.time;
            record.event.value = event.value;
            record.event.noteLength = event.noteLength;
            record.event.velocity = event.velocity;
            events.emplace_back(record, event.beat);
        }
        pattern->AddEvents(events);
    }
}

void SetParameterValues(const MachineDoc& machine, Node& node) {
    for (const ParameterValueDoc& doc : machine.parameterValues) {
        const ParameterDescriptor* descriptor = node.FindParameter(doc.group, doc.index);
        // Not a number is no value in range either.
        const bool inRange = descriptor != nullptr &&
                             (descriptor->minimum <= doc.value && doc.value <= descriptor->maximum);
        const double value =
            inRange || descriptor == nullptr ? doc.value : descriptor->defaultValue;
        if (descriptor == nullptr ||
            node.SetStoredValue(doc.group, doc.track, doc.index, value) == 0) {
            WarningOut() << "Paremeter '" << doc.index << "' does not exist. Information lost."
                         << eol;
            continue;
        }
        if (!inRange) {
            WarningOut() << "Paremeter '" << descriptor->name
                         << "' is out of range. Default value was assigned." << eol;
        }
    }
}

void AddSequenceTracks(const MachineDoc& machine, Node& node) {
    SequenceTrackList& tracks = node.SequenceTracks();
    for (const SequenceTrackDoc& doc : machine.sequenceTracks) {
        // A track without an index takes the lowest free one, as a new
        // track does; its entries must go to that track.
        int index = doc.index;
        if (index == kMissingInteger) {
            for (index = 0; tracks.Get(index) != nullptr; ++index) {
            }
        }
        if (tracks.Create(index) == 0) {
            continue;
        }
        SequenceTrack& track = *tracks.Get(index);
        if (doc.displayFirst != kMissingInteger) {
            track.firstDisplayValue = doc.displayFirst;
        }
        for (std::size_t i = 0; i < doc.displayFurther.size(); ++i) {
            if (doc.displayFurther[i] != kMissingInteger) {
                track.displayValues[i] = doc.displayFurther[i];
            }
        }
        for (const SequenceEntryDoc& entry : doc.entries) {
            // Checked before truncating: a beat that is no number or far
            // beyond the track has no whole beat to place at.
            if (!(entry.beat >= 0.0 && entry.beat <= SequenceTrack::kMaxBeat)) {
                continue;
            }
            const int beat = static_cast<int>(entry.beat);
            if (track.PlacePattern(beat, entry.pattern) != 0 && entry.transpose != 0.0 &&
                std::isfinite(entry.transpose)) {
                track.TransposeEntry(beat, entry.transpose);
            }
        }
    }
}

// The saved order of the Nodes that exist, each once. Without it a project
// saved after loading would lose the order it was saved with.
void ApplyNodeOrder(const ProjectDocument& document, Project& project) {
    std::vector<int>& order = project.NodeOrder();
    order.clear();
    for (const NodeOrderDoc& entry : document.nodeOrder) {
        if (project.GetNode(entry.nodeId) != nullptr &&
            std::ranges::find(order, entry.nodeId) == order.end()) {
            order.push_back(entry.nodeId);
        }
    }
}

// A Connection made since the machines were kept may hold the input index
// one of theirs had: that one moves to a free index of its destination,
// and its routes and input values go with it.
MachineSetDoc MoveTakenInputs(MachineSetDoc set, const Project& project) {
    for (ConnectionDoc& connection : set.document.connections) {
        const Node* destination = project.GetNode(connection.destination);
        if (destination == nullptr || destination->InputList().Get(connection.index) == nullptr) {
            continue;
        }
        const auto used = [&](int index) {
            return destination->InputList().Get(index) != nullptr ||
                   std::ranges::any_of(set.document.connections, [&](const ConnectionDoc& other) {
                       return other.destination == connection.destination && other.index == index;
                   });
        };
        int free = 0;
        while (used(free)) {
            ++free;
        }
        for (ChannelConnectionDoc& route : set.document.channelConnections) {
            if (route.destination == connection.destination &&
                route.connectionIndex == connection.index) {
                route.connectionIndex = free;
            }
        }
        for (MachineSetDoc::InputValue& input : set.inputValues) {
            if (input.destination == connection.destination &&
                input.value.track == connection.index) {
                input.value.track = free;
            }
        }
        connection.index = free;
    }
    return set;
}

} // namespace

std::unique_ptr<Project> MakeNewProject(MachineCreator createMachine,
                                        const TempoRecord& engineTempo) {
    auto project = std::make_unique<Project>(std::move(createMachine), engineTempo);
    project->Tempo().SetBpm(kNewProjectBpm);
    if (project->CreateNode(GearCatalogue::kMasterName, {}, Project::kMasterId) !=
        Project::kMasterId) {
        return nullptr;
    }
    Node& master = *project->GetNode(Project::kMasterId);
    master.WriteParameter(kGroupMachine, 0, kTempoParameter, kNewProjectBpm);
    project->Transport() = SongTransport{};
    master.Editor().x = kCentre;
    master.Editor().y = kCentre;
    return project;
}

std::unique_ptr<Project> BuildProject(const ProjectDocument& document, MachineCreator createMachine,
                                      const TempoRecord& engineTempo, std::string_view source) {
    const std::optional<double> bpm = SavedTempo(document);
    // Not a number, zero or less would stall the song clock; beyond the
    // range of a whole number the machines could not be told the tempo.
    if (!bpm || !(*bpm > 0.0 && *bpm < std::numeric_limits<std::int32_t>::max())) {
        ErrorOut() << "error: '" << source << "' holds no usable tempo for the Master" << eol;
        return nullptr;
    }
    auto project = MakeNewProject(std::move(createMachine), engineTempo);
    if (project == nullptr) {
        return nullptr;
    }
    project->Tempo().SetBpm(*bpm);
    ApplyRootIntegers(document, *project);
    ApplySongSettings(document, project->Transport());
    AddWaves(document, *project);
    const std::vector<bool> exists = CreateMachines(document, *project);
    Connect(document, *project);
    for (std::size_t i = 0; i < document.machines.size(); ++i) {
        const MachineDoc& machine = document.machines[i];
        Node* node = exists[i] ? project->GetNode(machine.id) : nullptr;
        if (node != nullptr) {
            AddPatterns(machine, *node);
            SetParameterValues(machine, *node);
            AddSequenceTracks(machine, *node);
        }
    }
    ApplyNodeOrder(document, *project);
    // A stored tempo the Master refused (out of its range) was replaced by
    // its default: the song plays at what the Master holds.
    const double held =
        project->GetNode(Project::kMasterId)->ReadParameter(kGroupMachine, 0, kTempoParameter);
    if (held > 0.0 && held != *bpm) {
        project->Tempo().SetBpm(held);
    }
    return project;
}

int RestoreMachines(const MachineSetDoc& kept, Project& project) {
    const MachineSetDoc set = MoveTakenInputs(kept, project);
    const ProjectDocument& document = set.document;
    const std::vector<bool> exists = CreateMachines(document, project);
    Connect(document, project);
    int restored = 0;
    for (std::size_t i = 0; i < document.machines.size(); ++i) {
        const MachineDoc& machine = document.machines[i];
        Node* node = exists[i] ? project.GetNode(machine.id) : nullptr;
        if (node == nullptr) {
            continue;
        }
        AddPatterns(machine, *node);
        SetParameterValues(machine, *node);
        AddSequenceTracks(machine, *node);
        const MachineSetDoc::Flags& flags = set.flags[i];
        node->SetMute(flags.mute);
        node->SetSolo(flags.solo);
        node->SetBypass(flags.bypass);
        node->SetLiveInput(flags.liveInput);
        node->RestoreSerial(set.serials[i]);
        ++restored;
    }
    for (const MachineSetDoc::InputValue& input : set.inputValues) {
        const ParameterValueDoc& value = input.value;
        Node* destination = project.GetNode(input.destination);
        if (destination != nullptr && destination->InputList().Get(value.track) != nullptr) {
            destination->SetStoredValue(value.group, value.track, value.index, value.value);
        }
    }
    // Each back at its place among the Nodes the order holds now.
    std::vector<int>& order = project.NodeOrder();
    for (const NodeOrderDoc& entry : document.nodeOrder) {
        if (project.GetNode(entry.nodeId) != nullptr &&
            std::ranges::find(order, entry.nodeId) == order.end()) {
            const auto position = std::min(static_cast<std::size_t>(entry.position), order.size());
            order.insert(order.begin() + static_cast<std::ptrdiff_t>(position), entry.nodeId);
        }
    }
    if (document.editedNode != kMissingInteger && project.GetNode(document.editedNode) != nullptr) {
        project.editedNodeId = document.editedNode;
    }
    return restored;
}

} // namespace tarn
