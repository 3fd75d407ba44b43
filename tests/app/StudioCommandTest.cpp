#include "app/StudioCommand.h"
#include "audio/ScopedEnvironment.h"
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

TEST(StudioCommandTest, WithoutADisplayPointsToTheCommandLine) {
    const test::ScopedEnvironment platform("QT_QPA_PLATFORM", "");
    const test::ScopedEnvironment x11("DISPLAY", "");
    const test::ScopedEnvironment wayland("WAYLAND_DISPLAY", "");
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"tarn"}, std::vector<std::string>{"tarn", "studio"}}) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        ::testing::internal::CaptureStderr();
        const int status =
            RunCommandLine(static_cast<int>(argv.size()), argv.data(), AddStudioCommand);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(status, 0);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find("no display"), std::string::npos) << err;
        EXPECT_NE(err.find("tarn --help"), std::string::npos) << err;
    }
}

} // namespace
} // namespace tarn
