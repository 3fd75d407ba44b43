#include "dsp/DspLibrary.h"
#include "engine/ChannelBufferSet.h"
#include "engine/Connection.h"
#include "engine/OutputStage.h"
#include "engine/ScopedGlobalTempo.h"
#include "engine/SystemParameters.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace tarn {
namespace {

constexpr double kRate = 44100.0;
constexpr int kJump = 4410; // 0.1 s: the time of a whole-range change

EventRecord Event(int index, double value, double endValue, double glideBeats = 0.0,
                  int offset = 0) {
    EventRecord event;
    event.group = kGroupInputMixer;
    event.index = static_cast<std::int16_t>(index);
    event.value = value;
    event.endValue = endValue;
    event.glideLength = glideBeats;
    event.offset = offset;
    event.exactOffset = offset;
    return event;
}

// Channel buffers with a fill rule per channel: sample k of channel c.
ChannelBufferSet Buffers(int channels, const std::function<double(int, int)>& fill) {
    ChannelBufferSet set;
    EXPECT_TRUE(set.Allocate(channels));
    for (int c = 0; c < channels; ++c) {
        for (int k = 0; k < kMaxChunkFrames; ++k) {
            set.Samples(c)[k] = fill(c, k);
        }
    }
    return set;
}

double Tone(int channel, int k) {
    return 0.8 * std::sin(0.07 * k + 0.3 + channel);
}

// Runs chunks of a mix, each into freshly zeroed destination channels, and
// returns what destination channel `channel` received, sample by sample.
std::vector<double> MixChunks(Connection& connection, ChannelBufferSet& source, int chunks,
                              std::vector<EventRecord> firstChunkEvents, int channel = 0,
                              int destinationChannels = 2) {
    ChannelBufferSet destination = Buffers(destinationChannels, [](int, int) { return 0.0; });
    std::vector<EventRecord*> pointers;
    for (EventRecord& event : firstChunkEvents) {
        pointers.push_back(&event);
    }
    std::vector<double> heard;
    for (int chunk = 0; chunk < chunks; ++chunk) {
        for (int c = 0; c < destinationChannels; ++c) {
            std::fill_n(destination.Samples(c), kMaxChunkFrames, 0.0);
        }
        WorkRecord record;
        record.inputs = source.Records();
        record.outputs = destination.Records();
        record.frameCount = kMaxChunkFrames;
        if (chunk == 0) {
            record.events = pointers.data();
            record.eventCount = static_cast<int>(pointers.size());
        }
        connection.Mix(record, source.Count(), destinationChannels);
        heard.insert(heard.end(), destination.Samples(channel),
                     destination.Samples(channel) + kMaxChunkFrames);
    }
    return heard;
}

TEST(GainStages, DecibelsAndPositionsBecomeGains) {
    EXPECT_EQ(DecibelsToGain(0.0), 1.0);
    EXPECT_NEAR(DecibelsToGain(-60.0), 0.001, 1e-15);
    EXPECT_NEAR(DecibelsToGain(20.0), 10.0, 1e-12);
    EXPECT_NEAR(DecibelsToGain(-6.0), 0.501187, 1e-6);

    EXPECT_EQ(PositionToGains(0.0).left, 1.0);
    EXPECT_EQ(PositionToGains(0.0).right, 1.0);
    EXPECT_NEAR(PositionToGains(-1.0).left, 1.414214, 1e-6);
    EXPECT_EQ(PositionToGains(-1.0).right, 0.0);
    EXPECT_EQ(PositionToGains(1.0).left, 0.0);
    EXPECT_NEAR(PositionToGains(1.0).right, 1.414214, 1e-6);
    // The power stays the same across the field; beyond it, the ends hold.
    for (double p = -1.0; p <= 1.0; p += 0.125) {
        const StereoGains gains = PositionToGains(p);
        EXPECT_NEAR(gains.left * gains.left + gains.right * gains.right, 2.0, 1e-12) << p;
        EXPECT_NEAR(gains.left, PositionToGains(-p).right, 1e-15);
    }
    EXPECT_EQ(PositionToGains(-1.5).left, PositionToGains(-1.0).left);
    EXPECT_EQ(PositionToGains(3.0).left, 0.0);
}

struct OutputStageFixture : ::testing::Test {
    OutputStageFixture() {
        if (DspSampleRate() == 0.0) {
            EXPECT_EQ(InitializeDspLibrary(kRate), 1);
        }
        stage.Init(kRate);
    }

