#pragma once

#include "formats/ChunkStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// A chunk stream over a byte vector it owns: documents built and parsed in
// memory, for tests, fuzzing and copies that never touch the disk.
class ChunkMemoryStream final : public ChunkStream {
public:
    explicit ChunkMemoryStream(std::vector<std::uint8_t> bytes = {}, std::string name = "memory");

    bool Read(void* data, std::size_t count) override;
    bool Write(const void* data, std::size_t count) override;
    // Seeking past the end is allowed; a later write fills the gap with zeros.
    bool Seek(std::uint64_t position) override;
    std::uint64_t Position() const override { return position_; }
    std::uint64_t Size() const override { return bytes_.size(); }

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

} // namespace tarn
