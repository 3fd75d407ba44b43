#include "audio/WaveOutDriver.h"
#include "audio/RecordingHost.h"
#include "audio/SendMessage.h"
#include "audio/TestPcmDevice.h"
#include "base/ClassicRandom.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace tarn {
namespace {

using test::CapturedLines;
using test::RecordingHost;
using test::SendMessage;
using test::TestPcmDevice;
using Step = TestPcmDevice::Step;

constexpr int kBlockSamples = 1600; // 800 frames, interleaved stereo

// A driver over a test device, with a host attached that renders `signal`
// and logs its renders next to the device calls.
struct Rig {
    explicit Rig(RecordingHost::Signal signal = [](int, std::uint64_t) { return 0.0; })
        : host(std::move(signal)) {
        auto owned = std::make_unique<TestPcmDevice>();
        device = owned.get();
        driver = std::make_unique<WaveOutDriver>(std::move(owned));
        host.AttachTo(*driver);
        host.LogRendersTo(*device);
    }

    // Writes counted in the log, for checks on the buffer index order.
    std::vector<int> WrittenIndices() const {
        std::vector<int> indices;
        for (const auto& entry : device->Log()) {
            if (entry.step == Step::kWrite) {
                indices.push_back(entry.index);
            }
        }
        return indices;
    }

    CapturedLines lines; // first in, last out: sees every line the driver writes
    RecordingHost host;
    TestPcmDevice* device = nullptr;
    std::unique_ptr<WaveOutDriver> driver;
};

TEST(WaveOutDriver, OpenAnnouncesTheRateAndTheFirstPassFillsTheWholeRing) {
    Rig rig;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    EXPECT_EQ(rig.lines.Of(kMessageLine), std::vector<std::string>{"1 device(s) detected"});
    EXPECT_EQ(rig.host.SampleRateMessages(), 1);
    EXPECT_EQ(rig.host.SampleRate(), 44100);
    EXPECT_EQ(rig.device->OpenedFormat().sampleRate, 44100);
    EXPECT_EQ(rig.device->OpenedFormat().channels, 2);
    EXPECT_EQ(rig.device->OpenedFormat().bufferFrames, 800);
    EXPECT_EQ(rig.device->OpenedFormat().bufferCount, 10);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1); // already open: nothing again
    EXPECT_EQ(rig.host.SampleRateMessages(), 1);

    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitFor([](const auto& log) {
        return std::find(log.begin(), log.end(), TestPcmDevice::Entry{Step::kWait, -1}) !=
               log.end();
    }));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    EXPECT_FALSE(rig.driver->IsRunning());

    std::vector<TestPcmDevice::Entry> expected;
    for (int index = 0; index < 10; ++index) {
        expected.push_back({Step::kRender, -1});
        expected.push_back({Step::kWrite, index});
    }
    expected.push_back({Step::kWait, -1});
    const auto log = rig.device->Log();
    ASSERT_GE(log.size(), expected.size());
    EXPECT_EQ(std::vector(log.begin(), log.begin() + expected.size()), expected);
    // Nothing became done, so the passes after the first render nothing.
    EXPECT_EQ(rig.host.Renders(), 10u);
    EXPECT_EQ(rig.host.MalformedBuffers(), 0);
    EXPECT_EQ(rig.host.UnexpectedMessages(), 0);
    for (const auto& block : rig.device->Written()) {
        EXPECT_EQ(block.size(), static_cast<std::size_t>(kBlockSamples));
    }
    EXPECT_TRUE(rig.lines.Of(kErrorLine).empty());
}

TEST(WaveOutDriver, StartSaysTheLatencyAndEveryStopTheUnderrunsSinceOpen) {
    Rig rig;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    // The ring the device keeps queued: 8 000 frames at 44 100 Hz.
    EXPECT_EQ(rig.lines.Of(kMessageLine).back(), "output latency 181 ms");
    rig.device->underruns = 2;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    EXPECT_EQ(rig.lines.Of(kMessageLine).back(), "2 underruns");
    EXPECT_EQ(rig.driver->Underruns(), 2u);
    // A stop that finds no fill thread says nothing again.
    const std::size_t said = rig.lines.Of(kMessageLine).size();
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceClose), 1);
    EXPECT_EQ(rig.lines.Of(kMessageLine).size(), said);
    EXPECT_TRUE(rig.lines.Of(kErrorLine).empty());
}

