#include "studio/AppDirectoryChoice.h"
#include "base/AppDirectory.h"

#include <cstdlib>
#include <system_error>

#ifndef TARN_DIST_DIR
#define TARN_DIST_DIR ""
#endif

namespace tarn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUserFolder = "tarn-studio";

fs::path UserDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".local/share";
}

// The skeleton an install puts beside the executable, else the source
// tree's.
fs::path Skeleton() {
    if (const fs::path folder = ProgramFolder(); !folder.empty()) {
        const fs::path installed = folder.parent_path() / "share" / kUserFolder;
        if (IsAppDirectory(installed)) {
            return installed;
        }
    }
    return TARN_DIST_DIR;
}

} // namespace

bool IsAppDirectory(const fs::path& directory) {
    std::error_code error;
    return fs::is_directory(directory / "Plugin/Gear", error) ||
           fs::is_directory(directory / "Skins", error);
}

AppDirectoryChoice ChooseAppDirectory(const fs::path& current) {
    if (IsAppDirectory(current)) {
        return {current, {}};
    }
    const fs::path user = UserDataHome() / kUserFolder;
    if (IsAppDirectory(user)) {
        return {user, {}};
    }
    std::error_code error;
    fs::create_directories(user, error);
    const fs::path skeleton = Skeleton();
    if (!skeleton.empty() && IsAppDirectory(skeleton)) {
        fs::copy(skeleton, user, fs::copy_options::recursive | fs::copy_options::skip_existing,
                 error);
    }
    if (error || !IsAppDirectory(user)) {
        return {user, "tarn: no installed application directory to copy (" +
                          (error ? error.message() : "no skeleton found") +
                          "); the studio keeps its files in '" + user.string() + "'"};
    }
    return {user, "tarn: made the application directory '" + user.string() + "' from '" +
                      skeleton.string() + "'; the studio keeps its settings and files there"};
}

} // namespace tarn
