#include "formats/ChunkReader.h"

#include "base/MessagePipe.h"
#include "formats/ChunkEndian.h"
#include "formats/ChunkIds.h"

#include <bit>
#include <cstdio>
#include <limits>

namespace tarn {
namespace {

// Four printable letters as themselves, anything else in hex.
std::string IdentifierText(std::uint32_t identifier) {
    std::string letters;
    for (int i = 0; i < 4; ++i) {
        const char letter = static_cast<char>(identifier >> (8 * i));
        if (letter < 0x20 || letter > 0x7E) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "0x%08X", identifier);
            return hex;
        }
        letters += letter;
    }
    return letters;
}

} // namespace

ChunkReader::ChunkReader(ChunkStream& stream)
    : stream_(stream), limit_(std::numeric_limits<std::uint64_t>::max()) {
    chunkStart_ = stream_.Position();
    if (stream_.Failed()) {
        Fail(ChunkFailure::kUnreadable);
    }
}

bool ChunkReader::ReadIdentifier(std::uint32_t& identifier) {
    chunkStart_ = stream_.Position();
    return ReadWord(identifier);
}

bool ChunkReader::ExpectIdentifier(std::uint32_t identifier) {
    expectedRoot_ = identifier;
    std::uint32_t found = 0;
    if (!ReadIdentifier(found)) {
        return false;
    }
    if (found != identifier) {
        Fail(ChunkFailure::kWrongIdentifier);
        return false;
    }
    return true;
}

std::int64_t ChunkReader::ReadInteger(std::int32_t& slot) {
    std::uint8_t buffer[4];
    bool present = false;
    const std::int64_t consumed = ReadFixed(buffer, sizeof buffer, present);
    if (consumed >= 0 && present) {
        slot = static_cast<std::int32_t>(LoadLittleEndian32(buffer));
    }
    return consumed;
}

std::int64_t ChunkReader::ReadReal(double& slot) {
    std::uint8_t buffer[8];
    bool present = false;
    const std::int64_t consumed = ReadFixed(buffer, sizeof buffer, present);
    if (consumed >= 0 && present) {
        slot = std::bit_cast<double>(LoadLittleEndian64(buffer));
    }
    return consumed;
}

std::int64_t ChunkReader::ReadRealPair(double& first, double& second) {
    std::uint8_t buffer[16];
    bool present = false;
    const std::int64_t consumed = ReadFixed(buffer, sizeof buffer, present);
    if (consumed >= 0 && present) {
        first = std::bit_cast<double>(LoadLittleEndian64(buffer));
        second = std::bit_cast<double>(LoadLittleEndian64(buffer + 8));
    }
    return consumed;
}

std::int64_t ChunkReader::ReadText(std::string& text) {
    std::uint32_t version = 0;
    std::uint32_t size = 0;
    if (!ReadHeaderRest(version, size)) {
        return -1;
    }
    std::string stored(size, '\0');
    if (!ReadRaw(stored.data(), size)) {
        return -1;
    }
    const std::size_t zero = stored.find('\0');
    if (zero != std::string::npos) {
        stored.resize(zero);
    }
    text = std::move(stored);
    return std::int64_t{size} + 8;
}

std::int64_t ChunkReader::ReadBytes(std::vector<std::uint8_t>& block) {
    std::uint32_t version = 0;
    std::uint32_t size = 0;
    if (!ReadHeaderRest(version, size)) {
        return -1;
    }
    std::vector<std::uint8_t> stored(size);
    if (!ReadRaw(stored.data(), size)) {
        return -1;
    }
    block = std::move(stored);
    return std::int64_t{size} + 8;
}

std::int64_t ChunkReader::Skip() {
    std::uint32_t version = 0;
    std::uint32_t size = 0;
    if (!ReadHeaderRest(version, size) || !SkipRaw(size)) {
        return -1;
    }
    return std::int64_t{size} + 8;
}

