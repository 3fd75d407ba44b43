#include "wavetable/WavHandler.h"

#include "formats/ChunkEndian.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace tarn {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatFloat = 3;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::uint32_t kFormatBytes = 16;
constexpr std::uint32_t kSamplerHeaderBytes = 36;
constexpr std::uint32_t kSamplerLoopCountOffset = 28;
constexpr std::uint32_t kLoopRecordBytes = 24;
// The decoded layout: one float per sample.
constexpr std::int32_t kDecodedBits = 32;
// Sample data is converted through a buffer of this many bytes, so a long
// file never needs its raw bytes in memory beside the floats.
constexpr std::size_t kDecodeBlockBytes = 1 << 16;

std::uint16_t Load16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

bool Accepted(std::uint16_t tag, std::uint16_t bits) {
    return (tag == kFormatPcm && (bits == 16 || bits == 24)) ||
           (tag == kFormatFloat && (bits == 32 || bits == 64));
}

float Sample(const std::uint8_t* in, std::uint16_t bits) {
    switch (bits) {
    case 16:
        return static_cast<float>(static_cast<std::int16_t>(Load16(in)) * (1.0 / 32767.0));
    case 24: {
        // Shifted into the top of a 32-bit word so the sign comes along.
        const auto word = static_cast<std::uint32_t>(in[0] << 8 | in[1] << 16 | in[2] << 24);
        return static_cast<float>((static_cast<std::int32_t>(word) >> 8) * (1.0 / 8388607.0));
    }
    case 32:
        return std::bit_cast<float>(LoadLittleEndian32(in));
    default:
        return static_cast<float>(std::bit_cast<double>(LoadLittleEndian64(in)));
    }
}

} // namespace

std::int32_t WavHandler::Open(std::int32_t /*value*/, const char* path) {
    file_.close();
    file_.clear();
    file_.open(path, std::ios::binary);
    if (!file_) {
        return 0;
    }
    file_.seekg(0, std::ios::end);
    fileLength_ = static_cast<std::uint64_t>(std::max<std::streamoff>(file_.tellg(), 0));
    file_.seekg(0);
    loops_.clear();
    haveFormat_ = false;
    dataPosition_ = 0;
    dataSize_ = 0;
    return file_ ? 1 : 0;
}

std::int32_t WavHandler::Close() {
    file_.close();
    return 1;
}

std::uint64_t WavHandler::BytesLeft() {
    const std::streamoff position = file_.tellg();
    if (!file_ || position < 0 || static_cast<std::uint64_t>(position) > fileLength_) {
        return 0;
    }
    return fileLength_ - static_cast<std::uint64_t>(position);
}

bool WavHandler::Skip(std::uint64_t bytes) {
    // Past the end is no error here: a last chunk whose padding byte or tail
    // is missing simply ends the chunk list.
    const std::uint64_t step = std::min(bytes, BytesLeft());
    file_.seekg(static_cast<std::streamoff>(step), std::ios::cur);
    return static_cast<bool>(file_);
}

std::int32_t WavHandler::QueryFormat(SoundData& sound) {
    if (!file_.is_open()) {
        return 0;
    }
    std::array<std::uint8_t, 12> riff{};
    if (!file_.read(reinterpret_cast<char*>(riff.data()), riff.size()) ||
        std::memcmp(riff.data(), "RIFF", 4) != 0 || std::memcmp(riff.data() + 8, "WAVE", 4) != 0) {
        return 0;
    }
    SoundFormat& format = sound.format;
    format = {};
    // A RIFF size that claims more than the file holds (or less than its
    // own "WAVE") is bounded by what is there.
    std::uint64_t remaining =
        std::min<std::uint64_t>(LoadLittleEndian32(riff.data() + 4), fileLength_);
    remaining = remaining >= 4 ? remaining - 4 : 0;
    // The file may end before the RIFF size says (writers that never went
    // back to fill it in); a chunk header cut short is damage.
    while (remaining >= kChunkHeaderBytes && BytesLeft() > 0) {
        std::array<std::uint8_t, kChunkHeaderBytes> header{};
        if (!file_.read(reinterpret_cast<char*>(header.data()), header.size())) {
            return 0;
        }
        const std::uint32_t size = LoadLittleEndian32(header.data() + 4);
        const std::uint64_t padded = size + static_cast<std::uint64_t>(size & 1U);
        const auto* id = reinterpret_cast<const char*>(header.data());
        if (std::memcmp(id, "fmt", 3) == 0) {
            if (!ReadFormat(size, format) || !Skip(padded - kFormatBytes)) {
                return 0;
            }
        } else if (std::memcmp(id, "data", 4) == 0) {
            // Without a format first there is no frame size to count with.
            if (!haveFormat_) {
                return 0;
            }
            dataPosition_ = static_cast<std::uint64_t>(file_.tellg());
            dataSize_ = std::min<std::uint64_t>(size, BytesLeft());
            const std::uint64_t frameBytes = std::uint64_t{fileBits_} / 8 * fileChannels_;
            const std::uint64_t frames = dataSize_ / frameBytes;
            if (frames > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
                return 0;
            }
            format.frameCount = static_cast<std::int32_t>(frames);
            Skip(padded);
        } else if (std::memcmp(id, "smpl", 4) == 0) {
            if (!ReadSampler(size) || !Skip(padded - kSamplerHeaderBytes -
                                            std::uint64_t{kLoopRecordBytes} * loops_.size())) {
                return 0;
            }
            format.loopPointCount = static_cast<std::int32_t>(loops_.size());
        } else {
            Skip(padded);
        }
        remaining -= std::min(remaining, padded + kChunkHeaderBytes);
    }
    return 1;
}

