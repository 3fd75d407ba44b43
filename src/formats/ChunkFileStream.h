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
        kRead,  // existing regular file, read from the start
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
    // The system's reason (an errno value) why the file could not be
    // opened, written, sought or closed, from the first such failure; 0
    // while none has. A read past the end has no reason of the system's.
    int Error() const { return error_; }
    std::string Problem() const override;

private:
    // Marks the stream failed, keeping the system's reason when this is its
    // first failure.
    void Fail();

    std::FILE* file_ = nullptr;
    int error_ = 0;
    // Why a file to read was refused before it was opened.
    std::string refused_;
    std::uint64_t position_ = 0;
    // Length of the file as opened, grown by writes past its end.
    std::uint64_t size_ = 0;
};

} // namespace tarn
