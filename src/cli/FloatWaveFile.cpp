#include "cli/FloatWaveFile.h"

#include "base/MessagePipe.h"
#include "formats/ChunkEndian.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tarn {
namespace {

constexpr std::uint16_t kFloatFormat = 3;
constexpr std::uint32_t kSampleBytes = 4;
constexpr std::uint32_t kFormatBytes = 18; // with an empty extension
constexpr std::uint32_t kHeaderBytes = 46;

void Put16(std::vector<std::uint8_t>& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    const std::size_t at = bytes.size();
    bytes.resize(at + 4);
    StoreLittleEndian32(&bytes[at], value);
}

void PutTag(std::vector<std::uint8_t>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

std::uint16_t Get16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

bool Refuse(const std::filesystem::path& file, const std::string& why) {
    ErrorOut() << "error: cannot read wave '" << file.string() << "': " << why << eol;
    return false;
}

} // namespace

bool WriteFloatWave(ReplacingFile& file, const WaveDoc& wave) {
    const auto channels = static_cast<std::uint32_t>(wave.channels.size());
    const std::uint32_t frames =
        channels == 0 ? 0
                      : static_cast<std::uint32_t>(wave.channels[0].samples.size() / kSampleBytes);
    const std::uint32_t dataBytes = frames * channels * kSampleBytes;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kHeaderBytes + dataBytes);
    PutTag(bytes, "RIFF");
    Put32(bytes, kHeaderBytes - 8 + dataBytes);
    PutTag(bytes, "WAVE");
    PutTag(bytes, "fmt ");
    Put32(bytes, kFormatBytes);
    Put16(bytes, kFloatFormat);
    Put16(bytes, static_cast<std::uint16_t>(channels));
    Put32(bytes, static_cast<std::uint32_t>(wave.format.sampleRate));
    Put32(bytes, static_cast<std::uint32_t>(wave.format.sampleRate) * channels * kSampleBytes);
    Put16(bytes, static_cast<std::uint16_t>(channels * kSampleBytes));
    Put16(bytes, kSampleBytes * 8);
    Put16(bytes, 0);
    PutTag(bytes, "data");
    Put32(bytes, dataBytes);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        for (const WaveDataDoc& channel : wave.channels) {
            const std::uint8_t* sample = &channel.samples[frame * kSampleBytes];
            bytes.insert(bytes.end(), sample, sample + kSampleBytes);
        }
    }
    return file.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

bool ReadFloatWave(const std::filesystem::path& file, WaveDoc& wave) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Refuse(file, std::strerror(errno));
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
        std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
        return Refuse(file, "not a WAVE file");
    }
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    const std::uint8_t* data = nullptr;
    std::size_t dataBytes = 0;
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::size_t size = LoadLittleEndian32(&bytes[at + 4]);
        const std::size_t body = at + 8;
        if (size > bytes.size() - body) {
            return Refuse(file, "the file is cut short");
        }
        if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && size >= 16) {
            if (Get16(&bytes[body]) != kFloatFormat || Get16(&bytes[body + 14]) != 32) {
                return Refuse(file, "its samples are not 32-bit floats");
            }
            channels = Get16(&bytes[body + 2]);
            rate = LoadLittleEndian32(&bytes[body + 4]);
        } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
            data = &bytes[body];
            dataBytes = size;
        }
        at = body + size + (size & 1);
    }
    if (channels == 0 || data == nullptr || dataBytes % (channels * kSampleBytes) != 0) {
        return Refuse(file, "it holds no whole frames of 32-bit float samples");
    }
    const std::size_t frames = dataBytes / (channels * kSampleBytes);
    wave.format = {32, static_cast<std::int32_t>(rate), channels,
                   static_cast<std::int32_t>(frames)};
    wave.channels.assign(channels, {});
    for (std::uint16_t channel = 0; channel < channels; ++channel) {
        WaveDataDoc& block = wave.channels[channel];
        block.channel = channel;
        block.samples.reserve(frames * kSampleBytes);
        for (std::size_t frame = 0; frame < frames; ++frame) {
            const std::uint8_t* sample = data + (frame * channels + channel) * kSampleBytes;
            block.samples.insert(block.samples.end(), sample, sample + kSampleBytes);
        }
    }
    return true;
}

} // namespace tarn
