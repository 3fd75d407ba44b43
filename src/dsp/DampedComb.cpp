#include "dsp/DampedComb.h"

#include <algorithm>

namespace tarn {

void DampedComb::Allocate(int length) {
    length_ = std::max(length, 1);
    line_.assign(static_cast<std::size_t>(length_), 0.0);
    index_ = 0;
    store_ = 0.0;
}

void DampedComb::Clear() noexcept {
    std::fill(line_.begin(), line_.end(), 0.0);
    index_ = 0;
    store_ = 0.0;
}

} // namespace tarn
