#pragma once

#include "base/ReplacingFile.h"

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

// Says why a file could not be replaced: one "error: cannot write '<shown>':
// <reason>" line, shown being the target as the user wrote it.
void ReportUnwritten(const ReplacingFile& file, const std::string& shown);

} // namespace tarn
