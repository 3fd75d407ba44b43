#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace tarn {

// The byte stream under the chunk writer and reader: a file or a memory
// buffer. Failures are sticky: after one failed operation Failed() stays
// true and every later read, write or seek does nothing and returns false,
// so a writer can carry on blindly and check once at the end.
class ChunkStream {
public:
    explicit ChunkStream(std::string name) : name_(std::move(name)) {}
    virtual ~ChunkStream() = default;
    ChunkStream(const ChunkStream&) = delete;
    ChunkStream& operator=(const ChunkStream&) = delete;

    // Reads exactly count bytes at the position, or fails.
    virtual bool Read(void* data, std::size_t count) = 0;
    // Writes count bytes at the position, overwriting or extending.
    virtual bool Write(const void* data, std::size_t count) = 0;
    // Moves to an absolute byte offset.
    virtual bool Seek(std::uint64_t position) = 0;
    virtual std::uint64_t Position() const = 0;
    // Current length in bytes: what a reader can still get is Size() - Position().
    virtual std::uint64_t Size() const = 0;

    bool Failed() const { return failed_; }
    // Why the stream failed, in words for an error line ("it is a folder",
    // the system's reason); empty when it cannot tell.
    virtual std::string Problem() const { return {}; }
    // The file path, or a label for memory streams; used in error lines.
    const std::string& Name() const { return name_; }

protected:
    void MarkFailed() { failed_ = true; }

private:
    std::string name_;
    bool failed_ = false;
};

} // namespace tarn
