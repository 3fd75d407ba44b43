#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarn {

class Sound;

// The project file as plain records, between the live Project and the
// bytes: a save copies the Project in here and then writes it; a load reads
// the whole file in here before the Project is rebuilt from it. Every member
// starts at its missing value (-1 for integers, -1.0 for reals, empty for
// texts and blocks unless noted), so the rebuild can tell what the file did
// not hold. The document owns all its texts and blocks, but for the waves'
// sounds a snapshot shares, and lives for one save or load.

inline constexpr std::int32_t kMissingInteger = -1;
inline constexpr double kMissingReal = -1.0;

struct LoopPointDoc {
    std::int32_t index = kMissingInteger;
    double start = kMissingReal; // frames
    double end = kMissingReal;   // frames
    std::int32_t kind = kMissingInteger;
    // Read from a record of the first layout, whose start and end were
    // whole numbers. Not stored.
    bool oldLayout = false;

    bool operator==(const LoopPointDoc&) const = default;
};

struct WaveFormatDoc {
    std::int32_t bitsPerSample = kMissingInteger;
    std::int32_t sampleRate = kMissingInteger;
    std::int32_t channelCount = kMissingInteger;
    std::int32_t frameCount = kMissingInteger;

    bool operator==(const WaveFormatDoc&) const = default;
};

// One channel's samples exactly as the wave holds them in memory: the bytes
// read from a file, or, in a snapshot of a project, the wave's own sound,
// shared instead of copied (see StoredSampleBytes).
struct WaveDataDoc {
    std::int32_t channel = kMissingInteger;
    std::vector<std::uint8_t> samples;
    std::shared_ptr<const Sound> sound = nullptr; // its channel `channel`, when set

    // The same stored bytes, however they are held.
    bool operator==(const WaveDataDoc& other) const;
};

struct WaveDoc {
    std::int32_t index = kMissingInteger; // wavetable slot
    std::string name;
    WaveFormatDoc format;
    std::vector<WaveDataDoc> channels;
    std::vector<LoopPointDoc> loopPoints;

    // The first layout kept the format in the wave record itself and all
    // channels interleaved in one block. Read, never written.
    std::int32_t oldChannelCount = kMissingInteger;
    std::int32_t oldFrameCount = kMissingInteger;
    std::int32_t oldBitsPerSample = kMissingInteger;
    std::int32_t oldSampleRate = kMissingInteger;
    std::vector<std::uint8_t> oldInterleaved;

    bool IsOldLayout() const { return oldFrameCount != kMissingInteger; }

    bool operator==(const WaveDoc&) const = default;
};

// A note or parameter event of a pattern; its Node is the pattern's owner.
struct EventDoc {
    std::int32_t group = kMissingInteger;
    std::int32_t track = kMissingInteger;
    std::int32_t index = kMissingInteger;
    std::int32_t beat = kMissingInteger; // beat of the pattern
    double time = kMissingReal;          // within the beat, 0 <= time < 1
    double value = 0.0;
    double noteLength = 0.5; // beats
    double velocity = 1.0;

    bool operator==(const EventDoc&) const = default;
};

inline constexpr int kPatternEditorStateCount = 11;

struct PatternDoc {
    std::int32_t index = kMissingInteger; // pattern number within the Node
    std::string name;
    std::int32_t ticksPerBeat = kMissingInteger;
    std::int32_t length = kMissingInteger; // beats
    std::int32_t colour = 0;               // 0 asks for a random colour
    // In the order the file lists them; each applied only when present.
    std::array<std::int32_t, kPatternEditorStateCount> editorState = {
        kMissingInteger, kMissingInteger, kMissingInteger, kMissingInteger,
        kMissingInteger, kMissingInteger, kMissingInteger, kMissingInteger,
        kMissingInteger, kMissingInteger, kMissingInteger};
    std::vector<EventDoc> events;

    bool operator==(const PatternDoc&) const = default;
};

// One placement of a pattern on a sequence track.
struct SequenceEntryDoc {
    std::int32_t pattern = kMissingInteger;
    double beat = kMissingReal;   // song beat of the placement's start
    double length = kMissingReal; // beats placed; not used by a load
    // Missing is 0.0, a placement's own transpose: -1.0 is a real
    // transpose (one semitone down) and must survive a save and load.
    double transpose = 0.0;

    bool operator==(const SequenceEntryDoc&) const = default;
};

inline constexpr int kSequenceTrackFurtherDisplayCount = 3;

struct SequenceTrackDoc {
    std::int32_t index = kMissingInteger; // in the Node's list of sequence tracks
    std::int32_t displayFirst = kMissingInteger;
    std::array<std::int32_t, kSequenceTrackFurtherDisplayCount> displayFurther = {
        kMissingInteger, kMissingInteger, kMissingInteger};
    std::vector<SequenceEntryDoc> entries;

    bool operator==(const SequenceTrackDoc&) const = default;
};

// The value of one parameter of one track of one group.
struct ParameterValueDoc {
    std::int32_t group = kMissingInteger;
    std::int32_t track = kMissingInteger;
    std::int32_t index = kMissingInteger; // within the group
    double value = kMissingReal;
    std::int32_t slotInteger = kMissingInteger; // the integer of the value slot

    bool operator==(const ParameterValueDoc&) const = default;
};

struct MachineDoc {
    std::int32_t id = kMissingInteger; // Node id, 0 is the Master
    std::int32_t trackCount = kMissingInteger;
    std::string name;
    std::string typeName; // as the machine factory knows it
    // Fractions of the machine view's width and height.
    double x = kMissingReal;
    double y = kMissingReal;
    std::vector<std::uint8_t> state; // what the machine saved, handed to Init
    std::array<std::int32_t, 2> editorState = {kMissingInteger, kMissingInteger};
    std::int32_t currentPattern = kMissingInteger;
    std::vector<SequenceTrackDoc> sequenceTracks;
    std::vector<PatternDoc> patterns;
    std::vector<ParameterValueDoc> parameterValues;

    bool operator==(const MachineDoc&) const = default;
};

struct ConnectionDoc {
    std::int32_t index = kMissingInteger; // in the destination's input list
    std::int32_t source = kMissingInteger;
    std::int32_t destination = kMissingInteger;

    bool operator==(const ConnectionDoc&) const = default;
};

struct ChannelConnectionDoc {
    std::int32_t index = kMissingInteger;           // in the Connection's route list
    std::int32_t connectionIndex = kMissingInteger; // in the destination's input list
    std::int32_t source = kMissingInteger;
    std::int32_t destination = kMissingInteger;
    std::int32_t destinationChannel = kMissingInteger;
    std::int32_t sourceChannel = kMissingInteger;

    bool operator==(const ChannelConnectionDoc&) const = default;
};

struct NodeOrderDoc {
    std::int32_t position = kMissingInteger;
    std::int32_t nodeId = kMissingInteger;

    bool operator==(const NodeOrderDoc&) const = default;
};

struct ProjectDocument {
    std::array<std::int32_t, 2> selection = {kMissingInteger, kMissingInteger};
    std::int32_t editedNode = kMissingInteger;
    std::vector<WaveDoc> waves;
    std::vector<MachineDoc> machines;
    std::vector<ConnectionDoc> connections;
    std::vector<ChannelConnectionDoc> channelConnections;
    // Beats.
    double songStart = kMissingReal;
    double songEnd = kMissingReal;
    double loopStart = kMissingReal;
    double loopEnd = kMissingReal;
    std::vector<NodeOrderDoc> nodeOrder;

    bool operator==(const ProjectDocument&) const = default;
};

} // namespace tarn
