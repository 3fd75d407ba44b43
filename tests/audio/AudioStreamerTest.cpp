#include "audio/AudioStreamer.h"

#include "base/AppDirectory.h"
#include "engine/Project.h"
#include "support/ScratchDirectory.h"
#include "support/TestMachine.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarn {
namespace {

using test::PipeCapture;
using test::ReadWave;
using test::TestMachineSetup;
using Lines = std::vector<std::string>;

void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out += static_cast<char>(value >> (8 * i));
    }
}

void Put16(std::string& out, std::uint16_t value) {
    out += static_cast<char>(value);
    out += static_cast<char>(value >> 8);
}

// The header as the format describes it, built by hand.
std::string ExpectedHeader(int channels, int bits, std::uint32_t dataBytes) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    std::string header = "RIFF";
    Put32(header, dataBytes + 38);
    header += "WAVEfmt ";
    Put32(header, 18);
    Put16(header, 3);
    Put16(header, static_cast<std::uint16_t>(channels));
    Put32(header, 44100);
    Put32(header, align * 44100u);
    Put16(header, align);
    Put16(header, static_cast<std::uint16_t>(bits));
    Put16(header, 0);
    header += "data";
    Put32(header, dataBytes);
    return header;
}

// A project whose Nodes' buffers the test fills by hand, in a scratch
// application directory.
struct AudioStreamerTest : ::testing::Test {
    AudioStreamerTest() {
        SetAppDirectory(scratch.Path());
        std::filesystem::create_directories(scratch / "Out");
        TestMachineSetup master;
        master.kind = kKindMaster;
        master.name = "Master";
        factory.Define("Tarn Master", master);
        EXPECT_EQ(project.CreateNode("Tarn Master"), 0);
    }

    int Add(int inputs, int outputs) {
        TestMachineSetup setup;
        setup.inputs = inputs;
        setup.outputs = outputs;
        const std::string kind = "Test " + std::to_string(inputs) + "x" + std::to_string(outputs);
        factory.Define(kind, setup);
        return project.CreateNode(kind);
    }

    // Channel c of a side carries c * 1000 + the running frame number, with
    // a fraction no float holds exactly.
    static void Fill(ChannelBufferSet& side, int frames, int firstFrame) {
        for (int channel = 0; channel < side.Count(); ++channel) {
            for (int frame = 0; frame < frames; ++frame) {
                side.Samples(channel)[frame] = channel * 1000.0 + firstFrame + frame + 0.1;
            }
        }
    }

    // Records `frames` frames of the current source in chunks of `chunk`.
    void Record(int frames, int chunk = kMaxChunkFrames) { Record(streamer, frames, chunk); }
    void Record(AudioStreamer& into, int frames, int chunk = kMaxChunkFrames) {
        for (int done = 0; done < frames; done += chunk) {
            const int n = std::min(chunk, frames - done);
            for (auto [id, node] : project.Nodes()) {
                Fill(node->Outputs(), n, done);
                Fill(node->Inputs(), n, done + 500);
            }
            into.WriteChunk(project, n);
        }
    }

    test::ScratchDirectory scratch;
    test::TestFactory factory;
    Project project{factory.Creator()};
    AudioStreamer streamer;
};

TEST_F(AudioStreamerTest, OneSecondOfStereoMasterAsWave) {
    // Construction defaults, and the name rules.
    EXPECT_EQ(streamer.FileName(), "/Out/Mixdown");
    EXPECT_EQ(streamer.GetFileType(), AudioStreamer::kRawFile);
    EXPECT_EQ(streamer.GetSampleFormat(), AudioStreamer::kFloat32);
    EXPECT_EQ(streamer.FilePath(), scratch / "Out/Mixdown.raw");
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);
    EXPECT_EQ(streamer.FilePath(), scratch / "Out/Mixdown.wav");
    EXPECT_EQ(streamer.SetFileName("/Out/take.2"), 1);
    EXPECT_EQ(streamer.FilePath(), scratch / "Out/take.2");
    EXPECT_EQ(streamer.SetFileName(""), 1);
    EXPECT_EQ(streamer.FilePath(), ".wav");
    EXPECT_EQ(streamer.SetFileName("/Out/Mixdown"), 1);

    ASSERT_EQ(streamer.Start(project), 1);
    Record(44100, 200);
    EXPECT_EQ(streamer.DataBytesWritten(), 352800u);
    EXPECT_EQ(streamer.Stop(), 1);
    EXPECT_FALSE(streamer.Streaming());

    const std::string file = test::ReadFile(scratch / "Out/Mixdown.wav");
    ASSERT_EQ(file.size(), 46u + 352800u);
    EXPECT_EQ(file.substr(0, 46), ExpectedHeader(2, 32, 352800));
    const std::vector<double> samples = ReadWave(file).samples;
    for (int frame : {0, 199, 200, 44099}) {
        EXPECT_EQ(samples[frame * 2], static_cast<float>(frame + 0.1)) << frame;
        EXPECT_EQ(samples[frame * 2 + 1], static_cast<float>(1000.0 + frame + 0.1)) << frame;
    }

    // 64-bit samples keep the engine's values as they are.
    EXPECT_EQ(streamer.SetSampleFormat(AudioStreamer::kFloat64), 1);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(300);
    EXPECT_EQ(streamer.Stop(), 1);
    const std::string wide = test::ReadFile(scratch / "Out/Mixdown.wav");
    ASSERT_EQ(wide.size(), 46u + 300u * 16u);
    EXPECT_EQ(wide.substr(0, 46), ExpectedHeader(2, 64, 4800));
    EXPECT_EQ(ReadWave(wide).samples[299 * 2 + 1], 1000.0 + 299 + 0.1);
}

