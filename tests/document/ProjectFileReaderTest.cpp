#include "document/ProjectFileReader.h"
#include "document/ProjectFileWriter.h"
#include "formats/ChunkMemoryStream.h"
#include "support/ScratchDirectory.h"

#include "document/ProjectTestDocument.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace tarn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ByteBuilder;
using test::ProjectLines;

Bytes Written(const ProjectDocument& document) {
    ChunkMemoryStream stream;
    WriteProjectDocument(stream, document);
    return stream.Bytes();
}

int Read(const Bytes& bytes, ProjectDocument& document) {
    ChunkMemoryStream stream(bytes, "song.tarn");
    return ReadProjectDocument(stream, document);
}

ByteBuilder Root(const ByteBuilder& children) {
    ByteBuilder root;
    root.Header(project_chunk::kRoot, static_cast<std::uint32_t>(children.bytes.size()))
        .Append(children);
    return root;
}

ByteBuilder Record(std::uint32_t identifier, const ByteBuilder& children,
                   std::uint32_t version = kChunkVersion1_0) {
    ByteBuilder record;
    record.Header(identifier, static_cast<std::uint32_t>(children.bytes.size()), version)
        .Append(children);
    return record;
}

TEST(ProjectFileReader, RoundTripsKeepEveryField) {
    ProjectLines lines;
    const ProjectDocument sample = test::SampleProjectDocument();
    ProjectDocument read;
    ASSERT_EQ(Read(Written(sample), read), 1);
    EXPECT_EQ(read, sample);

    // Unknown fields and records before and after the children of every
    // record, the root included, are skipped with their subtrees.
    ProjectDocument withUnknown;
    ASSERT_EQ(Read(test::WithUnknownChunks(Written(sample)), withUnknown), 1);
    EXPECT_EQ(withUnknown, sample);

    // The same through a file, with the save's progress lines.
    test::ScratchDirectory scratch;
    const auto path = scratch / "song.tarn";
    ASSERT_EQ(WriteProjectFile(sample, path), 1);
    const std::string bytes = test::ReadFile(path);
    EXPECT_EQ(lines.messages.Take(),
              (std::vector<std::string>{"Saving project...", "Filename: " + path.string(),
                                        std::to_string(bytes.size()) + " bytes"}));
    ProjectDocument fromFile;
    ASSERT_EQ(ReadProjectFile(path, fromFile), 1);
    EXPECT_EQ(fromFile, sample);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_TRUE(lines.errors.Take().empty());
    EXPECT_TRUE(lines.warnings.Take().empty());
}

TEST(ProjectFileReader, MissingFieldsKeepTheirMissingValues) {
    namespace ids = project_chunk;
    ByteBuilder machine;
    machine.Append(Record(ids::machine::kSequenceTrack, Record(ids::sequence_track::kEntry, {})))
        .Append(Record(ids::machine::kPattern, Record(ids::pattern::kEvent, {})))
        .Append(Record(ids::machine::kParameterValue, {}));
    ByteBuilder graph;
    graph.Append(Record(ids::graph::kMachine, machine))
        .Append(Record(ids::graph::kConnection, {}))
        .Append(Record(ids::graph::kChannelConnection, {}));
    ByteBuilder waves;
    waves.Append(Record(ids::wave::kRecord, Record(ids::wave::kLoopPoint, {}, kChunkVersion1_1)));
    ByteBuilder root;
    root.Append(Record(ids::root::kWaveList, waves))
        .Append(Record(ids::root::kMachineGraph, graph))
        .Append(Record(ids::root::kSongSettings, Record(ids::song::kNodeOrder, {})));

    ProjectDocument read;
    ASSERT_EQ(Read(Root(root).bytes, read), 1);
    ProjectDocument expected;
    expected.waves.emplace_back().loopPoints.emplace_back();
    MachineDoc& expectedMachine = expected.machines.emplace_back();
    expectedMachine.sequenceTracks.emplace_back().entries.emplace_back();
    expectedMachine.patterns.emplace_back().events.emplace_back();
    expectedMachine.parameterValues.emplace_back();
    expected.connections.emplace_back();
    expected.channelConnections.emplace_back();
    expected.nodeOrder.emplace_back();
    EXPECT_EQ(read, expected);
}

