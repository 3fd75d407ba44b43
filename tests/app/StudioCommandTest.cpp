#include "app/StudioCommand.h"
#include "audio/ScopedEnvironment.h"
#include "cli/CommandLineFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using StudioCommandTest = test::CommandLineFixture;

TEST_F(StudioCommandTest, WithoutADisplayPointsToTheCommandLine) {
    const test::ScopedEnvironment platform("QT_QPA_PLATFORM", "");
    const test::ScopedEnvironment x11("DISPLAY", "");
    const test::ScopedEnvironment wayland("WAYLAND_DISPLAY", "");
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"tarn"}, std::vector<std::string>{"tarn", "studio"}}) {
        EXPECT_NE(Run(arguments, AddStudioCommand), 0);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("no display"), std::string::npos) << err;
        EXPECT_NE(err.find("tarn --help"), std::string::npos) << err;
    }
}

} // namespace
} // namespace tarn
