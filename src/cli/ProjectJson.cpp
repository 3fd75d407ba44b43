#include "cli/ProjectJson.h"

#include "cli/FloatWaveFile.h"
#include "engine/Project.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>

namespace tarn {
namespace {

using Json = nlohmann::ordered_json;

// The Master's tempo parameter (group 3, track 0).
constexpr int kTempoParameter = 0;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

// The value of a hex digit, or -1.
int HexDigit(char digit) {
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    const char lower = static_cast<char>(digit | 0x20);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A machine's state from its hex digits; a fault names the machine.
std::vector<std::uint8_t> StateBytes(const std::string& hex, const MachineDoc& machine) {
    const std::string whose =
        "machine " + std::to_string(machine.id) + " ('" + machine.name + "') has a state";
    if (hex.size() % 2 != 0) {
        throw std::runtime_error(whose + " with an odd number of hex digits");
    }
    std::vector<std::uint8_t> bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) {
            throw std::runtime_error(whose + " that holds '" + hex.substr(i, 2) + "' at digit " +
                                     std::to_string(i + 1) + ", which are not hex digits");
        }
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return bytes;
}

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
    return {{"index", pattern.index},   {"name", pattern.name},
            {"length", pattern.length}, {"tpb", pattern.ticksPerBeat},
            {"colour", pattern.colour}, {"events", std::move(events)}};
}

Json SequenceJson(const SequenceTrackDoc& track) {
    Json entries = Json::array();
    for (const SequenceEntryDoc& entry : track.entries) {
        entries.push_back(
            {{"beat", entry.beat}, {"pattern", entry.pattern}, {"transpose", entry.transpose}});
    }
    return {{"index", track.index}, {"entries", std::move(entries)}};
}

Json MachineJson(const MachineDoc& machine, const Node* node) {
    Json parameters = Json::array();
    for (const ParameterValueDoc& value : machine.parameterValues) {
        const ParameterDescriptor* descriptor =
            node != nullptr ? node->FindParameter(value.group, value.index) : nullptr;
        parameters.push_back({{"group", value.group},
                              {"track", value.track},
                              {"index", value.index},
                              {"name", descriptor != nullptr ? descriptor->name : ""},
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
            {"state", Hex(machine.state)},
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

Json WaveJson(const WaveDoc& wave) {
    Json loops = Json::array();
    for (const LoopPointDoc& loop : wave.loopPoints) {
        loops.push_back(
            {{"index", loop.index}, {"start", loop.start}, {"end", loop.end}, {"kind", loop.kind}});
    }
    return {{"index", wave.index},
            {"name", wave.name},
            {"channels", wave.format.channelCount},
            {"frames", wave.format.frameCount},
            {"rate", wave.format.sampleRate},
            {"loops", std::move(loops)}};
}

// Reading: a missing key keeps the document's missing value.
// One value into its field. A number for a whole-number field must be a
// whole number the field can hold: the library would convert any other
// with a cast whose result is undefined.
template <typename T> void Take(const Json& value, const char* key, T& target) {
    if constexpr (std::is_integral_v<T>) {
        const bool whole =
            value.is_number_integer() ||
            (value.is_number_float() && std::trunc(value.get<double>()) == value.get<double>());
        // The bounds of a whole-number type are exact as doubles, but for
        // the top one of 64 bits, which rounds up to the first beyond it.
        constexpr double kLeast = static_cast<double>(std::numeric_limits<T>::min());
        constexpr double kBeyond = static_cast<double>(std::numeric_limits<T>::max()) + 1.0;
        const bool fits =
            whole && (value.is_number_unsigned()
                          ? value.get<std::uint64_t>() <=
                                static_cast<std::uint64_t>(std::numeric_limits<T>::max())
                          : value.get<double>() >= kLeast && value.get<double>() < kBeyond);
        if (value.is_number() && !fits) {
            throw std::runtime_error("\"" + std::string(key) + "\" is " + value.dump() +
                                     ", not a whole number from " +
                                     std::to_string(std::numeric_limits<T>::min()) + " to " +
                                     std::to_string(std::numeric_limits<T>::max()));
        }
    }
    value.get_to(target);
}

template <typename T> void Read(const Json& json, const char* key, T& target) {
    if (const auto found = json.find(key); found != json.end()) {
        Take(*found, key, target);
    }
}

// A key that must be there.
template <typename T> void Require(const Json& json, const char* key, T& target) {
    Take(json.at(key), key, target);
}

const Json& List(const Json& json, const char* key) {
    static const Json empty = Json::array();
    const auto found = json.find(key);
    return found != json.end() ? *found : empty;
}

PatternDoc PatternFromJson(const Json& json) {
    PatternDoc pattern;
    Read(json, "index", pattern.index);
    Read(json, "name", pattern.name);
    Read(json, "length", pattern.length);
    Read(json, "tpb", pattern.ticksPerBeat);
    Read(json, "colour", pattern.colour);
    for (const Json& item : List(json, "events")) {
        EventDoc event;
        Read(item, "group", event.group);
        Read(item, "track", event.track);
        Read(item, "index", event.index);
        Read(item, "beat", event.beat);
        Read(item, "time", event.time);
        Read(item, "value", event.value);
        Read(item, "length", event.noteLength);
        Read(item, "velocity", event.velocity);
        pattern.events.push_back(event);
    }
    return pattern;
}

MachineDoc MachineFromJson(const Json& json) {
    MachineDoc machine;
    Require(json, "id", machine.id);
    json.at("type").get_to(machine.typeName);
    Read(json, "name", machine.name);
    Read(json, "tracks", machine.trackCount);
    if (const auto position = json.find("position"); position != json.end()) {
        position->at(0).get_to(machine.x);
        position->at(1).get_to(machine.y);
    }
    machine.state = StateBytes(json.value("state", std::string()), machine);
    for (const Json& item : List(json, "parameters")) {
        ParameterValueDoc value;
        Read(item, "group", value.group);
        Read(item, "track", value.track);
        Read(item, "index", value.index);
        Read(item, "value", value.value);
        machine.parameterValues.push_back(value);
    }
    for (const Json& item : List(json, "patterns")) {
        machine.patterns.push_back(PatternFromJson(item));
    }
    for (const Json& item : List(json, "sequence")) {
        SequenceTrackDoc track;
        Read(item, "index", track.index);
        for (const Json& placed : List(item, "entries")) {
            SequenceEntryDoc entry;
            Read(placed, "beat", entry.beat);
            Read(placed, "pattern", entry.pattern);
            Read(placed, "transpose", entry.transpose);
            track.entries.push_back(entry);
        }
        machine.sequenceTracks.push_back(std::move(track));
    }
    return machine;
}

WaveDoc WaveFromJson(const Json& json, const std::filesystem::path& waveFolder, bool allowOutside) {
    WaveDoc wave;
    Require(json, "index", wave.index);
    Read(json, "name", wave.name);
    for (const Json& item : List(json, "loops")) {
        LoopPointDoc loop;
        Read(item, "index", loop.index);
        Read(item, "start", loop.start);
        Read(item, "end", loop.end);
        Read(item, "kind", loop.kind);
        wave.loopPoints.push_back(loop);
    }
    const auto file = json.find("file");
    if (file == json.end()) {
        throw std::runtime_error("wave " + std::to_string(wave.index) +
                                 " names no file with its samples (tarn dump --waves DIR writes "
                                 "them)");
    }
    const std::filesystem::path named = file->get<std::string>();
    if (!allowOutside && (named.is_absolute() || std::ranges::count(named, "..") > 0)) {
        throw std::runtime_error("wave " + std::to_string(wave.index) + "'s file '" +
                                 named.string() +
                                 "' is outside the JSON's folder; use --allow-outside to read it");
    }
    const std::filesystem::path path = waveFolder / named;
    if (!ReadFloatWave(path, wave)) {
        throw std::runtime_error("wave " + std::to_string(wave.index) + " cannot be read");
    }
    return wave;
}

// The "bpm" key is the tempo a user edits; it replaces the Master's.
void ApplyBpm(const Json& json, ProjectDocument& document) {
    const auto bpm = json.find("bpm");
    if (bpm == json.end()) {
        return;
    }
    for (MachineDoc& machine : document.machines) {
        if (machine.id != Project::kMasterId) {
            continue;
        }
        for (ParameterValueDoc& value : machine.parameterValues) {
            if (value.group == kGroupMachine && value.index == kTempoParameter) {
                bpm->get_to(value.value);
                return;
            }
        }
        machine.parameterValues.push_back(
            {kGroupMachine, 0, kTempoParameter, bpm->get<double>(), kMissingInteger});
        return;
    }
}

} // namespace

Json ProjectJson(const ProjectDocument& document, const Project& project) {
    Json machines = Json::array();
    for (const MachineDoc& machine : document.machines) {
        machines.push_back(MachineJson(machine, project.GetNode(machine.id)));
    }
    Json connections = Json::array();
    for (const ConnectionDoc& connection : document.connections) {
        connections.push_back(ConnectionJson(connection, document));
    }
    Json waves = Json::array();
    for (const WaveDoc& wave : document.waves) {
        waves.push_back(WaveJson(wave));
    }
    return {{"bpm", project.Tempo().bpm},
            {"song", {{"start", document.songStart}, {"end", document.songEnd}}},
            {"loop", {{"start", document.loopStart}, {"end", document.loopEnd}}},
            {"machines", std::move(machines)},
            {"connections", std::move(connections)},
            {"waves", std::move(waves)}};
}

ProjectDocument DocumentFromJson(const Json& json, const std::filesystem::path& waveFolder,
                                 bool allowOutside) {
    ProjectDocument document;
    if (!json.is_object()) {
        throw std::runtime_error("the JSON is not an object of a project");
    }
    if (const auto song = json.find("song"); song != json.end()) {
        Read(*song, "start", document.songStart);
        Read(*song, "end", document.songEnd);
    }
    if (const auto loop = json.find("loop"); loop != json.end()) {
        Read(*loop, "start", document.loopStart);
        Read(*loop, "end", document.loopEnd);
    }
    for (const Json& item : List(json, "machines")) {
        document.machines.push_back(MachineFromJson(item));
    }
    for (const Json& item : List(json, "connections")) {
        ConnectionDoc connection;
        Require(item, "source", connection.source);
        Require(item, "destination", connection.destination);
        Read(item, "index", connection.index);
        document.connections.push_back(connection);
        for (const Json& routeJson : List(item, "routes")) {
            ChannelConnectionDoc route;
            Read(routeJson, "index", route.index);
            Read(routeJson, "from", route.sourceChannel);
            Read(routeJson, "to", route.destinationChannel);
            route.connectionIndex = connection.index;
            route.source = connection.source;
            route.destination = connection.destination;
            document.channelConnections.push_back(route);
        }
    }
    for (const Json& item : List(json, "waves")) {
        document.waves.push_back(WaveFromJson(item, waveFolder, allowOutside));
    }
    ApplyBpm(json, document);
    return document;
}

} // namespace tarn
