#pragma once

#include "document/ProjectDocument.h"

#include <nlohmann/json.hpp>

namespace tarn {

// A project as the JSON that `tarn dump` prints, from a document of the
// project (a snapshot of the loaded one) and its tempo in BPM. Scripts rely
// on these keys: new ones may be added, none renamed:
// {"bpm", "song": {"start", "end"}, "loop": {"start", "end"},
//  "machines": [{"id", "type", "name", "tracks", "position": [x, y],
//    "parameters": [{"group", "track", "index", "value"}],
//    "patterns": [{"index", "name", "length", "tpb", "events": [{"group",
//      "track", "index", "beat", "time", "value", "length", "velocity"}]}],
//    "sequence": [{"index", "entries": [{"beat", "pattern", "transpose"}]}]}],
//  "connections": [{"source", "destination", "index",
//    "routes": [{"index", "from", "to"}]}],
//  "waves": [{"index", "name", "channels", "frames", "rate"}]}
nlohmann::ordered_json ProjectJson(const ProjectDocument& document, double bpm);

} // namespace tarn
