#pragma once

#include <filesystem>
#include <string_view>

namespace tarn {

// A file written under a hidden name of its own beside its target and
// renamed over the target only once all of it is on the disk, so that
// whatever stops the program midway (a full disk, Ctrl+C, a kill, a crash)
// leaves the old file or the new one, never a torn one. Every writer gets a
// temporary of its own (".", the target's stem, the process id, random
// letters, the target's extension), so that saves to one path never share
// one; a temporary whose process is gone is removed by the next write to
// its folder. Unless Commit renamed it, the temporary is removed again.
class ReplacingFile {
public:
    explicit ReplacingFile(std::filesystem::path target);
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Whether the temporary was made; Error() tells why not.
    bool Ok() const { return descriptor_ >= 0; }
    const std::filesystem::path& Target() const { return target_; }
    // Where the new contents go: through Write, or by other writers that
    // open it by name.
    const std::filesystem::path& Temporary() const { return temporary_; }

    // Adds bytes at the temporary's end; false once anything failed.
    bool Write(std::string_view bytes);
    // Pushes the temporary to the disk and renames it over the target;
    // false (and the old file kept) when that or anything before failed.
    bool Commit();
    // The system's reason (an errno value) for the first failure; 0 while
    // nothing failed.
    int Error() const { return error_; }

private:
    bool Fail(int reason);

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int descriptor_ = -1;
    int error_ = 0;
};

// Replaces path by a file that holds bytes, through a ReplacingFile: 0, or
// the system's reason why the old file was kept.
int ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace tarn
