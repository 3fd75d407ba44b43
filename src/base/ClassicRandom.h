#pragma once

#include <cstdint>

namespace tarn {

// The C runtime's classic linear congruential generator, written out so
// that every platform draws the same sequence: values 0..32767, and a seed
// that starts the state directly.
class ClassicRandom {
public:
    static constexpr int kMaximum = 32767;
    static constexpr int kRange = kMaximum + 1;

    explicit ClassicRandom(std::uint32_t seed) : state_(seed) {}

    int Next() noexcept {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7fffu);
    }

private:
    std::uint32_t state_;
};

} // namespace tarn
