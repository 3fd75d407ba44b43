// libFuzzer entry for the project reader; built by scripts/fuzz.sh
// with clang, never by the normal build.

#include "fuzz/ProjectFuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = tarn::test::CheckProjectInput(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "project reader: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
