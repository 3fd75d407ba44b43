#pragma once

namespace tarn {

class Project;

// A transport outside the studio that the song follows, and that follows
// the song's own play and stop (JACK's). The work cycle asks it at the
// start of every buffer, before any chunk is rendered, so that a start,
// stop or relocation outside takes effect from that buffer's first frame.
//
// Called on the audio thread with the project lock held; must neither
// allocate nor block.
class TransportLink {
public:
    virtual ~TransportLink() = default;
    virtual void SyncTransport(Project& project) noexcept = 0;
};

} // namespace tarn
