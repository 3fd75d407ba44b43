#include "base/ReplacingFile.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;

// Between the target's stem and the process id of the writer.
constexpr std::string_view kMark = ".saving-";
constexpr std::size_t kRandomLetters = 6;

// The process that made a temporary named "." stem kMark pid "-" letters
// extension; 0 for any other name.
pid_t WriterOf(std::string_view name) {
    const std::size_t mark = name.rfind(kMark);
    if (name.empty() || name.front() != '.' || mark == std::string_view::npos || mark == 0) {
        return 0;
    }
    std::size_t at = mark + kMark.size();
    const std::size_t digits = at;
    pid_t pid = 0;
    for (; at < name.size() && std::isdigit(static_cast<unsigned char>(name[at])) != 0; ++at) {
        if (at - digits >= 9) {
            return 0;
        }
        pid = pid * 10 + (name[at] - '0');
    }
    if (at == digits || at >= name.size() || name[at] != '-' ||
        name.size() < at + 1 + kRandomLetters) {
        return 0;
    }
    const std::string_view extension = name.substr(at + 1 + kRandomLetters);
    const bool plain = extension.empty() || (extension.front() == '.' &&
                                             extension.find('.', 1) == std::string_view::npos);
    return plain ? pid : 0;
}

// Temporaries left by writers that were killed or crashed: their process
// no longer exists. A process id since taken by another process keeps its
// file until that one ends too.
void RemoveStaleTemporaries(const fs::path& folder) {
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const pid_t pid = WriterOf(entry->path().filename().string());
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH) {
            std::error_code ignored;
            fs::remove(entry->path(), ignored);
        }
    }
}

// The folder's entry for a renamed file reaches the disk too. Some file
// systems cannot sync a folder; the rename itself has succeeded then.
void SyncFolder(const fs::path& folder) {
    const int descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace

ReplacingFile::ReplacingFile(fs::path target) : target_(std::move(target)) {
    const fs::path folder = target_.parent_path().empty() ? fs::path(".") : target_.parent_path();
    RemoveStaleTemporaries(folder);
    const std::string extension = target_.extension().string();
    // Appended rather than written as "." + stem: GCC 12 at -O3 sees the
    // insert at the front of a temporary as an overlapping copy (-Wrestrict).
    std::string hidden = ".";
    hidden += target_.stem().string();
    hidden += kMark;
    hidden += std::to_string(::getpid());
    hidden += '-';
    hidden.append(kRandomLetters, 'X');
    hidden += extension;
    std::string name = (target_.parent_path() / hidden).string();
    descriptor_ = ::mkostemps(name.data(), static_cast<int>(extension.size()), O_CLOEXEC);
    if (descriptor_ < 0) {
        Fail(errno);
        return;
    }
    temporary_ = name;
    // mkstemp makes the file private; the new file gets the usual mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(descriptor_, 0666 & ~mask);
}

ReplacingFile::~ReplacingFile() {
    if (descriptor_ >= 0) {
        ::close(descriptor_);
        ::unlink(temporary_.c_str());
    }
}

bool ReplacingFile::Fail(int reason) {
    if (error_ == 0) {
        error_ = reason != 0 ? reason : EIO;
    }
    return false;
}

bool ReplacingFile::Write(std::string_view bytes) {
    if (!Ok() || error_ != 0) {
        return Fail(EBADF);
    }
    while (!bytes.empty()) {
        const ssize_t written = ::write(descriptor_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return Fail(written < 0 ? errno : ENOSPC);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReplacingFile::Commit() {
    if (!Ok() || error_ != 0) {
        return Fail(EBADF);
    }
    if (::fsync(descriptor_) != 0) {
        return Fail(errno);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return Fail(errno);
    }
    ::close(descriptor_);
    descriptor_ = -1;
    SyncFolder(target_.parent_path().empty() ? fs::path(".") : target_.parent_path());
    return true;
}

int ReplaceFile(const fs::path& path, std::string_view bytes) {
    ReplacingFile file(path);
    return file.Write(bytes) && file.Commit() ? 0 : file.Error();
}

} // namespace tarn
