#include "machines/framework/vst/VstProbeChild.h"

#include "machines/framework/MessageSend.h"
#include "machines/framework/vst/VstAdapter.h"

#include <array>
#include <cerrno>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace tarn {
namespace {

// The probe's own record of what its plug-in described.
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

} // namespace

int RunVstProbe(const char* library, int out) {
    // Helper programs a plug-in starts must not keep the answer open.
    fcntl(out, F_SETFD, FD_CLOEXEC);
    // The description goes out before the adapter is destroyed and the
    // verdict after, so a crash while closing still shows.
    {
        VstAdapter adapter;
        if (adapter.LoadPlugin(library) == 0) {
            WriteAll(out, "refused\n" + adapter.LoadFailure() + "\n");
            return 0;
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
    WriteAll(out, std::string(kVstProbeUsable) + "\n");
    return 0;
}

} // namespace tarn
