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
    // A project file alone names the window's project, as the desktop opens
    // one.
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"tarn"}, std::vector<std::string>{"tarn", "studio"},
          std::vector<std::string>{"tarn", "song.tarn"}}) {
        EXPECT_NE(Run(arguments, AddStudioCommand), 0);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("no display"), std::string::npos) << err;
        EXPECT_NE(err.find("tarn --help"), std::string::npos) << err;
    }
    // Any other word is a mistyped command.
    EXPECT_EQ(Run({"tarn", "rendr"}, AddStudioCommand), 2);
    EXPECT_NE(err.find("'rendr' is neither a command nor a project file"), std::string::npos)
        << err;
}

} // namespace
} // namespace tarn
