#include "audio/AudioStreamer.h"

#include "base/AppDirectory.h"
#include "base/MessagePipe.h"
#include "engine/Project.h"
#include "formats/ChunkEndian.h"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

namespace tarn {
namespace {

constexpr const char* kBusyText = "can't change settings while streaming!";
constexpr std::uint16_t kIeeeFloatFormat = 3;
constexpr std::uint32_t kFormatChunkSize = 18;
constexpr std::streamoff kRiffSizeOffset = 4;
constexpr std::streamoff kDataSizeOffset = 42;
constexpr std::uint32_t kRiffSizeExtra = 38; // header bytes after the RIFF size field

// The channels the streamer takes from a Node: the side its flag chooses,
// never more than the buffers it has, at most two.
int RecordedChannels(const Node& node) {
    const int count = node.recordInputs
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

void StoreSample(std::uint8_t* out, double x, bool wide) noexcept {
    if (wide) {
        StoreLittleEndian64(out, std::bit_cast<std::uint64_t>(x));
    } else {
        StoreLittleEndian32(out, std::bit_cast<std::uint32_t>(ToFloat(x)));
    }
}

} // namespace

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

std::filesystem::path AudioStreamer::FilePath() const {
    std::lock_guard hold(lock_);
    if (streaming_) {
        return path_;
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
    std::lock_guard hold(lock_);
    if (streaming_) {
        return 0;
    }
    path_ = FilePath();
    dataBytes_ = 0;
    file_.open(path_, std::ios::binary | std::ios::trunc);
    if (!file_.is_open()) {
        ErrorOut() << "failed to open file '" << path_.string() << "'" << eol;
        return 0;
    }
    streaming_ = true;
    // Fixed for the whole recording, so that every frame matches the header
    // even when the source changes while streaming.
    const Node* source = project.GetNode(project.recordSourceId);
    channels_ = source != nullptr ? RecordedChannels(*source) : 0;
    if (fileType_ == kWaveFile) {
        WriteHeader();
    }
    return 1;
}

void AudioStreamer::WriteHeader() {
    const auto blockAlign = static_cast<std::uint16_t>(channels_ * SampleBytes());
    std::array<std::uint8_t, kWaveHeaderSize> header{};
    std::memcpy(&header[0], "RIFF", 4);
    std::memcpy(&header[4], "crap", 4);
    std::memcpy(&header[8], "WAVE", 4);
    std::memcpy(&header[12], "fmt ", 4);
    StoreLittleEndian32(&header[16], kFormatChunkSize);
    StoreLittleEndian16(&header[20], kIeeeFloatFormat);
    StoreLittleEndian16(&header[22], static_cast<std::uint16_t>(channels_));
    StoreLittleEndian32(&header[24], kSampleRate);
    StoreLittleEndian32(&header[28], static_cast<std::uint32_t>(blockAlign) * kSampleRate);
    StoreLittleEndian16(&header[32], blockAlign);
    StoreLittleEndian16(&header[34], static_cast<std::uint16_t>(SampleBytes() * 8));
    StoreLittleEndian16(&header[36], 0);
    std::memcpy(&header[38], "data", 4);
    std::memcpy(&header[42], "crap", 4);
    file_.write(reinterpret_cast<const char*>(header.data()), header.size());
}

int AudioStreamer::Stop() {
    std::lock_guard hold(lock_);
    if (!streaming_) {
        return 1;
    }
    streaming_ = false;
    if (fileType_ == kWaveFile) {
        // Both fit: WriteChunk never lets the data pass the limit.
        std::array<std::uint8_t, 4> size{};
        StoreLittleEndian32(size.data(), static_cast<std::uint32_t>(dataBytes_ + kRiffSizeExtra));
        file_.seekp(kRiffSizeOffset);
        file_.write(reinterpret_cast<const char*>(size.data()), size.size());
        StoreLittleEndian32(size.data(), static_cast<std::uint32_t>(dataBytes_));
        file_.seekp(kDataSizeOffset);
        file_.write(reinterpret_cast<const char*>(size.data()), size.size());
    }
    bool written = file_.good();
    file_.close();
    written = written && !file_.fail();
    if (!written) {
        ErrorOut() << "error: failed to write file '" << path_.string() << "'" << eol;
        return 0;
    }
    return 1;
}

void AudioStreamer::WriteChunk(Project& project, int frames) noexcept {
    std::lock_guard hold(lock_);
    if (!streaming_ || channels_ == 0) {
        return;
    }
    const Node* source = project.GetNode(project.recordSourceId);
    if (source == nullptr) {
        return;
    }
    // A channel the source lacks now (another Node, fewer tracks) is written
    // as silence so that the frames keep the header's layout.
    const ChannelBufferSet& side = source->recordInputs ? source->Inputs() : source->Outputs();
    const int available = RecordedChannels(*source);
    std::array<const double*, kMaxChannels> sources{};
    for (int channel = 0; channel < channels_; ++channel) {
        sources[channel] = channel < available ? side.Samples(channel) : nullptr;
    }

    frames = std::clamp(frames, 0, kMaxChunkFrames);
    bool full = false;
    if (fileType_ == kWaveFile) {
        const std::uint64_t frameBytes = static_cast<std::uint64_t>(channels_) * SampleBytes();
        const std::uint64_t fit =
            (waveDataLimit_ - std::min(dataBytes_, waveDataLimit_)) / frameBytes;
        if (static_cast<std::uint64_t>(frames) > fit) {
            frames = static_cast<int>(fit);
            full = true;
        }
    }
    WriteFrames(sources.data(), frames);
    if (!full && file_.good()) {
        return;
    }
    // Once per recording: completing the file here keeps its header true.
    // Only the error lines can throw (out of memory); the file is closed
    // by then.
    try {
        Stop();
        if (full) {
            ErrorOut() << "error: recording stopped: '" << path_.string()
                       << "' reached the 4 GiB size limit of WAVE files" << eol;
        }
    } catch (...) {
    }
}

void AudioStreamer::WriteFrames(const double* const* sources, int frames) noexcept {
    const bool wide = sampleFormat_ == kFloat64;
    const int sampleBytes = SampleBytes();
    std::uint8_t* out = scratch_.data();
    for (int frame = 0; frame < frames; ++frame) {
        for (int channel = 0; channel < channels_; ++channel) {
            StoreSample(out, sources[channel] != nullptr ? sources[channel][frame] : 0.0, wide);
            out += sampleBytes;
        }
    }
    const auto bytes = static_cast<std::streamsize>(out - scratch_.data());
    file_.write(reinterpret_cast<const char*>(scratch_.data()), bytes);
    dataBytes_ += static_cast<std::uint64_t>(bytes);
}

} // namespace tarn
