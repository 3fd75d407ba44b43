#pragma once

#include "audio/MidiMessage.h"

#include <optional>

namespace tarn {

class Project;

// A note played live, from MIDI input or the computer keyboard: the value
// for the Nodes' note parameter and its gate (1.0 note on, 0.0 note off),
// which travels as the event's velocity.
struct LiveNote {
    int value = 0;
    double gate = 0.0;
};

// The note a MIDI message plays: a note on (9n) with its velocity as the
// gate, velocity 0 ending the note; a note off (8n) ends the note as well,
// as the MIDI standard makes the two the same. Anything else plays nothing.
std::optional<LiveNote> DecodeMidiNote(const MidiMessage& message) noexcept;

// Queues note at offset (frames into the next chunk) for every Node that
// takes live notes (its live-input flag set and a note parameter among its
// machine's), in id order, as one immediate change of that parameter on
// track 0. The value is kept within the parameter's range, so that notes
// below the lowest one play it rather than a wrapped note far above every
// machine's range. A Node whose queue is full misses the note. Project lock
// held; allocates nothing, so that the work cycle may call it. Answers the
// number of Nodes that took the note.
int SendLiveNote(Project& project, const LiveNote& note, int offset = 0) noexcept;

} // namespace tarn
