#include "audio/JackDevice.h"
#include "audio/CapturedLines.h"
#include "audio/JackCaptureClient.h"
#include "audio/JackTestServer.h"
#include "audio/PcmDeviceSelection.h"
#include "audio/RecordingHost.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

namespace tarn {
namespace {

using test::CapturedLines;
using test::JackCaptureClient;
using test::JackTestServer;
using test::RecordingHost;
using test::SendMessage;

constexpr double kRate = 44100.0;

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

    JackCaptureClient capture(static_cast<std::size_t>(4 * kRate));
    ASSERT_TRUE(capture.IsOpen());
    ASSERT_TRUE(capture.Listen(jack->PortName(0), 0));
    ASSERT_TRUE(capture.Listen(jack->PortName(1), 1));
    EXPECT_EQ(capture.ConnectionsOf(jack->PortName(0)),
              (std::vector<std::string>{"system:playback_1", "tarn-capture:in_1"}));
    EXPECT_EQ(capture.ConnectionsOf(jack->PortName(1)),
              (std::vector<std::string>{"system:playback_2", "tarn-capture:in_2"}));

    ASSERT_EQ(SendMessage(driver, kDeviceStart), 1);
    const auto started = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::uint64_t played = jack->FramesPlayed();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(SendMessage(driver, kDeviceStop), 1);
    const std::uint64_t rendered = host.FramesRendered();
    const std::uint64_t underruns = jack->Underruns();
    // Let the ring play out what the fill thread left in it.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    capture.Close();
    ASSERT_EQ(SendMessage(driver, kDeviceClose), 1);

    EXPECT_EQ(underruns, 0u);
    // The server's clock paces the stream: two seconds are about 88 200
    // frames, less the moment it takes to fill the ring first.
    EXPECT_NEAR(static_cast<double>(played), elapsed * kRate, 0.03 * elapsed * kRate + 1024);
    EXPECT_NEAR(static_cast<double>(played), 88200.0, 6000.0);
    // The fill thread runs ahead of the server by at most the ring.
    EXPECT_GE(rendered, played);
    EXPECT_LE(rendered, played + 8000 + 800);
    EXPECT_EQ(rendered % 800, 0u);

    // What reached the ports is every rendered frame, in order, once, within
    // the 16-bit conversion's error (one code of rounding, one of dither).
    const auto& left = capture.Channel(0);
    const auto& right = capture.Channel(1);
    std::size_t first = 0;
    while (first < capture.Frames() && right[first] < 0.1f) {
        ++first;
    }
    ASSERT_GE(capture.Frames(), first + rendered) << "not every rendered frame was heard";
    const double tolerance = 3.0 / 32768.0;
    std::uint64_t wrong = 0;
    for (std::uint64_t frame = 0; frame < rendered; ++frame) {
        const bool leftOk = std::abs(left[first + frame] - TestSignal(0, frame)) <= tolerance;
        const bool rightOk = std::abs(right[first + frame] - TestSignal(1, frame)) <= tolerance;
        wrong += leftOk && rightOk ? 0 : 1;
    }
    EXPECT_EQ(wrong, 0u);
    // And silence after the last one.
    for (std::size_t frame = first + rendered; frame < capture.Frames(); ++frame) {
        ASSERT_EQ(right[frame], 0.0f) << "frame " << frame;
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
