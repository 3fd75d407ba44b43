#include "engine/ChunkStreamer.h"
#include "engine/NodeFaults.h"
#include "engine/PreviewSlot.h"
#include "engine/WorkCycleFixture.h"
#include "sequencing/SequencingFixture.h"
#include "support/CapturedLines.h"
#include "support/SignalMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <future>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::MakeEvent;
using test::ReceivedMessage;
using test::RenderSetup;
using test::Sound;
using Frames = std::vector<int>;

using WorkCycle = test::WorkCycleFixture;

// Output stages add a denormal guard far below anything audible, so
// silence is anything below this.
constexpr double kSilence = 1e-30;

// Remembers every chunk it is told about and what the Master played in it.
struct RecordingStreamer : ChunkStreamer {
    void WriteChunk(Project& project, int frames) noexcept override {
        chunks.push_back(frames);
        firstSamples.push_back(project.GetNode(0)->Outputs().Samples(0)[0]);
    }
    std::vector<int> chunks;
    std::vector<double> firstSamples;
};

TEST_F(WorkCycle, RendersChunksOfAtMost256FramesIntoTheDriversBuffer) {
    const int generator = AddGenerator(0.5);
    RecordingStreamer streamer;
    std::recursive_mutex streamerLock;
    engine.AttachStreamer(&streamer, &streamerLock);

    EXPECT_EQ(Render(), 1);
    EXPECT_EQ(logs[generator]->frameCounts, (Frames{256, 256, 256, 32}));
    EXPECT_EQ(masterLog->frameCounts, (Frames{256, 256, 256, 32}));
    EXPECT_EQ(streamer.chunks, (Frames{256, 256, 256, 32}));
    EXPECT_EQ(streamer.firstSamples, (std::vector<double>{0.5, 0.5, 0.5, 0.5}));
    for (const std::vector<double>& channel : samples) {
        EXPECT_EQ(channel, std::vector<double>(800, 0.5));
    }

    // Through the render callback, as a device calls it.
    Resize(100);
    MachineMessage message;
    message.hostContext = &engine;
    message.messageType = kDeviceRender;
    message.pointer = &buffer;
    EXPECT_EQ(CoreEngine::RenderCallback(&message), 1);
    EXPECT_EQ(logs[generator]->frameCounts.back(), 100);
    message.messageType = kDeviceSampleRate;
    message.value = 48000;
    EXPECT_EQ(CoreEngine::RenderCallback(&message), 1);
    EXPECT_EQ(engine.Tempo().sampleRate, 48000.0);
    message.messageType = 101;
    EXPECT_EQ(CoreEngine::RenderCallback(&message), 0);
    message.hostContext = nullptr;
    EXPECT_EQ(CoreEngine::RenderCallback(&message), 0);

    // Without a project the buffer keeps what it held.
    const std::unique_ptr<Project> taken = current.Take();
    Resize(800);
    EXPECT_EQ(Render(), 0);
    EXPECT_EQ(samples[0], std::vector<double>(800, 7.0));
    EXPECT_EQ(streamer.chunks.size(), 5u);
    engine.AttachStreamer(nullptr, nullptr);
}

TEST_F(WorkCycle, BypassMuteAndSoloDecideWhatIsHeard) {
    const int effect =
        Add({.kind = kKindEffect, .inputs = 2, .sound = Sound::kScaled, .level = 0.5});
    ASSERT_EQ(project->ConnectMachines(effect, 0), 1);
    const int a = AddGenerator(1.0, effect);
    const int b = AddGenerator(2.0);
    Node& effectNode = *project->GetNode(effect);

    const auto heard = [&] {
        Render();
        return samples[0][799];
    };
    EXPECT_EQ(heard(), 2.5);
    Locked([&] { effectNode.SetBypass(true); });
    EXPECT_EQ(heard(), 3.0);
    Locked([&] { effectNode.SetMute(true); });
    EXPECT_EQ(heard(), 2.0);
    Locked([&] { effectNode.SetBypass(false); });
    EXPECT_EQ(heard(), 2.0);
    Locked([&] { effectNode.SetMute(false); });

    // Solo silences the other generators; the effect and the Master work on.
    Locked([&] { project->GetNode(a)->SetSolo(true); });
    EXPECT_EQ(heard(), 0.5);
    Locked([&] {
        project->GetNode(a)->SetSolo(false);
        project->GetNode(b)->SetSolo(true);
    });
    EXPECT_EQ(heard(), 2.0);
    EXPECT_NEAR(project->GetNode(effect)->Outputs().Samples(0)[0], 0.0, kSilence);
    // Muted and bypassed Nodes still let their machines work.
    EXPECT_EQ(logs[effect]->frameCounts.size(), 6u * 4u);
}

