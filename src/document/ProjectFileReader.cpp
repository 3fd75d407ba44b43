#include "document/ProjectFileReader.h"

#include "base/MessagePipe.h"
#include "document/ProjectChunkIds.h"
#include "formats/ChunkFileStream.h"
#include "formats/ChunkLayout.h"
#include "formats/ChunkReader.h"

#include <utility>

namespace tarn {
namespace {

namespace ids = project_chunk;

// The first layout of a loop point stored start and end as whole numbers;
// any child of such a record marks it, so the warning comes once per record.
std::int64_t ReadLoopBound(ChunkReader& reader, LoopPointDoc& loop, double LoopPointDoc::*bound,
                           std::uint32_t version) {
    if (version != kChunkVersion1_0) {
        return reader.ReadReal(loop.*bound);
    }
    loop.oldLayout = true;
    std::int32_t whole = 0;
    const std::int64_t consumed = reader.ReadInteger(whole);
    // Anything shorter than an integer leaves the bound missing.
    if (consumed >= 8 + 4) {
        loop.*bound = whole;
    }
    return consumed;
}

ChunkLayout<LoopPointDoc> LoopPointLayout() {
    const auto markVersion = [](std::uint32_t version, LoopPointDoc& loop) {
        loop.oldLayout = loop.oldLayout || version == kChunkVersion1_0;
    };
    return ChunkLayout<LoopPointDoc>()
        .Custom(kIndexFieldId,
                [markVersion](ChunkReader& reader, LoopPointDoc& loop, std::uint32_t version) {
                    markVersion(version, loop);
                    return reader.ReadInteger(loop.index);
                })
        .Custom(ids::loop_point::kStart,
                [](ChunkReader& reader, LoopPointDoc& loop, std::uint32_t version) {
                    return ReadLoopBound(reader, loop, &LoopPointDoc::start, version);
                })
        .Custom(ids::loop_point::kEnd,
                [](ChunkReader& reader, LoopPointDoc& loop, std::uint32_t version) {
                    return ReadLoopBound(reader, loop, &LoopPointDoc::end, version);
                })
        .Custom(ids::loop_point::kKind,
                [markVersion](ChunkReader& reader, LoopPointDoc& loop, std::uint32_t version) {
                    markVersion(version, loop);
                    return reader.ReadInteger(loop.kind);
                });
}

ChunkLayout<WaveDoc> WaveLayout() {
    const auto format =
        ChunkLayout<WaveFormatDoc>()
            .Integer(ids::wave_format::kBitsPerSample, &WaveFormatDoc::bitsPerSample)
            .Integer(ids::wave_format::kSampleRate, &WaveFormatDoc::sampleRate)
            .Integer(ids::wave_format::kChannelCount, &WaveFormatDoc::channelCount)
            .Integer(ids::wave_format::kFrameCount, &WaveFormatDoc::frameCount);
    const auto data = ChunkLayout<WaveDataDoc>()
                          .Integer(kIndexFieldId, &WaveDataDoc::channel)
                          .Bytes(ids::wave_data::kSamples, &WaveDataDoc::samples);
    return ChunkLayout<WaveDoc>()
        .Integer(kIndexFieldId, &WaveDoc::index)
        .Text(ids::wave::kName, &WaveDoc::name)
        .Nested(ids::wave::kFormat, &WaveDoc::format, format)
        .List(ids::wave::kData, &WaveDoc::channels, data)
        .Custom(
            ids::wave::kLoopPoint,
            [loopLayout = LoopPointLayout()](ChunkReader& reader, WaveDoc& wave, std::uint32_t) {
                LoopPointDoc& loop = wave.loopPoints.emplace_back();
                const std::int64_t consumed = loopLayout.Read(reader, loop);
                if (loop.oldLayout) {
                    WarningOut() << "warning: old wave loop-point structure detected" << eol;
                }
                return consumed;
            })
        .Integer(ids::wave::kOldChannelCount, &WaveDoc::oldChannelCount)
        .Integer(ids::wave::kOldFrameCount, &WaveDoc::oldFrameCount)
        .Integer(ids::wave::kOldBitsPerSample, &WaveDoc::oldBitsPerSample)
        .Integer(ids::wave::kOldSampleRate, &WaveDoc::oldSampleRate)
        .Bytes(ids::wave::kOldInterleaved, &WaveDoc::oldInterleaved);
}

// Reads one of an array of integer members, for the editor state values
// that the file lists under identifiers of their own.
template <typename Item, std::size_t Count>
void AddIntegerArray(ChunkLayout<Item>& layout, const std::uint32_t (&identifiers)[Count],
                     std::array<std::int32_t, Count> Item::*member) {
    for (std::size_t i = 0; i < Count; ++i) {
        layout.Custom(identifiers[i], [member, i](ChunkReader& reader, Item& item, std::uint32_t) {
            return reader.ReadInteger((item.*member)[i]);
        });
    }
}

ChunkLayout<PatternDoc> PatternLayout() {
    namespace field = ids::event;
    const auto event = ChunkLayout<EventDoc>()
                           .Integer(field::kGroup, &EventDoc::group)
                           .Integer(field::kTrack, &EventDoc::track)
                           .Integer(field::kIndex, &EventDoc::index)
                           .Integer(field::kBeat, &EventDoc::beat)
                           .Real(field::kTime, &EventDoc::time)
                           .Real(field::kValue, &EventDoc::value)
                           .Real(field::kNoteLength, &EventDoc::noteLength)
                           .Real(field::kVelocity, &EventDoc::velocity);
    auto pattern = ChunkLayout<PatternDoc>()
                       .Integer(kIndexFieldId, &PatternDoc::index)
                       .Text(ids::pattern::kName, &PatternDoc::name)
                       .Integer(ids::pattern::kTicksPerBeat, &PatternDoc::ticksPerBeat)
                       .Integer(ids::pattern::kLength, &PatternDoc::length)
                       .Integer(ids::pattern::kColour, &PatternDoc::colour)
                       .List(ids::pattern::kEvent, &PatternDoc::events, event);
    AddIntegerArray(pattern, ids::pattern::kEditorState, &PatternDoc::editorState);
    return pattern;
}

ChunkLayout<SequenceTrackDoc> SequenceTrackLayout() {
    namespace field = ids::sequence_entry;
    const auto entry = ChunkLayout<SequenceEntryDoc>()
                           .Integer(field::kPattern, &SequenceEntryDoc::pattern)
                           .Real(field::kBeat, &SequenceEntryDoc::beat)
                           .Real(field::kLength, &SequenceEntryDoc::length)
                           .Real(field::kTranspose, &SequenceEntryDoc::transpose);
    auto track = ChunkLayout<SequenceTrackDoc>()
                     .Integer(kIndexFieldId, &SequenceTrackDoc::index)
                     .Integer(ids::sequence_track::kDisplayFirst, &SequenceTrackDoc::displayFirst)
                     .List(ids::sequence_track::kEntry, &SequenceTrackDoc::entries, entry);
    AddIntegerArray(track, ids::sequence_track::kDisplayFurther, &SequenceTrackDoc::displayFurther);
    return track;
}

ChunkLayout<MachineDoc> MachineLayout() {
    namespace field = ids::parameter_value;
    const auto parameter = ChunkLayout<ParameterValueDoc>()
                               .Integer(field::kGroup, &ParameterValueDoc::group)
                               .Integer(field::kTrack, &ParameterValueDoc::track)
                               .Integer(kIndexFieldId, &ParameterValueDoc::index)
                               .Real(field::kValue, &ParameterValueDoc::value)
                               .Integer(field::kSlotInteger, &ParameterValueDoc::slotInteger);
    return ChunkLayout<MachineDoc>()
        .Integer(kIndexFieldId, &MachineDoc::id)
        .Integer(ids::machine::kTrackCount, &MachineDoc::trackCount)
        .Text(ids::machine::kName, &MachineDoc::name)
        .Text(ids::machine::kTypeName, &MachineDoc::typeName)
        .RealPair(ids::machine::kPosition, &MachineDoc::x, &MachineDoc::y)
        .Bytes(ids::machine::kState, &MachineDoc::state)
        .Custom(ids::machine::kEditorFirst,
                [](ChunkReader& reader, MachineDoc& machine, std::uint32_t) {
                    return reader.ReadInteger(machine.editorState[0]);
                })
        .Custom(ids::machine::kEditorSecond,
                [](ChunkReader& reader, MachineDoc& machine, std::uint32_t) {
                    return reader.ReadInteger(machine.editorState[1]);
                })
        .Integer(ids::machine::kCurrentPattern, &MachineDoc::currentPattern)
        .List(ids::machine::kSequenceTrack, &MachineDoc::sequenceTracks, SequenceTrackLayout())
        .List(ids::machine::kPattern, &MachineDoc::patterns, PatternLayout())
        .List(ids::machine::kParameterValue, &MachineDoc::parameterValues, parameter);
}

ChunkLayout<ProjectDocument> GraphLayout() {
    const auto connection =
        ChunkLayout<ConnectionDoc>()
            .Integer(kIndexFieldId, &ConnectionDoc::index)
            .Integer(ids::connection::kSource, &ConnectionDoc::source)
            .Integer(ids::connection::kDestination, &ConnectionDoc::destination);
    namespace field = ids::channel_connection;
    const auto route =
        ChunkLayout<ChannelConnectionDoc>()
            .Integer(kIndexFieldId, &ChannelConnectionDoc::index)
            .Integer(field::kConnectionIndex, &ChannelConnectionDoc::connectionIndex)
            .Integer(field::kSource, &ChannelConnectionDoc::source)
            .Integer(field::kDestination, &ChannelConnectionDoc::destination)
            .Integer(field::kDestinationChannel, &ChannelConnectionDoc::destinationChannel)
            .Integer(field::kSourceChannel, &ChannelConnectionDoc::sourceChannel);
    return ChunkLayout<ProjectDocument>()
        .List(ids::graph::kMachine, &ProjectDocument::machines, MachineLayout())
        .List(ids::graph::kConnection, &ProjectDocument::connections, connection)
        .List(ids::graph::kChannelConnection, &ProjectDocument::channelConnections, route);
}

ChunkLayout<ProjectDocument> SongSettingsLayout() {
    const auto order = ChunkLayout<NodeOrderDoc>()
                           .Integer(kIndexFieldId, &NodeOrderDoc::position)
                           .Integer(ids::node_order::kNodeId, &NodeOrderDoc::nodeId);
    return ChunkLayout<ProjectDocument>()
        .Real(ids::song::kSongStart, &ProjectDocument::songStart)
        .Real(ids::song::kSongEnd, &ProjectDocument::songEnd)
        .Real(ids::song::kLoopStart, &ProjectDocument::loopStart)
        .Real(ids::song::kLoopEnd, &ProjectDocument::loopEnd)
        .List(ids::song::kNodeOrder, &ProjectDocument::nodeOrder, order);
}

ChunkLayout<ProjectDocument> DocumentLayout() {
    return ChunkLayout<ProjectDocument>()
        .Custom(ids::root::kSelectionFirst,
                [](ChunkReader& reader, ProjectDocument& document, std::uint32_t) {
                    return reader.ReadInteger(document.selection[0]);
                })
        .Custom(ids::root::kSelectionSecond,
                [](ChunkReader& reader, ProjectDocument& document, std::uint32_t) {
                    return reader.ReadInteger(document.selection[1]);
                })
        .Integer(ids::root::kEditedNode, &ProjectDocument::editedNode)
        .Group(ids::root::kWaveList, ChunkLayout<ProjectDocument>().List(
                                         ids::wave::kRecord, &ProjectDocument::waves, WaveLayout()))
        .Group(ids::root::kMachineGraph, GraphLayout())
        .Group(ids::root::kSongSettings, SongSettingsLayout());
}

} // namespace

int ReadProjectDocument(ChunkStream& stream, ProjectDocument& document) {
    // Built once: the tables never change and reading shares them.
    static const ChunkLayout<ProjectDocument> layout = DocumentLayout();
    ChunkReader reader(stream);
    ProjectDocument read;
    if (layout.ReadDocument(reader, ids::kRoot, read) != 1) {
        return 0;
    }
    document = std::move(read);
    return 1;
}

int ReadProjectFile(const std::filesystem::path& path, ProjectDocument& document) {
    ChunkFileStream stream(path, ChunkFileStream::Mode::kRead);
    return ReadProjectDocument(stream, document);
}

} // namespace tarn