TEST_F(AudioStreamerTest, RecordsTheChosenSideOfTheSourceNode) {
    const int mono = Add(1, 1);
    const int six = Add(3, 6);
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);

    // A mono source makes a one-channel file.
    project.recordSourceId = mono;
    ASSERT_EQ(streamer.Start(project), 1);
    Record(10);
    EXPECT_EQ(streamer.Stop(), 1);
    std::string file = test::ReadFile(scratch / "Out/Mixdown.wav");
    EXPECT_EQ(file.substr(0, 46), ExpectedHeader(1, 32, 40));

    // Six outputs: only the first two; inputs when the Node's flag says so.
    project.recordSourceId = six;
    project.GetNode(six)->SetRecordInputs(true);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(10);
    EXPECT_EQ(streamer.Stop(), 1);
    file = test::ReadFile(scratch / "Out/Mixdown.wav");
    EXPECT_EQ(file.substr(0, 46), ExpectedHeader(2, 32, 80));
    EXPECT_EQ(ReadWave(file).samples[9 * 2 + 1], static_cast<float>(1000.0 + 509 + 0.1));

    // RAW: exactly the sample bytes. The source turning mono halfway keeps
    // the frame layout, with silence in the channel it lost.
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kRawFile), 1);
    project.GetNode(six)->SetRecordInputs(false);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(4);
    project.recordSourceId = mono;
    Record(4);
    EXPECT_EQ(streamer.Stop(), 1);
    file = test::ReadFile(scratch / "Out/Mixdown.raw");
    ASSERT_EQ(file.size(), 64u);
    const std::vector<double> raw = test::ReadRawSamples(file, 32);
    EXPECT_EQ(raw[3 * 2 + 1], static_cast<float>(1003.1));
    EXPECT_EQ(raw[7 * 2], static_cast<float>(3.1));
    EXPECT_EQ(raw[7 * 2 + 1], 0.0);

    // A source without a Node writes nothing and leaves a valid file.
    project.recordSourceId = 42;
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(10);
    EXPECT_EQ(streamer.Stop(), 1);
    EXPECT_EQ(test::ReadFile(scratch / "Out/Mixdown.wav"), ExpectedHeader(0, 32, 0));
}

TEST_F(AudioStreamerTest, RefusesWhatItCannotDo) {
    PipeCapture errors(ErrorOut());
    ASSERT_EQ(streamer.Start(project), 1);
    EXPECT_EQ(streamer.Start(project), 0);
    EXPECT_EQ(streamer.SetFileName("/Out/Other"), 0);
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 0);
    EXPECT_EQ(streamer.SetSampleFormat(AudioStreamer::kFloat64), 0);
    const std::string busy = "can't change settings while streaming!";
    EXPECT_EQ(errors.Take(), (Lines{busy, busy, busy}));
    EXPECT_EQ(streamer.FileName(), "/Out/Mixdown");
    EXPECT_EQ(streamer.Stop(), 1);
    EXPECT_EQ(streamer.Stop(), 1);
    EXPECT_EQ(streamer.SetFileType(7), 0);
    EXPECT_EQ(streamer.SetSampleFormat(-1), 0);

    // A file that cannot be opened leaves the streamer idle.
    EXPECT_EQ(streamer.SetFileName("/Missing/Mixdown.wav"), 1);
    EXPECT_EQ(streamer.Start(project), 0);
    EXPECT_FALSE(streamer.Streaming());
    EXPECT_EQ(errors.Take(),
              Lines{"failed to open file '" + (scratch / "Missing/Mixdown.wav").string() + "'"});
    streamer.WriteChunk(project, 10);
    EXPECT_EQ(streamer.DataBytesWritten(), 0u);
}