std::int64_t ChunkReader::ReadRecord(const ChildReader& readChild) {
    std::uint32_t version = 0;
    std::uint32_t size = 0;
    if (!ReadHeaderRest(version, size)) {
        return -1;
    }
    const std::uint64_t outerLimit = limit_;
    limit_ = stream_.Position() + size;
    // Every pass reads at least an identifier, so the loop always ends.
    while (!Failed() && stream_.Position() < limit_) {
        std::uint32_t identifier = 0;
        if (!ReadIdentifier(identifier)) {
            break;
        }
        const std::uint64_t childStart = chunkStart_;
        std::int64_t consumed = readChild(identifier, version);
        if (consumed == kUnknownChunk) {
            consumed = Skip();
        }
        if (consumed < 0 && !Failed()) {
            chunkStart_ = childStart;
            Fail(ChunkFailure::kRejected);
        }
    }
    limit_ = outerLimit;
    return Failed() ? -1 : std::int64_t{size} + 8;
}

std::string ChunkReader::FailureText() const {
    const std::string name = "'" + stream_.Name() + "'";
    const std::string chunk = "the chunk at offset " + std::to_string(failureOffset_);
    switch (failure_) {
    case ChunkFailure::kNone:
        break;
    case ChunkFailure::kUnreadable:
        if (const std::string problem = stream_.Problem(); !problem.empty()) {
            return name + " could not be read: " + problem;
        }
        return name + " could not be read";
    case ChunkFailure::kWrongIdentifier:
        return name + " does not begin with '" + IdentifierText(expectedRoot_) + "'";
    case ChunkFailure::kEndOfStream:
        return name + " is cut short: " + chunk + " reaches past its end";
    case ChunkFailure::kOverrun:
        return name + " is corrupt: " + chunk + " does not fit in its record";
    case ChunkFailure::kRejected:
        return name + " is corrupt: " + chunk + " holds an unusable value";
    }
    return name + " was read without failure";
}

int ChunkReader::ReportFailure() const {
    ErrorOut() << "error: " << FailureText() << eol;
    return 0;
}

bool ChunkReader::ReadRaw(void* data, std::uint64_t count) {
    if (!CheckFits(count)) {
        return false;
    }
    if (count > 0 && !stream_.Read(data, count)) {
        Fail(ChunkFailure::kUnreadable);
        return false;
    }
    return true;
}

bool ChunkReader::SkipRaw(std::uint64_t count) {
    if (!CheckFits(count)) {
        return false;
    }
    if (!stream_.Seek(stream_.Position() + count)) {
        Fail(ChunkFailure::kUnreadable);
        return false;
    }
    return true;
}

bool ChunkReader::ReadWord(std::uint32_t& word) {
    std::uint8_t bytes[4];
    if (!ReadRaw(bytes, sizeof bytes)) {
        return false;
    }
    word = LoadLittleEndian32(bytes);
    return true;
}

bool ChunkReader::CheckFits(std::uint64_t count) {
    if (Failed()) {
        return false;
    }
    const std::uint64_t position = stream_.Position();
    if (position > limit_ || count > limit_ - position) {
        Fail(ChunkFailure::kOverrun);
        return false;
    }
    const std::uint64_t size = stream_.Size();
    if (position > size || count > size - position) {
        Fail(ChunkFailure::kEndOfStream);
        return false;
    }
    return true;
}

bool ChunkReader::ReadHeaderRest(std::uint32_t& version, std::uint32_t& size) {
    return ReadWord(version) && ReadWord(size) && CheckFits(size);
}

std::int64_t ChunkReader::ReadFixed(std::uint8_t* buffer, std::uint32_t width, bool& present) {
    std::uint32_t version = 0;
    std::uint32_t size = 0;
    present = false;
    if (!ReadHeaderRest(version, size)) {
        return -1;
    }
    present = size >= width;
    if (present && !ReadRaw(buffer, width)) {
        return -1;
    }
    if (!SkipRaw(present ? size - width : size)) {
        return -1;
    }
    return std::int64_t{size} + 8;
}

void ChunkReader::Fail(ChunkFailure failure) {
    if (!Failed()) {
        failure_ = failure;
        failureOffset_ = chunkStart_;
    }
}

} // namespace tarn
