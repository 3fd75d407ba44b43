#include "engine/EventCollector.h"
#include "sequencing/SequencingFixture.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tarn {
namespace {

using test::MakeEvent;

// (whole offset, exact offset, value) of each event of a list.
using Stamp = std::tuple<int, double, double>;

std::vector<Stamp> Stamps(const EventList& list) {
    std::vector<Stamp> stamps;
    for (const EventRecord* event : list) {
        stamps.emplace_back(event->offset, event->exactOffset, event->value);
    }
    return stamps;
}

std::vector<double> Values(const EventList& list) {
    std::vector<double> values;
    for (const EventRecord* event : list) {
        values.push_back(event->value);
    }
    return values;
}

// One sequence track playing pattern 0 (4 beats) from beat 0, at 1000
// samples per beat, so that a beat's time t lies 1000 t samples in.
struct Collecting : test::SequencingFixture {
    Collecting() {
        EXPECT_EQ(CreatePattern(*node, 0, 4, 4, 0), 0);
        pattern = node->Patterns().Get(0);
        node->SequenceTracks().Create(-1);
        node->SequenceTracks().Get(0)->PlacePattern(0, 0);
        node->LiveEvents().Clear(); // the defaults queued at set-up
    }

    // The chunk of n frames that starts at position.
    static ChunkTiming Chunk(double position, int frames = 256) {
        return {position, position + frames / 1000.0, frames, 1000.0, true};
    }

    void Add(int beat, double time, double value, int index = test::kLevel, int group = 3,
             int track = 0, Pattern* into = nullptr) {
        ASSERT_EQ((into != nullptr ? into : pattern)
                      ->AddEvent(MakeEvent(group, index, track, time, value), beat),
                  1);
    }

    EventCollector collector;
    Pattern* pattern = nullptr;
};

TEST_F(Collecting, PlayingValuesReachTheParametersUpToTheChunksEnd) {
    Add(0, 0.1, 0.1);
    Add(0, 0.2557, 0.2); // 255.7 samples in: rounds past the chunk
    Add(1, 0.05, 0.5);

    collector.Collect(*node, Chunk(0.0));
    EXPECT_EQ(Stamps(collector.MachineEvents()),
              (std::vector<Stamp>{{100, 100.0, 0.1}, {255, 255.498, 0.2}}));
    EXPECT_EQ(node->ReadParameter(kGroupMachine, 0, test::kLevel), 0.2);
    EXPECT_EQ(pattern->currentPosition, 0.0);

    // Cut at the end of the active range: nothing beyond it is collected.
    ChunkTiming cut = Chunk(0.9);
    cut.end = 1.04;
    collector.Collect(*node, cut);
    EXPECT_TRUE(collector.MachineEvents().Empty());
    EXPECT_EQ(pattern->currentPosition, 1.0);
    collector.Collect(*node, Chunk(0.9));
    EXPECT_EQ(Values(collector.MachineEvents()), std::vector<double>{0.5});

    // Stopped: nothing from the sequence.
    ChunkTiming stopped = Chunk(0.0);
    stopped.playing = false;
    collector.Collect(*node, stopped);
    EXPECT_TRUE(collector.ChunkEvents().Empty());
}

TEST_F(Collecting, EventsGoToTheSystemTheConnectionsOrTheMachine) {
    Add(0, 0.0, -6.0, 0, kGroupSystem);
    Add(0, 0.01, -3.0, 0, kGroupInputMixer, 0);
    Add(0, 0.02, 0.5, 1, kGroupInputMixer, 1);
    Add(0, 0.03, -9.0, 0, kGroupInputMixer, 1);
    Add(0, 0.04, 64.0, test::kNote);
    node->QueueLiveEvent(7, 0, 0, 1.0); // no such group: dropped

    collector.Collect(*node, Chunk(0.0));
    EXPECT_EQ(Values(collector.SystemEvents()), std::vector<double>{-6.0});
    EXPECT_EQ(Values(collector.MachineEvents()), std::vector<double>{64.0});
    EXPECT_EQ(Values(collector.ConnectionEvents(1)), (std::vector<double>{0.5, -9.0}));
    EXPECT_EQ(Values(collector.ConnectionEvents(0)), std::vector<double>{-3.0});
    EXPECT_TRUE(collector.ConnectionEvents(2).Empty());
    EXPECT_EQ(collector.ChunkEvents().Size(), 6u);
}

TEST_F(Collecting, ABurstBeyondThePoolIsHandedOutWhole) {
    for (int i = 0; i < 40; ++i) {
        Add(0, i * 0.005, i);
    }
    collector.Collect(*node, Chunk(0.0));
    ASSERT_EQ(collector.MachineEvents().Size(), 40u);
    for (std::size_t i = 1; i < 40; ++i) {
        EXPECT_LE(collector.MachineEvents()[i - 1]->offset, collector.MachineEvents()[i]->offset);
        EXPECT_EQ(collector.MachineEvents()[i]->value, static_cast<double>(i));
    }
    // Pool records are copies: scribbling on them leaves the pattern alone.
    collector.MachineEvents()[0]->value = 99.0;
    EXPECT_EQ(pattern->BeatEvents(0)[0]->event.value, 0.0);
}

} // namespace
} // namespace tarn
