#pragma once

#include <filesystem>
#include <string>

namespace tarn::test {

// A fresh, empty directory for one test, removed again afterwards. Tests that
// write files (logs, projects, renders) work inside one so that test cases
// running in parallel never share a file.
class ScratchDirectory {
public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& relative) const { return path_ / relative; }

private:
    std::filesystem::path path_;
};

// Reads a whole file as bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& file);

} // namespace tarn::test
