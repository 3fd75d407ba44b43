#include "support/XvfbServer.h"

#include "support/SpawnedProgram.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tarn::test {
namespace {

constexpr int kFirstDisplay = 90;
constexpr int kDisplays = 100;
constexpr auto kStartLimit = std::chrono::seconds(10);

std::filesystem::path Socket(int display) {
    return "/tmp/.X11-unix/X" + std::to_string(display);
}

bool Taken(int display) {
    std::error_code error;
    return std::filesystem::exists(Socket(display), error) ||
           std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock", error);
}

} // namespace

XvfbServer::XvfbServer() {
    // Test binaries run side by side: start from a number of our own.
    const int offset = static_cast<int>(getpid() % kDisplays);
    int display = -1;
    for (int i = 0; i < kDisplays && display < 0; ++i) {
        const int candidate = kFirstDisplay + (offset + i) % kDisplays;
        display = Taken(candidate) ? -1 : candidate;
    }
    if (display < 0) {
        failure_ = "no free display number";
        return;
    }
    display_ = ":" + std::to_string(display);
    // Quiet, and told to stop when this test process ends, however it ends:
    // a server left running after a test that a sanitizer stopped would keep
    // the test's output open, and the test runner would wait on it forever.
    std::string reason;
    const pid_t pid = SpawnProgram("setpriv",
                                   {"setpriv", "--pdeathsig", "TERM", "--", "Xvfb", display_,
                                    "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                                   true, reason);
    if (pid < 0) {
        failure_ = "Xvfb could not be started: " + reason;
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + kStartLimit;
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) {
            failure_ = WIFEXITED(status) && WEXITSTATUS(status) == 127
                           ? "Xvfb is not installed (the xvfb package)"
                           : "Xvfb stopped right after starting";
            return;
        }
        std::error_code error;
        if (std::filesystem::exists(Socket(display), error)) {
            pid_ = pid;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    failure_ = "Xvfb did not open its display in time";
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

} // namespace tarn::test
