#pragma once

#include "base/MessagePipe.h"
#include "document/ProjectChunkIds.h"
#include "document/ProjectDocument.h"
#include "support/TestMachine.h"

#include "formats/ChunkTestDocument.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn::test {

// The lines of the three pipes while it lives.
struct ProjectLines {
    PipeCapture messages{MessageOut(), kMessageLine};
    PipeCapture errors{ErrorOut(), kErrorLine};
    PipeCapture warnings{WarningOut(), kWarningLine};
};

// A document in which every member holds a value other than its missing
// one, and every list has elements, some at sparse indices.
inline ProjectDocument SampleProjectDocument() {
    ProjectDocument document;
    document.selection = {3, -7};
    document.editedNode = 7;

    WaveDoc wave;
    wave.index = 2;
    wave.name = "kick";
    wave.format = {32, 44100, 2, 3};
    wave.channels = {{0, std::vector<std::uint8_t>(12, 0x11)},
                     {1, std::vector<std::uint8_t>(12, 0x22)}};
    wave.loopPoints = {{0, 0.5, 2.5, 1, false}, {1, 1.0, 3.0, 0, false}};
    document.waves = {wave, WaveDoc{}};
    document.waves[1].index = 5;
    document.waves[1].format = {32, 22050, 1, 0};

    MachineDoc master;
    master.id = 0;
    master.trackCount = 1;
    master.name = "Master";
    master.typeName = "Tarn Master";
    master.x = 0.5;
    master.y = 0.5;
    master.editorState = {0, 1};
    master.currentPattern = 0;
    master.parameterValues = {{3, 0, 0, 133.0, -1}, {1, 0, 1, -0.25, 12}};

    MachineDoc bass;
    bass.id = 7;
    bass.trackCount = 2;
    bass.name = "abc";
    bass.typeName = "Tarn Analog Bass";
    bass.x = 0.125;
    bass.y = 0.875;
    bass.state = {1, 2, 3, 0, 255};
    bass.editorState = {4, 5};
    bass.currentPattern = 3;
    SequenceTrackDoc track;
    track.index = 1;
    track.displayFirst = 30;
    track.displayFurther = {6, 7, 8};
    track.entries = {{3, 0.0, 4.0, 0.0}, {0, 8.0, 2.0, -1.0}};
    bass.sequenceTracks = {track};
    PatternDoc pattern;
    pattern.index = 3;
    pattern.name = "verse";
    pattern.ticksPerBeat = 6;
    pattern.length = 16;
    pattern.colour = 0xC8D2FA;
    for (int i = 0; i < kPatternEditorStateCount; ++i) {
        pattern.editorState[static_cast<std::size_t>(i)] = 100 + i;
    }
    pattern.events = {{3, 1, 0, 2, 0.25, 60.0, 0.75, 0.5}, {1, 0, 0, 15, 0.0, -6.0, 0.5, 1.0}};
    bass.patterns = {pattern, PatternDoc{}};
    bass.patterns[1].index = 0;
    bass.patterns[1].ticksPerBeat = 4;
    bass.patterns[1].length = 8;
    bass.parameterValues = {{3, 1, 4, 0.5, -1}, {2, 0, 0, -3.0, -1}};
    document.machines = {master, bass};

    document.connections = {{0, 7, 0}};
    document.channelConnections = {{0, 0, 7, 0, 0, 0}, {2, 0, 7, 0, 1, 1}};
    document.songStart = 0.0;
    document.songEnd = 32.0;
    document.loopStart = 4.0;
    document.loopEnd = 12.0;
    document.nodeOrder = {{0, 7}, {1, 0}};
    return document;
}

// Rewrites a chunk document so that every record, the root included, also
// holds unknown chunks before and after its own children: a field with an
// odd payload size and a record whose subtree looks like a machine record.
// A reader must come back with the same document.
inline std::vector<std::uint8_t> WithUnknownChunks(const std::vector<std::uint8_t>& document) {
    ByteBuilder unknown;
    unknown.Header(FieldId(0x7E), 5).Raw({1, 2, 3, 4, 5});
    ByteBuilder machineLike;
    machineLike.Integer(kIndexFieldId, 99).Header(FieldId(0x06), 2).Raw({'X', 0});
    ByteBuilder unknownRecord;
    unknownRecord.Header(RecordId(0x7F), 12 + static_cast<std::uint32_t>(machineLike.bytes.size()))
        .Header(project_chunk::graph::kMachine,
                static_cast<std::uint32_t>(machineLike.bytes.size()))
        .Append(machineLike);

    const auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | document[at + static_cast<std::size_t>(i)];
        }
        return value;
    };
    // Returns the rewritten chunk starting at at; end receives its old end.
    const auto rewrite = [&](auto& self, std::size_t at, std::size_t& end) -> ByteBuilder {
        const std::uint32_t identifier = word(at);
        const std::uint32_t version = word(at + 4);
        const std::size_t payload = at + kChunkHeaderSize;
        end = payload + word(at + 8);
        ByteBuilder chunk;
        if (!IsRecordId(identifier) && identifier != project_chunk::kRoot) {
            chunk.bytes.assign(document.begin() + static_cast<std::ptrdiff_t>(at),
                               document.begin() + static_cast<std::ptrdiff_t>(end));
            return chunk;
        }
        ByteBuilder children;
        children.Append(unknown).Append(unknownRecord);
        for (std::size_t child = payload; child < end;) {
            std::size_t childEnd = 0;
            children.Append(self(self, child, childEnd));
            child = childEnd;
        }
        children.Append(unknownRecord).Append(unknown);
        chunk.Header(identifier, static_cast<std::uint32_t>(children.bytes.size()), version)
            .Append(children);
        return chunk;
    };
    std::size_t end = 0;
    return rewrite(rewrite, 0, end).bytes;
}

} // namespace tarn::test
