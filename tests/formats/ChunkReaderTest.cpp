#include "formats/ChunkReader.h"
#include "formats/ChunkMemoryStream.h"

#include "ChunkTestDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tarn {
namespace {

using test::ByteBuilder;
using test::TestDocument;
using test::TestElement;

std::vector<std::uint8_t> Written(const TestDocument& document) {
    ChunkMemoryStream stream;
    ChunkWriter writer(stream);
    test::WriteTestDocument(writer, document);
    return stream.Bytes();
}

int ReadFrom(std::vector<std::uint8_t> bytes, TestDocument& document) {
    ChunkMemoryStream stream(std::move(bytes));
    ChunkReader reader(stream);
    return test::TestDocumentLayout().ReadDocument(reader, test::kTestRoot, document);
}

void ExpectSameElement(const TestElement& read, const TestElement& written) {
    EXPECT_EQ(read.index, written.index);
    EXPECT_EQ(read.value, written.value);
    EXPECT_EQ(read.name, written.name);
}

TEST(ChunkReader, EveryLeafKindAndRecordShapeRoundTrips) {
    TestDocument written = test::SampleDocument();
    TestDocument read;
    ASSERT_EQ(ReadFrom(Written(written), read), 1);
    EXPECT_EQ(read.number, written.number);
    EXPECT_EQ(read.real, written.real);
    EXPECT_EQ(read.x, written.x);
    EXPECT_EQ(read.y, written.y);
    EXPECT_EQ(read.text, written.text);
    EXPECT_EQ(read.data, written.data);
    ExpectSameElement(read.nested, written.nested);
    ASSERT_EQ(read.elements.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        ExpectSameElement(read.elements[i], written.elements[i]);
    }
    EXPECT_EQ(read.grouped, 77);

    // Extremes of each kind keep every bit.
    written.number = std::numeric_limits<std::int32_t>::min();
    written.real = -0.0;
    written.x = std::numeric_limits<double>::denorm_min();
    written.y = std::numeric_limits<double>::infinity();
    written.nested.value = std::numeric_limits<double>::quiet_NaN();
    written.text.clear();
    written.data.clear();
    written.elements.clear();
    TestDocument extremes;
    ASSERT_EQ(ReadFrom(Written(written), extremes), 1);
    EXPECT_EQ(extremes.number, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(std::signbit(extremes.real));
    EXPECT_EQ(extremes.x, std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(extremes.y, std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(extremes.nested.value));
    EXPECT_TRUE(extremes.text.empty());
    EXPECT_TRUE(extremes.data.empty());
    EXPECT_TRUE(extremes.elements.empty());
}

TEST(ChunkReader, MissingChildrenKeepTheirMissingValues) {
    ByteBuilder bytes;
    bytes.Header(test::kTestRoot, 12 + 16 + 12 + 16)
        .Header(test::kElementRecord, 16)
        .Integer(kIndexFieldId, 2)
        .Header(test::kElementRecord, 0)
        .Integer(test::kNumberField, 9);
    TestDocument read;
    ASSERT_EQ(ReadFrom(bytes.bytes, read), 1);
    EXPECT_EQ(read.number, 9);
    EXPECT_EQ(read.real, -1.0);
    EXPECT_EQ(read.x, -1.0);
    EXPECT_EQ(read.y, -1.0);
    EXPECT_EQ(read.grouped, -1);
    EXPECT_EQ(read.nested.index, -1);
    ASSERT_EQ(read.elements.size(), 2u);
    EXPECT_EQ(read.elements[0].index, 2);
    EXPECT_EQ(read.elements[0].value, -1.0);
    EXPECT_EQ(read.elements[1].index, -1);
    EXPECT_TRUE(read.elements[1].name.empty());
}

TEST(ChunkReader, UnknownChildrenOfAnyKindAndSizeAreSkipped) {
    ByteBuilder unknown;
    unknown.Integer(FieldId(0x7F), 1);                           // unknown integer
    unknown.Header(FieldId(0x7E), 7).Raw({1, 2, 3, 4, 5, 6, 7}); // odd size
    unknown.Header(FieldId(0x7D), 0);                            // empty payload
    unknown
        .Header(RecordId(0x7F), 12 + 16 + 16) // subtree that would
        .Header(test::kGroupRecord, 16)       // set fields if it
        .Integer(test::kGroupedField, 1)      // were descended
        .Integer(test::kNumberField, 1);
    unknown.Header(FourLetterId("JUNK"), 3).Raw({0, 0, 0}); // neither class
    const auto size = static_cast<std::uint32_t>(unknown.bytes.size());

    ByteBuilder bytes;
    bytes.Header(test::kTestRoot, 16 + size + 12 + size + 44 + size + 16)
        .Integer(test::kNumberField, 5);
    bytes.Append(unknown);
    bytes.Header(test::kElementRecord, size + 44);
    bytes.Append(unknown);
    bytes.Header(test::kTextField, 16)
        .Raw({'n', 'a', 'm', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    bytes.Integer(kIndexFieldId, 4);
    bytes.Append(unknown);
    bytes.Integer(test::kGroupedField, 3); // known only inside the group record

    TestDocument read;
    ASSERT_EQ(ReadFrom(bytes.bytes, read), 1);
    EXPECT_EQ(read.number, 5);
    EXPECT_EQ(read.grouped, -1);
    ASSERT_EQ(read.elements.size(), 1u);
    EXPECT_EQ(read.elements[0].name, "name");
    EXPECT_EQ(read.elements[0].index, 4);
}

TEST(ChunkReader, FieldSizesThatDifferFromTheKindKeepTheStreamOnTheChunkGrid) {
    ByteBuilder bytes;
    bytes.Header(test::kTestRoot, 20 + 12 + 24 + 28 + 15);
    bytes.Header(test::kNumberField, 8).Word(42).Word(0xDEADBEEF); // longer: leading value
    bytes.Header(test::kRealField, 0);                             // shorter: stays missing
    bytes.Header(test::kPairField, 12).Real(3.0).Word(0);          // shorter than a pair
    bytes.Header(test::kGroupRecord, 16).Integer(test::kGroupedField, 8);
    bytes.Header(test::kTextField, 3).Raw({'a', 'b', 'c'}); // no trailing zero
    TestDocument read;
    ASSERT_EQ(ReadFrom(bytes.bytes, read), 1);
    EXPECT_EQ(read.number, 42);
    EXPECT_EQ(read.real, -1.0);
    EXPECT_EQ(read.x, -1.0);
    EXPECT_EQ(read.y, -1.0);
    EXPECT_EQ(read.grouped, 8);
    EXPECT_EQ(read.text, "abc");
}

TEST(ChunkReader, OperationsReturnTheBytesAfterTheIdentifier) {
    ByteBuilder bytes;
    bytes.Word(kChunkVersion1_0).Word(4).Word(7);
    bytes.Word(kChunkVersion1_0).Word(0);                               // text of size 0
    bytes.Word(kChunkVersion1_0).Word(6).Raw({'a', 0, 'b', 'c', 0, 0}); // text with a zero
    bytes.Word(kChunkVersion1_1).Word(0);                               // empty record
    bytes.Word(kChunkVersion1_0).Word(5).Raw({1, 2, 3, 4, 5});          // skipped
    ChunkMemoryStream stream(bytes.bytes);
    ChunkReader reader(stream);
    std::int32_t integer = -1;
    EXPECT_EQ(reader.ReadInteger(integer), 12);
    EXPECT_EQ(integer, 7);
    std::string text = "old";
    EXPECT_EQ(reader.ReadText(text), 8);
    EXPECT_EQ(text, "");
    EXPECT_EQ(reader.ReadText(text), 14);
    EXPECT_EQ(text, "a");
    int children = 0;
    EXPECT_EQ(reader.ReadRecord([&](std::uint32_t, std::uint32_t) {
        ++children;
        return kUnknownChunk;
    }),
              8);
    EXPECT_EQ(children, 0);
    EXPECT_EQ(reader.Skip(), 13);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_FALSE(reader.Failed());
}

// A child whose layout depends on the record's version: version 1.0
// records stored this value as an integer, later ones as a real.
TEST(ChunkReader, CustomChildrenSeeTheVersionOfTheirRecord) {
    const auto layout = ChunkLayout<TestElement>().Custom(
        test::kRealField, [](ChunkReader& reader, TestElement& element, std::uint32_t version) {
            if (version != kChunkVersion1_0) {
                return reader.ReadReal(element.value);
            }
            std::int32_t stored = -1;
            const std::int64_t consumed = reader.ReadInteger(stored);
            element.value = stored;
            return consumed;
        });
    ByteBuilder bytes;
    bytes.Header(test::kElementRecord, 16, kChunkVersion1_0).Integer(test::kRealField, 12);
    bytes.Header(test::kElementRecord, 20, kChunkVersion1_1).Header(test::kRealField, 8).Real(0.5);
    ChunkMemoryStream stream(bytes.bytes);
    ChunkReader reader(stream);
    TestElement old;
    TestElement current;
    std::uint32_t identifier = 0;
    ASSERT_TRUE(reader.ReadIdentifier(identifier));
    EXPECT_EQ(layout.Read(reader, old), 24);
    ASSERT_TRUE(reader.ReadIdentifier(identifier));
    EXPECT_EQ(layout.Read(reader, current), 28);
    EXPECT_EQ(old.value, 12.0);
    EXPECT_EQ(current.value, 0.5);
}

} // namespace
} // namespace tarn
