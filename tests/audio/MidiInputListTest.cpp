#include "audio/MidiInputList.h"
#include "audio/TestMidiInput.h"
#include "engine/Project.h"
#include "support/SineVoice.h"

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
        project_.GetNode(0)->SetLiveInput(true);
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

    // A late stretch: the input's clock stalls for four chunks while the
    // engine renders on, 1024 frames further ahead, then catches up. A note
    // struck just after it still waits for the stretch's lead; later notes
    // no longer do, and the ones in between keep their order and nearly
    // their spacing while the lead shrinks back.
    std::uint64_t frame = 15124;
    for (int chunk = 0; chunk < 4; ++chunk) {
        frame += 256;
        EXPECT_TRUE(Chunk(frame).empty());
    }
    const std::int32_t stretched = 4100 + 1024;
    std::vector<std::uint64_t> heard; // engine frames
    std::vector<std::uint64_t> expected;
    for (int chunk = 0; chunk < 3 * 44100 / 256; ++chunk) {
        state->now += chunk == 0 ? 1280 : 256;
        frame += 256;
        state->ring->Push(Note(64, 1, state->now - 30));
        for (auto [value, offset] : Chunk(frame)) {
            EXPECT_EQ(value, 52.0);
            heard.push_back(frame + static_cast<std::uint64_t>(offset));
        }
        if (chunk == 0) {
            expected.push_back(state->now - 30 + stretched + 64);
        }
    }
    ASSERT_GT(heard.size(), 400u);
    EXPECT_EQ(heard.front(), expected.front());
    for (std::size_t i = 1; i < heard.size(); ++i) {
        EXPECT_GE(heard[i] - heard[i - 1], 256u - 256u / 16) << "note " << i;
        EXPECT_LE(heard[i] - heard[i - 1], 256u) << "note " << i;
    }
    // Every note struck is heard once the ring is drained; the last one by
    // the lead from before the stretch.
    const std::uint32_t last = state->now - 30;
    state->now += 256;
    frame += 256;
    for (auto [value, offset] : Chunk(frame)) {
        heard.push_back(frame + static_cast<std::uint64_t>(offset));
    }
    EXPECT_EQ(heard.size(), static_cast<std::size_t>(3 * 44100 / 256));
    EXPECT_EQ(heard.back(), last + 4100 + 64);

    // The engine stood still for a few seconds: the schedule starts over
    // instead of holding notes back for that long.
    state->now += 200000;
    state->ring->Push(Note(64, 1, state->now + 10));
    // Its stamp is 10 frames after now, so it is due one period and ten
    // frames into the chunk.
    EXPECT_EQ(Chunk(frame + 256), (Notes{{52.0, 64 + 10}}));
}

} // namespace
} // namespace tarn
