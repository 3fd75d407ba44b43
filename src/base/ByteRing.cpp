#include "base/ByteRing.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace tarn {

ByteRing::ByteRing(std::size_t capacity)
    : data_(std::bit_ceil(std::max<std::size_t>(capacity, 1))), mask_(data_.size() - 1) {}

std::size_t ByteRing::Free() const noexcept {
    const std::uint64_t used =
        written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire);
    return data_.size() - static_cast<std::size_t>(used);
}

bool ByteRing::Write(std::span<const std::uint8_t> bytes) noexcept {
    if (bytes.size() > Free()) {
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    const std::uint64_t at = written_.load(std::memory_order_relaxed);
    const std::size_t start = static_cast<std::size_t>(at) & mask_;
    const std::size_t first = std::min(bytes.size(), data_.size() - start);
    std::memcpy(data_.data() + start, bytes.data(), first);
    std::memcpy(data_.data(), bytes.data() + first, bytes.size() - first);
    written_.store(at + bytes.size(), std::memory_order_release);
    return true;
}

std::span<const std::uint8_t> ByteRing::Readable() const noexcept {
    const std::uint64_t at = read_.load(std::memory_order_relaxed);
    const auto used = static_cast<std::size_t>(written_.load(std::memory_order_acquire) - at);
    const std::size_t start = static_cast<std::size_t>(at) & mask_;
    return {data_.data() + start, std::min(used, data_.size() - start)};
}

void ByteRing::Consume(std::size_t count) noexcept {
    read_.store(read_.load(std::memory_order_relaxed) + count, std::memory_order_release);
}

void ByteRing::Reset() noexcept {
    written_.store(0, std::memory_order_relaxed);
    read_.store(0, std::memory_order_relaxed);
}

} // namespace tarn
