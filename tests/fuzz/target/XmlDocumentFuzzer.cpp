// libFuzzer entry for the XML reader and the files read through it
// (settings, presets, clipboard events); built by scripts/fuzz.sh xml with
// clang, never by the normal build.

#include "fuzz/XmlFuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string failure = tarn::test::CheckXmlInput(data, size);
    if (!failure.empty()) {
        std::fprintf(stderr, "xml reader: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
