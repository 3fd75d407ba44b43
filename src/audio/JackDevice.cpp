#include "audio/JackDevice.h"

#include "base/MessagePipe.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>

namespace tarn {
namespace {

constexpr float kSampleScale = 1.0f / 32768.0f;

void SilentJackMessage(const char*) {}

} // namespace

JackDevice::JackDevice() {
    sem_init(&periodPlayed_, 0, 0);
}

JackDevice::~JackDevice() {
    Close();
    sem_destroy(&periodPlayed_);
}

bool JackDevice::ServerRunning() {
    // A missing server is an answer here; libjack would print it as an error.
    jack_set_error_function(&SilentJackMessage);
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("tarn-probe", JackNoStartServer, &status);
    jack_set_error_function(nullptr);
    if (probe == nullptr) {
        return false;
    }
    jack_client_close(probe);
    return true;
}

int JackDevice::DeviceCount() {
    return ServerRunning() ? 1 : 0;
}

bool JackDevice::Open(PcmFormat& format, std::string& refusal) {
    if (client_ != nullptr) {
        return true;
    }
    jack_status_t status{};
    client_ = jack_client_open(kClientName, JackNoStartServer, &status);
    if (client_ == nullptr) {
        MessageOut() << "JACK: cannot connect to the server (status 0x" << std::hex
                     << static_cast<unsigned>(status) << std::dec << ")" << eol;
        return false;
    }
    const jack_nframes_t rate = jack_get_sample_rate(client_);
    const jack_nframes_t period = jack_get_buffer_size(client_);
    channels_ = format.channels;
    lowLatency_ = format.lowLatency;
    periodFrames_ = period;
    if (lowLatency_) {
        // One period's worth of the stream's frames, rounded down so that
        // the blocks never fall behind the server.
        format.bufferFrames = std::max(
            1, static_cast<int>(static_cast<std::uint64_t>(period) * format.sampleRate / rate));
        format.bufferCount = static_cast<int>(kLowLatencyPeriods);
        lowWater_ = period + period / 2;
        // Four periods of the server's time, and never less than 10 ms.
        wakeTimeoutNs_ = std::max(10000000L, static_cast<long>(4e9 * period / rate));
    }
    const auto blockFrames = static_cast<std::size_t>(format.bufferFrames);
    converter_.reset();
    blockFrames_ = blockFrames;
    std::size_t blockOut = blockFrames;
    if (rate != static_cast<jack_nframes_t>(format.sampleRate)) {
        converter_ = std::make_unique<RateConverter>(format.sampleRate, static_cast<int>(rate),
                                                     channels_, blockFrames);
        if (!converter_->Valid()) {
            refusal = "cannot convert " + std::to_string(format.sampleRate) + " Hz to " +
                      std::to_string(rate) + " Hz: " + converter_->Error();
            Close();
            return false;
        }
        blockOut = converter_->MaxOutputFrames();
    }
    converted_.assign(blockOut * static_cast<std::size_t>(channels_), 0.0f);
    // The ring holds as much time as bufferCount blocks, in the server's
    // frames, and room for one more converted block besides, as a converted
    // block varies in length.
    blockOutFrames_ = blockOut;
    ringFrames_ = static_cast<std::uint64_t>(std::ceil(
        static_cast<double>(blockFrames) * format.bufferCount * rate / format.sampleRate));
    if (converter_ != nullptr) {
        ringFrames_ += blockOut + kFlushReserve;
    }
    if (lowLatency_) {
        // Room for the low water mark and one more block on top.
        ringFrames_ = std::max(ringFrames_, lowWater_ + blockOut);
    }
    if (period > ringFrames_) {
        refusal = "JACK period of " + std::to_string(period) +
                  " frames is longer than the output ring of " + std::to_string(ringFrames_) +
                  " frames";
        Close();
        return false;
    }

    ring_.assign(ringFrames_ * static_cast<std::uint64_t>(channels_), 0.0f);
    written_.store(0);
    read_.store(0);
    dropTo_.store(0);
    played_.store(0);
    underruns_.store(0);
    serverGone_.store(false);
    playing_ = false;
    lastDrop_ = 0;
    if (!RegisterPorts(channels_)) {
        Close();
        return false;
    }
    transport_.Open(client_, format.transport);
    jack_set_process_callback(client_, &JackDevice::Process, this);
    jack_on_shutdown(client_, &JackDevice::ServerShutdown, this);
    if (jack_activate(client_) != 0) {
        MessageOut() << "JACK: cannot activate the client" << eol;
        Close();
        return false;
    }
    ConnectToPlayback();
    MessageOut() << "JACK: client '" << jack_get_client_name(client_) << "', " << rate
                 << " Hz, period " << period << " frames"
                 << (lowLatency_ ? ", low latency: blocks of " +
                                       std::to_string(format.bufferFrames) + " frames"
                                 : std::string())
                 << eol;
    if (converter_ != nullptr) {
        MessageOut() << "JACK: rate conversion " << converter_->Describe() << eol;
    }
    return true;
}

bool JackDevice::RegisterPorts(int channels) {
    for (int channel = 0; channel < channels; ++channel) {
        const std::string name = "out_" + std::to_string(channel + 1);
        jack_port_t* port = jack_port_register(client_, name.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                               JackPortIsOutput | JackPortIsTerminal, 0);
        if (port == nullptr) {
            MessageOut() << "JACK: cannot register port '" << name << "'" << eol;
            return false;
        }
        ports_.push_back(port);
    }
    return true;
}

// Channels beyond the system's playback ports share its last one. Missing
// connections are reported but do not fail the open: a patchbay may make
// them later.
void JackDevice::ConnectToPlayback() {
    const char** playback = jack_get_ports(client_, nullptr, JACK_DEFAULT_AUDIO_TYPE,
                                           JackPortIsPhysical | JackPortIsInput);
    int count = 0;
    while (playback != nullptr && playback[count] != nullptr) {
        ++count;
    }
    if (count == 0) {
        MessageOut() << "JACK: no playback ports to connect to" << eol;
    }
    for (std::size_t channel = 0; channel < ports_.size() && count > 0; ++channel) {
        const char* target = playback[std::min(static_cast<int>(channel), count - 1)];
        const int result = jack_connect(client_, jack_port_name(ports_[channel]), target);
        if (result != 0 && result != EEXIST) {
            MessageOut() << "JACK: cannot connect " << jack_port_name(ports_[channel]) << " to "
                         << target << eol;
        }
    }
    jack_free(static_cast<void*>(playback));
}

void JackDevice::Close() {
    if (client_ == nullptr) {
        return;
    }
    transport_.Close();
    jack_client_close(client_);
    client_ = nullptr;
    ports_.clear();
    ring_.clear();
    ring_.shrink_to_fit();
    converter_.reset();
}

void JackDevice::Reset() {
    dropTo_.store(written_.load(std::memory_order_relaxed), std::memory_order_release);
}

std::uint64_t JackDevice::ReadPosition() const {
    return std::max(read_.load(std::memory_order_acquire), dropTo_.load(std::memory_order_acquire));
}

std::uint64_t JackDevice::Room() const {
    const std::uint64_t queued = written_.load(std::memory_order_relaxed) - ReadPosition();
    return ringFrames_ - queued;
}

// As far as the fill thread fills the ring: no room for another block, or
// with low latency, the low water mark reached.
bool JackDevice::Filled(std::uint64_t queued) const {
    if (lowLatency_) {
        return queued >= lowWater_;
    }
    const std::uint64_t reserve = converter_ != nullptr ? kFlushReserve : 0;
    return ringFrames_ - queued < blockOutFrames_ + reserve;
}

bool JackDevice::IsDone(int /*index*/) {
    if (serverGone_.load(std::memory_order_acquire)) {
        return true;
    }
    return !Filled(ringFrames_ - Room());
}

void JackDevice::Wait() {
    if (!lowLatency_) {
        PcmDevice::Wait();
        return;
    }
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    const long nanoseconds = wakeTimeoutNs_ + until.tv_nsec;
    until.tv_sec += nanoseconds / 1000000000L;
    until.tv_nsec = nanoseconds % 1000000000L;
    while (sem_timedwait(&periodPlayed_, &until) != 0 && errno == EINTR) {
    }
}

bool JackDevice::Write(int /*index*/, const std::int16_t* samples) {
    if (serverGone_.load(std::memory_order_acquire)) {
        return false;
    }
    if (converter_ == nullptr) {
        std::transform(samples, samples + blockFrames_ * channels_, converted_.data(),
                       [](std::int16_t code) { return code * kSampleScale; });
        Queue(converted_.data(), blockFrames_);
    } else {
        Queue(converted_.data(), converter_->Process(samples, blockFrames_, converted_.data()));
    }
    return true;
}

// Copies frames into the ring, wrapping at its end; the caller has made
// sure of the room.
void JackDevice::Queue(const float* frames, std::size_t count) noexcept {
    const std::uint64_t written = written_.load(std::memory_order_relaxed);
    const std::size_t start = static_cast<std::size_t>(written % ringFrames_);
    const std::size_t first = std::min<std::size_t>(count, ringFrames_ - start);
    std::copy_n(frames, first * channels_, ring_.data() + start * channels_);
    std::copy_n(frames + first * channels_, (count - first) * channels_, ring_.data());
    written_.store(written + count, std::memory_order_release);
}

double JackDevice::OutputLatency(const PcmFormat& /*format*/) const {
    if (client_ == nullptr) {
        return 0.0;
    }
    jack_latency_range_t behind{};
    jack_port_get_latency_range(ports_.front(), JackPlaybackLatency, &behind);
    const std::uint64_t reserve = converter_ != nullptr ? kFlushReserve : 0;
    const std::uint64_t queued =
        lowLatency_ ? kLowLatencyPeriods * periodFrames_ : ringFrames_ - reserve;
    return static_cast<double>(queued + behind.max) / jack_get_sample_rate(client_);
}

void JackDevice::StreamStarting() {
    // Periods played while nobody listened wake nobody.
    while (sem_trywait(&periodPlayed_) == 0) {
    }
    if (converter_ != nullptr) {
        converter_->Restart();
    }
    streaming_.store(true, std::memory_order_release);
}

// The converter still holds the last frames of the stream in its filter;
// they go into the reserve the fill thread left free.
void JackDevice::StreamStopped() {
    if (converter_ != nullptr && !serverGone_.load(std::memory_order_acquire)) {
        for (std::size_t made = converter_->Flush(converted_.data()); made > 0;
             made = converter_->Flush(converted_.data())) {
            Queue(converted_.data(), std::min<std::uint64_t>(made, Room()));
        }
    }
    streaming_.store(false, std::memory_order_release);
}

std::string JackDevice::PortName(int channel) const {
    return jack_port_name(ports_.at(static_cast<std::size_t>(channel)));
}

int JackDevice::Process(jack_nframes_t frames, void* self) {
    static_cast<JackDevice*>(self)->Play(frames);
    return 0;
}

void JackDevice::ServerShutdown(void* self) {
    static_cast<JackDevice*>(self)->serverGone_.store(true, std::memory_order_release);
}

void JackDevice::Play(jack_nframes_t frames) noexcept {
    if (transport_.Active()) {
        transport_.Cycle();
        if (transport_.Holding()) {
            playing_ = false;
            PlaySilence(frames);
            return;
        }
    }
    const std::uint64_t drop = dropTo_.load(std::memory_order_acquire);
    // Running dry after a drop or a skip is no underrun: nothing was late.
    const bool dropped = drop != lastDrop_ || skipped_;
    lastDrop_ = drop;
    skipped_ = false;
    const std::uint64_t read = ReadPosition();
    const std::uint64_t queued = written_.load(std::memory_order_acquire) - read;
    const bool streaming = streaming_.load(std::memory_order_acquire);
    if (!playing_) {
        // A stopped stream plays out what it left behind.
        playing_ = Filled(queued) || (queued > 0 && !streaming);
    }
    const std::uint64_t taken = playing_ ? std::min<std::uint64_t>(queued, frames) : 0;
    for (int channel = 0; channel < channels_; ++channel) {
        auto* out = static_cast<float*>(jack_port_get_buffer(ports_[channel], frames));
        for (std::uint64_t frame = 0; frame < taken; ++frame) {
            const std::uint64_t slot = (read + frame) % ringFrames_;
            out[frame] = ring_[slot * channels_ + channel];
        }
        std::fill(out + taken, out + frames, 0.0f);
    }
    read_.store(read + taken, std::memory_order_release);
    played_.fetch_add(taken, std::memory_order_relaxed);
    if (playing_ && taken < frames) {
        playing_ = false;
        if (streaming && !dropped) {
            underruns_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (lowLatency_) {
        sem_post(&periodPlayed_);
    }
}

void JackDevice::PlaySilence(jack_nframes_t frames) noexcept {
    for (jack_port_t* port : ports_) {
        auto* out = static_cast<float*>(jack_port_get_buffer(port, frames));
        std::fill(out, out + frames, 0.0f);
    }
    if (lowLatency_) {
        sem_post(&periodPlayed_);
    }
}

} // namespace tarn
