#pragma once

#include "tarn/MachineAbi.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

// Events a Node plays at the start of its next chunk, whatever the song is
// doing: notes from the computer keyboard and MIDI input, parameter changes
// made while playing, and the machine's defaults after set-up. Queued by
// any thread holding the project lock; the work cycle takes and clears them
// under the same lock.
class LiveEventQueue {
public:
    static constexpr std::size_t kInitialCapacity = 16;

    LiveEventQueue() { events_.reserve(kInitialCapacity); }

    // With replace, an event already queued for the same group, track and
    // index only takes the new value (and end value). Otherwise a new event is appended at
    // sample offset 0 holding the value (as its end value too, without
    // glide); note events (note) also carry their length and velocity.
    void Queue(std::int16_t group, std::int16_t track, std::int16_t index, double value,
               double noteLength, double velocity, bool note, bool replace);

    std::span<const EventRecord> Events() const { return events_; }
    // Keeps the capacity, so that a steady flow of events allocates nothing.
    void Clear() noexcept { events_.clear(); }

private:
    std::vector<EventRecord> events_;
};

} // namespace tarn
