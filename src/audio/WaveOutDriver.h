#pragma once

#include "audio/AudioDevice.h"
#include "audio/PcmDevice.h"
#include "tarn/AudioAbi.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace tarn {

// How far ahead of the listener the driver renders (setting
// "audio.latency"): kSafe keeps the ring of ten buffers of 800 frames
// (about 180 ms) queued; kLow renders in step with a device that plays in
// periods of its own (JACK), at most three periods ahead. Devices without
// periods play kLow as kSafe.
enum class LatencyMode { kSafe, kLow };
// "safe" or "low"; nothing for any other text.
std::optional<LatencyMode> ParseLatencyMode(std::string_view text);

// The audio output driver and the engine's only clock. It plays 16-bit
// stereo at 44 100 Hz through a PcmDevice, keeps a ring of ten buffers of
// 800 frames queued (or what the device plays with in low latency), and
// runs a fill thread that asks the host to render a
// block (message 100) whenever the device hands a buffer back, converts the
// block to 16-bit with dither and clipping, and queues it again.
//
// Threads: messages arrive on the owner's thread. The fill thread is the
// audio thread; the host's render runs on it. The fill lock is held by the
// fill thread for its whole life and belongs to the driver alone.
class WaveOutDriver : public AudioDevice {
public:
    explicit WaveOutDriver(std::unique_ptr<PcmDevice> device,
                           LatencyMode latency = LatencyMode::kSafe,
                           TransportMode transport = TransportMode::kOff);
    ~WaveOutDriver() override;

    // Opens the device, allocates the buffers and sends the sample rate
    // (message 120) to the host. Already open: 1 at once.
    std::int32_t Open() override;
    // Stops if running, drops what is queued, closes the device and frees
    // the buffers. Already closed: 1 at once.
    std::int32_t Close() override;
    // Starts the fill thread and says the output latency ("output latency
    // N ms"). Not open: 0, nothing touched. Running: 1.
    std::int32_t Start() override;
    // Ends the fill thread and waits for it, then says how often the device
    // ran dry since open ("N underruns"); queued buffers keep playing.
    std::int32_t Stop() override;

    bool IsOpen() const { return opened_; }
    // Times the device ran dry while the fill thread ran, since open.
    std::uint64_t Underruns() const { return device_->Underruns(); }
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }
    // The device's transport for the engine to keep time with, while open
    // (see PcmDevice::Transport); null without one.
    TransportLink* Transport() { return opened_ ? device_->Transport() : nullptr; }

private:
    void FillLoop() noexcept;
    std::int16_t* BufferSamples(int index);
    void ReleaseBuffers();

    std::unique_ptr<PcmDevice> device_;
    LatencyMode latency_;
    TransportMode transport_;
    std::int32_t bufferLength_ = 0; // bytes per device buffer, set by Open
    std::int32_t bufferCount_ = 0;
    bool opened_ = false;
    std::atomic<bool> running_ = false;
    std::vector<std::int16_t> bufferSamples_; // bufferCount_ buffers, interleaved
    int currentBuffer_ = 0;                   // kept across stop and start
    std::vector<double> channelSamples_;      // the AudioBuffer's two outputs
    std::array<double*, 2> outputChannels_{};
    AudioBuffer audioBuffer_;
    PcmFormat format_; // what the host was told: 0 inputs, 2 outputs, 44 100 Hz
    std::mutex fillLock_;
    std::thread fillThread_;
};

} // namespace tarn
