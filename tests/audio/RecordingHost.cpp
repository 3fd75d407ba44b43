#include "audio/RecordingHost.h"

#include "audio/SendMessage.h"

#include <utility>

namespace tarn::test {

RecordingHost::RecordingHost(Signal signal, int blockFrames)
    : signal_(std::move(signal)), blockFrames_(blockFrames) {}

std::int32_t RecordingHost::AttachTo(AudioDevice& device) {
    HostLink link;
    link.hostContext = this;
    link.hostCallback = &RecordingHost::Callback;
    return AttachHost(device, link);
}

std::int32_t RecordingHost::Callback(MachineMessage* message) noexcept {
    auto* host = static_cast<RecordingHost*>(message->hostContext);
    switch (message->messageType) {
    case kDeviceRender:
        host->Render(*static_cast<const AudioBuffer*>(message->pointer));
        return 1;
    case kDeviceSampleRate:
        host->sampleRate_ = message->value;
        ++host->sampleRateMessages_;
        return 1;
    default:
        ++host->unexpected_;
        return 0;
    }
}

void RecordingHost::Render(const AudioBuffer& buffer) {
    if (log_ != nullptr) {
        log_->Record(TestPcmDevice::Step::kRender);
    }
    if (buffer.frameCount != blockFrames_ || buffer.inputs != nullptr ||
        buffer.outputs == nullptr || buffer.outputs[0] == nullptr || buffer.outputs[1] == nullptr) {
        ++malformed_;
        return;
    }
    const std::uint64_t first = frames_.load();
    for (int channel = 0; channel < 2; ++channel) {
        for (int frame = 0; frame < buffer.frameCount; ++frame) {
            buffer.outputs[channel][frame] = signal_(channel, first + frame);
        }
    }
    frames_ += static_cast<std::uint64_t>(buffer.frameCount);
    ++renders_;
}

} // namespace tarn::test
