#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace tarn::test {

ScratchDirectory::ScratchDirectory() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "scratch";
    if (info != nullptr) {
        name = std::string(info->test_suite_name()) + "." + info->name();
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    path_ = std::filesystem::temp_directory_path() /
            ("tarn-test-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

} // namespace tarn::test
