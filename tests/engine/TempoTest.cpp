#include "engine/PerfTimer.h"
#include "engine/Project.h"
#include "engine/ScopedGlobalTempo.h"
#include "support/TestMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

namespace tarn {
namespace {

using test::TestFactory;
using test::TestMachineLog;
using test::TestMachineSetup;

using Messages = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(Tempo, BeatLengthsFollowTheTempoAndTheRate) {
    TempoRecord tempo;
    EXPECT_EQ(tempo.sampleRate, 44100.0);
    EXPECT_EQ(tempo.samplesPerBeat, tempo.sampleRate); // 60 BPM to begin with
    tempo.SetBpm(120.0);
    EXPECT_EQ(tempo.beatsPerSample, 2.0 / 44100.0);
    EXPECT_EQ(tempo.samplesPerBeat, 22050.0);
    tempo.SetSampleRate(48000.0);
    EXPECT_EQ(tempo.bpm, 120.0);
    EXPECT_EQ(tempo.samplesPerBeat, 24000.0);

    const TempoRecord& global = GlobalTempo();
    EXPECT_EQ(global.sampleRate, 44100.0);
    EXPECT_EQ(global.samplesPerBeat, 44100.0);
    EXPECT_EQ(global.beatsPerSample * global.samplesPerBeat, 1.0);
}

// A project with a Master stand-in that carries the tempo at index 0, and
// one more machine.
struct TransportFixture : ::testing::Test {
    TransportFixture() {
        TestMachineSetup master;
        master.kind = kKindMaster;
        master.tempoParameter = true;
        factory.Define("Tarn Master", master, masterLog);
        factory.Define("Tarn Test", {}, otherLog);
        EXPECT_EQ(project.CreateNode("Tarn Master"), 0);
        EXPECT_EQ(project.CreateNode("Tarn Test"), 1);
        masterLog->messages.clear();
        otherLog->messages.clear();
    }

    int Count(const TestMachineLog& log, std::int32_t type, std::int32_t value) const {
        return static_cast<int>(
            std::count(log.messages.begin(), log.messages.end(), std::make_pair(type, value)));
    }

