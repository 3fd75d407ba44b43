#pragma once

#include "cli/CommandLine.h"

#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tarn::test {

// Runs tarn inside a scratch application directory (its "Skins" folder
// marks it as one) with a Gear list of no folders, the current directory,
// and keeps what it wrote to stdout and stderr.
class CommandLineFixture : public ::testing::Test {
protected:
    CommandLineFixture() : previous_(std::filesystem::current_path()) {
        std::filesystem::create_directories(scratch_ / "Skins");
        // Every command fills the machine registry from the Gear list; this
        // one lists no plug-in folder, so runs stay apart from what the
        // machine has installed.
        Write("Plugin/Gear/Gear.config.xml", "<gear>\r\n</gear>\r\n");
        std::filesystem::current_path(scratch_.Path());
    }
    ~CommandLineFixture() override { std::filesystem::current_path(previous_); }

    void Write(const std::string& relative, const std::string& text) const {
        const std::filesystem::path file = scratch_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << text;
    }

    // windowCommand as the program with the window names it.
    int Run(std::vector<std::string> arguments, CommandAdder windowCommand = nullptr) {
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        const int status = Call(arguments, windowCommand);
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return status;
    }

    // Like Run, with standard output going to file (a device such as
    // /dev/full, say) instead of being kept; out is left empty.
    int RunWritingTo(const std::filesystem::path& file, std::vector<std::string> arguments) {
        std::fflush(stdout);
        const int kept = dup(STDOUT_FILENO);
        const int target = open(file.c_str(), O_WRONLY);
        EXPECT_GE(target, 0) << file;
        dup2(target, STDOUT_FILENO);
        close(target);
        ::testing::internal::CaptureStderr();
        const int status = Call(arguments, nullptr);
        err = ::testing::internal::GetCapturedStderr();
        // What could not be written is gone; the test's own output goes on.
        std::fflush(stdout);
        std::clearerr(stdout);
        dup2(kept, STDOUT_FILENO);
        close(kept);
        out.clear();
        return status;
    }

    static int Call(std::vector<std::string>& arguments, CommandAdder windowCommand) {
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        return RunCommandLine(static_cast<int>(argv.size()), argv.data(), windowCommand);
    }

    ScratchDirectory scratch_;
    std::filesystem::path previous_;
    std::string out;
    std::string err;
};

} // namespace tarn::test
