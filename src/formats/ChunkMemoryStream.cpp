#include "formats/ChunkMemoryStream.h"

#include <algorithm>
#include <utility>

namespace tarn {

ChunkMemoryStream::ChunkMemoryStream(std::vector<std::uint8_t> bytes, std::string name)
    : ChunkStream(std::move(name)), bytes_(std::move(bytes)) {}

bool ChunkMemoryStream::Read(void* data, std::size_t count) {
    if (Failed() || position_ > bytes_.size() || count > bytes_.size() - position_) {
        MarkFailed();
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(position_), count,
                static_cast<std::uint8_t*>(data));
    position_ += count;
    return true;
}

bool ChunkMemoryStream::Write(const void* data, std::size_t count) {
    if (Failed()) {
        return false;
    }
    if (position_ + count > bytes_.size()) {
        bytes_.resize(position_ + count);
    }
    const auto* source = static_cast<const std::uint8_t*>(data);
    std::copy_n(source, count, bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
    position_ += count;
    return true;
}

bool ChunkMemoryStream::Seek(std::uint64_t position) {
    if (Failed()) {
        return false;
    }
    position_ = position;
    return true;
}

} // namespace tarn