TEST_F(AudioStreamerTest, WaveStopsCompleteAtTheSizeLimit) {
    PipeCapture errors(ErrorOut());
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);
    streamer.SetWaveDataLimit(1004); // 125 stereo frames and a half
    ASSERT_EQ(streamer.Start(project), 1);
    Record(100);
    EXPECT_TRUE(streamer.Streaming());
    Record(100);
    EXPECT_FALSE(streamer.Streaming());
    // Waits for the disk thread, which completed the file by itself.
    EXPECT_EQ(streamer.Stop(), 1);
    const std::string path = (scratch / "Out/Mixdown.wav").string();
    EXPECT_EQ(errors.Take(), Lines{"error: recording stopped: '" + path +
                                   "' reached the 4 GiB size limit of WAVE files"});
    const std::string file = test::ReadFile(path);
    ASSERT_EQ(file.size(), 46u + 1000u);
    EXPECT_EQ(file.substr(0, 46), ExpectedHeader(2, 32, 1000));
    EXPECT_EQ(ReadWave(file).samples[124 * 2], static_cast<float>(24.1));

    // RAW files have no sizes to overflow.
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kRawFile), 1);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(200);
    EXPECT_EQ(streamer.Stop(), 1);
    EXPECT_EQ(test::ReadFile(scratch / "Out/Mixdown.raw").size(), 1600u);
    EXPECT_TRUE(errors.Take().empty());
}

// A disk that stalls: its first write waits until the test lets it go (or
// gives up after a long while, so that a streamer waiting for it fails
// rather than hangs); every later write sleeps a little.
class StallingSink : public FileStreamSink {
public:
    bool Append(std::span<const std::uint8_t> bytes) override {
        {
            std::unique_lock hold(lock_);
            released_.wait_for(hold, std::chrono::seconds(20), [this] { return open_; });
            open_ = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool written = FileStreamSink::Append(bytes);
        ++finished;
        return written;
    }

    void Release() {
        {
            std::lock_guard hold(lock_);
            open_ = true;
        }
        released_.notify_all();
    }

    std::atomic<int> finished = 0; // writes done

private:
    std::mutex lock_;
    std::condition_variable released_;
    bool open_ = false;
};

TEST_F(AudioStreamerTest, ASlowDiskHoldsUpNoChunkAndLosesNoFrameUntilTheRingIsFull) {
    PipeCapture errors(ErrorOut());
    EXPECT_EQ(streamer.SetFileType(AudioStreamer::kWaveFile), 1);
    EXPECT_EQ(streamer.SetSampleFormat(AudioStreamer::kFloat64), 1);
    EXPECT_EQ(streamer.SetFileName("/Out/Reference"), 1);
    ASSERT_EQ(streamer.Start(project), 1);
    Record(88200);
    EXPECT_EQ(streamer.Stop(), 1);

    auto owned = std::make_unique<StallingSink>();
    StallingSink& disk = *owned;
    AudioStreamer slow(std::move(owned));
    EXPECT_EQ(slow.SetFileType(AudioStreamer::kWaveFile), 1);
    EXPECT_EQ(slow.SetSampleFormat(AudioStreamer::kFloat64), 1);
    ASSERT_EQ(slow.Start(project), 1);
    // Two seconds of 64-bit stereo while the disk is still stuck in its
    // first write: every chunk was taken without waiting for it.
    Record(slow, 88200);
    EXPECT_EQ(disk.finished, 0);
    disk.Release();
    EXPECT_EQ(slow.Stop(), 1);
    EXPECT_EQ(slow.DroppedFrames(), 0u);
    EXPECT_GT(disk.finished, 0);
    EXPECT_EQ(test::ReadFile(scratch / "Out/Mixdown.wav"),
              test::ReadFile(scratch / "Out/Reference.wav"));
    EXPECT_TRUE(errors.Take().empty());

    // Past the ring's room the chunks that do not fit are dropped, not
    // waited for; the file stays true to what it holds.
    auto second = std::make_unique<StallingSink>();
    StallingSink& stuck = *second;
    AudioStreamer overflowing(std::move(second));
    EXPECT_EQ(overflowing.SetFileType(AudioStreamer::kWaveFile), 1);
    ASSERT_EQ(overflowing.Start(project), 1);
    const int fitting = static_cast<int>((AudioStreamer::kRingBytes - 46) / 8);
    Record(overflowing, fitting + 1000, 100);
    EXPECT_EQ(stuck.finished, 0);
    const std::uint64_t dropped = overflowing.DroppedFrames();
    EXPECT_GE(dropped, 1000u);
    EXPECT_LT(dropped, 1100u); // whole chunks only
    stuck.Release();
    EXPECT_EQ(overflowing.Stop(), 0);
    const std::string path = (scratch / "Out/Mixdown.wav").string();
    EXPECT_EQ(errors.Take(),
              Lines{"error: " + std::to_string(dropped) + " frames were dropped from '" + path +
                    "': the disk did not keep up"});
    const std::string file = test::ReadFile(path);
    const auto kept = static_cast<std::uint32_t>((fitting + 1000 - dropped) * 8);
    ASSERT_EQ(file.size(), 46u + kept);
    EXPECT_EQ(file.substr(0, 46), ExpectedHeader(2, 32, kept));
}

} // namespace
} // namespace tarn
