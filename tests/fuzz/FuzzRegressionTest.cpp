#include "fuzz/ProjectFuzzCheck.h"
#include "fuzz/XmlFuzzCheck.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarn {
namespace {

// Every file a fuzzer was seeded with or found a fault with, in one corpus
// folder, read again on every build through the fuzzer's own check.
void ReplayCorpus(const char* folder,
                  std::string (*check)(const std::uint8_t* data, std::size_t size)) {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "TARN_SOURCE_DIR names the source tree (CTest sets it)";
    const std::filesystem::path corpus = std::filesystem::path(source) / folder;
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        std::ifstream file(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                              std::istreambuf_iterator<char>());
        EXPECT_EQ(check(bytes.data(), bytes.size()), "") << entry.path().filename();
        ++inputs;
    }
    EXPECT_GT(inputs, 0);
}

TEST(ProjectFuzzRegression, EveryCorpusInputReadsOrFailsCleanly) {
    ReplayCorpus("tests/fuzz/corpus", &test::CheckProjectInput);
}

TEST(XmlFuzzRegression, EveryCorpusInputReadsOrFailsCleanly) {
    ReplayCorpus("tests/fuzz/xml-corpus", &test::CheckXmlInput);
}

} // namespace
} // namespace tarn
