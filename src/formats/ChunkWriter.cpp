#include "formats/ChunkWriter.h"

#include "formats/ChunkEndian.h"

#include <bit>
#include <limits>

namespace tarn {
namespace {

// A placeholder that no real record can carry, so an unpatched size shows.
constexpr std::uint32_t kPlaceholderSize = 0xFFFFFFFF;

} // namespace

std::int64_t ChunkWriter::WriteInteger(std::uint32_t identifier, std::int32_t value) {
    std::uint8_t payload[4];
    StoreLittleEndian32(payload, static_cast<std::uint32_t>(value));
    return WriteBytes(identifier, payload, sizeof payload);
}

std::int64_t ChunkWriter::WriteIndex(std::int32_t index) {
    return WriteInteger(kIndexFieldId, index);
}

std::int64_t ChunkWriter::WriteReal(std::uint32_t identifier, double value) {
    std::uint8_t payload[8];
    StoreLittleEndian64(payload, std::bit_cast<std::uint64_t>(value));
    return WriteBytes(identifier, payload, sizeof payload);
}

std::int64_t ChunkWriter::WriteRealPair(std::uint32_t identifier, double first, double second) {
    std::uint8_t payload[16];
    StoreLittleEndian64(payload, std::bit_cast<std::uint64_t>(first));
    StoreLittleEndian64(payload + 8, std::bit_cast<std::uint64_t>(second));
    return WriteBytes(identifier, payload, sizeof payload);
}

std::int64_t ChunkWriter::WriteText(std::uint32_t identifier, std::string_view text) {
    const std::int64_t before = written_;
    PutHeader(identifier, kChunkVersion1_0, std::uint64_t{text.size()} + 1);
    Put(text.data(), text.size());
    Put("", 1);
    return written_ - before;
}

std::int64_t ChunkWriter::WriteBytes(std::uint32_t identifier, const void* data,
                                     std::size_t count) {
    const std::int64_t before = written_;
    PutHeader(identifier, kChunkVersion1_0, count);
    Put(data, count);
    return written_ - before;
}

ChunkWriter::OpenRecord ChunkWriter::BeginRecord(std::uint32_t identifier, std::uint32_t version) {
    const std::int64_t before = written_;
    PutWord(identifier);
    PutWord(version);
    const std::uint64_t sizePosition = stream_.Position();
    PutWord(kPlaceholderSize);
    return OpenRecord{sizePosition, before};
}

std::int64_t ChunkWriter::EndRecord(const OpenRecord& record) {
    const std::int64_t total = written_ - record.writtenBefore;
    const std::uint64_t size = static_cast<std::uint64_t>(total) - kChunkHeaderSize;
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        oversized_ = true;
        return total;
    }
    if (!stream_.Failed()) {
        // The patch is not part of the document's byte count: it overwrites
        // the placeholder, then the stream returns to the record's end.
        const std::uint64_t end = stream_.Position();
        std::uint8_t word[4];
        StoreLittleEndian32(word, static_cast<std::uint32_t>(size));
        stream_.Seek(record.sizePosition);
        stream_.Write(word, sizeof word);
        stream_.Seek(end);
    }
    return total;
}

void ChunkWriter::PutHeader(std::uint32_t identifier, std::uint32_t version, std::uint64_t size) {
    if (size > std::numeric_limits<std::uint32_t>::max()) {
        oversized_ = true;
    }
    PutWord(identifier);
    PutWord(version);
    PutWord(static_cast<std::uint32_t>(size));
}

void ChunkWriter::PutWord(std::uint32_t word) {
    std::uint8_t bytes[4];
    StoreLittleEndian32(bytes, word);
    Put(bytes, sizeof bytes);
}

void ChunkWriter::Put(const void* data, std::size_t count) {
    written_ += static_cast<std::int64_t>(count);
    if (count > 0) {
        stream_.Write(data, count);
    }
}

} // namespace tarn
