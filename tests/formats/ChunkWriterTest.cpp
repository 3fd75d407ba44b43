#include "formats/ChunkWriter.h"
#include "formats/ChunkFileStream.h"
#include "formats/ChunkMemoryStream.h"
#include "formats/ChunkReader.h"
#include "support/ScratchDirectory.h"

#include "ChunkTestDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarn {
namespace {

using test::ByteBuilder;

TEST(ChunkWriter, LeavesHaveTheirFixedLayoutAndSizes) {
    ChunkMemoryStream stream;
    ChunkWriter writer(stream);
    EXPECT_EQ(writer.WriteInteger(FieldId(0x13), -2), 16);
    EXPECT_EQ(writer.WriteIndex(5), 16);
    EXPECT_EQ(writer.WriteReal(FieldId(0x19), 0.75), 20);
    EXPECT_EQ(writer.WriteRealPair(FieldId(0x07), 0.5, -1.0), 28);
    EXPECT_EQ(writer.WriteText(FieldId(0x01), "abc"), 16);
    EXPECT_EQ(writer.WriteText(FieldId(0x01), ""), 13);
    const std::uint8_t raw[] = {9, 8, 7};
    EXPECT_EQ(writer.WriteBytes(FieldId(0x05), raw, 3), 15);
    EXPECT_EQ(writer.WriteBytes(FieldId(0x05), nullptr, 0), 12);
    EXPECT_FALSE(writer.Failed());

    ByteBuilder expected;
    expected.Raw({0x13, 0x00, 0x00, 0xCA, 0x00, 0x00, 0x00, 0x01, 0x04, 0x00, 0x00, 0x00})
        .Raw({0xFE, 0xFF, 0xFF, 0xFF});
    expected.Raw({0x00, 0x00, 0x00, 0xCA}).Word(kChunkVersion1_0).Word(4).Word(5);
    expected.Header(FieldId(0x19), 8).Raw({0, 0, 0, 0, 0, 0, 0xE8, 0x3F});
    expected.Header(FieldId(0x07), 16).Real(0.5).Real(-1.0);
    expected.Header(FieldId(0x01), 4).Raw({0x61, 0x62, 0x63, 0x00});
    expected.Header(FieldId(0x01), 1).Raw({0x00});
    expected.Header(FieldId(0x05), 3).Raw({9, 8, 7});
    expected.Header(FieldId(0x05), 0);
    EXPECT_EQ(stream.Bytes(), expected.bytes);
}

TEST(ChunkWriter, RecordSizesArePatchedAndTheStreamEndsAfterThem) {
    ChunkMemoryStream stream;
    ChunkWriter writer(stream);
    std::int64_t inner = 0;
    std::int64_t empty = 0;
    const std::int64_t root = writer.WriteRecord(FourLetterId("TARN"), kChunkVersion1_0, [&] {
        empty = writer.WriteRecord(RecordId(0x01), kChunkVersion1_0, [] {});
        inner = writer.WriteRecord(RecordId(0x0D), kChunkVersion1_1, [&] {
            writer.WriteIndex(3);
            writer.WriteRecord(RecordId(0x0E), kChunkVersion1_0,
                               [&] { writer.WriteInteger(FieldId(0x26), 32); });
        });
        writer.WriteInteger(FieldId(0x1C), 0);
    });
    EXPECT_EQ(empty, 12);
    EXPECT_EQ(inner, 12 + 16 + 28);
    EXPECT_EQ(root, 12 + empty + inner + 16);

    ByteBuilder expected;
    expected.Raw({'T', 'A', 'R', 'N'}).Word(kChunkVersion1_0).Word(84);
    expected.Header(RecordId(0x01), 0);
    expected.Raw({0x0D, 0x00, 0x00, 0xCD, 0x00, 0x00, 0x01, 0x01}).Word(44);
    expected.Integer(kIndexFieldId, 3);
    expected.Header(RecordId(0x0E), 16).Integer(FieldId(0x26), 32);
    expected.Integer(FieldId(0x1C), 0);
    EXPECT_EQ(stream.Bytes(), expected.bytes);
    EXPECT_EQ(stream.Position(), stream.Size());
    EXPECT_EQ(static_cast<std::int64_t>(stream.Size()), root);
}

TEST(ChunkWriter, AFailedStreamTakesNothingButSizesStillAddUp) {
    test::ScratchDirectory dir;
    ChunkMemoryStream memory;
    ChunkWriter healthy(memory);
    const std::int64_t expected = test::WriteTestDocument(healthy, test::SampleDocument());

    ChunkFileStream unopened(dir / "no-such-folder" / "song.tarn", ChunkFileStream::Mode::kWrite);
    EXPECT_FALSE(unopened.IsOpen());
    ChunkWriter writer(unopened);
    EXPECT_EQ(test::WriteTestDocument(writer, test::SampleDocument()), expected);
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(unopened.Size(), 0u);
    EXPECT_FALSE(unopened.Close());
    EXPECT_FALSE(std::filesystem::exists(dir / "no-such-folder"));
}

TEST(ChunkWriter, FilesHoldTheSameBytesAsMemoryAndReadBack) {
    test::ScratchDirectory dir;
    ChunkMemoryStream memory;
    ChunkWriter toMemory(memory);
    test::WriteTestDocument(toMemory, test::SampleDocument());

    {
        ChunkFileStream file(dir / "song.tarn", ChunkFileStream::Mode::kWrite);
        ChunkWriter toFile(file);
        test::WriteTestDocument(toFile, test::SampleDocument());
        EXPECT_FALSE(toFile.Failed());
        EXPECT_TRUE(file.Close());
    }
    const std::string onDisk = test::ReadFile(dir / "song.tarn");
    EXPECT_EQ(std::vector<std::uint8_t>(onDisk.begin(), onDisk.end()), memory.Bytes());
    {
        ChunkFileStream file(dir / "song.tarn", ChunkFileStream::Mode::kRead);
        EXPECT_EQ(file.Size(), memory.Size());
        ChunkReader reader(file);
        test::TestDocument read;
        ASSERT_EQ(test::TestDocumentLayout().ReadDocument(reader, test::kTestRoot, read), 1);
        EXPECT_EQ(read.data, test::SampleDocument().data);
        ASSERT_EQ(read.elements.size(), 3u);
        EXPECT_EQ(read.elements[2].name, "five");
        EXPECT_EQ(file.Position(), file.Size());
    }

    // Opening for writing truncates what was there.
    {
        ChunkFileStream file(dir / "song.tarn", ChunkFileStream::Mode::kWrite);
        ChunkWriter(file).WriteIndex(1);
    }
    EXPECT_EQ(test::ReadFile(dir / "song.tarn").size(), 16u);
}

} // namespace
} // namespace tarn