    test::ScopedGlobalTempo restoreTempo;
    TestFactory factory;
    std::shared_ptr<TestMachineLog> masterLog = std::make_shared<TestMachineLog>();
    std::shared_ptr<TestMachineLog> otherLog = std::make_shared<TestMachineLog>();
    Project project{factory.Creator()};
};

using Transport = TransportFixture;

TEST_F(Transport, TempoChangesReachTheProjectTheCopiesAndEveryMachineOnce) {
    // Unchanged: nothing happens.
    EXPECT_FALSE(project.UpdateTempo());
    EXPECT_TRUE(otherLog->messages.empty());

    // Changed while stopped: taken at the next chunk boundary, told once.
    ASSERT_EQ(project.GetNode(0)->WriteParameter(kGroupMachine, 0, 0, 120.75), 1);
    EXPECT_TRUE(project.UpdateTempo());
    EXPECT_FALSE(project.UpdateTempo());
    EXPECT_EQ(project.Tempo().bpm, 120.75);
    EXPECT_DOUBLE_EQ(project.Tempo().samplesPerBeat, 44100.0 * 60.0 / 120.75);
    EXPECT_EQ(GlobalTempo().bpm, 120.75);
    EXPECT_DOUBLE_EQ(GlobalTempo().beatsPerSample, 120.75 / 60.0 / 44100.0);
    for (const auto& log : {masterLog, otherLog}) {
        EXPECT_EQ(log->messages, (Messages{{kMsgSetBpm, 120}, {kMsgUpdateTempo, 0}}));
    }
    const Machine& machine = project.GetNode(1)->MachineInstance();
    EXPECT_EQ(machine.Bpm(), 120.0);
    EXPECT_EQ(machine.SamplesPerBeat(), 22050.0);

    // The project's record keeps its own rate; the copies keep theirs.
    GlobalTempo().SetSampleRate(48000.0);
    project.GetNode(0)->WriteParameter(kGroupMachine, 0, 0, 120.0);
    EXPECT_TRUE(project.UpdateTempo());
    EXPECT_EQ(project.Tempo().samplesPerBeat, 22050.0);
    EXPECT_EQ(GlobalTempo().samplesPerBeat, 24000.0);

    // A tempo that is no positive number is not taken.
    otherLog->messages.clear();
    for (double bad : {0.0, -5.0, std::nan("")}) {
        project.GetNode(0)->WriteParameter(kGroupMachine, 0, 0, bad);
        EXPECT_FALSE(project.UpdateTempo());
    }
    EXPECT_EQ(project.Tempo().bpm, 120.0);
    EXPECT_TRUE(otherLog->messages.empty());
}

TEST_F(Transport, CommandsSetTheirFlagsAndStopSilencesEveryMachine) {
    SongTransport& song = project.Transport();
    EXPECT_EQ(song.flags, SongTransport::kRepeat);
    EXPECT_EQ(std::tie(song.position, song.songStart, song.songEnd, song.loopStart, song.loopEnd),
              std::make_tuple(0.0, 0.0, 4.0, 0.0, 4.0));

    song.songStart = 1.0;
    song.loopStart = 2.0;
    song.flags |= SongTransport::kSpare | SongTransport::kLoopActive;
    song.PlaySong();
    EXPECT_EQ(song.position, 1.0);
    EXPECT_EQ(song.flags, SongTransport::kPlaying | SongTransport::kRepeat);
    song.flags |= SongTransport::kSpare;
    song.PlayLoop();
    EXPECT_EQ(song.position, 2.0);
    EXPECT_EQ(song.flags,
              SongTransport::kPlaying | SongTransport::kLoopActive | SongTransport::kRepeat);
    song.ToggleRepeat();
    EXPECT_FALSE(song.Repeat());
    EXPECT_TRUE(song.Playing());
    song.flags |= SongTransport::kSpare;
    project.Stop();
    EXPECT_EQ(song.flags, SongTransport::kStopped);
    EXPECT_EQ(song.position, 2.0); // Stop keeps the place
    EXPECT_EQ(masterLog->messages, (Messages{{kMsgStop, 1}}));
    EXPECT_EQ(otherLog->messages, (Messages{{kMsgStop, 1}}));
    song.ToggleRepeat();
    song.PlaySong();
    EXPECT_EQ(song.flags, SongTransport::kPlaying | SongTransport::kRepeat);
}

TEST_F(Transport, TheSongWrapsWithRepeatAndStopsWithout) {
    project.Tempo().SetBpm(120.0);
    SongTransport& song = project.Transport();
    const double chunk = 256 * project.Tempo().beatsPerSample;

    // Events of a chunk never reach past the end of the active range.
    song.songEnd = 2.0;
    song.position = 1.99;
    EXPECT_EQ(project.ChunkEnd(256), 2.0);
    song.position = 1.0;
    EXPECT_DOUBLE_EQ(project.ChunkEnd(256), 1.0 + chunk);
    song.loopEnd = 1.005;
    song.flags |= SongTransport::kLoopActive;
    EXPECT_EQ(project.ChunkEnd(256), 1.005);

    // Looping with repeat: back to the loop start every time the end is
    // passed, and nothing is stopped.
    song.loopStart = 0.5;
    song.loopEnd = 1.0;
    song.PlayLoop();
    int wraps = 0;
    double before = song.position;
    for (int i = 0; i < 400; ++i) {
        project.AdvancePosition(256);
        ASSERT_GE(song.position, 0.5);
        ASSERT_LT(song.position, 1.0);
        wraps += song.position < before;
        before = song.position;
    }
    // A wrap lands exactly on the loop start, whatever it overshot by.
    EXPECT_EQ(wraps, 400 / static_cast<int>(std::ceil(0.5 / chunk)));
    EXPECT_TRUE(song.Playing());
    EXPECT_EQ(Count(*otherLog, kMsgStop, 1), 0);

    // The song without repeat: it stops once the end is passed, and every
    // machine is told, again at every chunk while it stays there.
    song.ToggleRepeat();
    song.PlaySong();
    song.position = 2.0 - 1.5 * chunk;
    project.AdvancePosition(256);
    EXPECT_TRUE(song.Playing());
    project.AdvancePosition(256);
    EXPECT_FALSE(song.Playing());
    EXPECT_EQ(song.flags & SongTransport::kStopped, SongTransport::kStopped);
    EXPECT_GT(song.position, 2.0);
    EXPECT_EQ(Count(*masterLog, kMsgStop, 1), 1);
    EXPECT_EQ(Count(*otherLog, kMsgStop, 1), 1);
    const double stoppedAt = song.position;
    project.AdvancePosition(256);
    EXPECT_EQ(song.position, stoppedAt);
    EXPECT_EQ(Count(*otherLog, kMsgStop, 1), 2);

    // Stopped beyond the end with repeat on: wrapped without playing.
    song.ToggleRepeat();
    project.AdvancePosition(256);
    EXPECT_EQ(song.position, 0.0);
    EXPECT_FALSE(song.Playing());
    project.AdvancePosition(256);
    EXPECT_EQ(song.position, 0.0);
}

TEST(PerfTimer, MeasuresSecondsOnTheSteadyClock) {
    PerfTimer timer;
    EXPECT_EQ(timer.Frequency(), 1'000'000'000); // nanosecond ticks
    EXPECT_EQ(timer.Elapsed(), 0.0);
    timer.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    timer.Stop();
    EXPECT_GE(timer.Elapsed(), 0.02);
    const double first = timer.Elapsed();
    timer.Stop(); // measures from the same start again
    EXPECT_GE(timer.Elapsed(), first);
}

} // namespace
} // namespace tarn
