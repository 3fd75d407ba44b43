#include "base/InputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn {

InputFile::InputFile(const std::filesystem::path& path, std::uint64_t limit,
                     std::string_view limitText) {
    // Without O_NONBLOCK, opening a pipe waits for a writer that may never
    // come; a regular file reads the same either way.
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor_ < 0) {
        Fail(std::strerror(errno));
        return;
    }
    struct stat status {};
    if (::fstat(descriptor_, &status) != 0) {
        Fail(std::strerror(errno));
    } else if (S_ISDIR(status.st_mode)) {
        Fail("it is a folder");
    } else if (!S_ISREG(status.st_mode)) {
        Fail("it is not a regular file but a pipe, a device or a socket");
    } else if (static_cast<std::uint64_t>(status.st_size) > limit) {
        Fail("it is larger than " + std::string(limitText));
    } else {
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
}

InputFile::~InputFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
    }
}

void InputFile::Fail(std::string problem) {
    problem_ = std::move(problem);
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        descriptor_ = -1;
    }
}

bool InputFile::ReadAt(std::uint64_t offset, void* data, std::size_t count) {
    auto* at = static_cast<char*>(data);
    while (Ok() && count > 0) {
        const ssize_t read = ::pread(descriptor_, at, count, static_cast<off_t>(offset));
        if (read < 0 && errno == EINTR) {
            continue;
        }
        if (read < 0) {
            Fail(std::strerror(errno));
        } else if (read == 0) {
            Fail("it is cut short");
        } else {
            at += read;
            offset += static_cast<std::uint64_t>(read);
            count -= static_cast<std::size_t>(read);
        }
    }
    return Ok();
}

int InputFile::Release() {
    const int descriptor = descriptor_;
    descriptor_ = -1;
    return descriptor;
}

bool ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit,
                   std::string_view limitText, std::string& bytes, std::string& problem) {
    InputFile file(path, limit, limitText);
    if (file.Ok()) {
        bytes.resize(file.Size());
        file.ReadAt(0, bytes.data(), bytes.size());
    }
    problem = file.Problem();
    return file.Ok();
}

} // namespace tarn
