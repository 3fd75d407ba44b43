#include "base/MessagePipe.h"
#include "formats/ChunkFileStream.h"
#include "formats/ChunkMemoryStream.h"
#include "formats/ChunkReader.h"
#include "support/ScratchDirectory.h"

#include "ChunkTestDocument.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::ByteBuilder;
using test::TestDocument;

// Collects the lines of the error pipe for one test.
class ErrorLines {
public:
    ErrorLines() { ErrorOut().RegisterReceiver(this, &ErrorLines::Receive, kErrorLine); }
    ~ErrorLines() { ErrorOut().UnregisterReceiver(this); }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    static void Receive(void* self, int, const std::string& text) {
        static_cast<ErrorLines*>(self)->lines_.push_back(text);
    }
    std::vector<std::string> lines_;
};

struct Outcome {
    int result = -1;
    ChunkFailure failure = ChunkFailure::kNone;
    std::uint64_t offset = 0;
    std::vector<std::string> errors;
};

Outcome Read(std::vector<std::uint8_t> bytes, TestDocument& document) {
    ErrorLines errors;
    ChunkMemoryStream stream(std::move(bytes), "song.tarn");
    ChunkReader reader(stream);
    Outcome outcome;
    outcome.result = test::TestDocumentLayout().ReadDocument(reader, test::kTestRoot, document);
    outcome.failure = reader.Failure();
    outcome.offset = reader.FailureOffset();
    outcome.errors = errors.Lines();
    return outcome;
}

std::vector<std::uint8_t> SampleBytes() {
    ChunkMemoryStream stream;
    ChunkWriter writer(stream);
    test::WriteTestDocument(writer, test::SampleDocument());
    return stream.Bytes();
}

TEST(ChunkReaderFailure, EveryTruncationStopsWithOneErrorLine) {
    const std::vector<std::uint8_t> whole = SampleBytes();
    for (std::size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        TestDocument read;
        const Outcome outcome =
            Read(std::vector<std::uint8_t>(whole.begin(), whole.begin() + length), read);
        EXPECT_EQ(outcome.result, 0);
        EXPECT_EQ(outcome.failure, ChunkFailure::kEndOfStream);
        ASSERT_EQ(outcome.errors.size(), 1u);
        EXPECT_EQ(
            outcome.errors[0].rfind("error: 'song.tarn' is cut short: the chunk at offset 0", 0),
            0u)
            << outcome.errors[0];
    }

    // A root that claims less than the file holds reads only what it claims.
    std::vector<std::uint8_t> longer = whole;
    longer.insert(longer.end(), {1, 2, 3});
    TestDocument read;
    EXPECT_EQ(Read(longer, read).result, 1);
    EXPECT_EQ(read.grouped, 77);
}

TEST(ChunkReaderFailure, AChildLargerThanWhatItsRecordHasLeftStopsTheRead) {
    ByteBuilder bytes;
    bytes.Header(test::kTestRoot, 12 + 16 + 16 + 16)
        .Header(test::kGroupRecord, 16)
        .Header(test::kGroupedField, 20) // claims 20 of the 16 left, and lies within the file
        .Word(1)
        .Integer(test::kNumberField, 2)
        .Integer(test::kNumberField, 3);
    TestDocument read;
    const Outcome outcome = Read(bytes.bytes, read);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.failure, ChunkFailure::kOverrun);
    EXPECT_EQ(outcome.offset, 24u);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0],
              "error: 'song.tarn' is corrupt: the chunk at offset 24 does not fit in its record");
    EXPECT_EQ(read.grouped, -1);
    EXPECT_EQ(read.number, -1); // nothing after the failure is read

    // A record whose last bytes are too few for another child header.
    ByteBuilder ragged;
    ragged.Header(test::kTestRoot, 16 + 3).Integer(test::kNumberField, 4).Raw({1, 2, 3});
    const Outcome raggedOutcome = Read(ragged.bytes, read);
    EXPECT_EQ(raggedOutcome.failure, ChunkFailure::kOverrun);
    EXPECT_EQ(raggedOutcome.offset, 28u);
    EXPECT_EQ(read.number, 4);
}

