#include "audio/JackTestServer.h"
#include "cli/CommandLineFixture.h"
#include "cli/JackTransportClient.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace tarn {
namespace {

using test::JackTestServer;
using test::JackTransportClient;

constexpr double kRate = 44100.0;
constexpr double kBpm = 120.0;
constexpr std::uint32_t kPeriod = 256; // the private server's
constexpr float kSilence = 1e-4f;

constexpr jack_nframes_t FrameOfBeat(double beat) {
    return static_cast<jack_nframes_t>(beat * 60.0 / kBpm * kRate);
}

// A song of 16 beats at 120 BPM, silent until beat 8, then a bass note on
// every beat to the end; with a tempo, the Master sets it at beat 4.
std::string SongJson(double tempoAtBeat4 = 0.0) {
    const std::string master =
        tempoAtBeat4 > 0.0
            ? R"("patterns": [{"index": 0, "name": "Tempo", "length": 1, "tpb": 4, "colour": 0,
                 "events": [{"group": 3, "track": 0, "index": 0, "beat": 0, "time": 0.0,
                             "value": )" +
                  std::to_string(tempoAtBeat4) + R"(, "length": 0.0, "velocity": 1.0}]}],
               "sequence": [{"index": 0, "entries": [{"beat": 4.0, "pattern": 0, "transpose": 0.0}]}])"
            : R"("sequence": [])";
    std::string events;
    for (int beat = 0; beat < 8; ++beat) {
        events += std::string(events.empty() ? "" : ",") +
                  R"({"group": 3, "track": 0, "index": 0, "beat": )" + std::to_string(beat) +
                  R"(, "time": 0.0, "value": 45.0, "length": 0.95, "velocity": 1.0})";
    }
    return R"({"bpm": 120.0, "song": {"start": 0.0, "end": 16.0},
        "loop": {"start": 0.0, "end": 16.0},
        "machines": [
          {"id": 0, "type": "Tarn Master", "name": "Master", "tracks": 1,
           "position": [0.5, 0.5], "state": "", "parameters": [], )" +
           master + R"(},
          {"id": 1, "type": "Tarn Analog Bass", "name": "Bass", "tracks": 1,
           "position": [0.2, 0.3], "state": "", "parameters": [],
           "patterns": [{"index": 0, "name": "Run", "length": 8, "tpb": 4, "colour": 0,
                         "events": [)" +
           events + R"(]}],
           "sequence": [{"index": 0, "entries": [{"beat": 8.0, "pattern": 0, "transpose": 0.0}]}]}],
        "connections": [{"source": 1, "destination": 0, "index": 0,
                         "routes": [{"index": 0, "from": 0, "to": 0}, {"index": 1, "from": 1, "to": 1}]}],
        "waves": []})";
}

// `tarn play` of the song on a private JACK server, in a thread of its own,
// with a client beside it that drives the transport and listens.
class JackTransportTest : public test::CommandLineFixture {
protected:
    void SetUp() override {
        if (!server_.Running()) {
            GTEST_SKIP() << "no private JACK server on the dummy backend: " << server_.Problem();
        }
        Write("song.json", SongJson());
        ASSERT_EQ(Run({"tarn", "import", "song.json", "-o", "song.tarn"}), 0) << err;
        ASSERT_TRUE(client_.IsOpen());
    }

    // Starts `tarn play` with the transport mode (and more arguments) and
    // listens to it once the song has started the transport: the song's own
    // play starts it.
    void Play(const std::string& mode, const std::vector<std::string>& more = {}) {
        playing_ = std::async(std::launch::async, [mode, more, project = project_] {
            std::vector<std::string> arguments{"tarn", "play",        project, "--backend",
                                               "jack", "--transport", mode,    "--quiet"};
            arguments.insert(arguments.end(), more.begin(), more.end());
            return Call(arguments, nullptr);
        });
        ASSERT_TRUE(client_.Listen("tarn"));
        ASSERT_TRUE(client_.WaitForState(JackTransportRolling));
    }

