#include "app/RenderSong.h"

#include "app/Studio.h"
#include "base/AppDirectory.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "support/ScratchDirectory.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarn {
namespace {

// A generator whose every sample is known: channel c at running frame f.
// Never 0, so that the Nodes' denormal guard cannot show in the result.
double Signal(std::int64_t frame, int channel) {
    return (static_cast<double>((frame * 37 + channel * 11) % 1000) - 499.5) / 1000.0;
}

class SignalMachine : public Machine {
public:
    std::int32_t Describe() override {
        MachineInfo info;
        info.kind = kKindGenerator;
        info.inputChannels = 0;
        info.outputChannels = 2;
        info.minTracks = 1;
        info.maxTracks = 1;
        info.name = "Signal";
        DescribeInfo(info);
        return 1;
    }
    std::int32_t Work(const WorkRecord& record) override {
        for (int frame = 0; frame < record.frameCount; ++frame, ++frame_) {
            for (int channel = 0; channel < 2; ++channel) {
                record.outputs[channel]->samples[frame] = Signal(frame_, channel);
            }
        }
        return 1;
    }

private:
    std::int64_t frame_ = 0;
};

// The real Master with the signal connected to it, in a scratch
// application directory.
struct RenderSongTest : ::testing::Test {
    RenderSongTest() {
        SetAppDirectory(scratch.Path());
        std::unique_ptr<Project> project = studio.NewProject();
        EXPECT_EQ(project->CreateNode("Signal"), 1);
        EXPECT_EQ(project->ConnectMachines(1, Project::kMasterId), 1);
        studio.SetProject(std::move(project));
    }

    Project& Current() { return *studio.Current().Get(); }

    test::ScratchDirectory scratch;
    MachineFactory factory{BuiltinMachines()};
    Studio studio{[this](std::string_view name) -> std::optional<MachineHandle> {
        if (name == "Signal") {
            return MachineHandle(std::make_unique<SignalMachine>(), "Signal");
        }
        return factory.CreateMachine(name);
    }};
};

TEST_F(RenderSongTest, PassThroughComesOutSampleExactForTheBeatsAsked) {
    RenderRequest request;
    request.output = scratch / "out.wav";
    request.sampleFormat = AudioStreamer::kFloat64;
    request.beats = 3.0; // at 120 BPM: 1.5 s
    double lastFraction = 0.0;
    int calls = 0;
    request.progress = [&](double fraction) {
        EXPECT_GE(fraction, lastFraction);
        lastFraction = fraction;
        ++calls;
    };
    const RenderResult result = RenderSong(studio, request);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.file, scratch / "out.wav");
    EXPECT_EQ(result.frames, 66150);
    EXPECT_EQ(calls, 259); // 258 full chunks and the rest
    EXPECT_NEAR(lastFraction, 1.0, 1e-9);
    EXPECT_FALSE(Current().Transport().Playing());

    const std::string file = test::ReadFile(scratch / "out.wav");
    ASSERT_EQ(file.size(), 46u + 66150u * 16u);
    const test::WaveFile wave = test::ReadWave(file);
    ASSERT_TRUE(wave.valid);
    EXPECT_EQ(wave.riffSize, 66150u * 16u + 38u);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.bits, 64);
    EXPECT_EQ(wave.dataBytes, 66150u * 16u);
    int mismatches = 0;
    for (std::int64_t frame = 0; frame < 66150; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            mismatches += wave.samples[static_cast<std::size_t>(frame * 2 + channel)] !=
                          Signal(frame, channel);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(RenderSongTest, SongOnceAsRawFloatsOrNothingAtAll) {
    // The song range of the project: 2.5 beats at 120 BPM, then 32-bit raw
    // samples (the generator goes on where the first render ended).
    Current().Transport().songStart = 1.0;
    Current().Transport().songEnd = 3.5;
    RenderRequest request;
    request.output = scratch / "song.RAW";
    RenderResult result = RenderSong(studio, request);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.frames, 55125);
    const std::string raw = test::ReadFile(scratch / "song.RAW");
    ASSERT_EQ(raw.size(), 55125u * 8u);
    EXPECT_EQ(test::ReadRawSamples(raw, 32)[2 * 1000 + 1], static_cast<float>(Signal(1000, 1)));

    // An output without a name extension becomes a WAVE file.
    request.output = scratch / "take";
    request.beats = 0.5;
    result = RenderSong(studio, request);
    ASSERT_TRUE(result.done);
    EXPECT_EQ(result.file, scratch / "take.wav");
    EXPECT_EQ(test::ReadFile(result.file).size(), 46u + 11025u * 8u);

    // An empty song, or a file that cannot be made: nothing is written.
    Current().Transport().songEnd = 1.0;
    request.output = scratch / "empty.wav";
    request.beats = 0.0;
    EXPECT_FALSE(RenderSong(studio, request).done);
    request.output = scratch / "missing/out.wav";
    request.beats = 1.0;
    EXPECT_FALSE(RenderSong(studio, request).done);
    EXPECT_FALSE(std::filesystem::exists(scratch / "empty.wav"));
    EXPECT_FALSE(std::filesystem::exists(scratch / "missing"));
    EXPECT_FALSE(studio.Streamer().Streaming());
}

} // namespace
} // namespace tarn
