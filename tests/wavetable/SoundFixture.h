#pragma once

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "support/ScratchDirectory.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarn::test {

// A scratch application directory (no sound plug-ins unless a test puts
// some there) and the error lines written meanwhile.
class SoundFixture : public testing::Test {
protected:
    SoundFixture() : previous_(AppDirectory()) { SetAppDirectory(scratch.Path()); }
    ~SoundFixture() override { SetAppDirectory(previous_); }

    ScratchDirectory scratch;
    PipeCapture errors{ErrorOut()};

private:
    std::filesystem::path previous_;
};

} // namespace tarn::test
