#include "audio/JackDevice.h"
#include "audio/CapturedLines.h"
#include "audio/JackCaptureClient.h"
#include "audio/JackTestServer.h"
#include "audio/PcmDeviceSelection.h"
#include "audio/RecordingHost.h"
#include "audio/SendMessage.h"
#include "audio/WaitUntil.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <string>

namespace tarn {
namespace {

using test::CapturedLines;
using test::JackCaptureClient;
using test::JackTestServer;
using test::RecordingHost;
using test::SendMessage;
using test::WaitUntil;

constexpr double kRate = 44100.0;
constexpr std::uint64_t kStreamFrames = 2 * 44100;
// Room for the stream, the ring played out after it and the moments before.
constexpr std::size_t kCaptureFrames = 6 * 44100;
// Silence the listener records after the stream: several server periods.
constexpr std::size_t kTailFrames = 2048;
// A guard against a hung server, far beyond what a loaded machine needs.
constexpr auto kPatience = std::chrono::seconds(30);

// Left a 440 Hz tone starting at zero; right never below 0.25, so the first
// frame of the stream is easy to find among the silence before it.
double TestSignal(int channel, std::uint64_t frame) {
    const double t = static_cast<double>(frame) / kRate;
    if (channel == 0) {
        return 0.8 * std::sin(2.0 * std::numbers::pi * 440.0 * t);
    }
    return 0.5 + 0.25 * std::sin(2.0 * std::numbers::pi * 1000.0 * t);
}

TEST(JackDevice, PlaysTheRenderedSignalInRealTimeWithoutUnderruns) {
    JackTestServer server(44100);
    if (!server.Running()) {
        GTEST_SKIP() << "no private JACK server on the dummy backend: " << server.Problem();
    }
    CapturedLines lines;
    RecordingHost host(&TestSignal);
    std::unique_ptr<PcmDevice> selected = SelectPcmDevice("auto");
    auto* jack = dynamic_cast<JackDevice*>(selected.get());
    ASSERT_NE(jack, nullptr) << "a running server makes JACK the automatic choice";
    WaveOutDriver driver(std::move(selected));
    host.AttachTo(driver);
    ASSERT_EQ(SendMessage(driver, kDeviceOpen), 1)
        << testing::PrintToString(lines.Of(kMessageLine));
    EXPECT_EQ(host.SampleRate(), 44100);

    JackCaptureClient capture(kCaptureFrames);
    ASSERT_TRUE(capture.IsOpen());
    ASSERT_TRUE(capture.Listen(jack->PortName(0), 0));
    ASSERT_TRUE(capture.Listen(jack->PortName(1), 1));
    EXPECT_EQ(capture.ConnectionsOf(jack->PortName(0)),
              (std::vector<std::string>{"system:playback_1", "tarn-capture:in_1"}));
    EXPECT_EQ(capture.ConnectionsOf(jack->PortName(1)),
              (std::vector<std::string>{"system:playback_2", "tarn-capture:in_2"}));

    // Two seconds by the server's clock, which a loaded machine may stretch.
    ASSERT_EQ(SendMessage(driver, kDeviceStart), 1);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return jack->FramesPlayed() >= kStreamFrames; }, kPatience))
        << jack->FramesPlayed() << " frames played";
    const std::uint64_t played = jack->FramesPlayed();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(SendMessage(driver, kDeviceStop), 1);
    const std::uint64_t rendered = host.FramesRendered();
    const std::uint64_t underruns = jack->Underruns();
    // The ring plays out what the fill thread left in it, and the listener
    // records a little silence after it.
    ASSERT_TRUE(WaitUntil([&] { return jack->FramesPlayed() >= rendered; }, kPatience))
        << jack->FramesPlayed() << " of " << rendered << " frames played";
    const std::size_t heard = capture.Frames();
    ASSERT_TRUE(WaitUntil([&] { return capture.Frames() >= heard + kTailFrames; }, kPatience))
        << "the listener stopped at frame " << capture.Frames();
    capture.Close();
    EXPECT_EQ(jack->FramesPlayed(), rendered);
    ASSERT_EQ(SendMessage(driver, kDeviceClose), 1);

    const std::string xruns = "server xruns: " + std::to_string(capture.Xruns());
    EXPECT_EQ(underruns, 0u) << xruns;
    // The server's clock paces the stream, so it never runs ahead of the
    // wall clock; a loaded server skips cycles and may fall behind it.
    EXPECT_LE(static_cast<double>(played), 1.03 * elapsed * kRate + 1024);
    // The fill thread runs ahead of the server by at most the ring.
    EXPECT_GE(rendered, played);
    EXPECT_LE(rendered, played + 8000 + 800);
    EXPECT_EQ(rendered % 800, 0u);

    // What reached the ports is silence, then every rendered frame, in
    // order, once, within the 16-bit conversion's error (one code of
    // rounding, one of dither), then silence again.
    const auto& left = capture.Channel(0);
    const auto& right = capture.Channel(1);
    std::size_t first = 0;
    while (first < capture.Frames() && right[first] < 0.1f) {
        ASSERT_EQ(left[first], 0.0f) << "frame " << first << ", before the stream";
        ASSERT_EQ(right[first], 0.0f) << "frame " << first << ", before the stream";
        ++first;
    }
    ASSERT_GE(capture.Frames(), first + rendered) << "not every rendered frame was heard";
    const double tolerance = 3.0 / 32768.0;
    std::uint64_t wrong = 0;
    std::uint64_t firstWrong = rendered;
    for (std::uint64_t frame = 0; frame < rendered; ++frame) {
        const bool leftOk = std::abs(left[first + frame] - TestSignal(0, frame)) <= tolerance;
        const bool rightOk = std::abs(right[first + frame] - TestSignal(1, frame)) <= tolerance;
        if (!leftOk || !rightOk) {
            firstWrong = std::min(firstWrong, frame);
            ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0u) << "first wrong frame " << firstWrong << " of " << rendered << ", "
                         << xruns;
    for (std::size_t frame = first + rendered; frame < capture.Frames(); ++frame) {
        ASSERT_EQ(left[frame], 0.0f) << "frame " << frame << ", after the stream";
        ASSERT_EQ(right[frame], 0.0f) << "frame " << frame << ", after the stream";
    }
    EXPECT_TRUE(lines.Of(kErrorLine).empty());
}

TEST(JackDevice, RefusesAServerAtAnotherSampleRate) {
    JackTestServer server(48000);
    if (!server.Running()) {
        GTEST_SKIP() << "no private JACK server on the dummy backend: " << server.Problem();
    }
    CapturedLines lines;
    RecordingHost host(&TestSignal);
    WaveOutDriver driver(std::make_unique<JackDevice>());
    host.AttachTo(driver);
    EXPECT_EQ(SendMessage(driver, kDeviceOpen), 0);
    EXPECT_EQ(lines.Of(kErrorLine),
              std::vector<std::string>{
                  "error: JACK server runs at 48000 Hz but the engine needs 44100 Hz"});
    EXPECT_EQ(host.SampleRateMessages(), 0);
    EXPECT_EQ(SendMessage(driver, kDeviceStart), 0);

    // The refused client left nothing behind on the server.
    JackCaptureClient observer(1);
    ASSERT_TRUE(observer.IsOpen());
    EXPECT_FALSE(observer.PortExists(std::string(JackDevice::kClientName) + ":out_1"));
}

} // namespace
} // namespace tarn
