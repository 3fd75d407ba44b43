#pragma once

#include <cstdint>

namespace tarn {

class Project;

// Notes played from outside the song (MIDI input) as the work cycle takes
// them: at the start of every chunk, before any Node renders, the source
// queues the chunk's due notes on the Nodes' live-event queues. frame is
// the engine's running count of rendered frames at the chunk's first frame,
// the clock the source schedules by.
//
// Called on the audio thread with the project lock held; must neither
// allocate nor block, and queues only where LiveEventQueue::HasRoom.
class LiveInput {
public:
    virtual ~LiveInput() = default;
    virtual void TakeLiveInput(Project& project, std::uint64_t frame, int frames) noexcept = 0;
};

} // namespace tarn
