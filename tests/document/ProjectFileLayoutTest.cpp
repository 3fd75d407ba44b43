#include "document/ProjectChunkIds.h"
#include "document/ProjectFileWriter.h"
#include "formats/ChunkMemoryStream.h"

#include "formats/ChunkTestDocument.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::ByteBuilder;

// Helpers that spell out chunks by hand, independent of the writer.
ByteBuilder Record(std::uint32_t identifier, const ByteBuilder& children,
                   std::uint32_t version = kChunkVersion1_0) {
    ByteBuilder record;
    record.Header(identifier, static_cast<std::uint32_t>(children.bytes.size()), version)
        .Append(children);
    return record;
}

ByteBuilder& RealField(ByteBuilder& builder, std::uint32_t identifier, double value) {
    return builder.Header(identifier, 8).Real(value);
}

ByteBuilder& TextField(ByteBuilder& builder, std::uint32_t identifier, const std::string& text) {
    builder.Header(identifier, static_cast<std::uint32_t>(text.size() + 1));
    builder.bytes.insert(builder.bytes.end(), text.begin(), text.end());
    return builder.Raw({0});
}

std::vector<std::uint8_t> Written(const ProjectDocument& document, std::int64_t& size) {
    ChunkMemoryStream stream;
    size = WriteProjectDocument(stream, document);
    return stream.Bytes();
}

ProjectDocument NewProjectValues() {
    ProjectDocument document;
    document.selection = {0, 0};
    document.editedNode = 0;
    document.songStart = 0.0;
    document.songEnd = 4.0;
    document.loopStart = 0.0;
    document.loopEnd = 4.0;
    return document;
}

ByteBuilder SongSettings(const ProjectDocument& document, const ByteBuilder& order = {}) {
    namespace song = project_chunk::song;
    ByteBuilder children;
    RealField(children, song::kSongStart, document.songStart);
    RealField(children, song::kSongEnd, document.songEnd);
    RealField(children, song::kLoopStart, document.loopStart);
    RealField(children, song::kLoopEnd, document.loopEnd);
    return Record(project_chunk::root::kSongSettings, children.Append(order));
}

TEST(ProjectFileLayout, EmptyProjectIsWrittenByteForByte) {
    const ProjectDocument document = NewProjectValues();
    std::int64_t size = 0;
    const auto bytes = Written(document, size);

    ByteBuilder expected;
    expected.Raw({'T', 'A', 'R', 'N', 0x00, 0x00, 0x00, 0x01});
    expected.Word(48 + 12 + 12 + 92);
    expected.Integer(FieldId(0x1C), 0).Integer(FieldId(0x1D), 0).Integer(FieldId(0x1E), 0);
    // The empty wave list and machine graph: 12 bytes each, size 0.
    expected.Raw({0x01, 0x00, 0x00, 0xCD, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00});
    expected.Header(RecordId(0x03), 0);
    expected.Append(SongSettings(document));
    EXPECT_EQ(bytes, expected.bytes);
    EXPECT_EQ(size, 12 + 164);
}

