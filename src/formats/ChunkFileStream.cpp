#include "formats/ChunkFileStream.h"

#include "base/InputFile.h"
#include "base/SystemError.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <sys/types.h>
#include <unistd.h>

namespace tarn {

ChunkFileStream::ChunkFileStream(const std::filesystem::path& path, Mode mode)
    : ChunkStream(path.string()) {
    if (mode == Mode::kWrite) {
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ == nullptr) {
            Fail();
        }
        return;
    }
    // The length bounds every size the reader accepts, so it is taken once
    // here rather than trusted from the file's own headers.
    InputFile in(path, std::numeric_limits<std::uint64_t>::max(), {});
    if (!in.Ok()) {
        refused_ = in.Problem();
        MarkFailed();
        return;
    }
    size_ = in.Size();
    const int descriptor = in.Release();
    file_ = ::fdopen(descriptor, "rb");
    if (file_ == nullptr) {
        Fail();
        ::close(descriptor);
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

std::string ChunkFileStream::Problem() const {
    if (!refused_.empty() || error_ == 0) {
        return refused_;
    }
    return std::strerror(error_);
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
