#include "base/AppDirectory.h"

#include <system_error>

namespace tarn {
namespace {

std::filesystem::path& Directory() {
    static std::filesystem::path directory = std::filesystem::current_path();
    return directory;
}

} // namespace

const std::filesystem::path& AppDirectory() {
    return Directory();
}

void SetAppDirectory(const std::filesystem::path& directory) {
    Directory() = directory;
}

std::filesystem::path AppPath(const std::string& relative) {
    std::size_t start = 0;
    while (start < relative.size() && (relative[start] == '/' || relative[start] == '\\')) {
        ++start;
    }
    return Directory() / relative.substr(start);
}

std::filesystem::path ResolvePath(const std::filesystem::path& path) {
    return path.is_absolute() ? path : Directory() / path;
}

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
}

} // namespace tarn
