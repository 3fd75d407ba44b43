#pragma once

#include <filesystem>
#include <string>

namespace tarn {

// The application directory: the current directory when the program starts.
// Every file the studio keeps (settings, Gear lists, logs, mixdowns) lives
// under it at a fixed relative path.
const std::filesystem::path& AppDirectory();
void SetAppDirectory(const std::filesystem::path& directory);

// The application directory joined with a relative path such as
// "Out/Console.log". A leading "/" is treated as relative too.
std::filesystem::path AppPath(const std::string& relative);

// A path a caller hands in: absolute paths (a user's plug-in folder, say)
// are kept, relative ones are taken from the application directory.
std::filesystem::path ResolvePath(const std::filesystem::path& path);

// The folder of this process's own program file, where the studio's other
// programs are built and installed; empty when it cannot be read.
std::filesystem::path ProgramFolder();

} // namespace tarn
