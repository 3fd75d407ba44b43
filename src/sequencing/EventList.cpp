#include "sequencing/EventList.h"

#include <new>
#include <utility>

namespace tarn {

bool EventList::Add(EventRecord* event) noexcept {
    try {
        if (items_.size() == items_.capacity()) {
            items_.reserve(items_.capacity() + kStep);
        }
        items_.push_back(event);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void EventList::Clear() noexcept {
    items_.clear();
}

void EventList::Merge(EventList& target, const EventList& incoming, EventList& spare) noexcept {
    if (incoming.Empty()) {
        return;
    }
    spare.Clear();
    std::size_t t = 0;
    std::size_t i = 0;
    while (t < target.Size() || i < incoming.Size()) {
        const bool takeIncoming =
            t == target.Size() || (i < incoming.Size() && incoming[i]->offset <= target[t]->offset);
        spare.Add(takeIncoming ? incoming[i++] : target[t++]);
    }
    std::swap(target.items_, spare.items_);
}

} // namespace tarn
