#include "app/ProjectJson.h"

namespace tarn {
namespace {

using Json = nlohmann::ordered_json;

Json PatternJson(const PatternDoc& pattern) {
    Json events = Json::array();
    for (const EventDoc& event : pattern.events) {
        events.push_back({{"group", event.group},
                          {"track", event.track},
                          {"index", event.index},
                          {"beat", event.beat},
                          {"time", event.time},
                          {"value", event.value},
                          {"length", event.noteLength},
                          {"velocity", event.velocity}});
    }
    return {{"index", pattern.index},
            {"name", pattern.name},
            {"length", pattern.length},
            {"tpb", pattern.ticksPerBeat},
            {"events", std::move(events)}};
}

Json SequenceJson(const SequenceTrackDoc& track) {
    Json entries = Json::array();
    for (const SequenceEntryDoc& entry : track.entries) {
        entries.push_back(
            {{"beat", entry.beat}, {"pattern", entry.pattern}, {"transpose", entry.transpose}});
    }
    return {{"index", track.index}, {"entries", std::move(entries)}};
}

Json MachineJson(const MachineDoc& machine) {
    Json parameters = Json::array();
    for (const ParameterValueDoc& value : machine.parameterValues) {
        parameters.push_back({{"group", value.group},
                              {"track", value.track},
                              {"index", value.index},
                              {"value", value.value}});
    }
    Json patterns = Json::array();
    for (const PatternDoc& pattern : machine.patterns) {
        patterns.push_back(PatternJson(pattern));
    }
    Json sequence = Json::array();
    for (const SequenceTrackDoc& track : machine.sequenceTracks) {
        sequence.push_back(SequenceJson(track));
    }
    return {{"id", machine.id},
            {"type", machine.typeName},
            {"name", machine.name},
            {"tracks", machine.trackCount},
            {"position", Json::array({machine.x, machine.y})},
            {"parameters", std::move(parameters)},
            {"patterns", std::move(patterns)},
            {"sequence", std::move(sequence)}};
}

// Routes are listed apart from their Connections in the document.
Json ConnectionJson(const ConnectionDoc& connection, const ProjectDocument& document) {
    Json routes = Json::array();
    for (const ChannelConnectionDoc& route : document.channelConnections) {
        if (route.destination == connection.destination &&
            route.connectionIndex == connection.index) {
            routes.push_back({{"index", route.index},
                              {"from", route.sourceChannel},
                              {"to", route.destinationChannel}});
        }
    }
    return {{"source", connection.source},
            {"destination", connection.destination},
            {"index", connection.index},
            {"routes", std::move(routes)}};
}

} // namespace

Json ProjectJson(const ProjectDocument& document, double bpm) {
    Json machines = Json::array();
    for (const MachineDoc& machine : document.machines) {
        machines.push_back(MachineJson(machine));
    }
    Json connections = Json::array();
    for (const ConnectionDoc& connection : document.connections) {
        connections.push_back(ConnectionJson(connection, document));
    }
    Json waves = Json::array();
    for (const WaveDoc& wave : document.waves) {
        waves.push_back({{"index", wave.index},
                         {"name", wave.name},
                         {"channels", wave.format.channelCount},
                         {"frames", wave.format.frameCount},
                         {"rate", wave.format.sampleRate}});
    }
    return {{"bpm", bpm},
            {"song", {{"start", document.songStart}, {"end", document.songEnd}}},
            {"loop", {{"start", document.loopStart}, {"end", document.loopEnd}}},
            {"machines", std::move(machines)},
            {"connections", std::move(connections)},
            {"waves", std::move(waves)}};
}

} // namespace tarn
