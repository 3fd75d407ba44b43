#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarn {

// Bytes handed from one producer thread to one consumer thread without a
// lock: each side moves only its own position, so the producer (the audio
// thread) never waits for the consumer. The capacity is fixed when made.
class ByteRing {
public:
    // Room for at least capacity bytes (rounded up to a power of two).
    explicit ByteRing(std::size_t capacity);
    ByteRing(const ByteRing&) = delete;
    ByteRing& operator=(const ByteRing&) = delete;

    std::size_t Capacity() const { return data_.size(); }

    // Producer: bytes that may be written now.
    std::size_t Free() const noexcept;
    // Producer: stores all of bytes, or nothing (false) when they do not fit.
    bool Write(std::span<const std::uint8_t> bytes) noexcept;

    // Consumer: the oldest bytes not consumed yet, as far as they lie in one
    // piece; empty when there are none.
    std::span<const std::uint8_t> Readable() const noexcept;
    // Consumer: frees the first count bytes of Readable().
    void Consume(std::size_t count) noexcept;

    // Empties the ring; only while neither side uses it.
    void Reset() noexcept;

private:
    std::vector<std::uint8_t> data_;
    std::size_t mask_;
    // Running totals, on lines of their own so that the two sides do not
    // keep taking each other's cache line.
    alignas(64) std::atomic<std::uint64_t> written_ = 0;
    alignas(64) std::atomic<std::uint64_t> read_ = 0;
};

} // namespace tarn
