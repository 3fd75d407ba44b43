#pragma once

#include "audio/AudioStreamer.h"
#include "engine/TempoRecord.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace tarn {

class Studio;

struct RenderRequest {
    // A name ending in ".raw" gets raw samples, anything else a WAVE file;
    // a name without an extension gets ".wav".
    std::filesystem::path output;
    // The name error lines give the output: the user's file when output
    // is a temporary that replaces it; empty for output itself.
    std::string shown;
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

// The frames that beats take at a tempo, rounded up to a whole frame (a
// length that is a whole number of frames but for rounding stays that
// number).
std::int64_t FramesForBeats(double beats, const TempoRecord& tempo);

// The length of an offline render in whole frames, counted in integers: the
// frames due are worked out once for each tempo in force, from the beats
// still due, so that no rounding builds up over the chunks of a long
// render. As on the song clock, a chunk counts at the tempo in force after
// it was rendered.
class RenderLength {
public:
    RenderLength(double beats, const TempoRecord& tempo);

    // The frames of the next chunk: at most limit, 0 once the beats are
    // rendered.
    int NextChunk(int limit) const;
    // After a chunk of frames, with the tempo in force now.
    void Rendered(int frames, const TempoRecord& tempo);

    std::int64_t Frames() const { return frames_; } // rendered so far
    double Beats() const;                           // rendered so far

private:
    double beats_;
    double bpm_;
    double sampleRate_;
    double startBeats_ = 0.0; // rendered before the tempo in force
    std::int64_t start_ = 0;  // frames rendered before the tempo in force
    std::int64_t end_;        // where the render ends at the tempo in force
    std::int64_t frames_ = 0;
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
// after the requested beats. Every Node is restarted first (Project::
// Restart), and the values the song's events write into the Nodes'
// parameters are put back afterwards, so the same project always gives the
// same bytes, whatever played or rendered before.
// A WAVE render whose length at the starting tempo would pass the format's
// 4 GiB limit is refused before it starts. On failure (after an error line)
// no file is left behind, except a WAVE recording stopped complete at its
// size limit; a cancelled render leaves its partial file to the caller. Owner's thread; nothing
// else may drive the engine meanwhile.
RenderResult RenderSong(Studio& studio, const RenderRequest& request);

} // namespace tarn
