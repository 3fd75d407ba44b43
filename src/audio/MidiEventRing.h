#pragma once

#include "audio/MidiMessage.h"

#include <array>
#include <atomic>
#include <cstddef>

namespace tarn {

// Hands MIDI messages from one input's thread (or JACK callback) to the
// work cycle without a lock: one producer, one consumer, a fixed number of
// slots. A full ring refuses new messages, so a flood that nothing takes
// away costs no memory; neither side allocates or blocks.
class MidiEventRing {
public:
    static constexpr std::size_t kCapacity = 1024; // a power of two

    // Producer. False when full: the message is dropped.
    bool Push(const MidiMessage& message) noexcept;

    // Consumer. The oldest message, or null when empty; it stays until Pop.
    const MidiMessage* Peek() const noexcept;
    void Pop() noexcept;
    // Consumer: drops everything pushed so far.
    void Clear() noexcept;

private:
    std::array<MidiMessage, kCapacity> slots_{};
    std::atomic<std::size_t> written_ = 0;
    std::atomic<std::size_t> read_ = 0;
};

} // namespace tarn
