#pragma once

#include "tarn/MachineAbi.h"

#include <cstddef>
#include <vector>

namespace tarn {

// A list of event records in sample-offset order, pointing into the
// engine's pool. It starts with room for kStep entries, grows by kStep and
// keeps the most it ever held when emptied, so that the next burst of that
// size neither allocates nor frees on the audio thread. Audio thread only.
class EventList {
public:
    static constexpr std::size_t kStep = 16;

    EventList() { items_.reserve(kStep); }

    // False when memory ran out; the event is then left out.
    bool Add(EventRecord* event) noexcept;
    void Clear() noexcept;

    // Merges incoming into target by whole sample offset; on equal offsets
    // incoming's records come first. Both must be in offset order. spare is
    // used as the merge buffer and ends up holding target's old contents.
    static void Merge(EventList& target, const EventList& incoming, EventList& spare) noexcept;

    std::size_t Size() const { return items_.size(); }
    bool Empty() const { return items_.empty(); }
    std::size_t Capacity() const { return items_.capacity(); }
    EventRecord* operator[](std::size_t i) const { return items_[i]; }
    // The pointer array as a work record carries it.
    EventRecord** Data() { return items_.data(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<EventRecord*> items_;
};

} // namespace tarn
