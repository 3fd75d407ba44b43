#include "engine/WorkEventArray.h"

#include <algorithm>
#include <new>

namespace tarn {

void WorkEventArray::Fill(const EventList& list) noexcept {
    const std::size_t needed = list.Size();
    const std::size_t size = std::max(needed, kBaseSize);
    if (size > items_.size()) {
        try {
            std::vector<EventRecord*> resized(size);
            items_.swap(resized);
        } catch (const std::bad_alloc&) {
            // Keep the array there is.
        }
    }
    const std::size_t count = std::min(needed, items_.size());
    std::copy_n(list.begin(), count, items_.begin());
    count_ = static_cast<int>(count);
}

} // namespace tarn
