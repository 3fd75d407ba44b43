#pragma once

#include "audio/AudioDevice.h"
#include "audio/TestPcmDevice.h"
#include "tarn/AudioAbi.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace tarn::test {

// Stands in for the engine as an audio device's host: renders a signal
// given as a function of channel and frame number (counted over all renders
// since the first), and remembers what the device sent it.
class RecordingHost {
public:
    using Signal = std::function<double(int channel, std::uint64_t frame)>;

    // Buffers of blockFrames frames are what the device should ask for.
    explicit RecordingHost(Signal signal, int blockFrames = 800);

    // Sends the attach-host message with this host as context.
    std::int32_t AttachTo(AudioDevice& device);
    // Also logs every render into the device's log, before the render.
    void LogRendersTo(TestPcmDevice& device) { log_ = &device; }

    std::uint64_t Renders() const { return renders_.load(); }
    std::uint64_t FramesRendered() const { return frames_.load(); }
    int SampleRateMessages() const { return sampleRateMessages_.load(); }
    int SampleRate() const { return sampleRate_.load(); }
    // Renders whose buffer was not blockFrames frames, two outputs, no
    // inputs.
    int MalformedBuffers() const { return malformed_.load(); }
    // Messages of a type a device never sends to its host.
    int UnexpectedMessages() const { return unexpected_.load(); }

    static std::int32_t Callback(MachineMessage* message) noexcept;

private:
    void Render(const AudioBuffer& buffer);

    Signal signal_;
    int blockFrames_;
    TestPcmDevice* log_ = nullptr;
    std::atomic<std::uint64_t> renders_ = 0;
    std::atomic<std::uint64_t> frames_ = 0;
    std::atomic<int> sampleRateMessages_ = 0;
    std::atomic<int> sampleRate_ = 0;
    std::atomic<int> malformed_ = 0;
    std::atomic<int> unexpected_ = 0;
};

} // namespace tarn::test
