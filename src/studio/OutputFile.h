#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace tarn {

// Where a command may write, checked before any work is done. Paths are
// taken from the current directory (not the application directory) and
// named in messages as the user wrote them. Each check answers the clean
// absolute path to write, or nothing after one "error: " line.

// A render's output: a name ending in ".wav" or ".raw" (a name without an
// extension gets ".wav"), not the project being rendered, not a directory
// or special file, and, unless force, no existing file other than a sound
// file of the kind the studio writes.
std::optional<std::filesystem::path>
CheckRenderOutput(const std::string& output, const std::filesystem::path& project, bool force);
// A project file to save: an existing file is replaced only with force.
std::optional<std::filesystem::path> CheckProjectOutput(const std::string& output, bool force);

// A hidden temporary file beside a target, with the target's extension, so
// that a file is written completely before it replaces the target: the
// old file survives a failure, Ctrl+C or a kill. The temporary file is
// removed unless Commit renamed it over the target.
class ReplacingFile {
public:
    // Nothing to write to (Ok false) after one "error: " line carrying the
    // system's reason; shown is the target as the user wrote it.
    ReplacingFile(const std::filesystem::path& target, const std::string& shown);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    bool Ok() const { return !temporary_.empty(); }
    const std::filesystem::path& Temporary() const { return temporary_; }
    // Renames the temporary file over the target; false after an error line.
    bool Commit();

private:
    std::filesystem::path target_;
    std::string shown_;
    std::filesystem::path temporary_;
};

} // namespace tarn