TEST_F(WorkCycle, ATempoChangeReachesEveryMachineOnceAtTheNextChunk) {
    const int generator = AddGenerator(1.0);
    logs[generator]->tempoMessages.clear();
    masterLog->tempoMessages.clear();
    Render();
    EXPECT_TRUE(logs[generator]->tempoMessages.empty());

    project->GetNode(0)->WriteParameter(kGroupMachine, 0, test::kTempo, 120.5);
    logs[generator]->frameCounts.clear();
    masterLog->frameCounts.clear();
    project->Transport().PlaySong();
    Render();
    const std::vector<ReceivedMessage> once{{1, kMsgSetBpm, 120}, {1, kMsgUpdateTempo, 0}};
    EXPECT_EQ(logs[generator]->tempoMessages, once);
    EXPECT_EQ(masterLog->tempoMessages, once);
    EXPECT_EQ(project->Tempo().bpm, 120.5);
    // The chunk that takes the change already moves on at the new tempo.
    EXPECT_DOUBLE_EQ(project->Transport().position, 800.0 * 120.5 / 60.0 / 44100.0);
}

TEST_F(WorkCycle, EventsLandOnTheirExactSampleOffsets) {
    const int generator = Add({.sound = Sound::kNote});
    ASSERT_EQ(project->ConnectMachines(generator, 0), 1);
    Pattern& pattern = PlacePattern(generator, 4);
    const auto note = [&](int beat, double time, double value) {
        ASSERT_EQ(pattern.AddEvent(MakeEvent(3, test::kNote, 0, time, value), beat), 1);
    };
    note(0, 255.7 / 44100.0, 61.0); // would round to 256, the next chunk's first frame
    note(0, 256.0 / 44100.0, 62.0); // exactly at the first chunk's end
    note(1, 0.0, 63.0);             // a beat boundary inside a chunk
    note(1, 0.5, 64.0);
    project->Transport().songEnd = 8.0;
    project->Transport().PlaySong();

    const std::vector<double> left = RenderFrames(2 * 44100);
    std::vector<std::tuple<double, int, double>> played; // value, frame, exact offset
    const test::RenderLog& log = *logs[generator];
    for (const test::ReceivedEvent& received : log.events) {
        if (received.event.index == test::kNote) {
            played.emplace_back(received.event.value, test::FrameOf(log, received),
                                received.event.exactOffset);
        }
    }
    ASSERT_EQ(played.size(), 4u);
    EXPECT_EQ(played[0], std::make_tuple(61.0, 255, 255.498));
    EXPECT_EQ(std::get<1>(played[1]), 256);
    EXPECT_NEAR(std::get<2>(played[1]), 0.0, 1e-6);
    EXPECT_EQ(std::get<1>(played[2]), 44100);
    EXPECT_NEAR(std::get<2>(played[2]), 100.0, 1e-6); // its buffer starts at frame 44000
    EXPECT_EQ(std::get<1>(played[3]), 66150);

    // What the machine plays changes on exactly those frames.
    EXPECT_NEAR(left[254], 0.0, kSilence);
    EXPECT_EQ(left[255], 61.0);
    EXPECT_EQ(left[256], 62.0);
    EXPECT_EQ(left[44099], 62.0);
    EXPECT_EQ(left[44100], 63.0);
    EXPECT_EQ(left[66149], 63.0);
    EXPECT_EQ(left[66150], 64.0);
}

