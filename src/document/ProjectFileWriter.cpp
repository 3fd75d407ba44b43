#include "document/ProjectFileWriter.h"

#include "base/MessagePipe.h"
#include "base/ReplacingFile.h"
#include "document/ProjectChunkIds.h"
#include "document/ProjectWaves.h"
#include "formats/ChunkFileStream.h"
#include "formats/ChunkWriter.h"

#include <cerrno>
#include <cstring>

namespace tarn {
namespace {

namespace ids = project_chunk;

void WriteWave(ChunkWriter& writer, const WaveDoc& wave) {
    writer.WriteRecord(ids::wave::kRecord, kChunkVersion1_0, [&] {
        writer.WriteIndex(wave.index);
        writer.WriteText(ids::wave::kName, wave.name);
        writer.WriteRecord(ids::wave::kFormat, kChunkVersion1_0, [&] {
            writer.WriteInteger(ids::wave_format::kBitsPerSample, wave.format.bitsPerSample);
            writer.WriteInteger(ids::wave_format::kSampleRate, wave.format.sampleRate);
            writer.WriteInteger(ids::wave_format::kChannelCount, wave.format.channelCount);
            writer.WriteInteger(ids::wave_format::kFrameCount, wave.format.frameCount);
        });
        for (const WaveDataDoc& data : wave.channels) {
            writer.WriteRecord(ids::wave::kData, kChunkVersion1_1, [&] {
                writer.WriteIndex(data.channel);
                std::vector<std::uint8_t> scratch;
                const std::span<const std::uint8_t> bytes = StoredSampleBytes(data, scratch);
                writer.WriteBytes(ids::wave_data::kSamples, bytes.data(), bytes.size());
            });
        }
        for (const LoopPointDoc& loop : wave.loopPoints) {
            writer.WriteRecord(ids::wave::kLoopPoint, kChunkVersion1_1, [&] {
                writer.WriteIndex(loop.index);
                writer.WriteReal(ids::loop_point::kStart, loop.start);
                writer.WriteReal(ids::loop_point::kEnd, loop.end);
                writer.WriteInteger(ids::loop_point::kKind, loop.kind);
            });
        }
    });
}

void WriteSequenceTrack(ChunkWriter& writer, const SequenceTrackDoc& track) {
    writer.WriteRecord(ids::machine::kSequenceTrack, kChunkVersion1_0, [&] {
        for (int i = 0; i < kSequenceTrackFurtherDisplayCount; ++i) {
            writer.WriteInteger(ids::sequence_track::kDisplayFurther[i], track.displayFurther[i]);
        }
        writer.WriteInteger(ids::sequence_track::kDisplayFirst, track.displayFirst);
        writer.WriteIndex(track.index);
        for (const SequenceEntryDoc& entry : track.entries) {
            writer.WriteRecord(ids::sequence_track::kEntry, kChunkVersion1_0, [&] {
                writer.WriteInteger(ids::sequence_entry::kPattern, entry.pattern);
                writer.WriteReal(ids::sequence_entry::kBeat, entry.beat);
                writer.WriteReal(ids::sequence_entry::kLength, entry.length);
                writer.WriteReal(ids::sequence_entry::kTranspose, entry.transpose);
            });
        }
    });
}

void WritePattern(ChunkWriter& writer, const PatternDoc& pattern) {
    writer.WriteRecord(ids::machine::kPattern, kChunkVersion1_0, [&] {
        writer.WriteIndex(pattern.index);
        writer.WriteText(ids::pattern::kName, pattern.name);
        writer.WriteInteger(ids::pattern::kTicksPerBeat, pattern.ticksPerBeat);
        writer.WriteInteger(ids::pattern::kLength, pattern.length);
        writer.WriteInteger(ids::pattern::kColour, pattern.colour);
        for (int i = 0; i < kPatternEditorStateCount; ++i) {
            writer.WriteInteger(ids::pattern::kEditorState[i], pattern.editorState[i]);
        }
        for (const EventDoc& event : pattern.events) {
            writer.WriteRecord(ids::pattern::kEvent, kChunkVersion1_0, [&] {
                writer.WriteInteger(ids::event::kGroup, event.group);
                writer.WriteInteger(ids::event::kTrack, event.track);
                writer.WriteInteger(ids::event::kIndex, event.index);
                writer.WriteInteger(ids::event::kBeat, event.beat);
                writer.WriteReal(ids::event::kTime, event.time);
                writer.WriteReal(ids::event::kValue, event.value);
                writer.WriteReal(ids::event::kNoteLength, event.noteLength);
                writer.WriteReal(ids::event::kVelocity, event.velocity);
            });
        }
    });
}

void WriteMachine(ChunkWriter& writer, const MachineDoc& machine) {
    writer.WriteRecord(ids::graph::kMachine, kChunkVersion1_0, [&] {
        writer.WriteIndex(machine.id);
        writer.WriteInteger(ids::machine::kTrackCount, machine.trackCount);
        writer.WriteText(ids::machine::kName, machine.name);
        writer.WriteText(ids::machine::kTypeName, machine.typeName);
        writer.WriteRealPair(ids::machine::kPosition, machine.x, machine.y);
        writer.WriteBytes(ids::machine::kState, machine.state.data(), machine.state.size());
        writer.WriteInteger(ids::machine::kEditorFirst, machine.editorState[0]);
        writer.WriteInteger(ids::machine::kEditorSecond, machine.editorState[1]);
        writer.WriteInteger(ids::machine::kCurrentPattern, machine.currentPattern);
        for (const SequenceTrackDoc& track : machine.sequenceTracks) {
            WriteSequenceTrack(writer, track);
        }
        for (const PatternDoc& pattern : machine.patterns) {
            WritePattern(writer, pattern);
        }
        for (const ParameterValueDoc& parameter : machine.parameterValues) {
            writer.WriteRecord(ids::machine::kParameterValue, kChunkVersion1_0, [&] {
                writer.WriteInteger(ids::parameter_value::kGroup, parameter.group);
                writer.WriteInteger(ids::parameter_value::kTrack, parameter.track);
                writer.WriteIndex(parameter.index);
                writer.WriteReal(ids::parameter_value::kValue, parameter.value);
                writer.WriteInteger(ids::parameter_value::kSlotInteger, parameter.slotInteger);
            });
        }
    });
}

void WriteGraph(ChunkWriter& writer, const ProjectDocument& document) {
    writer.WriteRecord(ids::root::kMachineGraph, kChunkVersion1_0, [&] {
        for (const MachineDoc& machine : document.machines) {
            WriteMachine(writer, machine);
        }
        for (const ConnectionDoc& connection : document.connections) {
            writer.WriteRecord(ids::graph::kConnection, kChunkVersion1_0, [&] {
                writer.WriteIndex(connection.index);
                writer.WriteInteger(ids::connection::kSource, connection.source);
                writer.WriteInteger(ids::connection::kDestination, connection.destination);
            });
        }
        for (const ChannelConnectionDoc& route : document.channelConnections) {
            writer.WriteRecord(ids::graph::kChannelConnection, kChunkVersion1_0, [&] {
                namespace field = ids::channel_connection;
                writer.WriteIndex(route.index);
                writer.WriteInteger(field::kConnectionIndex, route.connectionIndex);
                writer.WriteInteger(field::kSource, route.source);
                writer.WriteInteger(field::kDestination, route.destination);
                writer.WriteInteger(field::kDestinationChannel, route.destinationChannel);
                writer.WriteInteger(field::kSourceChannel, route.sourceChannel);
            });
        }
    });
}

void WriteSongSettings(ChunkWriter& writer, const ProjectDocument& document) {
    writer.WriteRecord(ids::root::kSongSettings, kChunkVersion1_0, [&] {
        writer.WriteReal(ids::song::kSongStart, document.songStart);
        writer.WriteReal(ids::song::kSongEnd, document.songEnd);
        writer.WriteReal(ids::song::kLoopStart, document.loopStart);
        writer.WriteReal(ids::song::kLoopEnd, document.loopEnd);
        for (const NodeOrderDoc& entry : document.nodeOrder) {
            writer.WriteRecord(ids::song::kNodeOrder, kChunkVersion1_0, [&] {
                writer.WriteIndex(entry.position);
                writer.WriteInteger(ids::node_order::kNodeId, entry.nodeId);
            });
        }
    });
}

} // namespace

std::int64_t WriteProjectDocument(ChunkStream& stream, const ProjectDocument& document) {
    ChunkWriter writer(stream);
    const std::int64_t size = writer.WriteRecord(ids::kRoot, kChunkVersion1_0, [&] {
        writer.WriteInteger(ids::root::kSelectionFirst, document.selection[0]);
        writer.WriteInteger(ids::root::kSelectionSecond, document.selection[1]);
        writer.WriteInteger(ids::root::kEditedNode, document.editedNode);
        writer.WriteRecord(ids::root::kWaveList, kChunkVersion1_0, [&] {
            for (const WaveDoc& wave : document.waves) {
                WriteWave(writer, wave);
            }
        });
        WriteGraph(writer, document);
        WriteSongSettings(writer, document);
    });
    return writer.Failed() ? -1 : size;
}

int WriteProjectFile(const ProjectDocument& document, const std::filesystem::path& path) {
    MessageOut() << "Saving project..." << eol;
    MessageOut() << "Filename: " << path.string() << eol;

    ReplacingFile file(path);
    std::int64_t size = -1;
    int failure = file.Error();
    if (file.Ok()) {
        ChunkFileStream stream(file.Temporary(), ChunkFileStream::Mode::kWrite);
        size = WriteProjectDocument(stream, document);
        if (!stream.Close() || size < 0) {
            failure = stream.Error() != 0 ? stream.Error() : EIO;
        }
    }
    if (failure == 0 && !file.Commit()) {
        failure = file.Error();
    }
    if (failure != 0) {
        ErrorOut() << "error: cannot save the project '" << path.string()
                   << "': " << std::strerror(failure) << eol;
        return 0;
    }
    MessageOut() << size << " bytes" << eol;
    return 1;
}

} // namespace tarn
