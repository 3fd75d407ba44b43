#pragma once

#include "base/SlotList.h"

#include <memory>

namespace tarn {

// A SlotList that owns its items: whatever leaves the list comes back as a
// unique_ptr, and whatever is still in it when the list dies is deleted.
// Used for the graph's containers (node table, input lists, route lists),
// whose items belong to the container that holds them.
template <typename T> class OwnedSlotList {
public:
    explicit OwnedSlotList(int capacity = SlotList<T>::kDefaultCapacity) : slots_(capacity) {}
    ~OwnedSlotList() { Clear(); }
    OwnedSlotList(const OwnedSlotList&) = delete;
    OwnedSlotList& operator=(const OwnedSlotList&) = delete;

    int Add(std::unique_ptr<T> item) { return slots_.Add(item.release()); }

    // Stores the item at index (growing the list) and hands back the item
    // that was there, if any. A negative index stores nothing.
    std::unique_ptr<T> Put(int index, std::unique_ptr<T> item) {
        if (index < 0) {
            return item;
        }
        return std::unique_ptr<T>(slots_.Put(index, item.release()));
    }

    // Puts the item at index, destroying whatever was there, or adds it at
    // the lowest free index when index is negative. Returns the index used.
    int Place(int index, std::unique_ptr<T> item) {
        if (index < 0) {
            return Add(std::move(item));
        }
        Put(index, std::move(item));
        return index;
    }

    std::unique_ptr<T> Remove(int index) { return std::unique_ptr<T>(slots_.Remove(index)); }

    void Clear() {
        for (int index = slots_.First(); index != -1;) {
            const int next = slots_.Next(index);
            delete slots_.Remove(index);
            index = next;
        }
    }

    T* Get(int index) const { return slots_.Get(index); }
    int Count() const { return slots_.Count(); }
    int Capacity() const { return slots_.Capacity(); }
    bool Empty() const { return slots_.Empty(); }
    const SlotList<T>& Slots() const { return slots_; }
    auto begin() const { return slots_.begin(); }
    auto end() const { return slots_.end(); }

private:
    SlotList<T> slots_;
};

} // namespace tarn
