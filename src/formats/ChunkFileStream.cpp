#include "formats/ChunkFileStream.h"

#include "base/SystemError.h"

#include <algorithm>
#include <sys/types.h>

namespace tarn {

ChunkFileStream::ChunkFileStream(const std::filesystem::path& path, Mode mode)
    : ChunkStream(path.string()) {
    file_ = std::fopen(path.c_str(), mode == Mode::kRead ? "rb" : "wb");
    if (file_ == nullptr) {
        Fail();
        return;
    }
    if (mode == Mode::kRead) {
        // The length bounds every size the reader accepts, so it is taken
        // once here rather than trusted from the file's own headers.
        const bool measured = ::fseeko(file_, 0, SEEK_END) == 0;
        const off_t length = measured ? ::ftello(file_) : -1;
        if (length < 0 || ::fseeko(file_, 0, SEEK_SET) != 0) {
            Fail();
            return;
        }
        size_ = static_cast<std::uint64_t>(length);
    }
}

ChunkFileStream::~ChunkFileStream() {
    Close();
}

bool ChunkFileStream::Close() {
    if (file_ == nullptr) {
        return false;
    }
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    // What was still buffered meets the disk here.
    if (!closed) {
        Fail();
    }
    const bool good = closed && !Failed();
    MarkFailed();
    return good;
}

void ChunkFileStream::Fail() {
    if (!Failed()) {
        error_ = LastSystemError();
    }
    MarkFailed();
}

bool ChunkFileStream::Read(void* data, std::size_t count) {
    if (Failed() || std::fread(data, 1, count, file_) != count) {
        MarkFailed();
        return false;
    }
    position_ += count;
    return true;
}

bool ChunkFileStream::Write(const void* data, std::size_t count) {
    if (Failed() || std::fwrite(data, 1, count, file_) != count) {
        Fail();
        return false;
    }
    position_ += count;
    size_ = std::max(size_, position_);
    return true;
}

bool ChunkFileStream::Seek(std::uint64_t position) {
    if (Failed() || ::fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) {
        Fail();
        return false;
    }
    position_ = position;
    return true;
}

} // namespace tarn
