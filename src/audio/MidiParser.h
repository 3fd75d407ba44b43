#pragma once

#include "audio/MidiMessage.h"

#include <cstdint>

namespace tarn {

// Turns a raw MIDI byte stream into complete channel messages, as a cable
// delivers it: running status (data bytes that reuse the last status),
// real-time bytes anywhere in between, system-exclusive blocks of any
// length, and messages cut short by a new status byte (dropped). System
// common messages are skipped with their data. Keeps no more state than
// one message, so it never allocates; one parser per byte stream.
class MidiParser {
public:
    // Feeds one byte; true when it completed a channel message, now in
    // message (whose time fields are left as they were).
    bool Feed(std::uint8_t byte, MidiMessage& message) noexcept;

private:
    std::uint8_t status_ = 0;   // running channel status, 0 for none
    std::uint8_t data_[2] = {}; // data bytes of the message being read
    int count_ = 0;             // data bytes read
    int expected_ = 0;          // data bytes the status needs
    bool skipping_ = false;     // inside system data (exclusive or common)
};

} // namespace tarn