TEST(ProjectFileReader, OldWaveLayoutsAreReadWithTheirWarnings) {
    namespace ids = project_chunk;
    ProjectLines lines;
    const auto oldLoop = [](std::int32_t index, std::int32_t start, std::int32_t end) {
        ByteBuilder loop;
        loop.Integer(kIndexFieldId, index)
            .Integer(ids::loop_point::kStart, start)
            .Integer(ids::loop_point::kEnd, end)
            .Integer(ids::loop_point::kKind, 1);
        return Record(ids::wave::kLoopPoint, loop, kChunkVersion1_0);
    };
    ByteBuilder newLoop;
    newLoop.Integer(kIndexFieldId, 2).Header(ids::loop_point::kStart, 8).Real(2.5);
    ByteBuilder wave;
    wave.Integer(kIndexFieldId, 1)
        .Integer(ids::wave::kOldChannelCount, 2)
        .Integer(ids::wave::kOldFrameCount, 2)
        .Integer(ids::wave::kOldBitsPerSample, 16)
        .Integer(ids::wave::kOldSampleRate, 22050)
        .Header(ids::wave::kOldInterleaved, 8)
        .Raw({1, 2, 3, 4, 5, 6, 7, 8})
        .Append(oldLoop(0, 100, 2000))
        .Append(oldLoop(1, -5, 70000))
        .Append(Record(ids::wave::kLoopPoint, newLoop, kChunkVersion1_1));

    ProjectDocument read;
    ASSERT_EQ(
        Read(Root(Record(ids::root::kWaveList, Record(ids::wave::kRecord, wave))).bytes, read), 1);
    ASSERT_EQ(read.waves.size(), 1u);
    const WaveDoc& doc = read.waves[0];
    EXPECT_TRUE(doc.IsOldLayout());
    EXPECT_EQ(doc.oldChannelCount, 2);
    EXPECT_EQ(doc.oldBitsPerSample, 16);
    EXPECT_EQ(doc.oldSampleRate, 22050);
    EXPECT_EQ(doc.oldInterleaved, (Bytes{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(doc.format, WaveFormatDoc{});
    ASSERT_EQ(doc.loopPoints.size(), 3u);
    EXPECT_EQ(doc.loopPoints[0].start, 100.0);
    EXPECT_EQ(doc.loopPoints[0].end, 2000.0);
    EXPECT_EQ(doc.loopPoints[1].start, -5.0);
    EXPECT_EQ(doc.loopPoints[1].end, 70000.0);
    EXPECT_EQ(doc.loopPoints[1].kind, 1);
    EXPECT_EQ(doc.loopPoints[2].start, 2.5);
    EXPECT_EQ(doc.loopPoints[2].end, -1.0);
    EXPECT_EQ(lines.warnings.Take(),
              std::vector<std::string>(2, "warning: old wave loop-point structure detected"));
}

TEST(ProjectFileReader, DamagedInputFailsWithOneErrorAndChangesNothing) {
    ProjectLines lines;
    const ProjectDocument sample = test::SampleProjectDocument();
    const Bytes bytes = Written(sample);
    ProjectDocument kept;
    kept.editedNode = 42;
    const ProjectDocument before = kept;

    // Every cut of the file, down to nothing.
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        ASSERT_EQ(
            Read(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)), kept),
            0)
            << length;
        ASSERT_EQ(lines.errors.Take().size(), 1u) << length;
    }
    EXPECT_EQ(kept, before);

    Bytes wrongMagic = bytes;
    wrongMagic[3] = 'X';
    EXPECT_EQ(Read(wrongMagic, kept), 0);
    EXPECT_EQ(lines.errors.Take(),
              std::vector<std::string>{"error: 'song.tarn' does not begin with 'TARN'"});

    // A child that claims more than its record holds, and a block that
    // claims far more than the file: refused before anything is allocated.
    namespace ids = project_chunk;
    ByteBuilder overrun;
    overrun.Append(Record(ids::root::kMachineGraph, ByteBuilder().Header(ids::graph::kMachine, 40)))
        .Append(ByteBuilder().Integer(ids::root::kEditedNode, 1))
        .Append(ByteBuilder().Integer(ids::root::kEditedNode, 1));
    EXPECT_EQ(Read(Root(overrun).bytes, kept), 0);
    ByteBuilder huge;
    huge.Header(ids::machine::kState, 0xFFFFFFF0u);
    EXPECT_EQ(Read(Root(Record(ids::root::kMachineGraph, Record(ids::graph::kMachine, huge))).bytes,
                   kept),
              0);
    const auto errors = lines.errors.Take();
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(errors[0], "error: 'song.tarn' is corrupt: the chunk at offset 24 does not fit in "
                         "its record");
    EXPECT_EQ(errors[1].rfind("error: 'song.tarn' is corrupt", 0), 0u) << errors[1];
    EXPECT_EQ(kept, before);

    EXPECT_EQ(ReadProjectFile("/nonexistent/song.tarn", kept), 0);
    EXPECT_EQ(lines.errors.Take(),
              std::vector<std::string>{"error: '/nonexistent/song.tarn' could not be read: " +
                                       std::string(std::strerror(ENOENT))});
    EXPECT_EQ(kept, before);
}

