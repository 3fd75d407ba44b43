#pragma once

#include "machines/framework/ParameterDescriptor.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

class Studio;

// One value the parameter editor shows: which parameter (group, track,
// index), under which heading, its description, value and display text.
struct ParameterLine {
    int group = 0;
    int track = 0;
    int index = 0;
    std::string section;
    ParameterDescriptor descriptor;
    double value = 0.0;
    std::string text;
};

// What the parameter editor shows of one Node, copied out under the
// project lock: the System group (volume, pan), the input mixer of each
// incoming Connection, then the machine's own parameters by folder
// ("Filter", "Filter/Envelope"; those in no folder first): its global ones
// and those of one of its tracks. Note parameters and hidden ones are left
// out. GUI thread.
struct ParameterSheet {
    int nodeId = -1;
    std::uint64_t serial = 0;
    std::string nodeName;
    std::string machineName;
    // The track whose parameters the sheet holds, of the Node's count.
    int track = 0;
    int trackCount = 1;
    std::vector<ParameterLine> lines;

    // None when the current project has no such Node, or the id now
    // belongs to another Node (serial differs). A track beyond the Node's
    // count reads its last one.
    static std::optional<ParameterSheet>
    Read(Studio& studio, int nodeId, std::optional<std::uint64_t> serial = {}, int track = 0);
    // The display text of value for the line, by the Node's format path.
    static std::string Text(Studio& studio, const ParameterSheet& sheet, const ParameterLine& line,
                            double value);
};

} // namespace tarn