TEST(ChunkReaderFailure, AbsurdSizesAreRefusedBeforeAnythingIsAllocated) {
    for (const std::uint32_t identifier : {test::kBytesField, test::kTextField, test::kNumberField,
                                           FieldId(0x7F), test::kElementRecord, RecordId(0x7F)}) {
        SCOPED_TRACE(identifier);
        ByteBuilder bytes;
        bytes.Header(test::kTestRoot, 0xFFFFFFF0).Header(identifier, 0xFFFFFFFF).Word(0);
        TestDocument read;
        // The root itself claims more than the stream holds.
        Outcome outcome = Read(bytes.bytes, read);
        EXPECT_EQ(outcome.failure, ChunkFailure::kEndOfStream);
        EXPECT_EQ(outcome.offset, 0u);

        // With an honest root the child's claim is caught against the root.
        bytes.bytes[8] = 16;
        bytes.bytes[9] = bytes.bytes[10] = bytes.bytes[11] = 0;
        outcome = Read(bytes.bytes, read);
        EXPECT_EQ(outcome.failure, ChunkFailure::kOverrun);
        EXPECT_EQ(outcome.offset, 12u);
        EXPECT_TRUE(read.data.empty());
        EXPECT_TRUE(read.text.empty());
        EXPECT_TRUE(read.elements.size() <= 1);
    }

    // The same claim met by a reader called directly, with no record around it.
    ByteBuilder leaf;
    leaf.Word(kChunkVersion1_0).Word(0x7FFFFFFF).Raw({1, 2, 3, 4});
    ChunkMemoryStream stream(leaf.bytes);
    ChunkReader reader(stream);
    std::vector<std::uint8_t> block = {9};
    EXPECT_EQ(reader.ReadBytes(block), -1);
    EXPECT_EQ(reader.Failure(), ChunkFailure::kEndOfStream);
    EXPECT_EQ(block, std::vector<std::uint8_t>{9});
    std::int32_t integer = 5;
    EXPECT_EQ(reader.ReadInteger(integer), -1); // failures are final
    EXPECT_EQ(integer, 5);
}

TEST(ChunkReaderFailure, WrongRootUnreadableFileAndRefusedChildAreReported) {
    std::vector<std::uint8_t> bytes = SampleBytes();
    bytes[3] = 'X';
    TestDocument read;
    Outcome outcome = Read(bytes, read);
    EXPECT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.failure, ChunkFailure::kWrongIdentifier);
    ASSERT_EQ(outcome.errors.size(), 1u);
    EXPECT_EQ(outcome.errors[0], "error: 'song.tarn' does not begin with 'TARN'");
    EXPECT_EQ(read.number, -1);

    test::ScratchDirectory dir;
    const std::filesystem::path missing = dir / "missing.tarn";
    ChunkFileStream file(missing, ChunkFileStream::Mode::kRead);
    EXPECT_FALSE(file.IsOpen());
    ChunkReader fileReader(file);
    {
        ErrorLines errors;
        EXPECT_EQ(test::TestDocumentLayout().ReadDocument(fileReader, test::kTestRoot, read), 0);
        ASSERT_EQ(errors.Lines().size(), 1u);
        EXPECT_EQ(errors.Lines()[0],
                  "error: '" + missing.string() + "' could not be read: " + std::strerror(ENOENT));
    }

    // A child reader that refuses what it finds ends the read at that chunk.
    const auto refusing = ChunkLayout<TestDocument>().Custom(
        test::kNumberField, [](ChunkReader& reader, TestDocument& document, std::uint32_t) {
            const std::int64_t consumed = reader.ReadInteger(document.number);
            return document.number < 0 ? -1 : consumed;
        });
    ByteBuilder negative;
    negative.Header(test::kTestRoot, 32)
        .Integer(test::kNumberField, -3)
        .Integer(test::kNumberField, 1);
    ChunkMemoryStream stream(negative.bytes);
    ChunkReader reader(stream);
    ErrorLines errors;
    EXPECT_EQ(refusing.ReadDocument(reader, test::kTestRoot, read), 0);
    EXPECT_EQ(reader.Failure(), ChunkFailure::kRejected);
    EXPECT_EQ(reader.FailureOffset(), 12u);
    EXPECT_EQ(read.number, -3);
    EXPECT_EQ(errors.Lines().size(), 1u);
}

} // namespace
} // namespace tarn
