#pragma once

#include <cstdint>

namespace tarn {

// A growable block of bytes with 32-bit capacity and size, used for a
// machine's saved state. An owning buffer allocates with the C allocator so
// that a detached block can cross to the host and be released there with
// ByteBuffer::FreeBlock, whichever library filled it. A view wraps bytes
// that stay someone else's: it never frees them.
class ByteBuffer {
public:
    // What Detach hands over: the caller owns data and frees it with FreeBlock.
    struct Block {
        std::uint8_t* data = nullptr;
        std::int32_t size = 0;
    };

    static constexpr std::int32_t kFirstCapacity = 1024;
    static constexpr std::int32_t kGrowthStep = 256;

    ByteBuffer() = default;
    ~ByteBuffer();
    ByteBuffer(ByteBuffer&& other) noexcept;
    ByteBuffer& operator=(ByteBuffer&& other) noexcept;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    // A read-only view of bytes the caller keeps; a null or negative length
    // gives an empty view.
    static ByteBuffer View(const void* data, std::int32_t size);
    // Releases a block obtained from Detach.
    static void FreeBlock(void* data);

    // Appends bytes, allocating kFirstCapacity first and then growing by the
    // smallest multiple of kGrowthStep that fits. False (and nothing
    // changed) when the size would pass 32 bits or memory runs out.
    bool Append(const void* bytes, std::int32_t count);

    // Shrinks the block to its size and hands it over; the buffer is empty
    // afterwards. An empty buffer yields a null block of size 0.
    Block Detach();

    // Takes an outside block allocated with the C allocator as the contents
    // (capacity = size = length); the buffer owns it from now on.
    void Adopt(std::uint8_t* data, std::int32_t size);

    const std::uint8_t* Data() const { return data_; }
    std::int32_t Size() const { return size_; }
    std::int32_t Capacity() const { return capacity_; }
    bool Empty() const { return size_ == 0; }

private:
    void Release();

    std::uint8_t* data_ = nullptr;
    std::int32_t capacity_ = 0;
    std::int32_t size_ = 0;
    bool owned_ = true;
};

} // namespace tarn
