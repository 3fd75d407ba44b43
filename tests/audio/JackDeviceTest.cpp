#include "audio/JackDevice.h"
#include "audio/JackCaptureClient.h"
#include "audio/JackPlaythrough.h"
#include "audio/JackTestServer.h"
#include "audio/PcmDeviceSelection.h"
#include "audio/RecordingHost.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>

namespace tarn {
namespace {

using test::CapturedLines;
using test::JackCaptureClient;
using test::JackPlaythrough;
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

    JackPlaythrough playthrough(driver, *jack);
    ASSERT_TRUE(playthrough.Listen());
    EXPECT_EQ(playthrough.Capture().ConnectionsOf(jack->PortName(0)),
              (std::vector<std::string>{"system:playback_1", "tarn-capture:in_1"}));
    EXPECT_EQ(playthrough.Capture().ConnectionsOf(jack->PortName(1)),
              (std::vector<std::string>{"system:playback_2", "tarn-capture:in_2"}));

    ASSERT_TRUE(playthrough.Play(2 * 44100, [&] { return host.FramesRendered(); }));
    ASSERT_EQ(SendMessage(driver, kDeviceClose), 1);
    playthrough.ExpectRealTimePace();
    playthrough.ExpectHeard(&TestSignal);
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