    // One chunk over the outputs, with these System events.
    void Run(std::vector<EventRecord> events, int channels = 3) {
        std::vector<EventRecord*> pointers;
        for (EventRecord& event : events) {
            pointers.push_back(&event);
        }
        WorkRecord record;
        record.outputs = outputs.Records();
        record.frameCount = kMaxChunkFrames;
        record.events = pointers.data();
        record.eventCount = static_cast<int>(pointers.size());
        stage.Run(record, channels);
    }

    OutputStage stage;
    ChannelBufferSet outputs = Buffers(3, Tone);
};

using OutputStageTest = OutputStageFixture;

TEST_F(OutputStageTest, UnityGainLeavesTheSignalBitExactAndSilenceGetsTheGuard) {
    const ChannelBufferSet original = Buffers(3, Tone);
    Run({});
    Run({Event(0, 0.0, 0.0), Event(1, 0.0, 0.0)});
    Run({});
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < kMaxChunkFrames; ++k) {
            ASSERT_EQ(outputs.Samples(c)[k], original.Samples(c)[k]) << c << " " << k;
        }
    }

    // Silence becomes this call's guard value: the stage's fourth call.
    for (int c = 0; c < 3; ++c) {
        std::fill_n(outputs.Samples(c), kMaxChunkFrames, 0.0);
    }
    Run({});
    EXPECT_NE(GuardNoise(3), 0.0);
    EXPECT_LT(std::abs(GuardNoise(3)), 1e-30);
    for (int k = 0; k < kMaxChunkFrames; ++k) {
        ASSERT_EQ(outputs.Samples(0)[k], GuardNoise(3));
    }
}

TEST_F(OutputStageTest, AWholeRangeJumpMovesInStraightLinesForATenthOfASecond) {
    // Hard right at once: the left gain falls by the whole range, the right
    // rises by 0.414; channel 2 follows the volume alone. The event's offset
    // does not matter: it counts from the chunk start.
    std::vector<double> left;
    std::vector<double> right;
    for (int chunk = 0; chunk < 20; ++chunk) {
        for (int c = 0; c < 3; ++c) {
            std::fill_n(outputs.Samples(c), kMaxChunkFrames, 1.0);
        }
        Run(chunk == 0 ? std::vector<EventRecord>{Event(1, 1.0, 1.0, 0.0, 200)}
                       : std::vector<EventRecord>{});
        left.insert(left.end(), outputs.Samples(0), outputs.Samples(0) + kMaxChunkFrames);
        right.insert(right.end(), outputs.Samples(1), outputs.Samples(1) + kMaxChunkFrames);
        for (int k = 0; k < kMaxChunkFrames; ++k) {
            ASSERT_NEAR(outputs.Samples(2)[k], 1.0, 1e-30);
        }
    }
    // Whole chunks before the end: one straight line at 1/4410 per sample.
    const int whole = kJump / kMaxChunkFrames * kMaxChunkFrames;
    for (int j = 0; j <= whole; ++j) {
        ASSERT_NEAR(left[j], 1.0 - static_cast<double>(j) / kJump, 1e-9) << j;
    }
    // The chunk the jump ends in lands on the target; silence from there.
    for (std::size_t j = whole + kMaxChunkFrames; j < left.size(); ++j) {
        ASSERT_NEAR(left[j], 0.0, 1e-30) << j;
    }
    const int rightEnd =
        (static_cast<int>((std::sqrt(2.0) - 1.0) * kJump) / kMaxChunkFrames + 1) * kMaxChunkFrames;
    for (int j = 0; j < rightEnd - kMaxChunkFrames; ++j) {
        ASSERT_NEAR(right[j], 1.0 + static_cast<double>(j) / kJump, 1e-9) << j;
    }
    for (std::size_t j = rightEnd; j < right.size(); ++j) {
        ASSERT_NEAR(right[j], std::sqrt(2.0), 1e-12) << j;
    }
    EXPECT_FALSE(stage.Gains().Moving());

    // A volume change lands on its gain on every channel in use; a channel
    // beyond them is left alone.
    for (int chunk = 0; chunk < 20; ++chunk) {
        for (int c = 0; c < 3; ++c) {
            std::fill_n(outputs.Samples(c), kMaxChunkFrames, 1.0);
        }
        Run(chunk == 0 ? std::vector<EventRecord>{Event(0, -6.0, -6.0), Event(1, 0.0, 0.0)}
                       : std::vector<EventRecord>{},
            2);
    }
    EXPECT_NEAR(outputs.Samples(0)[100], DecibelsToGain(-6.0), 1e-12);
    EXPECT_NEAR(outputs.Samples(1)[100], DecibelsToGain(-6.0), 1e-12);
    EXPECT_EQ(outputs.Samples(2)[100], 1.0);
}

