#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace tarn {

// Where the audio streamer's disk thread puts a recording's bytes. A file
// normally; tests put in one that is slow on purpose. One recording at a
// time, Open to Close, all on the disk thread.
class StreamSink {
public:
    virtual ~StreamSink() = default;

    // Opens path for writing, emptying it; false when it cannot.
    virtual bool Open(const std::filesystem::path& path) = 0;
    // Adds bytes at the end; false once anything failed.
    virtual bool Append(std::span<const std::uint8_t> bytes) = 0;
    // Overwrites bytes at offset from the start (the WAVE sizes).
    virtual bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    // False when anything since Open did not reach the file.
    virtual bool Close() = 0;
    // The system's reason (an errno value) for the first failure since
    // Open; 0 when nothing failed or the sink cannot tell.
    virtual int Error() const { return 0; }
};

// The recording as a binary file, through a buffered stream.
class FileStreamSink : public StreamSink {
public:
    bool Open(const std::filesystem::path& path) override;
    bool Append(std::span<const std::uint8_t> bytes) override;
    bool Patch(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    bool Close() override;
    int Error() const override { return error_; }

private:
    // Keeps errno from the first failure; passes ok on.
    bool Check(bool ok);

    std::ofstream file_;
    int error_ = 0;
};

} // namespace tarn
