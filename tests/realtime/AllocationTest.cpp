// Proves that the work cycle allocates nothing in a steady state: this
// binary links the allocation counter, which replaces the global operator
// new.
#include "allocation/AllocationCounter.h"
#include "audio/AudioStreamer.h"
#include "base/AppDirectory.h"
#include "engine/PreviewSlot.h"
#include "engine/WorkCycleFixture.h"
#include "sequencing/SequencingFixture.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <new>

namespace tarn {
namespace {

using test::AllocationCounter;
using test::MakeEvent;
using test::Sound;

// A quiet mono sound long enough to play through several rounds.
struct Quiet : PreviewSound {
    int ChannelCount() const override { return 1; }
    std::uint32_t FrameCount() const override { return static_cast<std::uint32_t>(data.size()); }
    const float* Channel(int) const override { return data.data(); }
    std::vector<float> data = std::vector<float>(400000, 0.01f);
};

// A looping song: two note generators through an effect into the Master,
// every Node with notes, volume glides and input-mixer events in its
// patterns, one Node analysed, a preview playing.
struct Realtime : test::WorkCycleFixture {
    Realtime() : WorkCycleFixture(false) {
        const int effect =
            Add({.kind = kKindEffect, .inputs = 2, .sound = Sound::kScaled, .record = false});
        project->ConnectMachines(effect, 0);
        for (int i = 0; i < 2; ++i) {
            const int generator = Add({.sound = Sound::kNote, .record = false});
            project->ConnectMachines(generator, effect);
            generators.push_back(generator);
            Pattern& pattern = PlacePattern(generator, 4, i * 12.0);
            for (int beat = 0; beat < 4; ++beat) {
                for (int step = 0; step < 4; ++step) {
                    pattern.AddEvent(MakeEvent(3, test::kNote, 0, step * 0.25, 60.0 + step), beat);
                    pattern.AddEvent(MakeEvent(3, test::kLevel, 0, step * 0.25, 0.1 * step), beat);
                }
                pattern.AddEvent(MakeEvent(kGroupSystem, 0, 0, 0.5, -6.0 * beat), beat);
            }
        }
        Pattern& mixer = PlacePattern(effect, 2);
        mixer.AddEvent(MakeEvent(kGroupInputMixer, 1, 0, 0.0, -0.5), 0);
        mixer.AddEvent(MakeEvent(kGroupInputMixer, 1, 0, 0.0, 0.5), 1);
        project->GetNode(effect)->meters.analyzerOn = true;
        preview.SetSound(std::make_unique<Quiet>());
        engine.AttachPreview(&preview);
        project->Transport().loopEnd = 2.0;
        project->Transport().PlayLoop();
        // Set-up defaults, first links, rings: everything a first buffer
        // may still make.
        for (int i = 0; i < 4; ++i) {
            Render();
        }
    }
    ~Realtime() override { engine.AttachPreview(nullptr); }

    PreviewSlot preview;
    std::vector<int> generators;
};

TEST_F(Realtime, APlayingProjectRendersWithoutAllocating) {
    long made = 0;
    double loudest = 0.0;
    for (int round = 0; round < 12; ++round) {
        // Between buffers, as the GUI and MIDI threads would.
        project->GetNode(generators[0])
            ->QueueLiveEvent(kGroupMachine, 0, test::kNote, 48.0, 0.5, 1.0);
        project->GetNode(0)->WriteParameter(kGroupMachine, 0, test::kTempo, 60.0 + round);
        AllocationCounter counter;
        for (int i = 0; i < 100; ++i) {
            Render();
            loudest = std::max(loudest, samples[0][0]);
        }
        made += counter.Count();
    }
    EXPECT_EQ(made, 0);
    // It did play: notes reached the Master, the song moved on in its loop.
    EXPECT_GT(loudest, 1.0);
    EXPECT_EQ(project->Tempo().bpm, 71.0);
    EXPECT_TRUE(project->Transport().Playing());
    EXPECT_GT(preview.Position(), 100000u);
}

TEST_F(Realtime, ABurstBeyondThePoolIsCounted) {
    // The counter does see the audio thread: a burst of live events beyond
    // the pool's kept records makes it grow.
    for (int i = 0; i < 3 * EventPool::kKept; ++i) {
        project->GetNode(generators[1])->QueueLiveEvent(kGroupMachine, 0, test::kLevel, 0.5);
    }
    AllocationCounter counter;
    Render();
    EXPECT_GT(counter.Count(), 0);
}

TEST_F(Realtime, RecordingTheMasterWhilePlayingAllocatesNothing) {
    test::ScratchDirectory scratch;
    SetAppDirectory(scratch.Path());
    std::filesystem::create_directories(scratch / "Out");
    AudioStreamer streamer;
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);
    engine.AttachStreamer(&streamer, &streamer.Lock());
    ASSERT_EQ(streamer.Start(*project), 1);
    Render();
    long made = 0;
    {
        AllocationCounter counter;
        for (int i = 0; i < 1200; ++i) {
            Render();
        }
        made = counter.Count();
    }
    EXPECT_EQ(streamer.Stop(), 1);
    engine.AttachStreamer(nullptr, nullptr);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(streamer.DroppedFrames(), 0u);
    const std::uint64_t bytes = 1201u * static_cast<std::uint64_t>(buffer.frameCount) * 8u;
    EXPECT_EQ(streamer.DataBytesWritten(), bytes);
    EXPECT_EQ(std::filesystem::file_size(scratch / "Out/Mixdown.wav"), 46u + bytes);
}

// Code that over-aligns its buffers or asks not to throw reaches other
// forms of operator new; the counter sees each of them. Called by name, as
// new-expressions whose blocks are never used may be left out.
TEST(AllocationCounter, CountsEveryFormOfNew) {
    constexpr std::align_val_t kAlignment{64};
    AllocationCounter counter;
    ::operator delete(::operator new(8, std::nothrow), std::nothrow);
    ::operator delete[](::operator new[](8, std::nothrow), std::nothrow);
    ::operator delete(::operator new(64, kAlignment), kAlignment);
    ::operator delete[](::operator new[](64, kAlignment), kAlignment);
    ::operator delete(::operator new(64, kAlignment, std::nothrow), kAlignment, std::nothrow);
    ::operator delete[](::operator new[](64, kAlignment, std::nothrow), kAlignment, std::nothrow);
    EXPECT_EQ(counter.Count(), 6);
}

} // namespace
} // namespace tarn
