#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace tarn {

// A fresh folder under the system's temporary folder, named after prefix,
// removed with everything in it afterwards: an application directory or
// the files a benchmark writes.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) {
        std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        path_ = mkdtemp(name.data()) != nullptr ? name : std::string();
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace tarn
