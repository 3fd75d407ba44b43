#pragma once

// The binary interface of VST 2 plug-ins as laid out on x86-64 Linux: the
// effect record a plug-in hands out, the event block and MIDI event it is
// sent, the time record and editor rectangle it asks for, and the numbers
// of the calls made across it. Only what the adapter uses is declared.

#include <cstddef>
#include <cstdint>

namespace tarn::vst {

struct Effect;

using HostCallbackFunction = std::intptr_t (*)(Effect* effect, std::int32_t opcode,
                                               std::int32_t index, std::intptr_t value,
                                               void* pointer, float opt);
using DispatcherFunction = std::intptr_t (*)(Effect* effect, std::int32_t opcode,
                                             std::int32_t index, std::intptr_t value, void* pointer,
                                             float opt);
using ProcessFunction = void (*)(Effect* effect, float** inputs, float** outputs,
                                 std::int32_t frames);
using SetParameterFunction = void (*)(Effect* effect, std::int32_t index, float value);
using GetParameterFunction = float (*)(Effect* effect, std::int32_t index);
// The library's entry point: it makes one effect, talking back through the
// host callback.
using EntryFunction = Effect* (*)(HostCallbackFunction host);

// "VstP" read as a big-endian 32-bit number.
constexpr std::int32_t kEffectMagic = 0x56737450;

struct Effect {
    std::int32_t magic;
    DispatcherFunction dispatcher;
    ProcessFunction process; // accumulating; may be null in newer plug-ins
    SetParameterFunction setParameter;
    GetParameterFunction getParameter;
    std::int32_t numPrograms;
    std::int32_t numParams;
    std::int32_t numInputs;
    std::int32_t numOutputs;
    std::int32_t flags;
    std::intptr_t reserved1;
    std::intptr_t reserved2;
    std::int32_t initialDelay;
    std::int32_t realQualities;
    std::int32_t offQualities;
    float ioRatio;
    void* object;
    void* user;
    std::int32_t uniqueId;
    std::int32_t version;
    ProcessFunction processReplacing;
    void* processDoubleReplacing;
    char future[56];
};

static_assert(offsetof(Effect, dispatcher) == 8);
static_assert(offsetof(Effect, numPrograms) == 40);
static_assert(offsetof(Effect, flags) == 56);
static_assert(offsetof(Effect, object) == 96);
static_assert(offsetof(Effect, processReplacing) == 120);
static_assert(sizeof(Effect) == 192);

enum EffectFlag : std::int32_t {
    kFlagsHasEditor = 1,
    kFlagsCanReplacing = 16,
    kFlagsProgramChunks = 32,
    kFlagsIsSynth = 256,
};

// Calls into the plug-in's dispatcher.
enum EffectOpcode : std::int32_t {
    kEffOpen = 0,
    kEffClose = 1,
    kEffSetProgram = 2,
    kEffGetProgram = 3,
    kEffGetProgramName = 5,
    kEffGetParamLabel = 6,
    kEffGetParamDisplay = 7,
    kEffGetParamName = 8,
    kEffSetSampleRate = 10,
    kEffSetBlockSize = 11,
    kEffMainsChanged = 12,
    kEffEditGetRect = 13,
    kEffEditOpen = 14,
    kEffEditClose = 15,
    kEffEditIdle = 19,
    kEffGetChunk = 23,
    kEffSetChunk = 24,
    kEffProcessEvents = 25,
    kEffGetProgramNameIndexed = 29,
    kEffGetEffectName = 45,
    kEffGetVendorString = 47,
    kEffGetProductString = 48,
    kEffIdle = 53,
    kEffGetVstVersion = 58,
};

// Requests from the plug-in to the host callback.
enum HostOpcode : std::int32_t {
    kHostAutomate = 0,
    kHostVersion = 1,
    kHostCurrentId = 2,
    kHostGetTime = 7,
    kHostGetNumAutomatableParameters = 11,
    kHostGetParameterQuantization = 12,
    kHostNeedIdle = 14,
    kHostGetVendorString = 32,
    kHostGetProductString = 33,
    kHostCanDo = 37,
    kHostGetLanguage = 38,
    kHostUpdateDisplay = 42,
};

// The longest texts the interface allows for each answer, terminating zero
// included. Plug-ins often write more; readers use larger buffers.
constexpr std::size_t kMaxVendorText = 64;
constexpr std::size_t kMaxProductText = 64;
constexpr std::size_t kMaxEffectNameText = 32;
constexpr std::size_t kMaxParameterText = 8;
constexpr std::size_t kMaxProgramNameText = 24;

constexpr std::int32_t kMidiEventType = 1;

// Events are addressed through this header; MIDI events are its only kind
// the adapter sends.
struct Event {
    std::int32_t type;
    std::int32_t byteSize; // of what follows type and byteSize
    std::int32_t deltaFrames;
    std::int32_t flags;
    char data[16];
};

struct MidiEvent {
    std::int32_t type = kMidiEventType;
    std::int32_t byteSize = 24;
    std::int32_t deltaFrames = 0;
    std::int32_t flags = 0;
    std::int32_t noteLength = 0;
    std::int32_t noteOffset = 0;
    std::uint8_t midiData[4] = {};
    std::int8_t detune = 0;
    std::uint8_t noteOffVelocity = 0;
    std::uint8_t reserved1 = 0;
    std::uint8_t reserved2 = 0;
};

static_assert(sizeof(MidiEvent) == 32);
static_assert(sizeof(Event) == 32);
static_assert(offsetof(MidiEvent, midiData) == 24);

// The event block: a count and that many event pointers. The interface
// declares two pointers; a host allocates as many as it sends.
template <std::size_t Capacity> struct Events {
    std::int32_t numEvents = 0;
    std::intptr_t reserved = 0;
    MidiEvent* events[Capacity] = {};
};

static_assert(offsetof(Events<2>, events) == 16);

enum TimeFlag : std::int32_t {
    kTempoValid = 1024,
};

struct TimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    std::int32_t timeSigNumerator;
    std::int32_t timeSigDenominator;
    std::int32_t smpteOffset;
    std::int32_t smpteFrameRate;
    std::int32_t samplesToNextClock;
    std::int32_t flags;
};

static_assert(sizeof(TimeInfo) == 88);
static_assert(offsetof(TimeInfo, flags) == 84);

// An editor's extent in pixels.
struct Rect {
    std::int16_t top;
    std::int16_t left;
    std::int16_t bottom;
    std::int16_t right;
};

} // namespace tarn::vst
