#pragma once

#include "tarn/MachineAbi.h"

#include <array>
#include <memory>
#include <vector>

namespace tarn {

// The event records the work cycle hands out for one Node and chunk. They
// are copies, so that machines never see (or scribble on) the patterns'
// own records. They come in blocks of kKept that live as long as the pool:
// after a burst the pool keeps the most it ever held, so that the next one
// does not allocate (or free) on the audio thread again. Audio thread only.
class EventPool {
public:
    static constexpr int kKept = 16;

    EventPool();
    ~EventPool();
    EventPool(const EventPool&) = delete;
    EventPool& operator=(const EventPool&) = delete;

    // A pool record holding a copy of event; null when memory ran out (the
    // event is then dropped rather than the audio thread stopped).
    EventRecord* Take(const EventRecord& event) noexcept;
    // Every record is free again; the blocks stay.
    void Clear() noexcept;

    int Count() const { return used_; }
    // Records the pool holds right now, taken or not.
    int Capacity() const { return static_cast<int>(blocks_.size()) * kKept; }

private:
    using Block = std::array<EventRecord, kKept>;

    std::vector<std::unique_ptr<Block>> blocks_;
    int used_ = 0;
};

} // namespace tarn
