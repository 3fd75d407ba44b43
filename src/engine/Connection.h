#pragma once

#include "engine/ChannelConnection.h"
#include "engine/OwnedSlotList.h"

#include <memory>

namespace tarn {

// Audio flowing from one source Node into the Node whose input list holds
// this Connection (its owner). The source is named by id, never by pointer,
// so that the graph stays valid while Nodes come and go.
class Connection {
public:
    static constexpr int kRouteCapacity = 16;

    explicit Connection(int sourceId) : sourceId_(sourceId) {}

    int SourceId() const { return sourceId_; }

    OwnedSlotList<ChannelConnection>& Routes() { return routes_; }
    const OwnedSlotList<ChannelConnection>& Routes() const { return routes_; }

    // Places the route sourceChannel -> destinationChannel, gain 1.0, at
    // index (replacing a route there) or at the lowest free index.
    int AddRoute(int sourceChannel, int destinationChannel, int index = -1);
    // The index of the route sourceChannel -> destinationChannel, or -1.
    int FindRoute(int sourceChannel, int destinationChannel) const;

private:
    int sourceId_;
    OwnedSlotList<ChannelConnection> routes_{kRouteCapacity};
};

} // namespace tarn
