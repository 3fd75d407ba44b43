#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace tarn {

// An indexed container whose indices stay stable for an item's whole life.
// Occupied slots are chained both ways so that iteration skips free ones;
// free slots are reused lowest-first. The list owns its slots, not its items:
// Remove and Put hand an item back to the caller, who disposes of it.
template <typename T> class SlotList {
public:
    static constexpr int kDefaultCapacity = 256;
    // The largest index Put accepts; beyond it doubling would overflow.
    static constexpr int kMaxIndex = (1 << 30) - 1;

    explicit SlotList(int capacity = kDefaultCapacity) { Reset(capacity); }

    // Drops every slot (not the items) and starts over with max(capacity, 2)
    // free slots.
    void Reset(int capacity = kDefaultCapacity) {
        slots_.assign(static_cast<std::size_t>(std::max(capacity, 2)), Slot{});
        count_ = 0;
        highest_ = -1;
        first_ = -1;
    }

    // Stores the item in the lowest free slot, doubling the capacity when
    // none is free, and returns the index used.
    int Add(T* item) {
        int index = -1;
        for (int i = 0; i < Capacity(); ++i) {
            if (slots_[i].item == nullptr) {
                index = i;
                break;
            }
        }
        if (index < 0) {
            Grow(Capacity() * 2);
            index = highest_ + 1;
        }
        Occupy(index, item);
        return index;
    }

    // Stores the item at the given index (0..kMaxIndex), growing as needed.
    // An item already there is taken out first and returned. An index out
    // of that range stores nothing and returns the item itself, so that the
    // caller still owns it.
    T* Put(int index, T* item) {
        if (index < 0 || index > kMaxIndex) {
            return item;
        }
        int capacity = Capacity();
        while (index >= capacity) {
            capacity *= 2;
        }
        if (capacity != Capacity()) {
            Grow(capacity);
        }
        T* previous = Remove(index);
        Occupy(index, item);
        return previous;
    }

    // Frees the slot and returns its item, or null when the index is out of
    // range or the slot is free. The highest index is not lowered.
    T* Remove(int index) {
        if (!InRange(index) || slots_[index].item == nullptr) {
            return nullptr;
        }
        Slot& slot = slots_[index];
        if (slot.previous >= 0) {
            slots_[slot.previous].next = slot.next;
        }
        if (slot.next >= 0) {
            slots_[slot.next].previous = slot.previous;
        }
        if (index == first_) {
            first_ = slot.next;
        }
        T* item = slot.item;
        slot = Slot{};
        --count_;
        return item;
    }

    T* Get(int index) const { return InRange(index) ? slots_[index].item : nullptr; }
    T* operator[](int index) const { return Get(index); }

    int Capacity() const { return static_cast<int>(slots_.size()); }
    int Count() const { return count_; }
    int Highest() const { return highest_; }
    int First() const { return first_; }
    bool Empty() const { return count_ == 0; }
    // The next occupied index after an occupied one, or -1.
    int Next(int index) const { return InRange(index) ? slots_[index].next : -1; }
    int Previous(int index) const { return InRange(index) ? slots_[index].previous : -1; }

    // Orders the items over the occupied slots by a comparison returning
    // negative, zero or positive; the set of occupied indices is unchanged.
    template <typename Compare> void Sort(Compare compare) {
        std::vector<int> indices;
        indices.reserve(static_cast<std::size_t>(count_));
        for (int i = first_; i != -1; i = slots_[i].next) {
            indices.push_back(i);
        }
        std::vector<T*> items;
        items.reserve(indices.size());
        for (int i : indices) {
            items.push_back(slots_[i].item);
        }
        QuickSort(items, 0, static_cast<int>(items.size()) - 1, compare);
        for (std::size_t k = 0; k < indices.size(); ++k) {
            slots_[indices[k]].item = items[k];
        }
    }

    // Iteration in ascending index order yields (index, item) pairs.
    class Iterator {
    public:
        Iterator(const SlotList* list, int index) : list_(list), index_(index) {}
        std::pair<int, T*> operator*() const { return {index_, list_->Get(index_)}; }
        Iterator& operator++() {
            index_ = list_->Next(index_);
            return *this;
        }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }
        bool operator==(const Iterator& other) const { return index_ == other.index_; }

    private:
        const SlotList* list_;
        int index_;
    };
    Iterator begin() const { return Iterator(this, first_); }
    Iterator end() const { return Iterator(this, -1); }

private:
    struct Slot {
        T* item = nullptr;
        int next = -1;
        int previous = -1;
    };

    bool InRange(int index) const { return index >= 0 && index < Capacity(); }

    void Grow(int capacity) { slots_.resize(static_cast<std::size_t>(capacity), Slot{}); }

    void Occupy(int index, T* item) {
        Slot& slot = slots_[index];
        slot.item = item;
        ++count_;
        highest_ = std::max(highest_, index);
        slot.previous = -1;
        for (int i = index - 1; i >= 0; --i) {
            if (slots_[i].item != nullptr) {
                slot.previous = i;
                slots_[i].next = index;
                break;
            }
        }
        slot.next = -1;
        for (int i = index + 1; i <= highest_; ++i) {
            if (slots_[i].item != nullptr) {
                slot.next = i;
                slots_[i].previous = index;
                break;
            }
        }
        // The first occupied slot is kept up to date as slots come and go, so
        // that emptying a long list costs no rescans.
        if (first_ < 0 || index < first_) {
            first_ = index;
        }
    }

    template <typename Compare>
    static void QuickSort(std::vector<T*>& items, int low, int high, Compare& compare) {
        while (low < high) {
            T* pivot = items[static_cast<std::size_t>(low + (high - low) / 2)];
            int i = low;
            int j = high;
            while (i <= j) {
                while (compare(items[i], pivot) < 0) {
                    ++i;
                }
                while (compare(items[j], pivot) > 0) {
                    --j;
                }
                if (i <= j) {
                    std::swap(items[i], items[j]);
                    ++i;
                    --j;
                }
            }
            // Recurse into the smaller side so the stack stays shallow.
            if (j - low < high - i) {
                QuickSort(items, low, j, compare);
                low = i;
            } else {
                QuickSort(items, i, high, compare);
                high = j;
            }
        }
    }

    std::vector<Slot> slots_;
    int count_ = 0;
    int highest_ = -1;
    int first_ = -1;
};

} // namespace tarn
