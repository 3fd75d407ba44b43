#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tarn {

// What a machine says about itself when described. The machine fills its own
// copy in Describe and sends it field by field; the hosting Node rebuilds an
// identical copy from those messages.
struct MachineInfo {
    // The track fields start out as this value: a machine that sends no track
    // range leaves it there, and the Node then refuses every track count.
    static constexpr std::int32_t kTracksUnset = -1;

    std::int32_t kind = 0; // MachineKind
    std::int32_t revision = 0;
    std::int32_t flags = 0; // kInfoHasEditor
    std::int32_t inputChannels = 2;
    std::int32_t outputChannels = 2;
    std::int32_t inputChannelsPerTrack = 0;
    std::int32_t outputChannelsPerTrack = 0;
    std::int32_t minTracks = kTracksUnset;
    std::int32_t maxTracks = kTracksUnset;
    std::string name;
    std::string shortName;
    std::string alternateName;
    std::string author;

    // The description every built-in machine starts from: revision 1, no
    // flags, one track, two inputs and two outputs, "Tarn team" as author and
    // the name repeated as the alternate name. Machines change what differs.
    static MachineInfo Builtin(std::int32_t kind, std::string name, std::string shortName) {
        MachineInfo info;
        info.kind = kind;
        info.revision = 1;
        info.minTracks = 1;
        info.maxTracks = 1;
        info.alternateName = name;
        info.name = std::move(name);
        info.shortName = std::move(shortName);
        info.author = "Tarn team";
        return info;
    }
};

} // namespace tarn