TEST_F(WorkCycle, EventsAtOneOffsetPlayLiveThenLaterTrackFirstAndTransposed) {
    const int generator = Add({.sound = Sound::kNote});
    ASSERT_EQ(project->ConnectMachines(generator, 0), 1);
    PlacePattern(generator, 2, 12.0).AddEvent(MakeEvent(3, test::kNote, 0, 0.0, 60.0), 0);
    PlacePattern(generator, 2, 12.0).AddEvent(MakeEvent(3, test::kNote, 0, 0.0, 120.0), 0);
    project->GetNode(generator)->QueueLiveEvent(kGroupMachine, 0, test::kNote, 50.0, 0.5, 1.0);
    project->Transport().PlaySong();
    Render();

    std::vector<double> notes;
    for (const test::ReceivedEvent& received : logs[generator]->events) {
        if (received.event.index == test::kNote) {
            notes.push_back(received.event.value);
        }
    }
    // Live events first, so that the song's own events win; later tracks
    // before earlier ones.
    EXPECT_EQ(notes, (std::vector<double>{50.0, 127.0, 72.0}));
    EXPECT_EQ(samples[0][0], 72.0);
}

// Checked builds name a Node whose machine puts out samples that are not
// numbers, or works longer than its buffer lasts, once, however long it
// goes on; the Nodes beside it are not named.
TEST_F(WorkCycle, ANodePuttingOutNanIsNamedOnceInCheckedBuilds) {
#ifdef NDEBUG
    GTEST_SKIP() << "only debug and sanitizer builds check the outputs";
#else
    const int faulty = AddGenerator(std::nan(""));
    project->GetNode(faulty)->SetName("Faulty");
    AddGenerator(0.25);
    test::CapturedLines lines;
    Render();
    Render();
    EXPECT_EQ(ReportNodeFaults(*project), 1);
    Render();
    EXPECT_EQ(ReportNodeFaults(*project), 0);
    EXPECT_EQ(lines.Of(3), (std::vector<std::string>{
                               "warning: 'Faulty' puts out samples that are not numbers (NaN or "
                               "infinite)"}));

    // Its time is measured while the meters are shown, as the window shows
    // them: 18 chunks of 8 ms in a buffer of 100 ms.
    Resize(4410);
    const int slow = Add({.level = 0.0, .workTime = std::chrono::milliseconds(8)});
    ASSERT_EQ(project->ConnectMachines(slow, 0), 1);
    project->GetNode(slow)->SetName("Slow");
    Render();
    EXPECT_EQ(ReportNodeFaults(*project), 0);
    engine.ShowMeters(true);
    Render();
    Render();
    EXPECT_EQ(ReportNodeFaults(*project), 1);
    Render();
    EXPECT_EQ(ReportNodeFaults(*project), 0);
    EXPECT_EQ(lines.Of(3).back(), "warning: 'Slow' worked longer than its buffer lasts");
#endif
}

