#include "machines/framework/vst/VstProbe.h"

#include "base/AppDirectory.h"
#include "machines/framework/vst/VstProbeChild.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;

// How often the wait for an answer looks whether the probe has ended.
constexpr std::chrono::milliseconds kExitCheck{50};

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

// Whether the probe's answer is all there: a refusal with its reason, or a
// description followed by the verdict.
bool Complete(const std::vector<std::string>& lines) {
    return (lines.size() >= 2 && lines[0] == "refused") ||
           (lines.size() >= 3 && lines[2] == kVstProbeUsable);
}

// Waits for the probe to end until deadline, then kills it. Its status.
int Reap(pid_t child, Clock::time_point deadline) {
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child || (ended < 0 && errno != EINTR)) {
            return status;
        }
        if (Clock::now() >= deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
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
    // A process group of its own: helpers the plug-in started end with it.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = -1;
    const int spawned =
        posix_spawn(&child, programName.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
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
    bool reaped = false;
    int status = 0;
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd wait{ends[0], POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(std::min(left, kExitCheck).count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            break;
        }
        // A probe that ended while a helper it started keeps the pipe open
        // has said all it will.
        if (ready == 0) {
            if (waitpid(child, &status, WNOHANG) == child) {
                reaped = true;
                break;
            }
            continue;
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
        // A helper the plug-in forked may hold the pipe open for ever.
        if (Complete(Lines(answer))) {
            break;
        }
    }
    close(ends[0]);
    if (!reaped) {
        status = Reap(child, timedOut ? Clock::now() : deadline);
    }
    kill(-child, SIGKILL);

    const std::vector<std::string> lines = Lines(answer);
    if (timedOut) {
        result.timedOut = true;
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