TEST(WaveOutDriver, SilenceConvertsToZeroExceptWhereTheDrawIsMaximal) {
    // The generator is the C runtime's, whose sequence from state 1 is known.
    ClassicRandom reference(1);
    EXPECT_EQ(reference.Next(), 41);
    EXPECT_EQ(reference.Next(), 18467);
    EXPECT_EQ(reference.Next(), 6334);
    EXPECT_EQ(reference.Next(), 26500);

    // With state 1 the first maximal draw comes after some 38 000 draws;
    // render past it in one run of the fill thread.
    ClassicRandom draws(1);
    std::size_t firstMaximal = 0;
    while (draws.Next() != ClassicRandom::kMaximum) {
        ++firstMaximal;
    }
    const std::size_t blocks = firstMaximal / kBlockSamples + 2;

    Rig rig;
    rig.device->SetFreeRunning(true);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(blocks));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);

    ClassicRandom expected(1);
    int ones = 0;
    int mismatches = 0;
    for (const auto& block : rig.device->Written()) {
        for (std::int16_t sample : block) {
            const int want = expected.Next() == ClassicRandom::kMaximum ? 1 : 0;
            ones += sample == 1 ? 1 : 0;
            mismatches += sample != want ? 1 : 0;
        }
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_GE(ones, 1);
}

TEST(WaveOutDriver, ConversionScalesDithersAndClips) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<double> values = {1.0,  -1.0, 2.0,    -2.0, 1e9, -1e9, 0.5,
                                        -0.5, 0.25, -0.999, nan,  inf, -inf};
    // Left walks the table; right walks it backwards, so both channels see
    // every value and a swap of channels would show.
    const auto valueAt = [&values](int channel, std::uint64_t frame) {
        const std::size_t step = frame % values.size();
        return values[channel == 0 ? step : values.size() - 1 - step];
    };
    Rig rig(valueAt);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(10));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);

    std::uint64_t frame = 0;
    int half = 0;
    double halfSum = 0.0;
    for (const auto& block : rig.device->Written()) {
        for (std::size_t i = 0; i < block.size(); i += 2, ++frame) {
            for (int channel = 0; channel < 2; ++channel) {
                const double x = valueAt(channel, frame);
                const int sample = block[i + channel];
                ASSERT_NE(sample, -32768);
                if (std::isnan(x)) {
                    ASSERT_EQ(sample, 0) << "frame " << frame;
                } else if (x >= 1.0) {
                    ASSERT_EQ(sample, 32767) << "value " << x;
                } else if (x <= -1.0) {
                    ASSERT_EQ(sample, -32767) << "value " << x;
                } else {
                    ASSERT_LE(std::abs(sample - x * 32767.0), 1.0) << "value " << x;
                }
                if (x == 0.5) {
                    ++half;
                    halfSum += sample;
                }
            }
        }
    }
    // 0.5 lies halfway between two codes: the dither splits it evenly
    // between 16383 and 16384 instead of always rounding the same way.
    ASSERT_GT(half, 1000);
    EXPECT_NEAR(halfSum / half, 0.5 * 32767.0, 0.05);
}

TEST(WaveOutDriver, StopThenStartContinuesAtTheSameBuffer) {
    Rig rig;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(10));
    for (int index = 0; index < 3; ++index) {
        rig.device->MarkDone(index);
    }
    ASSERT_TRUE(rig.device->WaitForWrites(13));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);

    // Buffers handed back while stopped wait for the next start; the ring
    // goes on at buffer 3, not at the first done buffer.
    rig.device->MarkDone(0);
    rig.device->MarkDone(4);
    rig.device->MarkDone(3);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(15));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4};
    EXPECT_EQ(rig.WrittenIndices(), expected);
    // Stop does not reset the device: queued buffers keep playing.
    for (const auto& entry : rig.device->Log()) {
        EXPECT_NE(entry.step, Step::kReset);
    }
}

TEST(WaveOutDriver, CloseReleasesTheDeviceOnceAndReopens) {
    Rig rig;
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceClose), 1); // closed: nothing to do
    EXPECT_TRUE(rig.device->Log().empty());

    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceClose), 1);
    EXPECT_FALSE(rig.driver->IsOpen());
    EXPECT_FALSE(rig.device->IsOpen());
    const std::vector<TestPcmDevice::Entry> released = {{Step::kReset, -1}, {Step::kClose, -1}};
    EXPECT_EQ(rig.device->Log(), released);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceClose), 1);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceStart), 0); // no buffers: nothing to touch
    EXPECT_FALSE(rig.driver->IsRunning());
    EXPECT_EQ(rig.device->Log(), released);

    // Reopened, it announces the rate again and plays; closing a running
    // driver stops the fill thread before the device goes away.
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    EXPECT_EQ(rig.host.SampleRateMessages(), 2);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(10));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceClose), 1);
    EXPECT_FALSE(rig.driver->IsRunning());
    const auto log = rig.device->Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(std::vector(log.end() - 2, log.end()), released);
}

