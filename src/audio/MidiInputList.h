#pragma once

#include "audio/ClockLead.h"
#include "audio/MidiEventRing.h"
#include "audio/MidiInput.h"
#include "engine/LiveInput.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace tarn {

// The open MIDI inputs and the notes they deliver. Each input writes into a
// ring of its own; the work cycle drains the rings at the start of every
// chunk and sends each note to the Nodes that take live notes. So an
// input's thread or callback never waits for the project lock, a flood
// that nothing renders fills the rings and stops there, and no input ever
// touches a project.
//
// A timed input's messages keep their spacing: each is placed at its
// stamp plus a delay, the engine's lead over the input's clock (the largest
// of the last second or two, see ClockLead) plus one period of the input,
// so that a message is due no earlier than it can have arrived, while a
// late stretch delays only the notes played during and just after it.
//
// Threads: Add and Close on the owner's thread; TakeLiveInput in the work
// cycle. Close every input (Close, or destroying the list) before the
// engine it is attached to goes.
class MidiInputList final : public LiveInput {
public:
    static constexpr std::size_t kCapacity = 256;
    // Notes taken from each input per chunk: with the events of a pattern
    // they stay within what the engine plays without allocating. A burst
    // beyond it waits in the ring for the following chunks.
    static constexpr int kNotesPerChunk = 8;

    MidiInputList() = default;
    ~MidiInputList() override;
    MidiInputList(const MidiInputList&) = delete;
    MidiInputList& operator=(const MidiInputList&) = delete;

    // Opens input and keeps it when it opens; an input that cannot be
    // opened is dropped, and false answered.
    bool Add(std::unique_ptr<MidiInput> input);
    // Opens the system's inputs: the ALSA sequencer and, with a JACK server
    // running, a JACK MIDI port. The number kept.
    int OpenSystemInputs();
    // Closes and drops every input.
    void Close();

    std::size_t Count() const { return slots_.size(); }
    const MidiInput& Input(std::size_t index) const { return *slots_[index].input; }

    void TakeLiveInput(Project& project, std::uint64_t frame, int frames) noexcept override;

private:
    struct Slot {
        std::unique_ptr<MidiInput> input;
        std::unique_ptr<MidiEventRing> ring;
        ClockLead lead; // engine frame minus input frame
    };

    static void Drain(Project& project, Slot& slot, std::uint32_t frame, int frames) noexcept;

    std::vector<Slot> slots_;
};

} // namespace tarn
