#pragma once

#include <cstdint>

namespace tarn {

// How far the engine's frame count runs ahead of a timed MIDI input's
// clock, as that input's notes are placed by. Measured at the start of
// every chunk, the lead wobbles by up to a period of the input (the engine
// renders in bursts) and jumps up for a while when either side runs late.
// A note must never be due before it can have arrived, so the lead takes
// the largest of the last second or two and grows at once; but a late
// stretch passes, and once it has left the window the lead shrinks back
// slowly, a sixteenth of the frames rendered meanwhile, so that the notes
// played as it shrinks keep their spacing within a few percent and stay in
// order. A lead far below the held one means the engine had stopped
// rendering: the schedule starts over from it.
//
// Frames are counted modulo 2^32 on both clocks; only differences count.
// One thread (the work cycle); nothing allocates.
class ClockLead {
public:
    // About a second of frames at the engine's rate.
    static constexpr std::uint32_t kWindowFrames = 44100;
    // Shrinking by one frame per this many rendered.
    static constexpr int kShrinkPace = 16;
    // A measure this far below the held lead restarts the schedule.
    static constexpr std::int32_t kResyncFrames = 16384;

    // The lead measured at the start of a chunk of frames beginning at
    // engine frame frame; answers the lead to place the chunk's notes by.
    std::int32_t Update(std::int32_t measured, std::uint32_t frame, int frames) noexcept;
    std::int32_t Value() const noexcept { return lead_; }

private:
    void Restart(std::int32_t measured, std::uint32_t frame) noexcept;

    bool synced_ = false;
    std::int32_t lead_ = 0;
    std::int32_t windowLargest_ = 0; // in the window that runs
    std::int32_t lastLargest_ = 0;   // in the window before it
    std::uint32_t windowStart_ = 0;  // engine frame
};

} // namespace tarn
