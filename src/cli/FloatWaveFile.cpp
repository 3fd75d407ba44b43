#include "cli/FloatWaveFile.h"

#include "base/InputFile.h"
#include "base/MessagePipe.h"
#include "document/ProjectWaves.h"
#include "formats/ChunkEndian.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <span>
#include <string>
#include <vector>

namespace tarn {
namespace {

constexpr std::uint16_t kFloatFormat = 3;
constexpr std::uint32_t kSampleBytes = 4;
constexpr std::uint32_t kFormatBytes = 18; // with an empty extension
constexpr std::uint32_t kHeaderBytes = 46;
// The largest WAVE: a 32-bit size after the first 8 bytes.
constexpr std::uint64_t kMostWaveBytes = 0xFFFFFFFFull + 8;
constexpr std::uint64_t kPieceBytes = 1 << 20;

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
    std::vector<std::vector<std::uint8_t>> scratch(channels);
    std::vector<std::span<const std::uint8_t>> blocks;
    for (std::uint32_t c = 0; c < channels; ++c) {
        blocks.push_back(StoredSampleBytes(wave.channels[c], scratch[c]));
    }
    const std::uint32_t frames =
        channels == 0 ? 0 : static_cast<std::uint32_t>(blocks[0].size() / kSampleBytes);
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
        for (const std::span<const std::uint8_t> channel : blocks) {
            const std::uint8_t* sample = &channel[frame * kSampleBytes];
            bytes.insert(bytes.end(), sample, sample + kSampleBytes);
        }
    }
    return file.Write({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
}

bool ReadFloatWave(const std::filesystem::path& file, WaveDoc& wave) {
    InputFile in(file, kMostWaveBytes, "the 4 GiB a WAVE can hold");
    std::array<std::uint8_t, 16> head{};
    if (!in.Ok()) {
        return Refuse(file, in.Problem());
    }
    if (in.Size() < 12 || !in.ReadAt(0, head.data(), 12) ||
        std::memcmp(head.data(), "RIFF", 4) != 0 || std::memcmp(head.data() + 8, "WAVE", 4) != 0) {
        return Refuse(file, "not a WAVE file");
    }
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint64_t dataAt = 0;
    std::uint64_t dataBytes = 0;
    // Every step passes a chunk's header, so the walk ends within the file.
    for (std::uint64_t at = 12; at + 8 <= in.Size();) {
        if (!in.ReadAt(at, head.data(), 8)) {
            return Refuse(file, in.Problem());
        }
        const std::uint64_t size = LoadLittleEndian32(&head[4]);
        const std::uint64_t body = at + 8;
        if (size > in.Size() - body) {
            return Refuse(file, "the file is cut short");
        }
        if (std::memcmp(head.data(), "fmt ", 4) == 0 && size >= 16) {
            if (!in.ReadAt(body, head.data(), 16)) {
                return Refuse(file, in.Problem());
            }
            if (Get16(&head[0]) != kFloatFormat || Get16(&head[14]) != 32) {
                return Refuse(file, "its samples are not 32-bit floats");
            }
            channels = Get16(&head[2]);
            rate = LoadLittleEndian32(&head[4]);
        } else if (std::memcmp(head.data(), "data", 4) == 0) {
            dataAt = body;
            dataBytes = size;
        }
        at = body + size + (size & 1);
    }
    const std::uint64_t frameBytes = std::uint64_t{channels} * kSampleBytes;
    if (channels == 0 || dataAt == 0 || dataBytes % frameBytes != 0) {
        return Refuse(file, "it holds no whole frames of 32-bit float samples");
    }
    const std::uint64_t frames = dataBytes / frameBytes;
    wave.format = {32, static_cast<std::int32_t>(rate), channels,
                   static_cast<std::int32_t>(frames)};
    wave.channels.assign(channels, {});
    for (std::uint16_t channel = 0; channel < channels; ++channel) {
        wave.channels[channel].channel = channel;
        wave.channels[channel].samples.resize(frames * kSampleBytes);
    }
    // Read a piece at a time and parted into the channels' blocks, so that
    // the samples are held once.
    const std::uint64_t pieceFrames = std::max<std::uint64_t>(1, kPieceBytes / frameBytes);
    std::vector<std::uint8_t> piece(pieceFrames * frameBytes);
    for (std::uint64_t frame = 0; frame < frames; frame += pieceFrames) {
        const std::uint64_t count = std::min(pieceFrames, frames - frame);
        if (!in.ReadAt(dataAt + frame * frameBytes, piece.data(), count * frameBytes)) {
            return Refuse(file, in.Problem());
        }
        for (std::uint64_t i = 0; i < count; ++i) {
            for (std::uint16_t channel = 0; channel < channels; ++channel) {
                std::memcpy(&wave.channels[channel].samples[(frame + i) * kSampleBytes],
                            &piece[(i * channels + channel) * kSampleBytes], kSampleBytes);
            }
        }
    }
    return true;
}

} // namespace tarn
