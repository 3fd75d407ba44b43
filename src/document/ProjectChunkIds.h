#pragma once

#include "formats/ChunkIds.h"

#include <cstdint>

// The identifiers of the project file's chunk tree, one namespace per
// record. A field number means something only inside its record (0x18 is an
// integer beat in an event and a real beat in a sequence entry), so every
// record names its own children. The list-element index is kIndexFieldId.
namespace tarn::project_chunk {

inline constexpr std::uint32_t kRoot = FourLetterId("TARN");

namespace root {
inline constexpr std::uint32_t kSelectionFirst = FieldId(0x1C);
inline constexpr std::uint32_t kSelectionSecond = FieldId(0x1D);
inline constexpr std::uint32_t kEditedNode = FieldId(0x1E);
inline constexpr std::uint32_t kWaveList = RecordId(0x01);
inline constexpr std::uint32_t kMachineGraph = RecordId(0x03);
inline constexpr std::uint32_t kSongSettings = RecordId(0x09);
} // namespace root

namespace wave {
inline constexpr std::uint32_t kRecord = RecordId(0x02);
inline constexpr std::uint32_t kName = FieldId(0x01);
inline constexpr std::uint32_t kFormat = RecordId(0x0E);
inline constexpr std::uint32_t kData = RecordId(0x0F);
inline constexpr std::uint32_t kLoopPoint = RecordId(0x0D);
// Only files of the first layout carry these, directly in the wave record.
inline constexpr std::uint32_t kOldChannelCount = FieldId(0x03);
inline constexpr std::uint32_t kOldFrameCount = FieldId(0x04);
inline constexpr std::uint32_t kOldBitsPerSample = FieldId(0x26);
inline constexpr std::uint32_t kOldSampleRate = FieldId(0x27);
inline constexpr std::uint32_t kOldInterleaved = FieldId(0x05);
} // namespace wave

namespace wave_format {
inline constexpr std::uint32_t kBitsPerSample = FieldId(0x26);
inline constexpr std::uint32_t kSampleRate = FieldId(0x27);
inline constexpr std::uint32_t kChannelCount = FieldId(0x35);
inline constexpr std::uint32_t kFrameCount = FieldId(0x04);
} // namespace wave_format

namespace wave_data {
inline constexpr std::uint32_t kSamples = FieldId(0x05);
} // namespace wave_data

namespace loop_point {
inline constexpr std::uint32_t kStart = FieldId(0x32);
inline constexpr std::uint32_t kEnd = FieldId(0x33);
inline constexpr std::uint32_t kKind = FieldId(0x34);
} // namespace loop_point

namespace graph {
inline constexpr std::uint32_t kMachine = RecordId(0x04);
inline constexpr std::uint32_t kConnection = RecordId(0x08);
inline constexpr std::uint32_t kChannelConnection = RecordId(0x0C);
} // namespace graph

namespace machine {
inline constexpr std::uint32_t kTrackCount = FieldId(0x08);
inline constexpr std::uint32_t kName = FieldId(0x01);
inline constexpr std::uint32_t kTypeName = FieldId(0x06);
inline constexpr std::uint32_t kPosition = FieldId(0x07);
inline constexpr std::uint32_t kState = FieldId(0x05);
inline constexpr std::uint32_t kEditorFirst = FieldId(0x09);
inline constexpr std::uint32_t kEditorSecond = FieldId(0x0A);
inline constexpr std::uint32_t kCurrentPattern = FieldId(0x0B);
inline constexpr std::uint32_t kSequenceTrack = RecordId(0x09);
inline constexpr std::uint32_t kPattern = RecordId(0x06);
inline constexpr std::uint32_t kParameterValue = RecordId(0x05);
} // namespace machine

namespace sequence_track {
// The three further display values, written before the first one.
inline constexpr std::uint32_t kDisplayFurther[3] = {FieldId(0x38), FieldId(0x39), FieldId(0x3A)};
inline constexpr std::uint32_t kDisplayFirst = FieldId(0x20);
inline constexpr std::uint32_t kEntry = RecordId(0x0A);
} // namespace sequence_track

namespace sequence_entry {
inline constexpr std::uint32_t kPattern = FieldId(0x1B);
inline constexpr std::uint32_t kBeat = FieldId(0x18);
inline constexpr std::uint32_t kLength = FieldId(0x0C);
inline constexpr std::uint32_t kTranspose = FieldId(0x31);
} // namespace sequence_entry

namespace pattern {
inline constexpr std::uint32_t kName = FieldId(0x01);
inline constexpr std::uint32_t kTicksPerBeat = FieldId(0x12);
inline constexpr std::uint32_t kLength = FieldId(0x0C);
inline constexpr std::uint32_t kColour = FieldId(0x3B);
// The pattern editor's state values, in write order.
inline constexpr std::uint32_t kEditorState[11] = {
    FieldId(0x0D), FieldId(0x0E), FieldId(0x0F), FieldId(0x1F), FieldId(0x10), FieldId(0x11),
    FieldId(0x22), FieldId(0x21), FieldId(0x23), FieldId(0x25), FieldId(0x24)};
inline constexpr std::uint32_t kEvent = RecordId(0x07);
} // namespace pattern

namespace event {
inline constexpr std::uint32_t kGroup = FieldId(0x15);
inline constexpr std::uint32_t kTrack = FieldId(0x16);
inline constexpr std::uint32_t kIndex = FieldId(0x17);
inline constexpr std::uint32_t kBeat = FieldId(0x18);
inline constexpr std::uint32_t kTime = FieldId(0x19);
inline constexpr std::uint32_t kValue = FieldId(0x1A);
inline constexpr std::uint32_t kNoteLength = FieldId(0x28);
inline constexpr std::uint32_t kVelocity = FieldId(0x2D);
} // namespace event

namespace parameter_value {
inline constexpr std::uint32_t kGroup = FieldId(0x15);
inline constexpr std::uint32_t kTrack = FieldId(0x16);
// The parameter's index within its group is the element index field.
inline constexpr std::uint32_t kValue = FieldId(0x1A);
inline constexpr std::uint32_t kSlotInteger = FieldId(0x3C);
} // namespace parameter_value

namespace connection {
inline constexpr std::uint32_t kSource = FieldId(0x13);
inline constexpr std::uint32_t kDestination = FieldId(0x14);
} // namespace connection

namespace channel_connection {
inline constexpr std::uint32_t kConnectionIndex = FieldId(0x30);
inline constexpr std::uint32_t kSource = FieldId(0x13);
inline constexpr std::uint32_t kDestination = FieldId(0x14);
inline constexpr std::uint32_t kDestinationChannel = FieldId(0x2E);
inline constexpr std::uint32_t kSourceChannel = FieldId(0x2F);
} // namespace channel_connection

namespace song {
inline constexpr std::uint32_t kSongStart = FieldId(0x29);
inline constexpr std::uint32_t kSongEnd = FieldId(0x2A);
inline constexpr std::uint32_t kLoopStart = FieldId(0x2B);
inline constexpr std::uint32_t kLoopEnd = FieldId(0x2C);
inline constexpr std::uint32_t kNodeOrder = RecordId(0x10);
} // namespace song

namespace node_order {
inline constexpr std::uint32_t kNodeId = FieldId(0x36);
} // namespace node_order

} // namespace tarn::project_chunk
