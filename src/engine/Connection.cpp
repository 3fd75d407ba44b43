#include "engine/Connection.h"

#include "engine/TempoRecord.h"

#include <algorithm>
#include <array>

namespace tarn {
namespace {

bool Usable(const ChannelConnection& route, int sourceChannels, int destinationChannels) {
    return route.sourceChannel >= 0 && route.sourceChannel < sourceChannels &&
           route.destinationChannel >= 0 && route.destinationChannel < destinationChannels;
}

int Frames(const WorkRecord& record) {
    return std::clamp(record.frameCount, 0, kMaxChunkFrames);
}

} // namespace

int Connection::AddRoute(int sourceChannel, int destinationChannel, int index) {
    return routes_.Place(index, std::make_unique<ChannelConnection>(
                                    ChannelConnection{sourceChannel, destinationChannel, 1.0}));
}

int Connection::FindRoute(int sourceChannel, int destinationChannel) const {
    for (auto [index, route] : routes_) {
        if (route->sourceChannel == sourceChannel &&
            route->destinationChannel == destinationChannel) {
            return index;
        }
    }
    return -1;
}

void Connection::Mix(const WorkRecord& record, int sourceChannels,
                     int destinationChannels) noexcept {
    if (record.eventCount == 0 && !gains_.Moving()) {
        MixFast(record, sourceChannels, destinationChannels);
    } else {
        MixPerSample(record, sourceChannels, destinationChannels);
    }
}

void Connection::MixFast(const WorkRecord& record, int sourceChannels,
                         int destinationChannels) noexcept {
    const int frames = Frames(record);
    for (auto [index, route] : routes_) {
        if (!Usable(*route, sourceChannels, destinationChannels)) {
            continue;
        }
        const double gain = gains_.ForChannel(route->destinationChannel);
        const double* source = record.inputs[route->sourceChannel]->samples;
        double* destination = record.outputs[route->destinationChannel]->samples;
        for (int k = 0; k < frames; ++k) {
            destination[k] += gain * source[k];
        }
    }
}

void Connection::MixPerSample(const WorkRecord& record, int sourceChannels,
                              int destinationChannels) noexcept {
    const int frames = Frames(record);
    const double samplesPerBeat = GlobalTempo().samplesPerBeat;
    // Every sample's gains first, from one event to the next, then each
    // route as a plain loop: every destination sample still gets its
    // routes' terms in route order, at the gains of its own sample.
    std::array<double, kMaxChunkFrames> first;
    std::array<double, kMaxChunkFrames> second;
    std::array<double, kMaxChunkFrames> others;
    int next = 0;
    for (int k = 0; k < frames;) {
        // Events are in offset order; one that is late (or lies beyond the
        // chunk) takes effect at the first sample it can, never not at all.
        while (next < record.eventCount && (record.events[next]->offset <= k || k == frames - 1)) {
            gains_.Apply(*record.events[next++], samplesPerBeat);
        }
        const int until =
            next < record.eventCount ? std::min(record.events[next]->offset, frames - 1) : frames;
        gains_.TickInto(until - k, &first[k], &second[k], &others[k]);
        k = until;
    }
    for (auto [index, route] : routes_) {
        if (!Usable(*route, sourceChannels, destinationChannels)) {
            continue;
        }
        const int channel = route->destinationChannel;
        const double* gain = channel == 0   ? first.data()
                             : channel == 1 ? second.data()
                                            : others.data();
        const double* source = record.inputs[route->sourceChannel]->samples;
        double* destination = record.outputs[channel]->samples;
        for (int k = 0; k < frames; ++k) {
            destination[k] += gain[k] * source[k];
        }
    }
}

} // namespace tarn
