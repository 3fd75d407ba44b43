#pragma once

#include "wavetable/SoundHandler.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace tarn {

// The built-in reader of RIFF/WAVE files: 16- and 24-bit PCM, 32- and
// 64-bit float, loops from the "smpl" chunk. Every size in the file is
// checked against the file's real length before anything is read or
// allocated, so a damaged file is refused (query format answers 0) or
// yields only the frames it holds; it never costs more memory than the
// decoded samples.
class WavHandler final : public SoundHandler {
protected:
    std::int32_t QueryFormat(SoundData& sound) override;
    std::int32_t Decode(SoundData& sound) override;
    std::int32_t Open(std::int32_t value, const char* path) override;
    std::int32_t Close() override;

private:
    // One loop record of the "smpl" chunk, as far as decoding needs it.
    struct LoopRecord {
        std::int32_t type = 0;
        std::uint32_t start = 0;
        std::uint32_t end = 0;
    };

    bool ReadFormat(std::uint32_t size, SoundFormat& format);
    bool ReadSampler(std::uint32_t size);
    bool Skip(std::uint64_t bytes);
    std::uint64_t BytesLeft();

    std::ifstream file_;
    std::uint64_t fileLength_ = 0;
    std::vector<LoopRecord> loops_;
    bool haveFormat_ = false;
    std::uint16_t fileBits_ = 0;
    std::uint16_t fileChannels_ = 0;
    std::uint64_t dataPosition_ = 0;
    std::uint64_t dataSize_ = 0;
};

} // namespace tarn
