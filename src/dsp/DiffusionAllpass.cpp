#include "dsp/DiffusionAllpass.h"

#include <algorithm>

namespace tarn {

void DiffusionAllpass::Allocate(int length) {
    length_ = std::max(length, 1);
    line_.assign(static_cast<std::size_t>(length_), 0.0);
    index_ = 0;
}

void DiffusionAllpass::Clear() noexcept {
    std::fill(line_.begin(), line_.end(), 0.0);
    index_ = 0;
}

} // namespace tarn
