#pragma once

#include "formats/ChunkStream.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace tarn {

// A chunk stream over a file it opens and closes itself. A file that cannot
// be opened gives a stream that is failed from the start, so writers can run
// over it unchanged and readers stop at once.
class ChunkFileStream final : public ChunkStream {
public:
    enum class Mode {
        kRead,  // existing file, read from the start
        kWrite, // created or truncated; seekable so record sizes can be patched
    };

    ChunkFileStream(const std::filesystem::path& path, Mode mode);
    ~ChunkFileStream() override;

    bool IsOpen() const { return file_ != nullptr; }
    // Flushes and closes; false when the file never opened or any byte
    // written did not reach it. Later operations fail.
    bool Close();

    bool Read(void* data, std::size_t count) override;
    bool Write(const void* data, std::size_t count) override;
    bool Seek(std::uint64_t position) override;
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return size_; }

private:
    std::FILE* file_ = nullptr;
    std::uint64_t position_ = 0;
    // Length of the file as opened, grown by writes past its end.
    std::uint64_t size_ = 0;
};

} // namespace tarn