TEST_F(WorkCycle, ALoopingSongWrapsAtTheLoopEnd) {
    const int generator = Add({.sound = Sound::kNote});
    ASSERT_EQ(project->ConnectMachines(generator, 0), 1);
    Pattern& pattern = PlacePattern(generator, 2);
    pattern.AddEvent(MakeEvent(3, test::kNote, 0, 0.0, 60.0), 0);
    pattern.AddEvent(MakeEvent(3, test::kNote, 0, 0.999, 61.0), 0);
    pattern.AddEvent(MakeEvent(3, test::kNote, 0, 0.0, 70.0), 1); // beyond the loop
    SongTransport& transport = project->Transport();
    transport.loopStart = 0.0;
    transport.loopEnd = 1.0;
    transport.PlayLoop();

    RenderFrames(3 * 44100);
    std::vector<std::pair<double, int>> played;
    const test::RenderLog& log = *logs[generator];
    for (const test::ReceivedEvent& received : log.events) {
        if (received.event.index == test::kNote) {
            played.emplace_back(received.event.value, test::FrameOf(log, received));
        }
    }
    // The chunk that passes frame 44100 (frames 44000..44255) ends the
    // loop; the next one starts it again at exactly the loop start.
    ASSERT_GE(played.size(), 4u);
    EXPECT_EQ(played[0], std::make_pair(60.0, 0));
    EXPECT_EQ(played[1], std::make_pair(61.0, 44056));
    EXPECT_EQ(played[2], std::make_pair(60.0, 44256));
    EXPECT_EQ(played[3].first, 61.0);
    for (const auto& [value, frame] : played) {
        EXPECT_NE(value, 70.0);
    }
    EXPECT_TRUE(transport.Playing());
    EXPECT_LT(transport.position, 1.0);
}

// A sound of given channels whose channel c holds (c + 1) * frame / 1000.
struct RampSound : PreviewSound {
    RampSound(int channels, std::uint32_t frames) : data(static_cast<std::size_t>(channels)) {
        for (int c = 0; c < channels; ++c) {
            for (std::uint32_t k = 0; k < frames; ++k) {
                data[static_cast<std::size_t>(c)].push_back((c + 1) * k / 1000.0f);
            }
        }
    }
    int ChannelCount() const override { return static_cast<int>(data.size()); }
    std::uint32_t FrameCount() const override {
        return static_cast<std::uint32_t>(data.front().size());
    }
    const float* Channel(int c) const override { return data[static_cast<std::size_t>(c)].data(); }
    std::vector<std::vector<float>> data;
};

TEST_F(WorkCycle, TheSoundPreviewIsHeardAtHalfLevel) {
    PreviewSlot preview;
    engine.AttachPreview(&preview);
    preview.SetSound(std::make_unique<RampSound>(1, 1000));
    Render();
    for (int k : {0, 1, 255, 256, 799}) {
        const double expected = 0.5 * static_cast<float>(k / 1000.0f);
        EXPECT_NEAR(samples[0][static_cast<std::size_t>(k)], expected, kSilence) << k;
        EXPECT_NEAR(samples[1][static_cast<std::size_t>(k)], expected, kSilence) << k;
    }
    Render();
    EXPECT_EQ(samples[1][199], 0.5 * static_cast<float>(999 / 1000.0f));
    EXPECT_NEAR(samples[1][200], 0.0, kSilence);
    EXPECT_EQ(preview.Position(), 1000u);
    Render(); // played out: stays, adds nothing
    EXPECT_LT(test::Peak(samples[0]), kSilence);
    EXPECT_NE(preview.Sound(), nullptr);

    preview.SetSound(std::make_unique<RampSound>(2, 1000));
    Render();
    EXPECT_EQ(samples[0][500], 0.5 * static_cast<float>(500 / 1000.0f));
    EXPECT_EQ(samples[1][500], 0.5 * static_cast<float>(1000 / 1000.0f));

    // While another thread holds the preview lock the buffer goes without.
    std::promise<void> release;
    std::promise<void> held;
    std::thread holder([&] {
        std::lock_guard guard(preview.Lock());
        held.set_value();
        release.get_future().wait();
    });
    held.get_future().wait();
    Render();
    release.set_value();
    holder.join();
    EXPECT_LT(test::Peak(samples[0]), kSilence);
    EXPECT_EQ(preview.Position(), 800u);
    engine.AttachPreview(nullptr);
}

