#include "machines/framework/vst/VstProbe.h"

#include "base/AppDirectory.h"
#include "machines/framework/vst/VstProbeChild.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;

std::string Describe(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const char* name = strsignal(signal);
        return "crashed (signal " + std::to_string(signal) + (name != nullptr ? ", " : "") +
               (name != nullptr ? name : "") + ")";
    }
    if (WIFEXITED(status)) {
        return "stopped without an answer (exit status " + std::to_string(WEXITSTATUS(status)) +
               ")";
    }
    return "stopped without an answer";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

} // namespace

std::filesystem::path VstProbeProgram() {
    return ProgramFolder() / kVstProbeProgram;
}

VstProbeResult ProbeVstLibrary(const std::filesystem::path& library,
                               std::chrono::milliseconds limit) {
    VstProbeResult result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.reason = std::string("no pipe to the plug-in probe: ") + std::strerror(errno);
        return result;
    }
    // A program of its own, never a fork of this process: a copy of a
    // process with threads may find a lock held forever, and a plug-in
    // would then be refused for the studio's fault. What the plug-in prints
    // is no part of the studio's output.
    const std::filesystem::path program = VstProbeProgram();
    std::string programName = program.string();
    std::string libraryName = library.string();
    char* argv[] = {programName.data(), libraryName.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kVstProbeAnswer);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawn(&child, programName.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    if (spawned != 0) {
        close(ends[0]);
        result.reason =
            "the plug-in probe '" + programName + "' cannot be started: " + std::strerror(spawned);
        return result;
    }
    result.probed = true;

    std::string answer;
    bool timedOut = false;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd wait{ends[0], POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        std::array<char, 512> buffer;
        const ssize_t count = read(ends[0], buffer.data(), buffer.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break; // the child closed its end: it is done or gone
        }
        answer.append(buffer.data(), static_cast<std::size_t>(count));
    }
    close(ends[0]);
    if (timedOut) {
        kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }

    const std::vector<std::string> lines = Lines(answer);
    if (timedOut) {
        result.reason = "did not answer within " + std::to_string(limit.count()) + " ms";
    } else if (lines.size() >= 2 && lines[0] == "refused") {
        result.reason = lines[1];
    } else if (lines.size() >= 3 && lines[2] == kVstProbeUsable && WIFEXITED(status) &&
               WEXITSTATUS(status) == 0) {
        result.usable = true;
        result.name = lines[0];
        result.kind = lines[1];
    } else {
        result.reason = Describe(status);
    }
    return result;
}

} // namespace tarn
