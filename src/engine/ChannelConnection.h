#pragma once

#include <cstdint>

namespace tarn {

// One route of a Connection: an output channel of the source Node into an
// input channel of the destination Node. Channel numbers are kept as given,
// even beyond a Node's channel count (stored projects may hold such routes);
// everything that touches samples skips a route to a missing channel.
struct ChannelConnection {
    std::int32_t sourceChannel = 0;
    std::int32_t destinationChannel = 0;
    double gain = 1.0;
};

} // namespace tarn
