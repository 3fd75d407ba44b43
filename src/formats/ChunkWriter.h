#pragma once

#include "formats/ChunkIds.h"
#include "formats/ChunkStream.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarn {

// Emits chunks to a stream. Every operation returns the chunk's total size
// in bytes, header included, whether or not the stream took the bytes: on a
// failed stream nothing is written and the sizes still add up, so callers
// sum sizes without checking and ask Failed() once at the end. Leaves are
// written with version 1.0.
class ChunkWriter {
public:
    explicit ChunkWriter(ChunkStream& stream) : stream_(stream) {}

    std::int64_t WriteInteger(std::uint32_t identifier, std::int32_t value); // 16
    // The list-element index, under the index identifier.
    std::int64_t WriteIndex(std::int32_t index);                                       // 16
    std::int64_t WriteReal(std::uint32_t identifier, double value);                    // 20
    std::int64_t WriteRealPair(std::uint32_t identifier, double first, double second); // 28
    // The text's bytes and one zero byte; a text with a zero inside reads
    // back only up to that zero.
    std::int64_t WriteText(std::uint32_t identifier, std::string_view text); // 13 + length
    // Raw bytes as they lie in memory; the caller owns their byte order.
    std::int64_t WriteBytes(std::uint32_t identifier, const void* data, std::size_t count);

    // Writes a record: header with a placeholder size, then whatever
    // writeChildren() emits through this writer, then the real size patched
    // in. Returns 12 + the children's totals. The root chunk of a file is
    // written this way too; its size lands at offset 8.
    template <typename Children>
    std::int64_t WriteRecord(std::uint32_t identifier, std::uint32_t version,
                             Children&& writeChildren) {
        const OpenRecord record = BeginRecord(identifier, version);
        writeChildren();
        return EndRecord(record);
    }

    // True when the stream failed or a chunk outgrew the 32-bit size field;
    // what was written is then not a valid document.
    bool Failed() const { return stream_.Failed() || oversized_; }

private:
    struct OpenRecord {
        std::uint64_t sizePosition; // stream offset of the placeholder size
        std::int64_t writtenBefore; // written_ when the record began
    };

    OpenRecord BeginRecord(std::uint32_t identifier, std::uint32_t version);
    std::int64_t EndRecord(const OpenRecord& record);
    void PutHeader(std::uint32_t identifier, std::uint32_t version, std::uint64_t size);
    void PutWord(std::uint32_t word);
    void Put(const void* data, std::size_t count);

    ChunkStream& stream_;
    // Bytes this writer has emitted or would have emitted on a healthy
    // stream; record sizes are taken from it, not from stream positions.
    std::int64_t written_ = 0;
    bool oversized_ = false;
};

} // namespace tarn
