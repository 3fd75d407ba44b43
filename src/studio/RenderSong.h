#pragma once

#include "audio/AudioStreamer.h"

#include <cstdint>
#include <filesystem>
#include <functional>

namespace tarn {

class Studio;

struct RenderRequest {
    // A name ending in ".raw" gets raw samples, anything else a WAVE file;
    // a name without an extension gets ".wav".
    std::filesystem::path output;
    int sampleFormat = AudioStreamer::kFloat32;
    // Above 0: this many beats from the song's start, wrapping as the song
    // would; otherwise the song once, from its start to its end.
    double beats = 0.0;
    // Told the fraction done (0..1) and the beats rendered after every
    // chunk, on the rendering thread.
    std::function<void(double fraction, double beats)> progress;
    // Asked after every chunk; true ends the render early, incomplete.
    std::function<bool()> cancelled;
};

struct RenderResult {
    bool done = false;
    bool cancelled = false;
    std::filesystem::path file; // what was written
    std::int64_t frames = 0;
};

// Renders the studio's current project offline, as fast as the machine
// allows: plays the song from its start and records the Master's outputs
// through the audio streamer, chunk by chunk, so that the file ends exactly
// after the requested beats. The same project always gives the same bytes.
// A WAVE render whose length at the starting tempo would pass the format's
// 4 GiB limit is refused before it starts. On failure (after an error line)
// no file is left behind, except a WAVE recording stopped complete at its
// size limit; a cancelled render leaves its partial file to the caller. Owner's thread; nothing
// else may drive the engine meanwhile.
RenderResult RenderSong(Studio& studio, const RenderRequest& request);

} // namespace tarn
