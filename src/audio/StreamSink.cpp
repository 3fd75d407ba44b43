#include "audio/StreamSink.h"

#include "base/SystemError.h"

namespace tarn {

bool FileStreamSink::Open(const std::filesystem::path& path) {
    error_ = 0;
    file_.clear();
    file_.open(path, std::ios::binary | std::ios::trunc);
    return Check(file_.is_open());
}

bool FileStreamSink::Append(std::span<const std::uint8_t> bytes) {
    file_.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    return Check(file_.good());
}

bool FileStreamSink::Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    file_.seekp(static_cast<std::streamoff>(offset));
    return FileStreamSink::Append(bytes);
}

bool FileStreamSink::Close() {
    bool written = file_.good();
    file_.close();
    return Check(written && !file_.fail());
}

bool FileStreamSink::Check(bool ok) {
    if (!ok && error_ == 0) {
        error_ = LastSystemError();
    }
    return ok;
}

} // namespace tarn
