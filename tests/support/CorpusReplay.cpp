#include "support/CorpusReplay.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarn::test {

void ReplayCorpus(const std::string& folder, const FuzzCheck& check) {
    const char* source = std::getenv("TARN_SOURCE_DIR");
    ASSERT_NE(source, nullptr) << "TARN_SOURCE_DIR names the source tree (CTest sets it)";
    int inputs = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(source) / folder)) {
        const std::string bytes = ReadFile(entry.path());
        EXPECT_EQ(check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
            << entry.path().filename();
        ++inputs;
    }
    EXPECT_GT(inputs, 0) << folder;
}

} // namespace tarn::test