TEST(ProjectFileLayout, EveryRecordKeepsItsFieldOrderVersionAndSizes) {
    ProjectDocument document = NewProjectValues();
    WaveDoc wave;
    wave.index = 4;
    wave.name = "hat";
    wave.format = {32, 44100, 1, 1};
    wave.channels = {{0, {0x00, 0x00, 0x80, 0x3F}}};
    wave.loopPoints = {{0, 0.0, 1.0, 2, false}};
    document.waves = {wave};
    MachineDoc machine;
    machine.id = 3;
    machine.trackCount = 2;
    machine.name = "abc";
    machine.typeName = "Tarn Analog Bass";
    machine.x = 0.25;
    machine.y = 0.75;
    machine.state = {9, 8};
    machine.editorState = {1, 2};
    machine.currentPattern = 5;
    machine.sequenceTracks = {{1, 30, {6, 7, 8}, {{5, 16.0, 8.0, 12.0}}}};
    PatternDoc pattern;
    pattern.index = 5;
    pattern.name = "";
    pattern.ticksPerBeat = 4;
    pattern.length = 8;
    pattern.colour = 0xFAFAFA;
    pattern.editorState = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    pattern.events = {{3, 1, 2, 7, 0.5, 60.0, 0.25, 0.8}};
    machine.patterns = {pattern};
    machine.parameterValues = {{3, 1, 2, 0.5, -1}};
    document.machines = {machine};
    document.connections = {{1, 3, 0}};
    document.channelConnections = {{2, 1, 3, 0, 1, 0}};
    document.nodeOrder = {{0, 3}};
    std::int64_t size = 0;
    const auto bytes = Written(document, size);

    namespace ids = project_chunk;
    ByteBuilder format;
    format.Integer(FieldId(0x26), 32).Integer(FieldId(0x27), 44100);
    format.Integer(FieldId(0x35), 1).Integer(FieldId(0x04), 1);
    ByteBuilder data;
    data.Integer(kIndexFieldId, 0).Header(FieldId(0x05), 4).Raw({0x00, 0x00, 0x80, 0x3F});
    ByteBuilder loop;
    loop.Integer(kIndexFieldId, 0);
    RealField(loop, FieldId(0x32), 0.0);
    RealField(loop, FieldId(0x33), 1.0).Integer(FieldId(0x34), 2);
    ByteBuilder waveChildren;
    TextField(waveChildren.Integer(kIndexFieldId, 4), FieldId(0x01), "hat");
    waveChildren.Append(Record(RecordId(0x0E), format))
        .Append(Record(RecordId(0x0F), data, kChunkVersion1_1))
        .Append(Record(RecordId(0x0D), loop, kChunkVersion1_1));

    ByteBuilder entry;
    entry.Integer(FieldId(0x1B), 5);
    RealField(entry, FieldId(0x18), 16.0);
    RealField(entry, FieldId(0x0C), 8.0);
    RealField(entry, FieldId(0x31), 12.0);
    ByteBuilder track;
    track.Integer(FieldId(0x38), 6).Integer(FieldId(0x39), 7).Integer(FieldId(0x3A), 8);
    track.Integer(FieldId(0x20), 30).Integer(kIndexFieldId, 1);
    track.Append(Record(RecordId(0x0A), entry));
    ByteBuilder event;
    event.Integer(FieldId(0x15), 3).Integer(FieldId(0x16), 1).Integer(FieldId(0x17), 2);
    event.Integer(FieldId(0x18), 7);
    RealField(event, FieldId(0x19), 0.5);
    RealField(event, FieldId(0x1A), 60.0);
    RealField(event, FieldId(0x28), 0.25);
    RealField(event, FieldId(0x2D), 0.8);
    ByteBuilder patternChildren;
    TextField(patternChildren.Integer(kIndexFieldId, 5), FieldId(0x01), "");
    patternChildren.Integer(FieldId(0x12), 4).Integer(FieldId(0x0C), 8);
    patternChildren.Integer(FieldId(0x3B), 0xFAFAFA);
    const std::uint32_t editorIds[] = {0x0D, 0x0E, 0x0F, 0x1F, 0x10, 0x11,
                                       0x22, 0x21, 0x23, 0x25, 0x24};
    for (int i = 0; i < 11; ++i) {
        patternChildren.Integer(FieldId(editorIds[i]), i);
    }
    patternChildren.Append(Record(RecordId(0x07), event));
    ByteBuilder parameter;
    parameter.Integer(FieldId(0x15), 3).Integer(FieldId(0x16), 1).Integer(kIndexFieldId, 2);
    RealField(parameter, FieldId(0x1A), 0.5).Integer(FieldId(0x3C), -1);
    ByteBuilder machineChildren;
    machineChildren.Integer(kIndexFieldId, 3).Integer(FieldId(0x08), 2);
    TextField(machineChildren, FieldId(0x01), "abc");
    TextField(machineChildren, FieldId(0x06), "Tarn Analog Bass");
    machineChildren.Header(FieldId(0x07), 16).Real(0.25).Real(0.75);
    machineChildren.Header(FieldId(0x05), 2).Raw({9, 8});
    machineChildren.Integer(FieldId(0x09), 1).Integer(FieldId(0x0A), 2);
    machineChildren.Integer(FieldId(0x0B), 5);
    machineChildren.Append(Record(RecordId(0x09), track))
        .Append(Record(RecordId(0x06), patternChildren))
        .Append(Record(RecordId(0x05), parameter));

    ByteBuilder connection;
    connection.Integer(kIndexFieldId, 1).Integer(FieldId(0x13), 3).Integer(FieldId(0x14), 0);
    ByteBuilder route;
    route.Integer(kIndexFieldId, 2).Integer(FieldId(0x30), 1).Integer(FieldId(0x13), 3);
    route.Integer(FieldId(0x14), 0).Integer(FieldId(0x2E), 1).Integer(FieldId(0x2F), 0);
    ByteBuilder graph;
    graph.Append(Record(RecordId(0x04), machineChildren))
        .Append(Record(RecordId(0x08), connection))
        .Append(Record(RecordId(0x0C), route));
    ByteBuilder order;
    order.Integer(kIndexFieldId, 0).Integer(FieldId(0x36), 3);

    ByteBuilder rootChildren;
    rootChildren.Integer(FieldId(0x1C), 0).Integer(FieldId(0x1D), 0).Integer(FieldId(0x1E), 0);
    rootChildren.Append(Record(RecordId(0x01), Record(RecordId(0x02), waveChildren)))
        .Append(Record(RecordId(0x03), graph))
        .Append(SongSettings(document, Record(RecordId(0x10), order)));
    const ByteBuilder expected = Record(ids::kRoot, rootChildren);
    EXPECT_EQ(bytes, expected.bytes);
    EXPECT_EQ(size, static_cast<std::int64_t>(bytes.size()));

    // A connection record is 60 bytes: a 12-byte header with size 48, then
    // three integer fields.
    const ByteBuilder connectionRecord = Record(RecordId(0x08), connection);
    ASSERT_EQ(connectionRecord.bytes.size(), 60u);
    EXPECT_EQ(connectionRecord.bytes[8], 48);
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), connectionRecord.bytes.begin(),
                          connectionRecord.bytes.end()),
              bytes.end());
}

TEST(ProjectFileLayout, AFailedStreamIsReportedAsAFailedWrite) {
    // A stream that has failed takes nothing; the writer must not report
    // a size as if the document had been written.
    struct BrokenStream final : ChunkStream {
        BrokenStream() : ChunkStream("broken") {}
        bool Read(void*, std::size_t) override { return false; }
        bool Write(const void*, std::size_t) override {
            MarkFailed();
            return false;
        }
        bool Seek(std::uint64_t) override { return false; }
        std::uint64_t Position() const override { return 0; }
        std::uint64_t Size() const override { return 0; }
    } stream;
    EXPECT_EQ(WriteProjectDocument(stream, NewProjectValues()), -1);
}

} // namespace
} // namespace tarn
