#include "fuzz/ProjectFuzzCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace tarn {
namespace {

// Every file the fuzzer was seeded with or found a fault with, read again
// on every build.
TEST(ProjectFuzzRegression, EveryCorpusInputReadsOrFailsCleanly) {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "TARN_SOURCE_DIR names the source tree (CTest sets it)";
    const std::filesystem::path corpus = std::filesystem::path(source) / "tests/fuzz/corpus";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        EXPECT_EQ(test::CheckProjectInput(bytes.data(), bytes.size()), "")
            << entry.path().filename();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

} // namespace
} // namespace tarn
