#include "dsp/DspLibrary.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

// Every test binary process builds the tables once, as start-up does.
class DspEnvironment : public ::testing::Environment {
public:
    void SetUp() override { ASSERT_EQ(InitializeDspLibrary(kDspSampleRate), 1); }
    void TearDown() override { ReleaseDspLibrary(); }
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new DspEnvironment);

} // namespace
} // namespace tarn
