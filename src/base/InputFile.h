#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarn {

// A file a user named (a project, a JSON song, a wave), opened so that
// nothing it turns out to be can make the program wait or run out of
// memory: it is opened without waiting for a writer, and anything but a
// regular file (a folder, a pipe, a device) or a file larger than a limit
// is refused before a byte is read. It is read by the size it has, never
// "until the end".
class InputFile {
public:
    // limitText says what the limit is, for the message: "the 4 GiB a WAVE
    // can hold", say.
    InputFile(const std::filesystem::path& path, std::uint64_t limit, std::string_view limitText);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Ok() const { return descriptor_ >= 0; }
    // Why the file could not be opened or read, as the end of a sentence
    // that names it: "it is a folder", say, or the system's reason.
    const std::string& Problem() const { return problem_; }
    // The size it had when opened.
    std::uint64_t Size() const { return size_; }

    // Reads count bytes at offset; false (with Problem) when they are not
    // all there.
    bool ReadAt(std::uint64_t offset, void* data, std::size_t count);
    // Hands the descriptor over to the caller, who closes it.
    int Release();

private:
    void Fail(std::string problem);

    int descriptor_ = -1;
    std::uint64_t size_ = 0;
    std::string problem_;
};

// The whole of a file as InputFile opens it; false with problem set.
bool ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                   std::string_view limitText, std::string& bytes, std::string& problem);

} // namespace tarn