    // Plays out the song from a frame near its end (beat 15.5 at the song's
    // tempo): at its end the song stops, and with it the transport and the
    // command, successfully.
    void PlayToTheEnd(jack_nframes_t from = FrameOfBeat(15.5)) {
        client_.Locate(from);
        client_.Start();
        ASSERT_EQ(playing_.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_EQ(playing_.get(), 0);
        EXPECT_TRUE(client_.WaitForState(JackTransportStopped));
    }

    // The first recorded frame from `from` on that is heard, or `to`.
    std::size_t FirstHeard(std::size_t from, std::size_t to) const {
        while (from < to && client_.Level(from) < kSilence) {
            ++from;
        }
        return from;
    }

    std::string project_ = "song.tarn";
    // The command ends at the latest when the server goes, which it does
    // before the command's future is waited for.
    std::future<int> playing_;
    JackTestServer server_{44100};
    JackTransportClient client_{static_cast<std::size_t>(kRate) * 60};
};

TEST_F(JackTransportTest, FollowingTheSongStartsStopsAndMovesWithTheTransport) {
    Play("follow");
    if (HasFatalFailure()) {
        return;
    }
    // Stopped from outside before the first note: silence.
    client_.Stop();
    ASSERT_TRUE(client_.WaitForState(JackTransportStopped));
    ASSERT_TRUE(client_.WaitFrames(kRate / 2));
    // Moved to beat 8 and started: the first note is heard at beat 8's
    // frame of the transport, whatever the output latency.
    client_.Locate(FrameOfBeat(8));
    client_.Start();
    ASSERT_TRUE(client_.WaitForState(JackTransportRolling));
    ASSERT_TRUE(client_.WaitFrames(kRate));
    const std::size_t stopped = client_.Frames();
    client_.Stop();
    ASSERT_TRUE(client_.WaitForState(JackTransportStopped));
    ASSERT_TRUE(client_.WaitFrames(kRate / 2));
    PlayToTheEnd();
    client_.Close();

    const std::size_t first = FirstHeard(0, stopped);
    ASSERT_LT(first, stopped) << "the note at beat 8 was never heard";
    EXPECT_TRUE(client_.Rolling(first));
    EXPECT_GE(client_.TransportFrame(first), FrameOfBeat(8));
    EXPECT_LE(client_.TransportFrame(first), FrameOfBeat(8) + kPeriod);
    // Once the transport has stopped (and a period has gone by), nothing
    // plays until it rolls again.
    std::size_t loud = 0;
    std::size_t stoppedFrames = 0;
    for (std::size_t frame = stopped + 2 * kPeriod; frame < client_.Frames(); ++frame) {
        if (client_.Rolling(frame)) {
            break;
        }
        if (!client_.Rolling(frame - 2 * kPeriod)) {
            ++stoppedFrames;
            loud += client_.Level(frame) >= kSilence ? 1 : 0;
        }
    }
    EXPECT_GT(stoppedFrames, kRate / 4);
    EXPECT_EQ(loud, 0u) << "frames heard while the transport stood still";
}

TEST_F(JackTransportTest, FollowingTheSongCountsBeatsFromItsLastTempoChange) {
    // 120 BPM to beat 4 (two seconds in), 240 BPM from there: beat 8 is at
    // three seconds, not at two as 240 BPM from frame 0 would have it.
    constexpr double kFaster = 240.0;
    constexpr auto kChange = static_cast<jack_nframes_t>(2 * kRate);
    const auto frameOf = [](double beat) {
        return kChange + static_cast<jack_nframes_t>((beat - 4.0) * 60.0 / kFaster * kRate);
    };
    Write("tempo.json", SongJson(kFaster));
    ASSERT_EQ(Run({"tarn", "import", "tempo.json", "-o", "tempo.tarn"}), 0) << err;
    project_ = "tempo.tarn";
    Play("follow");
    if (HasFatalFailure()) {
        return;
    }
    // Past the change, then stopped and moved to beat 7.
    ASSERT_TRUE(client_.WaitFrames(kRate * 5 / 2));
    client_.Stop();
    ASSERT_TRUE(client_.WaitForState(JackTransportStopped));
    const std::size_t moved = client_.Frames();
    client_.Locate(frameOf(7.0));
    client_.Start();
    ASSERT_TRUE(client_.WaitForState(JackTransportRolling));
    ASSERT_TRUE(client_.WaitFrames(kRate / 2));
    const std::size_t played = client_.Frames();
    PlayToTheEnd(frameOf(15.5));
    client_.Close();

    const std::size_t first = FirstHeard(moved, played);
    ASSERT_LT(first, played) << "the note at beat 8 was never heard";
    EXPECT_GE(client_.TransportFrame(first) + kPeriod, frameOf(8.0));
    EXPECT_LE(client_.TransportFrame(first), frameOf(8.0) + kPeriod);
}

// The bar, beat and tick published at the transport's frame as beats.
double PublishedBeat(const jack_position_t& position) {
    return (position.bar - 1) * position.beats_per_bar + (position.beat - 1) +
           position.tick / position.ticks_per_beat;
}

TEST_F(JackTransportTest, LeadingTheSongPublishesBarBeatAndTempoThroughItsRepeats) {
    // Longer than the song, which repeats.
    Play("lead", {"--beats", "64"});
    if (HasFatalFailure()) {
        return;
    }
    constexpr double kBeatsPerPeriod = kPeriod * kBpm / 60.0 / kRate;
    ASSERT_TRUE(client_.WaitFrames(2 * kRate));
    jack_position_t position{};
    ASSERT_EQ(client_.Query(position), JackTransportRolling);
    ASSERT_NE(position.valid & JackPositionBBT, 0);
    EXPECT_EQ(position.beats_per_minute, kBpm);
    EXPECT_EQ(position.beats_per_bar, 4.0f);
    // The song's position at the transport's frame, within one period.
    const double song = position.frame * kBpm / 60.0 / kRate;
    EXPECT_NEAR(PublishedBeat(position), song, kBeatsPerPeriod);
    EXPECT_GE(song, 3.0); // two seconds of play at 120 BPM

    // Moved to beat 15 and played on past the song's end: the song starts
    // again at beat 0, and so do the published bars while the transport's
    // frame runs on.
    client_.Locate(FrameOfBeat(15));
    ASSERT_TRUE(client_.WaitFrames(kRate / 10));
    ASSERT_TRUE(client_.WaitForState(JackTransportRolling));
    ASSERT_TRUE(client_.WaitFrames(kRate * 3 / 2));
    ASSERT_EQ(client_.Query(position), JackTransportRolling);
    const double played = 15.0 + (position.frame - FrameOfBeat(15)) * kBpm / 60.0 / kRate;
    ASSERT_GT(played, 16.5) << "the song has not wrapped yet";
    EXPECT_NEAR(PublishedBeat(position), played - 16.0, kBeatsPerPeriod);

    // Stopped by SIGTERM (its handler is in place while it plays): the
    // command ends as interrupted, stops the transport it rolled with and
    // publishes no more bars.
    ASSERT_EQ(kill(getpid(), SIGTERM), 0);
    ASSERT_EQ(playing_.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(playing_.get(), 130);
    EXPECT_TRUE(client_.WaitForState(JackTransportStopped));
    ASSERT_TRUE(client_.WaitFrames(2 * kPeriod));
    client_.Query(position);
    EXPECT_EQ(position.valid & JackPositionBBT, 0);
}

} // namespace
} // namespace tarn
