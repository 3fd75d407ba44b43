#include "machines/framework/VstProbe.h"

#include "machines/framework/MessageSend.h"
#include "machines/framework/VstAdapter.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;

// What the child writes to its parent, one field per line.
constexpr const char* kUsable = "usable";

// The child's own record of what its plug-in described.
struct Described {
    std::string name;
    std::int32_t kind = 0;
};

std::int32_t Collect(MachineMessage* message) noexcept {
    auto& described = *static_cast<Described*>(message->hostContext);
    if (message->messageType == kHostInfoName && message->pointer != nullptr) {
        described.name = static_cast<const char*>(message->pointer);
    } else if (message->messageType == kHostInfoKind) {
        described.kind = message->value;
    }
    return 1;
}

void WriteAll(int fd, const std::string& text) {
    const char* at = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = write(fd, at, left);
        if (written <= 0) {
            if (written < 0 && errno == EINTR) {
                continue;
            }
            return;
        }
        at += written;
        left -= static_cast<std::size_t>(written);
    }
}

// The child: never returns. Its description goes out before the adapter is
// destroyed and the verdict after, so a crash while closing still shows.
[[noreturn]] void RunChild(const std::filesystem::path& library, int out) {
    // What the plug-in prints is no part of the studio's output.
    const int quiet = open("/dev/null", O_WRONLY);
    if (quiet >= 0) {
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
    }
    {
        VstAdapter adapter;
        if (adapter.LoadPlugin(library.c_str()) == 0) {
            WriteAll(out, "refused\n" + adapter.LoadFailure() + "\n");
            _exit(0);
        }
        Described described;
        HostLink link{&described, &Collect, nullptr};
        SendMessage(adapter, kMsgAttachHost, 0, &link);
        SendMessage(adapter, kMsgDescribe);
        SendMessage(adapter, kMsgSetSampleRate, 44100);
        SendMessage(adapter, kMsgSetBpm, 120);
        SendMessage(adapter, kMsgUpdateTempo);
        SendMessage(adapter, kMsgInit);
        std::array<std::array<double, kMaxChunkFrames>, VstAdapter::kMaxChannels * 2> samples{};
        std::array<ChannelBufferRecord, VstAdapter::kMaxChannels * 2> records{};
        std::array<ChannelBufferRecord*, VstAdapter::kMaxChannels * 2> channels{};
        for (std::size_t c = 0; c < records.size(); ++c) {
            records[c] = {samples[c].data(), 1};
            channels[c] = &records[c];
        }
        WorkRecord record;
        record.inputs = channels.data();
        record.outputs = channels.data() + VstAdapter::kMaxChannels;
        record.frameCount = kMaxChunkFrames;
        SendMessage(adapter, kMsgWork, 0, &record);
        WriteAll(out, described.name + "\n" +
                          (described.kind == kKindGenerator ? "instrument" : "effect") + "\n");
    }
    WriteAll(out, std::string(kUsable) + "\n");
    _exit(0);
}

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

VstProbeResult ProbeVstLibrary(const std::filesystem::path& library,
                               std::chrono::milliseconds limit) {
    VstProbeResult result;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        result.reason = std::string("no pipe to a child: ") + std::strerror(errno);
        return result;
    }
    const pid_t child = fork();
    if (child < 0) {
        close(ends[0]);
        close(ends[1]);
        result.reason = std::string("no child process: ") + std::strerror(errno);
        return result;
    }
    if (child == 0) {
        close(ends[0]);
        RunChild(library, ends[1]);
    }
    close(ends[1]);

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
    } else if (lines.size() >= 3 && lines[2] == kUsable && WIFEXITED(status) &&
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
