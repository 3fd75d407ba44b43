// libFuzzer entry: arbitrary bytes loaded as a sound file by the built-in WAV reader.
#include "wavetable/SoundFuzzCheck.h"

#include <cstdio>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string fault = tarn::test::CheckSoundInput(data, size, false);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
