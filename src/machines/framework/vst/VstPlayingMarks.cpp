#include "machines/framework/vst/VstPlayingMarks.h"

#include "base/AppDirectory.h"
#include "base/InputFile.h"
#include "base/ReplacingFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <map>
#include <mutex>
#include <string>
#include <unistd.h>

namespace tarn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolder = "Config/Plugins.playing";
constexpr std::uint64_t kMostMarkBytes = std::uint64_t{1} << 20;

std::atomic<bool> enabled = false;
std::mutex marksLock;

// Uses by library of this process; guarded by marksLock.
std::map<fs::path, int>& Uses() {
    static std::map<fs::path, int> uses;
    return uses;
}

fs::path OwnFile() {
    return AppPath(std::string(kFolder) + "/" + std::to_string(::getpid()));
}

// Writes this process's marks, one library a line; none removes the file.
void WriteMarks() {
    std::string text;
    for (const auto& [library, count] : Uses()) {
        text += library.string() + "\n";
    }
    std::error_code ignored;
    if (text.empty()) {
        fs::remove(OwnFile(), ignored);
        return;
    }
    fs::create_directories(AppPath(kFolder), ignored);
    ReplaceFile(OwnFile(), text);
}

} // namespace

void EnablePlayingMarks() {
    enabled = true;
}

void MarkPlaying(const fs::path& library) {
    if (!enabled) {
        return;
    }
    std::lock_guard hold(marksLock);
    if (++Uses()[library] == 1) {
        WriteMarks();
    }
}

void UnmarkPlaying(const fs::path& library) {
    if (!enabled) {
        return;
    }
    std::lock_guard hold(marksLock);
    const auto use = Uses().find(library);
    if (use != Uses().end() && --use->second == 0) {
        Uses().erase(use);
        WriteMarks();
    }
}

std::vector<fs::path> TakeCrashedWhilePlaying() {
    std::vector<fs::path> crashed;
    std::error_code error;
    for (fs::directory_iterator entry(AppPath(kFolder), error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        pid_t pid = 0;
        const auto [at, failure] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (failure != std::errc() || at != name.data() + name.size() || pid <= 0 ||
            pid == ::getpid() || ::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        std::string text;
        std::string problem;
        if (ReadWholeFile(entry->path(), kMostMarkBytes, "a list of plug-ins", text, problem)) {
            for (std::size_t start = 0, end = text.find('\n'); end != std::string::npos;
                 start = end + 1, end = text.find('\n', start)) {
                crashed.emplace_back(text.substr(start, end - start));
            }
        }
        std::error_code ignored;
        fs::remove(entry->path(), ignored);
    }
    return crashed;
}

} // namespace tarn