TEST(WaveOutDriver, DestroyingARunningDriverStopsAndClosesIt) {
    Rig rig;
    rig.device->SetFreeRunning(true);
    std::vector<TestPcmDevice::Entry> lastCalls;
    rig.device->onClose = [&lastCalls, device = rig.device] { lastCalls = device->Log(); };
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(30));
    rig.driver.reset();
    const std::uint64_t renders = rig.host.Renders();
    ASSERT_GE(lastCalls.size(), 2u);
    EXPECT_EQ(lastCalls.back(), (TestPcmDevice::Entry{Step::kReset, -1}));
    EXPECT_EQ(rig.host.Renders(), renders);
}

TEST(WaveOutDriver, FailedOpensLeaveTheDriverClosedWithOneLine) {
    {
        Rig rig;
        rig.device->devices = 0;
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceOpen), 0);
        EXPECT_EQ(
            rig.lines.Of(kMessageLine),
            (std::vector<std::string>{"0 device(s) detected", "no playback device was found"}));
        EXPECT_TRUE(rig.lines.Of(kErrorLine).empty());
        EXPECT_FALSE(rig.device->IsOpen());
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceStart), 0);
    }
    {
        Rig rig;
        rig.device->openFails = true;
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceOpen), 0);
        EXPECT_EQ(rig.lines.Of(kMessageLine), std::vector<std::string>{"1 device(s) detected"});
        EXPECT_EQ(rig.lines.Of(kErrorLine), std::vector<std::string>{"error: waveOutOpen failed"});
        EXPECT_FALSE(rig.driver->IsOpen());
        EXPECT_EQ(rig.host.SampleRateMessages(), 0);
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceStart), 0);
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceClose), 1);
        EXPECT_TRUE(rig.device->Log().empty());
    }
    {
        // A device that knows why it refuses says so in place of the plain line.
        Rig rig;
        rig.device->openFails = true;
        rig.device->refusal =
            "JACK period of 16384 frames is longer than the output ring of 8000 frames";
        EXPECT_EQ(SendMessage(*rig.driver, kDeviceOpen), 0);
        EXPECT_EQ(rig.lines.Of(kErrorLine),
                  std::vector<std::string>{"error: JACK period of 16384 frames is longer than the "
                                           "output ring of 8000 frames"});
    }
}

TEST(WaveOutDriver, AFailedWriteEndsTheFillThreadUntilTheNextStart) {
    Rig rig;
    rig.device->failingWrite = 4;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitFor([&rig](const auto&) { return !rig.driver->IsRunning(); }));
    EXPECT_EQ(rig.WrittenIndices(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(rig.lines.Of(kErrorLine),
              std::vector<std::string>{"error: audio device write failed, playback stopped"});
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);

    // The failed block is rendered again into the same buffer on restart.
    rig.device->failingWrite = -1;
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStart), 1);
    ASSERT_TRUE(rig.device->WaitForWrites(10));
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceStop), 1);
    EXPECT_EQ(rig.WrittenIndices(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(WaveOutDriver, TakesOnlyItsOwnMessagesAndTheHostHandshake) {
    Rig rig;
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceRender), 0);
    EXPECT_EQ(SendMessage(*rig.driver, kDeviceSampleRate), 0);
    EXPECT_EQ(SendMessage(*rig.driver, 999), 0);

    // A new host context redirects what the driver sends; the callback and
    // cookie stay.
    RecordingHost other([](int, std::uint64_t) { return 0.0; });
    void* context = &other;
    MachineMessage setContext;
    setContext.messageType = kMsgSetHostContext;
    setContext.pointer = &context;
    EXPECT_EQ(rig.driver->HandleMessage(&setContext), 1);
    ASSERT_EQ(SendMessage(*rig.driver, kDeviceOpen), 1);
    EXPECT_EQ(other.SampleRateMessages(), 1);
    EXPECT_EQ(rig.host.SampleRateMessages(), 0);
}

} // namespace
} // namespace tarn