TEST_F(WorkCycle, MetersRingsAndStatisticsFollowTheSignal) {
    const int generator = AddGenerator(1.0);
    Node& node = *project->GetNode(generator);
    Node& master = *project->GetNode(0);
    // Without a window showing them no meter is kept.
    Render();
    EXPECT_EQ(node.meters.peakLevel, 0.0);
    EXPECT_EQ(master.meters.peakLevel, 0.0);
    EXPECT_EQ(master.Outputs().Ring(0).writeIndex, 0);
    EXPECT_EQ(node.meters.machineTime, 0.0);
    EXPECT_EQ(engine.Statistics().machines.seconds, 0.0);
    EXPECT_EQ(engine.Statistics().other.seconds, 0.0);
    engine.ShowMeters(true);
    Render();
    // A steady level holds the meters within one sample's fall of it.
    const double fall = std::pow(0.001, 1.0 / 44100.0);
    EXPECT_GE(master.meters.peakLevel, fall);
    EXPECT_GE(node.meters.peakLevel, fall);
    // The Master's rings are fed while the meters show, a Node's only while
    // analyzed.
    EXPECT_EQ(master.Outputs().Ring(0).writeIndex, 800);
    EXPECT_EQ(master.Inputs().Ring(1).samples[799], 1.0);
    EXPECT_GE(master.Outputs().Ring(1).peak, 0.9999);
    EXPECT_EQ(node.Outputs().Ring(0).writeIndex, 0);
    ASSERT_TRUE(node.WatchAnalyzer());
    Render();
    EXPECT_EQ(node.Outputs().Ring(0).writeIndex, 800);
    EXPECT_EQ(master.Outputs().Ring(0).writeIndex, 1600);

    // Silence for one second takes the meter down by 60 dB.
    const double level = master.meters.peakLevel;
    const double held = master.Outputs().Ring(0).peak;
    Locked([&] { node.SetMute(true); });
    Resize(44100);
    Render();
    EXPECT_NEAR(master.meters.peakLevel, level * 0.001, 1e-12);
    EXPECT_NEAR(master.Outputs().Ring(0).peak, held * std::pow(0.9999, 44100), 1e-12);

    const CpuStatistics& statistics = engine.Statistics();
    double machines = 0.0;
    for (auto [id, each] : project->ProcessOrder()) {
        machines += each->meters.machineTime;
        EXPECT_DOUBLE_EQ(each->meters.machineLoad, each->meters.machineTime / 1.0 * 100.0);
    }
    EXPECT_DOUBLE_EQ(statistics.machines.seconds, machines);
    EXPECT_DOUBLE_EQ(statistics.machines.percent, machines * 100.0);
    EXPECT_DOUBLE_EQ(statistics.other.seconds,
                     engine.TimerOf(CoreEngine::kCycleTimer).Elapsed() - machines);
    EXPECT_GT(statistics.events.seconds, 0.0);
    EXPECT_GT(statistics.output.seconds, 0.0);
    EXPECT_LT(statistics.mixing.seconds + statistics.machines.seconds,
              engine.TimerOf(CoreEngine::kCycleTimer).Elapsed());
    EXPECT_EQ(engine.Start(), 1);
}

TEST_F(WorkCycle, SystemAndInputMixerEventsReachTheirStages) {
    const int generator = AddGenerator(1.0);
    PlacePattern(generator, 4).AddEvent(MakeEvent(kGroupSystem, 0, 0, 0.0, -60.0), 0);
    Pattern& master = PlacePattern(0, 4);
    master.AddEvent(MakeEvent(kGroupInputMixer, 0, 0, 0.0, -20.0), 0);
    master.AddEvent(MakeEvent(kGroupInputMixer, 0, 5, 0.0, -60.0), 0); // no such Connection
    project->Transport().songEnd = 8.0;
    project->Transport().PlaySong();

    // Both gains slew over their 0.1 s and then hold.
    const std::vector<double> left = RenderFrames(8000);
    EXPECT_GT(left[100], 0.5);
    EXPECT_NEAR(left[7999], 0.001 * 0.1, 1e-12);
    EXPECT_NEAR(project->GetNode(generator)->Outputs().Samples(1)[0], 0.001, 1e-12);
}

} // namespace
} // namespace tarn
