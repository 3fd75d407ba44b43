#pragma once

#include "tarn/MachineAbi.h"

#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

// Events a Node plays in its next chunk, whatever the song is doing: notes
// from the computer keyboard and MIDI input, parameter changes made while
// playing, and the machine's defaults after set-up. Queued by any thread
// holding the project lock; the work cycle takes and clears them under the
// same lock.
//
// The queue is bounded: a flood of notes while nothing renders (no audio
// device, a stopped driver) is refused at kMaxEvents instead of growing
// memory without end.
class LiveEventQueue {
public:
    static constexpr std::size_t kInitialCapacity = 64;
    static constexpr std::size_t kMaxEvents = 4096;

    LiveEventQueue() { events_.reserve(kInitialCapacity); }

    // With replace, an event already queued for the same group, track and
    // index only takes the new value (and end value). Otherwise a new event
    // is appended at the given sample offset in the chunk, holding the value
    // (as its end value too, without glide); note events (note) also carry
    // their length and velocity. False, with nothing queued, when the queue
    // is full.
    bool Queue(std::int16_t group, std::int16_t track, std::int16_t index, double value,
               double noteLength, double velocity, bool note, bool replace, int offset = 0);

    // Whether one more event fits without allocating; the audio thread
    // queues only then.
    bool HasRoom() const noexcept {
        return events_.size() < events_.capacity() && events_.size() < kMaxEvents;
    }

    std::span<const EventRecord> Events() const { return events_; }
    // Keeps the capacity, so that a steady flow of events allocates nothing.
    void Clear() noexcept { events_.clear(); }

private:
    std::vector<EventRecord> events_;
};

} // namespace tarn
