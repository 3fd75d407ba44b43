#include "machines/framework/ByteBuffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

namespace tarn {

ByteBuffer::~ByteBuffer() {
    Release();
}

ByteBuffer::ByteBuffer(ByteBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      size_(std::exchange(other.size_, 0)), owned_(std::exchange(other.owned_, true)) {}

ByteBuffer& ByteBuffer::operator=(ByteBuffer&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        size_ = std::exchange(other.size_, 0);
        owned_ = std::exchange(other.owned_, true);
    }
    return *this;
}

ByteBuffer ByteBuffer::View(const void* data, std::int32_t size) {
    ByteBuffer view;
    if (data != nullptr && size > 0) {
        // The view never writes through this pointer: it is only ever handed
        // out as const, and growing copies into a block of its own.
        view.data_ = static_cast<std::uint8_t*>(const_cast<void*>(data));
        view.capacity_ = size;
        view.size_ = size;
        view.owned_ = false;
    }
    return view;
}

void ByteBuffer::FreeBlock(void* data) {
    std::free(data);
}

bool ByteBuffer::Append(const void* bytes, std::int32_t count) {
    if (count <= 0 || bytes == nullptr) {
        return count == 0;
    }
    const std::int64_t needed = static_cast<std::int64_t>(size_) + count;
    if (needed > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    std::int64_t capacity = data_ == nullptr ? kFirstCapacity : capacity_;
    if (needed > capacity) {
        const std::int64_t missing = needed - capacity;
        capacity += (missing + kGrowthStep - 1) / kGrowthStep * kGrowthStep;
        if (capacity > std::numeric_limits<std::int32_t>::max()) {
            capacity = needed;
        }
    }
    if (data_ == nullptr || capacity != capacity_) {
        auto* block = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(capacity)));
        if (block == nullptr) {
            return false;
        }
        const std::int32_t kept = size_;
        if (kept > 0) {
            std::memcpy(block, data_, static_cast<std::size_t>(kept));
        }
        Release();
        data_ = block;
        capacity_ = static_cast<std::int32_t>(capacity);
        size_ = kept;
    }
    std::memcpy(data_ + size_, bytes, static_cast<std::size_t>(count));
    size_ = static_cast<std::int32_t>(needed);
    return true;
}

ByteBuffer::Block ByteBuffer::Detach() {
    Block block;
    if (size_ == 0) {
        Release();
        return block;
    }
    if (!owned_) {
        // A view's bytes are not ours to hand over: give the caller a copy.
        auto* copy = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(size_)));
        if (copy == nullptr) {
            return block;
        }
        std::memcpy(copy, data_, static_cast<std::size_t>(size_));
        block = {copy, size_};
    } else {
        if (capacity_ != size_) {
            // A failed shrink leaves the larger block, which is still valid.
            if (void* shrunk = std::realloc(data_, static_cast<std::size_t>(size_))) {
                data_ = static_cast<std::uint8_t*>(shrunk);
            }
        }
        block = {data_, size_};
        data_ = nullptr;
    }
    Release();
    return block;
}

void ByteBuffer::Adopt(std::uint8_t* data, std::int32_t size) {
    Release();
    if (data == nullptr || size <= 0) {
        std::free(data);
        return;
    }
    data_ = data;
    capacity_ = size;
    size_ = size;
}

void ByteBuffer::Release() {
    if (owned_) {
        std::free(data_);
    }
    data_ = nullptr;
    capacity_ = 0;
    size_ = 0;
    owned_ = true;
}

} // namespace tarn
