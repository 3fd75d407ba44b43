#pragma once

#include <cstdint>

namespace tarn {

// Chunk files are little-endian on every host. These helpers build and take
// apart the words byte by byte, so they need no knowledge of the host order.

inline void StoreLittleEndian32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline void StoreLittleEndian64(std::uint8_t* out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline std::uint32_t LoadLittleEndian32(const std::uint8_t* in) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = value << 8 | in[i];
    }
    return value;
}

inline std::uint64_t LoadLittleEndian64(const std::uint8_t* in) {
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i) {
        value = value << 8 | in[i];
    }
    return value;
}

} // namespace tarn