bool WavHandler::ReadFormat(std::uint32_t size, SoundFormat& format) {
    // A second format would change the frame size under a counted "data".
    if (haveFormat_ || size < kFormatBytes) {
        return false;
    }
    std::array<std::uint8_t, kFormatBytes> fields{};
    if (!file_.read(reinterpret_cast<char*>(fields.data()), fields.size())) {
        return false;
    }
    const std::uint16_t tag = Load16(&fields[0]);
    const std::uint16_t channels = Load16(&fields[2]);
    const std::uint32_t rate = LoadLittleEndian32(&fields[4]);
    const std::uint16_t bits = Load16(&fields[14]);
    if (!Accepted(tag, bits) || channels == 0 || rate == 0 ||
        rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        return false;
    }
    haveFormat_ = true;
    fileBits_ = bits;
    fileChannels_ = channels;
    format.bitsPerSample = kDecodedBits;
    format.channelCount = channels;
    format.sampleRate = static_cast<std::int32_t>(rate);
    return true;
}

bool WavHandler::ReadSampler(std::uint32_t size) {
    std::array<std::uint8_t, kSamplerHeaderBytes> header{};
    if (size < kSamplerHeaderBytes || size > BytesLeft() ||
        !file_.read(reinterpret_cast<char*>(header.data()), header.size())) {
        return false;
    }
    const std::uint32_t count = LoadLittleEndian32(&header[kSamplerLoopCountOffset]);
    if (kSamplerHeaderBytes + std::uint64_t{kLoopRecordBytes} * count > size) {
        return false;
    }
    // A later sampler chunk replaces the loops of an earlier one.
    loops_.assign(count, {});
    for (LoopRecord& loop : loops_) {
        std::array<std::uint8_t, kLoopRecordBytes> record{};
        if (!file_.read(reinterpret_cast<char*>(record.data()), record.size())) {
            return false;
        }
        loop.type = static_cast<std::int32_t>(LoadLittleEndian32(&record[4]));
        loop.start = LoadLittleEndian32(&record[8]);
        loop.end = LoadLittleEndian32(&record[12]);
    }
    return true;
}

std::int32_t WavHandler::Decode(SoundData& sound) {
    const SoundFormat& format = sound.format;
    if (!haveFormat_ || format.channelCount != fileChannels_ || sound.channels == nullptr) {
        return 0;
    }
    const auto loopCount = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(format.loopPointCount, 0)), loops_.size());
    for (std::size_t i = 0; i < loopCount; ++i) {
        if (sound.loopPoints != nullptr && sound.loopPoints[i] != nullptr) {
            *sound.loopPoints[i] = {loops_[i].type, 0, static_cast<double>(loops_[i].start),
                                    static_cast<double>(loops_[i].end)};
        }
    }
    const std::size_t sampleBytes = fileBits_ / 8U;
    const std::size_t frameBytes = sampleBytes * fileChannels_;
    const std::size_t frames = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(format.frameCount, 0)), dataSize_ / frameBytes);
    // Whole frames per block; a frame wider than the block gets a block of its own.
    const std::size_t blockFrames = std::max<std::size_t>(kDecodeBlockBytes / frameBytes, 1);
    std::vector<std::uint8_t> block(blockFrames * frameBytes);
    file_.clear();
    file_.seekg(static_cast<std::streamoff>(dataPosition_));
    for (std::size_t done = 0; done < frames;) {
        const std::size_t count = std::min(blockFrames, frames - done);
        if (!file_.read(reinterpret_cast<char*>(block.data()),
                        static_cast<std::streamsize>(count * frameBytes))) {
            return 0;
        }
        const std::uint8_t* in = block.data();
        for (std::size_t frame = 0; frame < count; ++frame) {
            for (std::size_t c = 0; c < fileChannels_; ++c, in += sampleBytes) {
                sound.channels[c][done + frame] = Sample(in, fileBits_);
            }
        }
        done += count;
    }
    return 1;
}

} // namespace tarn
