#include "audio/MidiInputList.h"
#include "support/SineVoice.h"
#include "audio/TestMidiInput.h"
#include "engine/Project.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace tarn {
namespace {

using test::TestMidiInput;
using test::TestMidiInputState;

MidiMessage Note(std::uint8_t note, std::uint8_t velocity, std::optional<std::uint32_t> time = {}) {
    MidiMessage message;
    message.status = 0x90;
    message.data1 = note;
    message.data2 = velocity;
    message.timed = time.has_value();
    message.time = time.value_or(0);
    return message;
}

class MidiInputs : public testing::Test {
protected:
    MidiInputs()
        : project_([this](std::string_view name) {
              return std::optional<MachineHandle>(
                  MachineHandle(std::make_unique<test::SineVoice>(log_), std::string(name)));
          }) {
        project_.CreateNode("Voice");
        project_.GetNode(0)->liveInput = true;
    }

    std::shared_ptr<TestMidiInputState> AddInput(bool timed) {
        auto state = std::make_shared<TestMidiInputState>();
        state->timed = timed;
        EXPECT_TRUE(list_.Add(std::make_unique<TestMidiInput>(state)));
        return state;
    }

    // The chunk of 256 frames at frame: (note value, offset) of what the
    // Node got, its queue cleared as the work cycle would.
    std::vector<std::pair<double, int>> Chunk(std::uint64_t frame) {
        list_.TakeLiveInput(project_, frame, 256);
        std::vector<std::pair<double, int>> notes;
        LiveEventQueue& queue = project_.GetNode(0)->LiveEvents();
        for (const EventRecord& event : queue.Events()) {
            notes.emplace_back(event.value, event.offset);
        }
        queue.Clear();
        return notes;
    }

    test::SineVoiceLog log_;
    Project project_;
    MidiInputList list_;
};

TEST_F(MidiInputs, UntimedNotesPlayNextChunkAFewAtATimeAndAFloodStopsAtTheRing) {
    auto refused = std::make_shared<TestMidiInputState>();
    refused->refuse = true;
    EXPECT_FALSE(list_.Add(std::make_unique<TestMidiInput>(refused)));
    EXPECT_EQ(refused->opens, 1);
    EXPECT_EQ(list_.Count(), 0u);

    auto state = AddInput(false);
    ASSERT_NE(state->ring, nullptr);
    std::size_t pushed = 0;
    while (state->ring->Push(Note(static_cast<std::uint8_t>(24 + pushed % 100), 1))) {
        ++pushed;
    }
    EXPECT_EQ(pushed, MidiEventRing::kCapacity);
    std::size_t played = 0;
    std::uint64_t frame = 0;
    for (; played < pushed; frame += 256) {
        const auto notes = Chunk(frame);
        ASSERT_FALSE(notes.empty());
        EXPECT_LE(notes.size(), static_cast<std::size_t>(MidiInputList::kNotesPerChunk));
        for (auto [value, offset] : notes) {
            EXPECT_EQ(value, 12 + (played++) % 100);
            EXPECT_EQ(offset, 0);
        }
    }
    EXPECT_EQ(played, pushed);
    EXPECT_TRUE(Chunk(frame).empty());

    // Closing the list closes its inputs: nothing writes into a ring again.
    list_.Close();
    EXPECT_EQ(state->closes, 1);
    EXPECT_EQ(state->ring, nullptr);
    EXPECT_EQ(list_.Count(), 0u);
}

TEST_F(MidiInputs, TimedNotesKeepTheirSpacingBehindTheEnginesLead) {
    using Notes = std::vector<std::pair<double, int>>;
    auto state = AddInput(true);
    state->period = 64;
    state->now = 10000;
    // The engine is 4000 frames ahead of the input's clock: a note stamped
    // at t is due at engine frame t + 4000 + 64.
    EXPECT_TRUE(Chunk(14000).empty());
    for (std::uint32_t time : {9000u, 10200u, 10300u, 10500u}) {
        state->ring->Push(Note(60, 1, time));
    }
    // One stamped long before plays at once; the others at their distance.
    state->now = 10256;
    EXPECT_EQ(Chunk(14256), (Notes{{48.0, 0}, {48.0, 8}, {48.0, 108}}));
    state->now = 10512;
    EXPECT_EQ(Chunk(14512), (Notes{{48.0, 52}}));

    // A lead that grows moves the notes later with it, never earlier.
    state->now = 10768;
    EXPECT_TRUE(Chunk(14868).empty()); // 100 frames further ahead
    state->ring->Push(Note(62, 1, 11000));
    state->now = 11024;
    EXPECT_EQ(Chunk(15124), (Notes{{50.0, 11000 + 4164 - 15124}}));

    // The engine stood still for a few seconds: the schedule starts over
    // instead of holding notes back for that long.
    state->now = 200000;
    state->ring->Push(Note(64, 1, 200010));
    // Its stamp is 10 frames after now, so it is due one period and ten
    // frames into the chunk.
    EXPECT_EQ(Chunk(15380), (Notes{{52.0, 64 + 10}}));
}

} // namespace
} // namespace tarn
