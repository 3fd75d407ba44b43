#pragma once

#include "base/OwnedSlotList.h"
#include "engine/ChannelConnection.h"
#include "engine/GainState.h"
#include "tarn/MachineAbi.h"

#include <memory>

namespace tarn {

// Audio flowing from one source Node into the Node whose input list holds
// this Connection (its owner). The source is named by id, never by pointer,
// so that the graph stays valid while Nodes come and go. The Connection's
// position in that list is its track in the destination's input mixer
// group, whose volume and position its gain state carries.
class Connection {
public:
    static constexpr int kRouteCapacity = 16;

    // sampleRate sets how fast the input mixer's gains may move.
    Connection(int sourceId, double sampleRate) : sourceId_(sourceId), gains_(sampleRate) {}

    int SourceId() const { return sourceId_; }

    OwnedSlotList<ChannelConnection>& Routes() { return routes_; }
    const OwnedSlotList<ChannelConnection>& Routes() const { return routes_; }

    // Places the route sourceChannel -> destinationChannel, gain 1.0, at
    // index (replacing a route there) or at the lowest free index.
    int AddRoute(int sourceChannel, int destinationChannel, int index = -1);
    // The index of the route sourceChannel -> destinationChannel, or -1.
    int FindRoute(int sourceChannel, int destinationChannel) const;

    // Adds one chunk of the source into the destination through the routes
    // and the input mixer. record.inputs: the source Node's output channels
    // (sourceChannels in use); record.outputs: the destination's input
    // channels (destinationChannels in use); frame count n; events: this
    // Connection's input mixer events in offset order. Routes naming a
    // channel outside those counts are skipped. A route's own gain takes no
    // part. Audio thread, project lock and the destination's Node lock held.
    void Mix(const WorkRecord& record, int sourceChannels, int destinationChannels) noexcept;

    // The two ways Mix works. Fast: one gain per route for the whole chunk;
    // only right while no event arrives and no gain is moving, which Mix
    // checks. Per sample: events take effect at their offsets and the gains
    // move on after every sample.
    void MixFast(const WorkRecord& record, int sourceChannels, int destinationChannels) noexcept;
    void MixPerSample(const WorkRecord& record, int sourceChannels,
                      int destinationChannels) noexcept;

    const GainState& Gains() const { return gains_; }
    GainState& Gains() { return gains_; }

private:
    int sourceId_;
    OwnedSlotList<ChannelConnection> routes_{kRouteCapacity};
    GainState gains_;
};

} // namespace tarn
