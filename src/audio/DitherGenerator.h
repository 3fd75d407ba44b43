#pragma once

#include <cstdint>

namespace tarn {

// The C runtime's classic linear congruential generator, which the dither
// of the output conversion is defined by: draws in 0..32767, state starting
// at 1. Each fill thread owns one, so every start begins the same sequence.
class DitherGenerator {
public:
    static constexpr int kMaximum = 32767;

    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t state_ = 1;
};

} // namespace tarn
