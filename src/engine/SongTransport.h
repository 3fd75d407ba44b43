#pragma once

#include <cstdint>

namespace tarn {

// The song clock of a Project: where the song is (in beats), the song and
// loop ranges and the transport flags. Written by the transport commands on
// the GUI thread and by the work cycle, both under the project lock.
// Stopping also silences the machines, so it is the Project's job
// (Project::Stop); this record only keeps the flags.
class SongTransport {
public:
    enum Flag : std::uint32_t {
        kPlaying = 1,
        kLoopActive = 2, // the loop range, not the song range, is the active range
        kRepeat = 4,     // wrap at the end of the active range instead of stopping
        kStopped = 8,    // set by Stop, cleared by the play commands
        // Nothing sets it; the play and stop commands clear it, so whatever a
        // stored project carries there never outlives a transport command.
        kSpare = 16,
    };

    void PlaySong() noexcept;
    // Plays the song (not the loop) from beat.
    void PlaySongFrom(double beat) noexcept;
    void PlayLoop() noexcept;
    void ToggleRepeat() noexcept { flags ^= kRepeat; }
    // The flag half of Stop.
    void MarkStopped() noexcept;

    bool Playing() const { return (flags & kPlaying) != 0; }
    bool LoopActive() const { return (flags & kLoopActive) != 0; }
    bool Repeat() const { return (flags & kRepeat) != 0; }

    // Where the events of the next chunk of frames end: never past the end
    // of the active range.
    double ChunkEnd(int frames, double beatsPerSample) const noexcept;

    // Moves on by a rendered chunk while playing, then wraps at the end of
    // the active range when repeating. Also runs while stopped, so that a
    // position left beyond the end is caught. True when the end was reached
    // without repeat: the caller must stop.
    bool Advance(int frames, double beatsPerSample) noexcept;

    double position = 0.0; // beats
    double songStart = 0.0;
    double songEnd = 4.0;
    double loopStart = 0.0;
    double loopEnd = 4.0;
    std::uint32_t flags = kRepeat;
};

} // namespace tarn
