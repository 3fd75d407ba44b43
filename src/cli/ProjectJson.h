#pragma once

#include "document/ProjectDocument.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace tarn {

class Project;

// A project as the JSON that `tarn dump` prints and `tarn import` reads,
// from a snapshot of the loaded project. Scripts rely on these keys: new
// ones may be added, none renamed:
// {"bpm", "song": {"start", "end"}, "loop": {"start", "end"},
//  "machines": [{"id", "type", "name", "tracks", "position": [x, y],
//    "state" (hex bytes),
//    "parameters": [{"group", "track", "index", "name", "value"}],
//    "patterns": [{"index", "name", "length", "tpb", "colour", "events":
//      [{"group", "track", "index", "beat", "time", "value", "length",
//        "velocity"}]}],
//    "sequence": [{"index", "entries": [{"beat", "pattern", "transpose"}]}]}],
//  "connections": [{"source", "destination", "index",
//    "routes": [{"index", "from", "to"}]}],
//  "waves": [{"index", "name", "channels", "frames", "rate",
//    "loops": [{"index", "start", "end", "kind"}], "file" (when written)}]}
// Parameter names are the loaded machines' and only informative.
nlohmann::ordered_json ProjectJson(const ProjectDocument& document, const Project& project);

// The document the JSON describes, for building a project; the "bpm" key
// wins over the Master's stored tempo, and each wave's samples come from
// its "file", taken from waveFolder. A file outside that folder (an
// absolute path, or one through "..") is read only with allowOutside. Throws
// nlohmann::json::exception for keys of the wrong type and
// std::runtime_error naming what else is wrong (a wave file that cannot
// be read, after its error line).
ProjectDocument DocumentFromJson(const nlohmann::ordered_json& json,
                                 const std::filesystem::path& waveFolder, bool allowOutside);

} // namespace tarn
