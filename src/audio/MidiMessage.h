#pragma once

#include <cstdint>

namespace tarn {

// One complete MIDI channel message as an input hands it to the studio:
// the status byte, its data bytes (data2 is 0 for two-byte messages) and
// the frame time it arrived at in the input's own clock (see MidiInput).
struct MidiMessage {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    bool timed = false; // false: play it as soon as possible
    std::uint32_t time = 0;
};

} // namespace tarn
