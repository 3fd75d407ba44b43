#pragma once

#include "audio/MidiEventRing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// One MIDI input service of the system (the ALSA sequencer, a JACK MIDI
// port), as the MIDI input list needs it: once open, it turns every note
// message it receives into a MidiMessage pushed into the ring, from a
// thread of its own or the system's callback, allocating nothing per
// message. Timed inputs stamp each message with the frame it arrived at in
// their own clock, so that the work cycle can place it at the same distance
// from its neighbours as it was played.
//
// Threads: Open, Close and Sources belong to the owner's thread; Now and
// Period may be called from the audio thread while the input is open.
class MidiInput {
public:
    MidiInput() = default;
    virtual ~MidiInput() = default;
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // Opens the input and starts delivering. False when the system cannot
    // offer it; a missing service may say so in one line on the message
    // pipe.
    virtual bool Open(MidiEventRing& ring) = 0;
    // Stops delivery; once it returns nothing writes into the ring again.
    // Closing a closed input does nothing.
    virtual void Close() = 0;
    // The sources the open input hears, one readable name each.
    virtual std::vector<std::string> Sources() const = 0;

    // For timed inputs: the current frame in the clock of the stamps, and
    // the most frames a message may wait before it is delivered.
    virtual bool Timed() const noexcept { return false; }
    virtual std::uint32_t Now() const noexcept { return 0; }
    virtual int Period() const noexcept { return 0; }
};

} // namespace tarn
