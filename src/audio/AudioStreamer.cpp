#include "audio/AudioStreamer.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "dsp/OutputSample.h"
#include "engine/Project.h"
#include "formats/ChunkEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

namespace tarn {
namespace {

constexpr const char* kBusyText = "can't change settings while streaming!";
constexpr std::uint16_t kIeeeFloatFormat = 3;
constexpr std::uint32_t kFormatChunkSize = 18;
constexpr std::uint64_t kRiffSizeOffset = 4;
constexpr std::uint64_t kDataSizeOffset = 42;
// How long the disk thread sleeps when the ring is empty: a fraction of a
// chunk at 44 100 Hz, so it keeps far ahead of a real-time writer.
constexpr auto kDiskPoll = std::chrono::milliseconds(2);
constexpr std::size_t kChunkBytes = kMaxChunkFrames * AudioStreamer::kMaxChannels * sizeof(double);
constexpr std::uint32_t kRiffSizeExtra = 38; // header bytes after the RIFF size field

// The channels the streamer takes from a Node: the side its flag chooses,
// never more than the buffers it has, at most two.
int RecordedChannels(const Node& node) {
    const int count = node.RecordsInputs()
                          ? std::min(node.InputChannelCount(), node.Inputs().Count())
                          : std::min(node.OutputChannelCount(), node.Outputs().Count());
    return std::clamp(count, 0, AudioStreamer::kMaxChannels);
}

void StoreLittleEndian16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

// Doubles beyond the float range become infinities rather than an
// undefined conversion.
float ToFloat(double x) noexcept {
    if (std::fabs(x) > FLT_MAX && std::isfinite(x)) {
        return x > 0.0 ? std::numeric_limits<float>::infinity()
                       : -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(x);
}

// What a channel the source lacks is written from.
constexpr std::array<double, kMaxChunkFrames> kSilence{};

// One channel of a chunk into its places among the interleaved frames of
// out, frameBytes apart: a loop per sample size, so that no test but the
// samples' own runs per sample.
template <bool kWide>
void StoreChannel(std::uint8_t* out, std::size_t frameBytes, const double* source,
                  int frames) noexcept {
    for (int frame = 0; frame < frames; ++frame, out += frameBytes) {
        const double x = CleanOutputSample(source[frame]);
        if constexpr (kWide) {
            StoreLittleEndian64(out, std::bit_cast<std::uint64_t>(x));
        } else {
            StoreLittleEndian32(out, std::bit_cast<std::uint32_t>(ToFloat(x)));
        }
    }
}

} // namespace

AudioStreamer::AudioStreamer() : AudioStreamer(std::make_unique<FileStreamSink>()) {}

AudioStreamer::AudioStreamer(std::unique_ptr<StreamSink> sink) : sink_(std::move(sink)) {}

AudioStreamer::~AudioStreamer() {
    Stop();
}

bool AudioStreamer::Streaming() const {
    std::lock_guard hold(lock_);
    return streaming_;
}

std::uint64_t AudioStreamer::DataBytesWritten() const {
    std::lock_guard hold(lock_);
    return dataBytes_;
}

std::uint64_t AudioStreamer::DroppedFrames() const {
    std::lock_guard hold(lock_);
    return droppedFrames_;
}

std::filesystem::path AudioStreamer::FilePath() const {
    std::lock_guard hold(lock_);
    if (streaming_) {
        return recording_.path;
    }
    std::string name = fileName_;
    if (std::filesystem::path(name).filename().string().find('.') == std::string::npos) {
        name += fileType_ == kWaveFile ? ".wav" : ".raw";
    }
    if (name.front() == '/') {
        return AppPath(name);
    }
    return name;
}

void AudioStreamer::SetWaveDataLimit(std::uint64_t bytes) {
    std::lock_guard hold(lock_);
    waveDataLimit_ = std::min(bytes, kMaxWaveDataBytes);
}

bool AudioStreamer::RefuseWhileStreaming() const {
    if (streaming_) {
        ErrorOut() << kBusyText << eol;
    }
    return streaming_;
}

int AudioStreamer::SetFileName(const std::string& name) {
    std::lock_guard hold(lock_);
    if (RefuseWhileStreaming()) {
        return 0;
    }
    fileName_ = name;
    return 1;
}

int AudioStreamer::SetShownName(const std::string& name) {
    std::lock_guard hold(lock_);
    if (RefuseWhileStreaming()) {
        return 0;
    }
    shownName_ = name;
    return 1;
}

int AudioStreamer::SetFileType(int type) {
    std::lock_guard hold(lock_);
    if (RefuseWhileStreaming() || (type != kWaveFile && type != kRawFile)) {
        return 0;
    }
    fileType_ = type;
    return 1;
}

int AudioStreamer::SetSampleFormat(int format) {
    std::lock_guard hold(lock_);
    if (RefuseWhileStreaming() || (format != kFloat32 && format != kFloat64)) {
        return 0;
    }
    sampleFormat_ = format;
    return 1;
}

int AudioStreamer::Start(const Project& project) {
    std::lock_guard control(control_);
    Recording recording;
    {
        std::lock_guard hold(lock_);
        if (streaming_) {
            return 0;
        }
        recording.path = FilePath();
        recording.shown = shownName_.empty() ? recording.path.string() : shownName_;
        recording.fileType = fileType_;
        recording.sampleBytes = SampleBytes();
    }
    // A recording that ended by itself (at the size limit, on a write
    // error) still has its disk thread; it has reported its outcome.
    JoinDiskThread();
    if (!sink_->Open(recording.path)) {
        ErrorOut() << "failed to open file '" << recording.shown << "'" << eol;
        return 0;
    }
    // Fixed for the whole recording, so that every frame matches the header
    // even when the source changes while streaming.
    const Node* source = project.GetNode(project.recordSourceId);
    recording.channels = source != nullptr ? RecordedChannels(*source) : 0;

    ring_.Reset();
    reachedLimit_ = false;
    {
        std::lock_guard hold(lock_);
        recording_ = recording;
        dataBytes_ = 0;
        droppedFrames_ = 0;
        if (recording_.fileType == kWaveFile) {
            QueueHeader();
        }
        streaming_ = true;
    }
    {
        std::lock_guard hold(diskLock_);
        diskDone_ = false;
    }
    disk_ = std::thread([this] { WriteToDisk(); });
    return 1;
}

void AudioStreamer::QueueHeader() {
    const auto blockAlign =
        static_cast<std::uint16_t>(recording_.channels * recording_.sampleBytes);
    std::array<std::uint8_t, kWaveHeaderSize> header{};
    std::memcpy(&header[0], "RIFF", 4);
    std::memcpy(&header[4], "crap", 4);
    std::memcpy(&header[8], "WAVE", 4);
    std::memcpy(&header[12], "fmt ", 4);
    StoreLittleEndian32(&header[16], kFormatChunkSize);
    StoreLittleEndian16(&header[20], kIeeeFloatFormat);
    StoreLittleEndian16(&header[22], static_cast<std::uint16_t>(recording_.channels));
    StoreLittleEndian32(&header[24], kSampleRate);
    StoreLittleEndian32(&header[28], static_cast<std::uint32_t>(blockAlign) * kSampleRate);
    StoreLittleEndian16(&header[32], blockAlign);
    StoreLittleEndian16(&header[34], static_cast<std::uint16_t>(recording_.sampleBytes * 8));
    StoreLittleEndian16(&header[36], 0);
    std::memcpy(&header[38], "data", 4);
    std::memcpy(&header[42], "crap", 4);
    // The ring is empty and far larger than a header.
    ring_.Write(header);
}

int AudioStreamer::Stop() {
    std::lock_guard control(control_);
    {
        std::lock_guard hold(lock_);
        streaming_ = false;
    }
    return JoinDiskThread();
}

int AudioStreamer::JoinDiskThread() {
    if (!disk_.joinable()) {
        return 1;
    }
    {
        std::lock_guard hold(diskLock_);
        finish_ = true;
    }
    diskWake_.notify_all();
    disk_.join();
    std::lock_guard hold(diskLock_);
    finish_ = false;
    const int result = diskResult_;
    diskResult_ = 1;
    return result;
}

void AudioStreamer::WaitForRoom() {
    std::unique_lock hold(diskLock_);
    roomMade_.wait(hold, [this] { return diskDone_ || ring_.Free() >= kChunkBytes; });
}

void AudioStreamer::WriteToDisk() {
    std::unique_lock hold(diskLock_);
    bool written = true;
    for (;;) {
        // Read before draining: whatever was queued before Stop asked, or
        // before the recording ended itself, is in the ring by now.
        const bool last = finish_ || reachedLimit_.load();
        hold.unlock();
        written = DrainRing();
        hold.lock();
        if (!written || last) {
            break;
        }
        diskWake_.wait_for(hold, kDiskPoll, [this] { return finish_; });
    }
    hold.unlock();
    const int result = CompleteFile(written);
    hold.lock();
    diskResult_ = result;
    diskDone_ = true;
    hold.unlock();
    roomMade_.notify_all();
}

bool AudioStreamer::DrainRing() {
    for (;;) {
        const std::span<const std::uint8_t> bytes = ring_.Readable();
        if (bytes.empty()) {
            return true;
        }
        if (!sink_->Append(bytes)) {
            return false;
        }
        ring_.Consume(bytes.size());
        {
            // Taken so that a waiter between its check and its sleep does
            // not miss the news.
            std::lock_guard hold(diskLock_);
        }
        roomMade_.notify_all();
    }
}

int AudioStreamer::CompleteFile(bool written) {
    std::uint64_t dataBytes = 0;
    std::uint64_t dropped = 0;
    {
        std::lock_guard hold(lock_);
        // Streaming has ended by now unless the sink failed: end it, so that
        // the audio thread queues nothing more.
        streaming_ = false;
        dataBytes = dataBytes_;
        dropped = droppedFrames_;
    }
    const std::string path = recording_.shown;
    if (written && recording_.fileType == kWaveFile) {
        // Both fit: WriteChunk never lets the data pass the limit.
        std::array<std::uint8_t, 4> size{};
        StoreLittleEndian32(size.data(), static_cast<std::uint32_t>(dataBytes + kRiffSizeExtra));
        written = sink_->Patch(kRiffSizeOffset, size);
        StoreLittleEndian32(size.data(), static_cast<std::uint32_t>(dataBytes));
        written = sink_->Patch(kDataSizeOffset, size) && written;
    }
    written = sink_->Close() && written;
    if (!written) {
        const int reason = sink_->Error();
        ErrorOut() << "error: failed to write file '" << path << "'"
                   << (reason != 0 ? ": " + std::string(std::strerror(reason)) : std::string())
                   << eol;
    }
    if (reachedLimit_) {
        ErrorOut() << "error: recording stopped: '" << path
                   << "' reached the 4 GiB size limit of WAVE files" << eol;
    }
    if (dropped > 0) {
        ErrorOut() << "error: " << dropped << " frames were dropped from '" << path
                   << "': the disk did not keep up" << eol;
    }
    return written && dropped == 0 ? 1 : 0;
}

void AudioStreamer::WriteChunk(Project& project, int frames) noexcept {
    std::lock_guard hold(lock_);
    if (!streaming_ || recording_.channels == 0) {
        return;
    }
    const Node* source = project.GetNode(project.recordSourceId);
    if (source == nullptr) {
        return;
    }
    // A channel the source lacks now (another Node, fewer tracks) is written
    // as silence so that the frames keep the header's layout.
    const ChannelBufferSet& side = source->RecordsInputs() ? source->Inputs() : source->Outputs();
    const int available = RecordedChannels(*source);
    std::array<const double*, kMaxChannels> sources{};
    for (int channel = 0; channel < recording_.channels; ++channel) {
        sources[channel] = channel < available ? side.Samples(channel) : nullptr;
    }

    frames = std::clamp(frames, 0, kMaxChunkFrames);
    bool full = false;
    if (recording_.fileType == kWaveFile) {
        const std::uint64_t frameBytes =
            static_cast<std::uint64_t>(recording_.channels) * recording_.sampleBytes;
        const std::uint64_t fit =
            (waveDataLimit_ - std::min(dataBytes_, waveDataLimit_)) / frameBytes;
        if (static_cast<std::uint64_t>(frames) > fit) {
            frames = static_cast<int>(fit);
            full = true;
        }
    }
    QueueFrames(sources.data(), frames);
    if (full) {
        // Ends here, on the last frame that fits; the disk thread completes
        // the file once it has written the ring out.
        streaming_ = false;
        reachedLimit_ = true;
    }
}

void AudioStreamer::QueueFrames(const double* const* sources, int frames) noexcept {
    const auto sampleBytes = static_cast<std::size_t>(recording_.sampleBytes);
    const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(recording_.channels);
    for (int channel = 0; channel < recording_.channels; ++channel) {
        std::uint8_t* out = scratch_.data() + static_cast<std::size_t>(channel) * sampleBytes;
        const double* source = sources[channel] != nullptr ? sources[channel] : kSilence.data();
        if (sampleBytes == sizeof(double)) {
            StoreChannel<true>(out, frameBytes, source, frames);
        } else {
            StoreChannel<false>(out, frameBytes, source, frames);
        }
    }
    const std::size_t bytes = frameBytes * static_cast<std::size_t>(frames);
    if (ring_.Write({scratch_.data(), bytes})) {
        dataBytes_ += bytes;
    } else {
        droppedFrames_ += static_cast<std::uint64_t>(frames);
    }
}

} // namespace tarn
