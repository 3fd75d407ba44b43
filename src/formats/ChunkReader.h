#pragma once

#include "formats/ChunkStream.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarn {

// Why a reader stopped. The first failure is kept; every later read fails.
enum class ChunkFailure {
    kNone,
    kUnreadable,      // the stream could not be opened or a read failed
    kWrongIdentifier, // the document does not start with the expected root identifier
    kEndOfStream,     // a chunk reaches past the end of the stream
    kOverrun,         // a chunk reaches past the end of the record that holds it
    kRejected,        // a child reader refused a chunk it knew
};

// What a child reader returns for an identifier its record does not know:
// the chunk is then skipped, whatever its kind and size.
inline constexpr std::int64_t kUnknownChunk = -2;

// Reads chunks from a stream. Each read operation is called once the
// caller has read a chunk's identifier and decided what the chunk is; it
// returns the bytes consumed after the identifier (payload size + 8) or -1
// once the reader has failed.
//
// Every size a chunk claims is checked against what is left of the record
// holding it and of the stream before anything is read or allocated, so a
// corrupt or hostile file can never make the reader allocate more than the
// file holds, read across a record boundary, or loop. A field is always
// consumed with its stored size, so the stream stays on the chunk grid:
// a field longer than its kind is read from its start and the rest skipped;
// one shorter than its kind leaves the slot at its missing value.
class ChunkReader {
public:
    // Reads one child of a record. recordVersion is the version of the
    // record being read, for children whose layout changed between versions.
    using ChildReader =
        std::function<std::int64_t(std::uint32_t identifier, std::uint32_t recordVersion)>;

    explicit ChunkReader(ChunkStream& stream);

    bool ReadIdentifier(std::uint32_t& identifier);
    // Reads the root identifier and fails unless it is the expected one.
    bool ExpectIdentifier(std::uint32_t identifier);

    // Slots are changed only by a complete read of a long enough field.
    std::int64_t ReadInteger(std::int32_t& slot);
    std::int64_t ReadReal(double& slot);
    std::int64_t ReadRealPair(double& first, double& second);
    // The text up to its first zero byte; size 0 gives the empty text.
    std::int64_t ReadText(std::string& text);
    // The whole payload as a new block.
    std::int64_t ReadBytes(std::vector<std::uint8_t>& block);
    std::int64_t Skip();
    // Reads version and size, then hands each child's identifier to
    // readChild until the record's payload is used up. A child reader
    // returning a negative value other than kUnknownChunk ends the read with
    // a failure.
    std::int64_t ReadRecord(const ChildReader& readChild);

    bool Failed() const { return failure_ != ChunkFailure::kNone; }
    ChunkFailure Failure() const { return failure_; }
    // Stream offset of the chunk being read when the failure happened.
    std::uint64_t FailureOffset() const { return failureOffset_; }
    // One sentence naming the stream, what went wrong and where.
    std::string FailureText() const;
    // Writes "error: " and the failure text to the error pipe; returns 0.
    int ReportFailure() const;

private:
    bool ReadRaw(void* data, std::uint64_t count);
    bool SkipRaw(std::uint64_t count);
    bool ReadWord(std::uint32_t& word);
    // Fails unless count more bytes lie within the record and the stream.
    bool CheckFits(std::uint64_t count);
    // Reads version and size and checks that the payload fits.
    bool ReadHeaderRest(std::uint32_t& version, std::uint32_t& size);
    // Reads a field of a fixed-width kind into buffer; present is false
    // when the stored payload is shorter than the kind.
    std::int64_t ReadFixed(std::uint8_t* buffer, std::uint32_t width, bool& present);
    void Fail(ChunkFailure failure);

    ChunkStream& stream_;
    // Absolute end of the innermost record being read.
    std::uint64_t limit_;
    // Offset of the chunk whose identifier was read last.
    std::uint64_t chunkStart_ = 0;
    ChunkFailure failure_ = ChunkFailure::kNone;
    std::uint64_t failureOffset_ = 0;
    // The root identifier asked for, named in the failure text.
    std::uint32_t expectedRoot_ = 0;
};

} // namespace tarn