TEST(InputMix, AWholeRangeJumpTakesATenthOfASecondSampleBySample) {
    Connection connection(1, kRate);
    connection.AddRoute(0, 0);
    connection.AddRoute(1, 1);
    ChannelBufferSet source = Buffers(2, [](int, int) { return 1.0; });
    const std::vector<double> left = MixChunks(connection, source, 20, {Event(1, 1.0, 1.0)});
    for (int k = 0; k <= kJump; ++k) {
        ASSERT_NEAR(left[k], 1.0 - static_cast<double>(k) / kJump, 1e-9) << k;
    }
    for (std::size_t k = kJump + 1; k < left.size(); ++k) {
        ASSERT_EQ(left[k], 0.0) << k;
    }
    EXPECT_FALSE(connection.Gains().Moving());
}

TEST(InputMix, AGlideEventRampsOverItsGlideLength) {
    test::ScopedGlobalTempo restore;
    GlobalTempo().SetBpm(120.0);
    constexpr int kBeat = 22050;
    ChannelBufferSet source = Buffers(2, [](int, int) { return 1.0; });

    // From where the gain already is: a straight line over one beat.
    Connection fall(1, kRate);
    fall.AddRoute(0, 0);
    const std::vector<double> falling = MixChunks(fall, source, 100, {Event(0, 0.0, -60.0, 1.0)});
    for (int k = 0; k < static_cast<int>(falling.size()); ++k) {
        const double expected = k < kBeat ? 1.0 - (1.0 - 0.001) * k / kBeat : 0.001;
        ASSERT_NEAR(falling[k], expected, 1e-9) << k;
    }

    // From elsewhere: first the slew to the start value at the whole-range
    // speed, then the glide to the end value in what is left of the beat.
    Connection rise(1, kRate);
    rise.AddRoute(0, 0);
    const std::vector<double> rising = MixChunks(rise, source, 100, {Event(0, -60.0, 0.0, 1.0)});
    const double slew = (1.0 - 0.001) * kJump;
    EXPECT_NEAR(rising[2000], 1.0 - 2000.0 / kJump, 1e-9);
    const int middle = static_cast<int>((slew + kBeat) / 2);
    // The slew ends on a whole sample, up to one sample of glide later.
    EXPECT_NEAR(rising[middle], 0.001 + 0.999 * (middle - slew) / (kBeat - slew), 1e-4);
    EXPECT_NEAR(rising[kBeat], 1.0, 1e-4);
    EXPECT_EQ(rising.back(), 1.0);
}

// Brings a Connection's gains to rest at a volume and position.
void Settle(Connection& connection, double decibels, double position) {
    ChannelBufferSet source = Buffers(4, Tone);
    MixChunks(connection, source, 40, {Event(0, decibels, decibels), Event(1, position, position)},
              0, 4);
    ASSERT_FALSE(connection.Gains().Moving());
}

TEST(InputMix, AMonoDestinationHearsBothSourceChannelsAtTheLeftGain) {
    Connection connection(1, kRate);
    connection.AddRoute(0, 0);
    connection.AddRoute(1, 0);
    Settle(connection, -6.0, 0.5);
    const double gain = DecibelsToGain(-6.0) * std::sqrt(0.5);
    ChannelBufferSet source = Buffers(2, Tone);
    const std::vector<double> heard = MixChunks(connection, source, 1, {}, 0, 1);
    for (int k = 0; k < kMaxChunkFrames; ++k) {
        ASSERT_NEAR(heard[k], gain * (Tone(0, k) + Tone(1, k)), 1e-12) << k;
    }
}

