#include "studio/RenderSong.h"

#include "base/AppDirectory.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "studio/Studio.h"
#include "support/ScratchDirectory.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
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

// Silence as machines leave it: negative zeros and specks far below
// hearing, with a known value now and then.
class QuietMachine : public SignalMachine {
public:
    static double Sample(std::int64_t frame) {
        constexpr std::array kSamples{-0.0, 1e-31, -3e-35, 0.0, 0.25};
        return kSamples[static_cast<std::size_t>(frame % kSamples.size())];
    }
    std::int32_t Work(const WorkRecord& record) override {
        for (int frame = 0; frame < record.frameCount; ++frame, ++frame_) {
            record.outputs[0]->samples[frame] = Sample(frame_);
            record.outputs[1]->samples[frame] = -Sample(frame_);
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
        if (name == "Quiet") {
            return MachineHandle(std::make_unique<QuietMachine>(), "Quiet");
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
    request.progress = [&](double fraction, double) {
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

// Chunk by chunk as a render goes, with the tempo change (if any) taking
// effect with the chunk that ends at frame changeAt.
std::int64_t RenderedFrames(double beats, double bpm, std::int64_t changeAt = -1,
                            double newBpm = 0.0) {
    TempoRecord tempo;
    tempo.SetBpm(bpm);
    RenderLength length(beats, tempo);
    for (int chunk = length.NextChunk(kMaxChunkFrames); chunk > 0;
         chunk = length.NextChunk(kMaxChunkFrames)) {
        if (length.Frames() + chunk == changeAt) {
            tempo.SetBpm(newBpm);
        }
        length.Rendered(chunk, tempo);
    }
    // Rounded up to a whole frame, never more.
    EXPECT_NEAR(length.Beats(), beats, tempo.beatsPerSample);
    return length.Frames();
}

// Counted in whole frames, a long render ends exactly where its beats end
// (adding up a frame's fraction of a beat over a hundred thousand chunks
// gave one frame too many), at any tempo and across a tempo change.
TEST(RenderLengthTest, LongRendersEndOnTheFrameTheirBeatsEnd) {
    constexpr std::int64_t kRate = 44100;
    for (const int bpm : {124, 120, 125, 97}) {
        for (const int beats : {1240, 341, 3}) {
            const std::int64_t exact = beats * 60 * kRate;
            const std::int64_t frames = exact / bpm + (exact % bpm != 0 ? 1 : 0);
            EXPECT_EQ(RenderedFrames(beats, bpm), frames) << beats << " beats at " << bpm;
            TempoRecord tempo;
            tempo.SetBpm(bpm);
            EXPECT_EQ(FramesForBeats(beats, tempo), frames);
        }
    }
    // 4 beats at 120 BPM, the last 2 at 60 BPM from the chunk that ends
    // just before beat 2, as the song clock counts it.
    constexpr std::int64_t kChange = 172 * kMaxChunkFrames;
    EXPECT_EQ(RenderedFrames(4.0, 120.0, kChange, 60.0),
              kChange - kMaxChunkFrames + (4 * kRate / 2 - (kChange - kMaxChunkFrames)) * 2);
    // A length no file can hold is counted, not overflowed.
    TempoRecord tempo;
    EXPECT_GT(FramesForBeats(1e300, tempo), std::int64_t{1} << 60);
    EXPECT_EQ(FramesForBeats(0.0, tempo), 0);
}

TEST_F(RenderSongTest, SilenceIsWrittenAsPositiveZero) {
    std::unique_ptr<Project> project = studio.NewProject();
    ASSERT_EQ(project->CreateNode("Quiet"), 1);
    ASSERT_EQ(project->ConnectMachines(1, Project::kMasterId), 1);
    studio.SetProject(std::move(project));
    for (const int format : {AudioStreamer::kFloat32, AudioStreamer::kFloat64}) {
        RenderRequest request;
        request.output = scratch / "quiet.raw";
        request.sampleFormat = format;
        request.beats = 1.0;
        const RenderResult result = RenderSong(studio, request);
        ASSERT_TRUE(result.done);
        const std::string raw = test::ReadFile(scratch / "quiet.raw");
        const std::size_t width = format == AudioStreamer::kFloat64 ? 8 : 4;
        ASSERT_EQ(raw.size(), static_cast<std::size_t>(result.frames) * 2 * width);
        int wrong = 0;
        for (std::int64_t frame = 0; frame < result.frames; ++frame) {
            for (int channel = 0; channel < 2; ++channel) {
                const double expected = (channel == 0 ? 1.0 : -1.0) * QuietMachine::Sample(frame);
                const bool speck = std::fabs(expected) < 1e-30;
                std::uint64_t bits = 0;
                std::memcpy(&bits, raw.data() + (frame * 2 + channel) * width, width);
                const double sample = width == 8
                                          ? std::bit_cast<double>(bits)
                                          : std::bit_cast<float>(static_cast<std::uint32_t>(bits));
                wrong += speck ? bits != 0 : sample != expected;
            }
        }
        EXPECT_EQ(wrong, 0) << "format " << format;
    }
}

} // namespace
} // namespace tarn
