#include "dsp/DelayLine.h"

#include <algorithm>

namespace tarn {

void DelayLine::Allocate(int size) {
    size_ = std::max(size, kMinSize);
    samples_.assign(static_cast<std::size_t>(size_), 0.0);
    write_ = size_ - 1;
}

void DelayLine::Clear() noexcept {
    std::fill(samples_.begin(), samples_.end(), 0.0);
}

} // namespace tarn
