#pragma once

#include "audio/WaveOutDriver.h"

#include <string>
#include <vector>

namespace tarn {

class Studio;

struct PlayRequest {
    // Above 0: this many beats from the song's start, wrapping as the song
    // would; otherwise the song once, from its start to its end.
    double beats = 0.0;
    std::string backend = "auto"; // "auto", "alsa" or "jack"
    LatencyMode latency = LatencyMode::kSafe;
    // With JACK: the song keeps time with the JACK transport. A stop from
    // outside then pauses the song instead of ending the playback.
    TransportMode transport = TransportMode::kFollow;
    // No position line on a terminal.
    bool quiet = false;
    // Ids of the Nodes that take notes from MIDI input. With any, the MIDI
    // inputs are open while it plays, and playback goes on after the song
    // (or without one) until Ctrl+C.
    std::vector<int> liveNodes;
};

enum class PlayOutcome {
    kFinished,    // played to the end and shut down
    kInterrupted, // Ctrl+C (SIGINT) ended it early, cleanly
    kNoDevice,    // the system offers no playback device
    kFailed,      // an error line said why
};

// Plays the studio's current project through the audio output driver and
// returns once it has been heard to the end: the driver's fill thread
// renders it, a clock on the engine's chunk hook counts the beats, and the
// driver is stopped and closed after the last queued buffer has played.
// With live Nodes the MIDI inputs are opened first and closed before it
// returns, so no note reaches a project after playback.
// While it runs, the studio's streamer is detached. Owner's thread; it
// blocks, and takes SIGINT (and SIGTERM, SIGHUP) for itself while it does;
// on a terminal it shows the song position unless quiet.
PlayOutcome PlaySong(Studio& studio, const PlayRequest& request);

} // namespace tarn
