#pragma once

#include "sequencing/EventList.h"
#include "sequencing/EventPool.h"

namespace tarn {

class Node;
class SequenceTrack;

// Where one chunk lies in the song.
struct ChunkTiming {
    double position = 0.0; // song position at the chunk's first frame, beats
    // Where its events end, beats: the position after the chunk, cut at the
    // end of the active range.
    double end = 0.0;
    int frames = 0; // 1..kMaxChunkFrames
    double samplesPerBeat = 0.0;
    bool playing = false; // whether the sequence plays at all
};

// Gathers the events of one Node for one chunk: its queued live events and,
// while the song plays, the due events of each of its sequence tracks, each
// copied into a pool record, stamped with its sample offset in the chunk
// and merged in offset order, live events ahead of the song's at the same
// offset; then hands them out by group: System events
// for the output stage, input-mixer events for the Connections, machine
// events for the machine.
//
// Owned by the engine and run on the audio thread with the project lock
// and the Node's lock held. The records and lists are valid until the next
// Collect. With at most EventPool::kKept events per chunk nothing is
// allocated.
class EventCollector {
public:
    void Collect(Node& node, const ChunkTiming& chunk) noexcept;

    // Appends the track's events due in the chunk to the scratch list, in
    // offset order. Each event's value is also written into the Node's
    // parameter so that the editors show what plays; a machine note takes
    // its placement's transpose, kept within the parameter's range.
    void CollectTrack(Node& node, const SequenceTrack& track, const ChunkTiming& chunk) noexcept;

    // The merged events of the last Collect, before handing out.
    const EventList& ChunkEvents() const { return chunk_; }
    EventList& SystemEvents() { return system_; }
    EventList& MachineEvents() { return machine_; }
    // The input-mixer events for the Connection at index track of the
    // Node's input list. Valid until the next call.
    EventList& ConnectionEvents(int track) noexcept;

private:
    void Clear() noexcept;
    void MergeScratch() noexcept;
    void HandOut() noexcept;

    EventPool pool_;
    EventList chunk_;
    EventList scratch_;
    EventList merged_;
    EventList system_;
    EventList mixer_;
    EventList machine_;
    EventList connection_;
};

} // namespace tarn
