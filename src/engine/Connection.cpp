#include "engine/Connection.h"

#include "engine/TempoRecord.h"

#include <algorithm>

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
    int next = 0;
    for (int k = 0; k < frames; ++k) {
        // Events are in offset order; one that is late (or lies beyond the
        // chunk) takes effect at the first sample it can, never not at all.
        while (next < record.eventCount && (record.events[next]->offset <= k || k == frames - 1)) {
            gains_.Apply(*record.events[next++], samplesPerBeat);
        }
        for (auto [index, route] : routes_) {
            if (Usable(*route, sourceChannels, destinationChannels)) {
                record.outputs[route->destinationChannel]->samples[k] +=
                    gains_.ForChannel(route->destinationChannel) *
                    record.inputs[route->sourceChannel]->samples[k];
            }
        }
        gains_.Tick();
    }
}

} // namespace tarn
