#pragma once

// The records shared by the studio and every machine, plug-ins included.
// Plain structures only, so that a machine library can be compiled against
// this header alone. Words that hold pointers are pointers; words that hold
// integers stay 32-bit; field order is fixed and alignment is natural.

#include <cstddef>
#include <cstdint>

namespace tarn {

struct MachineMessage;

// Every host callback takes a message and answers a 32-bit integer. Machine
// code calls it from its own frames, so it never throws across them.
using HostCallback = std::int32_t (*)(MachineMessage* message) noexcept;

struct MachineMessage {
    void* hostContext = nullptr;  // machine-to-host: first word of the HostLink
    void* hostCookie = nullptr;   // machine-to-host: third word of the HostLink
    std::int32_t messageType = 0; // see MessageType and HostMessageType
    std::int32_t value = 0;       // index, count, size or integer argument
    std::int32_t value2 = 0;      // second integer argument
    void* pointer = nullptr;      // data block, text, double or record; also a result
    void* extra = nullptr;        // third argument of FormatValue: the text buffer
};

struct HostLink {
    void* hostContext = nullptr;
    HostCallback hostCallback = nullptr;
    void* hostCookie = nullptr;
};

// Host-to-machine messages.
enum MessageType : std::int32_t {
    kMsgAttachHost = 1,
    kMsgSetHostContext = 11,
    kMsgWork = 100,
    kMsgInit = 110,
    kMsgSaveState = 111,
    kMsgLoadPlugin = 115,
    kMsgReserved130 = 130,
    kMsgIdle = 131,
    kMsgStop = 135,
    kMsgUpdateTempo = 150,
    kMsgSetSampleRate = 151,
    kMsgSetBpm = 153,
    kMsgSetTrackCount = 160,
    kMsgGetParameterValue = 170,
    kMsgSetParameterValue = 171,
    kMsgSetProgram = 175,
    kMsgDescribe = 200,
    kMsgFormatValue = 350,
    kMsgGetEditorSize = 600,
    kMsgOpenEditor = 601,
    kMsgCloseEditor = 602,
};

// Machine-to-host messages, sent through the host callback.
enum HostMessageType : std::int32_t {
    kHostGetWave = 120,
    kHostDescribeBegin = 200,
    kHostInfoName = 201,
    kHostInfoAuthor = 202,
    kHostInfoAlternateName = 203,
    kHostInfoRevision = 204,
    kHostInfoKind = 205,
    kHostInfoMinTracks = 206,
    kHostInfoMaxTracks = 207,
    kHostInfoInputChannels = 208,
    kHostInfoOutputChannels = 209,
    kHostInfoInputChannelsPerTrack = 210,
    kHostInfoOutputChannelsPerTrack = 211,
    kHostInfoShortName = 212,
    kHostInfoFlags = 213,
    kHostProgramEntry = 250,
    kHostProgramName = 251,
    kHostParameterBegin = 300,
    kHostParameterFolder = 301,
    kHostParameterType = 302,
    kHostParameterFlags = 303,
    kHostParameterName = 305,
    kHostParameterDescription = 306,
    kHostParameterMinimum = 307,
    kHostParameterMaximum = 308,
    kHostParameterDefault = 310,
    kHostParameterResolution = 312,
    kHostFolderBegin = 400,
    kHostFolderParent = 402,
    kHostFolderName = 403,
    kHostFolderFlag = 410,
    kHostParameterChanged = 500,
};

enum MachineKind : std::int32_t {
    kKindMaster = 1,
    kKindGenerator = 2,
    kKindEffect = 3,
};

// MachineInfo flag: the machine has an editor window of its own.
constexpr std::int32_t kInfoHasEditor = 2;

enum ParameterType : std::int32_t {
    kTypeDouble = 1,
    kTypeByte = 2,
    kTypeWord = 3,
    kTypeNote = 4,
    kTypeSwitch = 5,
    kTypeNibble = 6,
    kTypeTribble = 7,
};

// A note value is the MIDI note number less this: note 57 is MIDI note 69,
// A4 at 440 Hz, on every instrument, built-in or plug-in.
constexpr std::int32_t kMidiNoteShift = 12;

enum ParameterFlag : std::int32_t {
    kParamGlobal = 1,
    kParamNoteDescriptor = 2,
    kParamNoPatternColumn = 4,
    kParamHidden = 8,
    kParamMachineHeld = 16,
    kParamWithEveryNote = 32,
};

enum ParameterGroup : std::int16_t {
    kGroupSystem = 1,
    kGroupInputMixer = 2,
    kGroupMachine = 3,
};

// One channel of a Node: its samples (256 doubles) and, in bit 0, whether a
// route uses it.
struct ChannelBufferRecord {
    double* samples = nullptr;
    std::int32_t connected = 0;
};

// A timed event as machines see it. The first 72 bytes are what the engine
// hands to machines; inside patterns the record carries an editor mark too.
struct EventRecord {
    std::int16_t group = 0;   // ParameterGroup
    std::int16_t nodeId = 0;  // Node the event belongs to
    std::int16_t index = 0;   // parameter index within the group
    std::int16_t track = 0;   // group 2: position of the Connection in the input list
    double time = 0.0;        // within its beat, 0 <= time < 1
    double exactOffset = 0.0; // sample offset within the chunk, filled at playback
    std::int32_t offset = 0;  // whole sample offset within the chunk
    std::int32_t reserved = 0;
    double value = 0.0;
    double endValue = 0.0;    // value of the next event of the same parameter and track
    double glideLength = 0.0; // beats to that next event, 0 for the last one
    double noteLength = 0.0;  // beats, notes only
    double velocity = 0.0;    // 0..1, notes only; 0 is a key release
};

struct PatternEventRecord {
    EventRecord event;
    std::int32_t editorMark = 0; // never played
};

static_assert(sizeof(EventRecord) == 72);
static_assert(offsetof(EventRecord, nodeId) == 2);
static_assert(offsetof(EventRecord, index) == 4);
static_assert(offsetof(EventRecord, track) == 6);
static_assert(offsetof(EventRecord, time) == 8);
static_assert(offsetof(EventRecord, exactOffset) == 16);
static_assert(offsetof(EventRecord, offset) == 24);
static_assert(offsetof(EventRecord, reserved) == 28);
static_assert(offsetof(EventRecord, value) == 32);
static_assert(offsetof(EventRecord, endValue) == 40);
static_assert(offsetof(EventRecord, glideLength) == 48);
static_assert(offsetof(EventRecord, noteLength) == 56);
static_assert(offsetof(EventRecord, velocity) == 64);
static_assert(sizeof(PatternEventRecord) == 80);
static_assert(offsetof(PatternEventRecord, editorMark) == 72);

// What a machine's Work receives for one chunk of at most 256 frames.
struct WorkRecord {
    std::int32_t reserved = 0;
    ChannelBufferRecord** inputs = nullptr;
    ChannelBufferRecord** outputs = nullptr;
    std::int32_t frameCount = 0;
    EventRecord** events = nullptr; // in sample-offset order
    std::int32_t eventCount = 0;
};

constexpr int kMaxChunkFrames = 256;

} // namespace tarn
