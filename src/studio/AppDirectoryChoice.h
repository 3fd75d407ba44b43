#pragma once

#include <filesystem>
#include <string>

namespace tarn {

// Where the studio keeps its files for this run. The current directory
// when it is an application directory (it holds the skeleton's
// "Plugin/Gear" or "Skins" folder; settings alone may be missing); else
// the user's own, "$XDG_DATA_HOME/tarn-studio" (by default
// "~/.local/share/tarn-studio"), made on first use from the installed
// skeleton ("../share/tarn-studio" beside the executable, or the source
// tree's "dist" for a build that was not installed).
struct AppDirectoryChoice {
    std::filesystem::path directory;
    // What was made on first use, for the user to read once; else empty.
    std::string note;
};

AppDirectoryChoice ChooseAppDirectory(const std::filesystem::path& current);

bool IsAppDirectory(const std::filesystem::path& directory);

} // namespace tarn
