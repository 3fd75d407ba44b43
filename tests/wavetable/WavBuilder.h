#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace tarn::test {

// RIFF/WAVE bytes put together chunk by chunk, so tests can write every
// layout the reader meets, well-formed or not.
class WavBuilder {
public:
    static constexpr std::uint16_t kPcm = 1;
    static constexpr std::uint16_t kFloat = 3;
    static constexpr std::uint16_t kExtensible = 0xFFFE;

    WavBuilder& Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                       std::uint16_t bits) {
        std::string fields;
        Put16(fields, tag);
        Put16(fields, channels);
        Put32(fields, rate);
        Put32(fields, rate * channels * bits / 8);
        Put16(fields, static_cast<std::uint16_t>(channels * bits / 8));
        Put16(fields, bits);
        return Chunk("fmt ", fields);
    }

    // Interleaved samples of `bytes` bytes each, little-endian.
    WavBuilder& Data(const std::vector<std::int64_t>& samples, int bytes) {
        std::string data;
        for (const std::int64_t sample : samples) {
            for (int i = 0; i < bytes; ++i) {
                data.push_back(
                    static_cast<char>((static_cast<std::uint64_t>(sample) >> (8 * i)) & 0xFF));
            }
        }
        return Chunk("data", data);
    }

    struct Loop {
        std::uint32_t type;
        std::uint32_t start;
        std::uint32_t end;
    };
    WavBuilder& Sampler(const std::vector<Loop>& loops) {
        std::string body(28, '\0');
        Put32(body, static_cast<std::uint32_t>(loops.size()));
        Put32(body, 0);
        for (std::size_t i = 0; i < loops.size(); ++i) {
            Put32(body, static_cast<std::uint32_t>(i));
            Put32(body, loops[i].type);
            Put32(body, loops[i].start);
            Put32(body, loops[i].end);
            Put32(body, 0);
            Put32(body, 0);
        }
        return Chunk("smpl", body);
    }

    // Any chunk; an odd-sized one gets its padding byte.
    WavBuilder& Chunk(std::string_view id, std::string_view body) {
        chunks_.append(id);
        Put32(chunks_, static_cast<std::uint32_t>(body.size()));
        chunks_.append(body);
        if (body.size() % 2 != 0) {
            chunks_.push_back('\0');
        }
        return *this;
    }

    std::string Bytes() const {
        std::string bytes = "RIFF";
        Put32(bytes, static_cast<std::uint32_t>(chunks_.size() + 4));
        return bytes + "WAVE" + chunks_;
    }

    void Write(const std::filesystem::path& path) const { WriteBytes(path, Bytes()); }

    static void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static void Put16(std::string& out, std::uint16_t value) {
        out.push_back(static_cast<char>(value & 0xFF));
        out.push_back(static_cast<char>(value >> 8));
    }
    static void Put32(std::string& out, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    }

private:
    std::string chunks_;
};

} // namespace tarn::test
