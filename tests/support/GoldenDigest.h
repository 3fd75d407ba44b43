#pragma once

#include "support/ByteDigest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace tarn::test {

// Checks the digest of bytes against the one recorded in golden, a path
// from the source root. Speed work must leave renders as they were, so a
// differing digest fails.
//
// After an intended change of sound, record the digests anew: with
// TARN_GOLDEN_OUTPUT naming the golden file's directory (absolute), the
// digest is written there instead of checked.
inline void ExpectGoldenDigest(const std::filesystem::path& golden,
                               std::span<const unsigned char> bytes) {
    const std::string digest = ByteDigest(bytes);
    if (const char* output = std::getenv("TARN_GOLDEN_OUTPUT")) {
        std::ofstream(std::filesystem::path(output) / golden.filename()) << digest << "\n";
        return;
    }
    const char* source = std::getenv("TARN_SOURCE_DIR");
    const std::filesystem::path file =
        std::filesystem::path(source != nullptr ? source : ".") / golden;
    std::string expected;
    std::ifstream(file) >> expected;
    EXPECT_EQ(digest, expected) << "the render differs from " << file;
}

// The bytes of a render of doubles, for its digest.
template <typename Samples> std::span<const unsigned char> SampleBytes(const Samples& samples) {
    return {reinterpret_cast<const unsigned char*>(samples.data()),
            samples.size() * sizeof(samples[0])};
}

} // namespace tarn::test
