#pragma once

#include <filesystem>
#include <string_view>

namespace tarn {

// Pushes a file's bytes to the disk, so that a rename that follows never
// publishes a file whose contents a crash could still lose.
bool SyncToDisk(const std::filesystem::path& path);

// How replacing a file ended: the old file is untouched unless kReplaced.
enum class FileReplacement { kReplaced, kOpenFailed, kWriteFailed };

// Writes bytes to a temporary file beside path, flushes it to the disk and
// renames it over path, so that whatever stops the program midway leaves
// either the old file or the new one, never a torn one. The temporary file
// is removed again on failure.
FileReplacement ReplaceFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace tarn
