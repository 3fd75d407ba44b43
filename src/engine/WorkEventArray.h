#pragma once

#include "sequencing/EventList.h"
#include "tarn/MachineAbi.h"

#include <cstddef>
#include <vector>

namespace tarn {

// The event array of the work record a machine receives. It has room for
// kBaseSize events and grows to whatever one chunk needs; it keeps that
// size, so that a burst allocates once rather than every time it recurs.
// Audio thread only.
class WorkEventArray {
public:
    static constexpr std::size_t kBaseSize = 1024;

    WorkEventArray() : items_(kBaseSize) {}

    // Takes the events of list; when memory for a larger array runs out,
    // as many as fit.
    void Fill(const EventList& list) noexcept;

    EventRecord** Data() { return items_.data(); }
    int Count() const { return count_; }
    std::size_t Size() const { return items_.size(); }

private:
    std::vector<EventRecord*> items_;
    int count_ = 0;
};

} // namespace tarn
