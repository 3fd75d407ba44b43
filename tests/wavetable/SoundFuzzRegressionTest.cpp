#include "support/CorpusReplay.h"
#include "wavetable/SoundFuzzCheck.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

// Every input the sound fuzzers were seeded with or kept, loaded by the
// built-in reader alone and with the plug-in, whichever fuzzer found it.
TEST(SoundFuzzRegression, EveryCorpusInputLoadsOrFailsCleanly) {
    for (const char* folder : {"tests/wavetable/corpus/wav", "tests/wavetable/corpus/plugin"}) {
        for (const bool withPlugin : {false, true}) {
            test::ReplayCorpus(folder, [withPlugin](const std::uint8_t* data, std::size_t size) {
                return test::CheckSoundInput(data, size, withPlugin);
            });
        }
    }
}

} // namespace
} // namespace tarn
