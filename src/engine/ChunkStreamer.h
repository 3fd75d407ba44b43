#pragma once

namespace tarn {

class Project;

// The audio streamer as the work cycle sees it: after every chunk it is
// told that frames new samples are in the Nodes' channel buffers, and
// reads its source Node's itself. Called on the audio thread with the
// project lock and the streamer lock held; must neither allocate nor
// block.
class ChunkStreamer {
public:
    virtual ~ChunkStreamer() = default;
    virtual void WriteChunk(Project& project, int frames) noexcept = 0;
};

} // namespace tarn
