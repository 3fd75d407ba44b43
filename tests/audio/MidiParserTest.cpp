#include "audio/MidiParser.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <tuple>
#include <vector>

namespace tarn {
namespace {

using Parsed = std::vector<std::tuple<int, int, int>>;

Parsed Parse(const std::vector<std::uint8_t>& bytes) {
    MidiParser parser;
    Parsed parsed;
    for (std::uint8_t byte : bytes) {
        MidiMessage message;
        if (parser.Feed(byte, message)) {
            parsed.emplace_back(message.status, message.data1, message.data2);
        }
    }
    return parsed;
}

TEST(MidiParser, KeepsRunningStatusAndSkipsRealTimeAndSystemBytes) {
    // A note on, two more under running status, a clock tick inside one.
    EXPECT_EQ(Parse({0x91, 60, 100, 62, 0xF8, 90, 64, 0}),
              (Parsed{{0x91, 60, 100}, {0x91, 62, 90}, {0x91, 64, 0}}));
    // One-byte messages: a program change and channel pressure.
    EXPECT_EQ(Parse({0xC2, 5, 6, 0xD0, 70}), (Parsed{{0xC2, 5, 0}, {0xC2, 6, 0}, {0xD0, 70, 0}}));
    // A system-exclusive block of any length, its data bytes ignored, and
    // running status cancelled by it.
    std::vector<std::uint8_t> bytes(4 + 100000 + 6, 0x40);
    std::ranges::copy(std::initializer_list<std::uint8_t>{0x90, 60, 1, 0xF0}, bytes.begin());
    std::ranges::copy(std::initializer_list<std::uint8_t>{0xF7, 61, 1, 0x80, 60, 0},
                      bytes.end() - 6);
    EXPECT_EQ(Parse(bytes), (Parsed{{0x90, 60, 1}, {0x80, 60, 0}}));
    // A song position (system common) with its data is skipped too.
    EXPECT_EQ(Parse({0xF2, 1, 2, 0x90, 3, 4}), (Parsed{{0x90, 3, 4}}));
}

TEST(MidiParser, DropsTruncatedMessagesAndStrayDataBytes) {
    // Data with no status yet, then a note on cut short by the next status.
    EXPECT_EQ(Parse({60, 100, 0x90, 60, 0x80, 61, 0}), (Parsed{{0x80, 61, 0}}));
    // A message missing its last byte at the end of the stream is not played.
    EXPECT_TRUE(Parse({0x90, 60}).empty());
}

} // namespace
} // namespace tarn
