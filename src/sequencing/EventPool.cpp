#include "sequencing/EventPool.h"

#include <new>

namespace tarn {

EventPool::EventPool() {
    blocks_.push_back(std::make_unique<Block>());
}

EventPool::~EventPool() = default;

EventRecord* EventPool::Take(const EventRecord& event) noexcept {
    const auto block = static_cast<std::size_t>(used_ / kKept);
    if (block == blocks_.size()) {
        try {
            blocks_.push_back(std::make_unique<Block>());
        } catch (const std::bad_alloc&) {
            return nullptr;
        }
    }
    EventRecord* record = &(*blocks_[block])[static_cast<std::size_t>(used_ % kKept)];
    *record = event;
    ++used_;
    return record;
}

void EventPool::Clear() noexcept {
    used_ = 0;
}

} // namespace tarn
