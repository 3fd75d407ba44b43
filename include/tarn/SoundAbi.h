#pragma once

// The records shared by the studio and sound-handler plug-ins: a decoded
// sound as handlers fill it and machines read it (GetWave). Plain structures
// only; field order is fixed and alignment is natural.

#include "tarn/MachineAbi.h"

#include <cstddef>
#include <cstdint>

namespace tarn {

struct SoundFormat {
    std::int32_t frameCount = 0;
    std::int32_t channelCount = 0;
    std::int32_t bitsPerSample = 0; // of the decoded layout: 32 for float arrays
    std::int32_t sampleRate = 0;    // Hz
    std::int32_t loopPointCount = 0;
};

// A loop as a sound file's sampler chunk gives it.
struct LoopPoint {
    std::int32_t kind = 0; // the sampler chunk's loop type
    std::int32_t unused = 0;
    double start = 0.0; // frames
    double end = 0.0;   // frames
};

// channels: format.channelCount arrays of format.frameCount samples at
// nominal full scale +-1.0; loopPoints: format.loopPointCount loop points.
// Whoever allocated the arrays owns them.
struct SoundData {
    SoundFormat format;
    float** channels = nullptr;
    LoopPoint** loopPoints = nullptr;
};

static_assert(sizeof(SoundFormat) == 20);
static_assert(sizeof(LoopPoint) == 24);
static_assert(offsetof(LoopPoint, start) == 8);
static_assert(offsetof(LoopPoint, end) == 16);

// Host-to-handler messages beside the attach-host handshake (1, 11).
enum SoundMessageType : std::int32_t {
    kSoundQueryFormat = 100, // pointer: SoundData whose format the handler fills
    kSoundDecode = 101,      // pointer: SoundData with arrays for the reported format
    kSoundOpen = 102,        // pointer: file path (text); value passed along
    kSoundClose = 103,
};

// The one export of a sound-handler library: extern "C" SoundHandler*
// CreatePlugin(), returning a new handler the studio deletes at shut-down.
inline constexpr const char* kSoundPluginExport = "CreatePlugin";

} // namespace tarn
