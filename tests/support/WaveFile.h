#pragma once

#include <bit>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tarn::test {

// A recording as the studio writes it, read back: a WAVE file's header
// fields and its IEEE float samples, interleaved, as doubles.
struct WaveFile {
    static constexpr std::size_t kHeaderSize = 46;

    bool valid = false; // RIFF and WAVE marks, and a data size the file holds
    std::uint32_t riffSize = 0;
    int format = 0; // 3: IEEE float
    int channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    int blockAlign = 0;
    int bits = 0;
    std::uint32_t dataBytes = 0;
    std::vector<double> samples;
};

namespace detail {

inline std::uint64_t LittleEndian(std::string_view bytes, std::size_t offset, int size) {
    std::uint64_t word = 0;
    for (int i = size - 1; i >= 0; --i) {
        word = word << 8 | static_cast<std::uint8_t>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return word;
}

} // namespace detail

// Raw little-endian IEEE floats of 32 or 64 bits.
inline std::vector<double> ReadRawSamples(std::string_view bytes, int bits) {
    std::vector<double> samples;
    if (bits != 32 && bits != 64) {
        return samples;
    }
    const std::size_t size = static_cast<std::size_t>(bits) / 8;
    for (std::size_t at = 0; at + size <= bytes.size(); at += size) {
        const std::uint64_t word = detail::LittleEndian(bytes, at, static_cast<int>(size));
        samples.push_back(bits == 64 ? std::bit_cast<double>(word)
                                     : std::bit_cast<float>(static_cast<std::uint32_t>(word)));
    }
    return samples;
}

inline WaveFile ReadWave(std::string_view bytes) {
    using detail::LittleEndian;
    WaveFile wave;
    if (bytes.size() < WaveFile::kHeaderSize || bytes.substr(0, 4) != "RIFF" ||
        bytes.substr(8, 8) != "WAVEfmt " || bytes.substr(38, 4) != "data") {
        return wave;
    }
    wave.riffSize = static_cast<std::uint32_t>(LittleEndian(bytes, 4, 4));
    wave.format = static_cast<int>(LittleEndian(bytes, 20, 2));
    wave.channels = static_cast<int>(LittleEndian(bytes, 22, 2));
    wave.sampleRate = static_cast<std::uint32_t>(LittleEndian(bytes, 24, 4));
    wave.byteRate = static_cast<std::uint32_t>(LittleEndian(bytes, 28, 4));
    wave.blockAlign = static_cast<int>(LittleEndian(bytes, 32, 2));
    wave.bits = static_cast<int>(LittleEndian(bytes, 34, 2));
    wave.dataBytes = static_cast<std::uint32_t>(LittleEndian(bytes, 42, 4));
    wave.valid = wave.dataBytes <= bytes.size() - WaveFile::kHeaderSize;
    if (wave.valid) {
        wave.samples =
            ReadRawSamples(bytes.substr(WaveFile::kHeaderSize, wave.dataBytes), wave.bits);
    }
    return wave;
}

} // namespace tarn::test