TEST(ProjectFileWriter, AFailedSaveReportsThePathAndKeepsTheOldFile) {
    ProjectLines lines;
    test::ScratchDirectory scratch;
    const ProjectDocument sample = test::SampleProjectDocument();
    // One error line, naming the file and ending with the system's reason.
    const auto failedWith = [&lines](const std::filesystem::path& file, int reason) {
        const auto errors = lines.errors.Take();
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_EQ(errors[0].rfind("error: ", 0), 0u);
        EXPECT_NE(errors[0].find(file.string()), std::string::npos) << errors[0];
        EXPECT_TRUE(errors[0].ends_with(std::strerror(reason))) << errors[0];
    };

    const auto missing = scratch / "no-such-folder/song.tarn";
    EXPECT_EQ(WriteProjectFile(sample, missing), 0);
    failedWith(missing, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(missing));

    // A folder in the file's place cannot be replaced.
    const auto folder = scratch / "folder.tarn";
    std::filesystem::create_directories(folder / "inside");
    EXPECT_EQ(WriteProjectFile(sample, folder), 0);
    failedWith(folder, EISDIR);
    // The previous file stays whole when the new one cannot be written.
    const auto path = scratch / "song.tarn";
    ProjectDocument previous;
    previous.editedNode = 5;
    ASSERT_EQ(WriteProjectFile(previous, path), 1);
    const std::string previousBytes = test::ReadFile(path);
    // A disk that fills up while the file is being written.
    rlimit previousLimit{};
    getrlimit(RLIMIT_FSIZE, &previousLimit);
    const rlimit small{64, previousLimit.rlim_max};
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    EXPECT_EQ(WriteProjectFile(sample, path), 0);
    setrlimit(RLIMIT_FSIZE, &previousLimit);
    std::signal(SIGXFSZ, oldHandler);
    failedWith(path, EFBIG);
    EXPECT_EQ(test::ReadFile(path), previousBytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.Path()), {}), 2);
    // Once writing works again the file is replaced whole.
    ASSERT_EQ(WriteProjectFile(sample, path), 1);
    ProjectDocument read;
    ASSERT_EQ(ReadProjectFile(path, read), 1);
    EXPECT_EQ(read, sample);
}

} // namespace
} // namespace tarn
