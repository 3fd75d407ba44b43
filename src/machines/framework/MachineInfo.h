#pragma once

#include <cstdint>
#include <string>

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
};

} // namespace tarn