TEST(InputMix, FastAndPerSamplePathsAgreeWithoutEvents) {
    Connection fast(1, kRate);
    Connection slow(1, kRate);
    for (Connection* connection : {&fast, &slow}) {
        connection->AddRoute(0, 0);
        connection->AddRoute(1, 1);
        connection->AddRoute(3, 2); // volume only
        connection->AddRoute(0, 1);
        // Routes naming channels the Nodes do not have: never touched.
        connection->AddRoute(4, 0);
        connection->AddRoute(0, 3);
        connection->AddRoute(-1, 0);
        Settle(*connection, 4.5, -0.25);
    }
    ChannelBufferSet source = Buffers(4, Tone);
    ChannelBufferSet fastOut = Buffers(3, [](int c, int k) { return 0.01 * c * k; });
    ChannelBufferSet slowOut = Buffers(3, [](int c, int k) { return 0.01 * c * k; });
    WorkRecord record;
    record.inputs = source.Records();
    record.frameCount = 200;
    record.outputs = fastOut.Records();
    fast.MixFast(record, 4, 3);
    record.outputs = slowOut.Records();
    slow.MixPerSample(record, 4, 3);
    const double volume = DecibelsToGain(4.5);
    const StereoGains pan = PositionToGains(-0.25);
    for (int k = 0; k < kMaxChunkFrames; ++k) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(fastOut.Samples(c)[k], slowOut.Samples(c)[k]) << c << " " << k;
        }
        const double before = 0.01 * 2 * k;
        // Frames beyond the chunk are left alone.
        if (k >= 200) {
            ASSERT_EQ(fastOut.Samples(2)[k], before);
            continue;
        }
        ASSERT_NEAR(fastOut.Samples(0)[k], volume * pan.left * Tone(0, k), 1e-12);
        ASSERT_NEAR(fastOut.Samples(1)[k],
                    0.01 * k + volume * pan.right * (Tone(1, k) + Tone(0, k)), 1e-12);
        ASSERT_NEAR(fastOut.Samples(2)[k], before + volume * Tone(3, k), 1e-12);
    }
}

// The gains ticked one sample at a time, every route added at each sample:
// the mix must give these samples bit for bit, however it is organised.
TEST(InputMix, GlidesAndEventsInsideTheChunkMatchTheSampleBySampleMix) {
    test::ScopedGlobalTempo restore;
    GlobalTempo().SetBpm(133.0);
    std::vector<EventRecord> events = {
        Event(0, -3.0, -20.0, 0.01),
        Event(1, 0.4, -0.7, 0.02, 0),
        Event(1, -0.2, 0.9, 0.005, 37),
        Event(0, 2.0, 2.0, 0.0, 37),
        Event(0, -40.0, -1.0, 0.03, 180),
        Event(1, 0.0, 0.0, 0.0, 5000), // late: lands on the last sample
    };
    std::vector<EventRecord*> pointers;
    for (EventRecord& event : events) {
        pointers.push_back(&event);
    }
    Connection connection(1, kRate);
    GainState gains(kRate);
    for (const auto& [from, to] : {std::pair{0, 0}, {1, 1}, {3, 2}, {0, 1}, {2, 0}}) {
        connection.AddRoute(from, to);
    }
    ChannelBufferSet source = Buffers(4, Tone);
    for (const int frames : {kMaxChunkFrames, 200, 1}) {
        ChannelBufferSet mixed = Buffers(3, [](int c, int k) { return 0.01 * c - 0.001 * k; });
        ChannelBufferSet expected = Buffers(3, [](int c, int k) { return 0.01 * c - 0.001 * k; });
        WorkRecord record;
        record.inputs = source.Records();
        record.outputs = mixed.Records();
        record.frameCount = frames;
        record.events = pointers.data();
        record.eventCount = static_cast<int>(pointers.size());
        connection.Mix(record, 4, 3);

        std::size_t next = 0;
        for (int k = 0; k < frames; ++k) {
            while (next < events.size() && (events[next].offset <= k || k == frames - 1)) {
                gains.Apply(events[next++], GlobalTempo().samplesPerBeat);
            }
            for (const auto& [from, to] : {std::pair{0, 0}, {1, 1}, {3, 2}, {0, 1}, {2, 0}}) {
                expected.Samples(to)[k] += gains.ForChannel(to) * source.Samples(from)[k];
            }
            gains.Tick();
        }
        for (int c = 0; c < 3; ++c) {
            for (int k = 0; k < kMaxChunkFrames; ++k) {
                ASSERT_EQ(std::bit_cast<std::uint64_t>(mixed.Samples(c)[k]),
                          std::bit_cast<std::uint64_t>(expected.Samples(c)[k]))
                    << frames << " frames, channel " << c << ", sample " << k;
            }
        }
    }
}

} // namespace
} // namespace tarn
