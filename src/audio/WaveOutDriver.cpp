#include "audio/WaveOutDriver.h"

#include "base/ClassicRandom.h"
#include "base/MessagePipe.h"
#include "dsp/OutputSample.h"

#include <cmath>
#include <new>
#include <pthread.h>
#include <sched.h>
#include <system_error>

namespace tarn {
namespace {

constexpr int kBytesPerSample = 2;
// The safe ring: ten buffers of 800 frames.
constexpr int kSafeBufferFrames = 800;
constexpr int kSafeBufferCount = 10;
constexpr double kFullScale = 32767.0;

// Real-time priority for the fill thread: above every ordinary thread, below
// the kernel's interrupt threads and the upper range sound servers use.
constexpr int kFillThreadPriority = 50;

// One sample with its dither draw. Full scale maps to +-32767 and -32768 is
// never produced; a NaN from a misbehaving machine becomes silence instead
// of an undefined conversion.
std::int16_t ToPcm16(double x, int draw) {
    x = CleanOutputSample(x);
    const double d = draw / static_cast<double>(ClassicRandom::kMaximum) - 0.5;
    double v = 0.0;
    if (x >= 0.0) {
        v = x * kFullScale + d + 0.5;
        if (v >= 32768.0) {
            v = kFullScale;
        }
    } else if (x < 0.0) {
        v = x * kFullScale + d - 0.5;
        if (v <= -32768.0) {
            v = -kFullScale;
        }
    }
    return static_cast<std::int16_t>(v);
}

// Interleaves the two output channels frame by frame, left then right, one
// draw per sample, silence included.
void ConvertBlock(const AudioBuffer& block, std::int16_t* target, ClassicRandom& dither) {
    const double* left = block.outputs[0];
    const double* right = block.outputs[1];
    for (std::int32_t frame = 0; frame < block.frameCount; ++frame) {
        *target++ = ToPcm16(left[frame], dither.Next());
        *target++ = ToPcm16(right[frame], dither.Next());
    }
}

// The fill thread keeps running at normal priority when the system refuses.
void RaisePriority(std::thread& thread) {
    sched_param parameters{};
    parameters.sched_priority = kFillThreadPriority;
    if (pthread_setschedparam(thread.native_handle(), SCHED_FIFO, &parameters) != 0) {
        WarningOut() << "warning: real-time priority refused, the audio thread runs at normal "
                        "priority"
                     << eol;
    }
}

} // namespace

std::optional<LatencyMode> ParseLatencyMode(std::string_view text) {
    if (text == "safe") {
        return LatencyMode::kSafe;
    }
    if (text == "low") {
        return LatencyMode::kLow;
    }
    return std::nullopt;
}

WaveOutDriver::WaveOutDriver(std::unique_ptr<PcmDevice> device, LatencyMode latency,
                             TransportMode transport)
    : device_(std::move(device)), latency_(latency), transport_(transport) {}

WaveOutDriver::~WaveOutDriver() {
    Close();
}

std::int16_t* WaveOutDriver::BufferSamples(int index) {
    return bufferSamples_.data() +
           static_cast<std::size_t>(index) * bufferLength_ / kBytesPerSample;
}

std::int32_t WaveOutDriver::Open() {
    if (opened_) {
        return 1;
    }
    const int devices = device_->DeviceCount();
    MessageOut() << devices << " device(s) detected" << eol;
    if (devices == 0) {
        MessageOut() << device_->Absence() << eol;
        return 0;
    }

    PcmFormat format;
    format.channels = static_cast<int>(outputChannels_.size());
    format.bufferFrames = kSafeBufferFrames;
    format.bufferCount = kSafeBufferCount;
    format.lowLatency = latency_ == LatencyMode::kLow;
    format.transport = transport_;
    std::string refusal;
    if (!device_->Open(format, refusal)) {
        if (refusal.empty()) {
            ErrorOut() << "error: waveOutOpen failed" << eol;
        } else {
            ErrorOut() << "error: " << refusal << eol;
        }
        return 0;
    }

    // The device has chosen the buffers in low latency.
    bufferCount_ = format.bufferCount;
    bufferLength_ = format.bufferFrames * format.channels * kBytesPerSample;
    currentBuffer_ = currentBuffer_ < bufferCount_ ? currentBuffer_ : 0;
    try {
        bufferSamples_.assign(
            static_cast<std::size_t>(bufferCount_) * bufferLength_ / kBytesPerSample, 0);
        if (audioBuffer_.frameCount != format.bufferFrames) {
            channelSamples_.assign(outputChannels_.size() * format.bufferFrames, 0.0);
            for (std::size_t channel = 0; channel < outputChannels_.size(); ++channel) {
                outputChannels_[channel] = channelSamples_.data() + channel * format.bufferFrames;
            }
            audioBuffer_.outputs = outputChannels_.data();
            audioBuffer_.frameCount = format.bufferFrames;
        }
    } catch (const std::bad_alloc&) {
        ReleaseBuffers();
        device_->Close();
        return 0;
    }

    format_ = format;
    MachineMessage sampleRate;
    sampleRate.messageType = kDeviceSampleRate;
    sampleRate.value = format_.sampleRate;
    SendToHost(sampleRate);
    opened_ = true;
    return 1;
}

void WaveOutDriver::ReleaseBuffers() {
    bufferSamples_.clear();
    bufferSamples_.shrink_to_fit();
}

std::int32_t WaveOutDriver::Close() {
    Stop();
    if (!opened_) {
        return 1;
    }
    device_->Reset();
    ReleaseBuffers();
    device_->Close();
    opened_ = false;
    return 1;
}

std::int32_t WaveOutDriver::Start() {
    if (!opened_) {
        return 0;
    }
    if (IsRunning()) {
        return 1;
    }
    // A thread that ended on a device failure has left its loop already.
    if (fillThread_.joinable()) {
        fillThread_.join();
    }
    device_->StreamStarting();
    running_.store(true, std::memory_order_release);
    try {
        fillThread_ = std::thread(&WaveOutDriver::FillLoop, this);
    } catch (const std::system_error& failure) {
        running_.store(false, std::memory_order_release);
        device_->StreamStopped();
        ErrorOut() << "error: cannot start the audio thread: " << failure.what() << eol;
        return 0;
    }
    RaisePriority(fillThread_);
    MessageOut() << "output latency " << std::lround(1000.0 * device_->OutputLatency(format_))
                 << " ms" << eol;
    return 1;
}

std::int32_t WaveOutDriver::Stop() {
    if (!fillThread_.joinable()) {
        return 1;
    }
    running_.store(false, std::memory_order_release);
    // The fill thread holds the lock until it has left its loop.
    { std::lock_guard finished(fillLock_); }
    fillThread_.join();
    device_->StreamStopped();
    MessageOut() << device_->Underruns() << " underruns" << eol;
    return 1;
}

void WaveOutDriver::FillLoop() noexcept {
    std::lock_guard alive(fillLock_);
    ClassicRandom dither(1); // the output dither starts from state 1
    while (running_.load(std::memory_order_acquire)) {
        // At most one ring per pass, so that a device that is never full
        // (a null sink) still lets stop through.
        for (int queued = 0; queued < bufferCount_ && device_->IsDone(currentBuffer_); ++queued) {
            MachineMessage render;
            render.messageType = kDeviceRender;
            render.pointer = &audioBuffer_;
            SendToHost(render);
            std::int16_t* samples = BufferSamples(currentBuffer_);
            ConvertBlock(audioBuffer_, samples, dither);
            if (!device_->Write(currentBuffer_, samples)) {
                ErrorOut() << "error: audio device write failed, playback stopped" << eol;
                running_.store(false, std::memory_order_release);
                return;
            }
            currentBuffer_ = (currentBuffer_ + 1) % bufferCount_;
        }
        device_->Wait();
    }
}

} // namespace tarn
