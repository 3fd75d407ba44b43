#include "audio/MidiParser.h"

namespace tarn {
namespace {

constexpr std::uint8_t kStatusBit = 0x80;
constexpr std::uint8_t kSystem = 0xF0;
constexpr std::uint8_t kRealTime = 0xF8;

// Program change and channel pressure carry one data byte, the others two.
int DataBytes(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

} // namespace

bool MidiParser::Feed(std::uint8_t byte, MidiMessage& message) noexcept {
    if (byte >= kRealTime) {
        return false; // clock, start, stop...: never part of a message
    }
    if ((byte & kStatusBit) != 0) {
        count_ = 0;
        if (byte >= kSystem) {
            // System messages cancel running status; their data (a
            // system-exclusive block, a song position) is skipped up to the
            // next status byte.
            status_ = 0;
            skipping_ = true;
            return false;
        }
        status_ = byte;
        expected_ = DataBytes(byte);
        skipping_ = false;
        return false;
    }
    if (skipping_ || status_ == 0) {
        return false;
    }
    data_[count_++] = byte;
    if (count_ < expected_) {
        return false;
    }
    count_ = 0;
    message.status = status_;
    message.data1 = data_[0];
    message.data2 = expected_ == 2 ? data_[1] : 0;
    return true;
}

} // namespace tarn
