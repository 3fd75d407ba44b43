#include "audio/JackDevice.h"
#include "audio/JackCaptureClient.h"
#include "audio/JackDeviceRun.h"
#include "audio/JackPlaythrough.h"
#include "audio/JackTestServer.h"
#include "audio/PcmDeviceSelection.h"
#include "audio/RecordingHost.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::CapturedLines;
using test::JackCaptureClient;
using test::JackDeviceRun;
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

// Rising zero crossings of a tone between two frames, each placed between
// its two samples; answers the tone's frequency at `rate`.
double MeasuredFrequency(const std::vector<float>& tone, std::size_t from, std::size_t to,
                         double rate) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t frame = from + 1; frame < to; ++frame) {
        if (tone[frame - 1] < 0.0f && tone[frame] >= 0.0f) {
            const double at =
                static_cast<double>(frame - 1) + tone[frame - 1] / (tone[frame - 1] - tone[frame]);
            first = first < 0.0 ? at : first;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

// Where the stream lies among what the listener heard: the right channel
// never falls below 0.25 while it plays, and a conversion filter's ringing
// around its edges stays far below that.
struct HeardStream {
    std::size_t first = 0;
    std::size_t end = 0;
};

HeardStream FindStream(const JackCaptureClient& capture) {
    const std::vector<float>& right = capture.Channel(1);
    HeardStream stream{0, capture.Frames()};
    while (stream.first < stream.end && right[stream.first] < 0.125f) {
        ++stream.first;
    }
    while (stream.end > stream.first && right[stream.end - 1] < 0.125f) {
        --stream.end;
    }
    return stream;
}

// The number of the line "output latency N ms" said; -1 without one.
int SaidLatencyMs(const std::vector<std::string>& said) {
    const auto latency = std::find_if(said.begin(), said.end(), [](const std::string& line) {
        return line.starts_with("output latency ");
    });
    return latency == said.end()
               ? -1
               : std::stoi(latency->substr(std::string("output latency ").size()));
}

// Away from the stream's edges the left channel is a clean 440 Hz tone.
void ExpectTone(const JackCaptureClient& capture, double rate) {
    const auto [first, end] = FindStream(capture);
    ASSERT_LT(first, end) << "nothing was heard";
    const auto margin = static_cast<std::size_t>(rate / 20);
    EXPECT_NEAR(MeasuredFrequency(capture.Channel(0), first + margin, end - margin, rate), 440.0,
                0.44);
}

TEST(JackDevice, ConvertsToTheServersRateAtTheRightPitchAndLength) {
    constexpr double kPeriodFrames = 256.0; // the test server's
    for (const int rate : {48000, 96000}) {
        SCOPED_TRACE(rate);
        JackTestServer server(rate);
        if (!server.Running()) {
            GTEST_SKIP() << "no private JACK server on the dummy backend: " << server.Problem();
        }
        CapturedLines lines;
        JackDeviceRun run(&TestSignal, LatencyMode::kSafe, rate);
        ASSERT_TRUE(run.Play(2 * rate)) << testing::PrintToString(lines.Of(kErrorLine));
        run.Playthrough().ExpectRealTimePace();
        // The console names the conversion once.
        const std::string conversion =
            "JACK: rate conversion 44100 Hz to " + std::to_string(rate) + " Hz by libsoxr";
        const std::vector<std::string> said = lines.Of(kMessageLine);
        EXPECT_EQ(
            std::count_if(said.begin(), said.end(),
                          [&](const std::string& line) { return line.starts_with(conversion); }),
            1)
            << testing::PrintToString(said);
        // Start named the latency: at least the ring's 181 ms, and not much
        // more for the conversion's block and the server's period on top.
        const int ms = SaidLatencyMs(said);
        EXPECT_GE(ms, 181) << testing::PrintToString(said);
        EXPECT_LE(ms, 181 + 25);
        EXPECT_NE(std::find(said.begin(), said.end(), "0 underruns"), said.end());

        const auto [first, end] = FindStream(run.Playthrough().Capture());
        const double seconds = static_cast<double>(end - first) / rate;
        EXPECT_NEAR(seconds, static_cast<double>(run.Playthrough().Rendered()) / kRate,
                    kPeriodFrames / rate);
        ExpectTone(run.Playthrough().Capture(), rate);
        EXPECT_TRUE(lines.Of(kErrorLine).empty()) << testing::PrintToString(lines.Of(kErrorLine));
    }
}

// Low latency renders one server period at a time and keeps two queued, so
// the latency it names is at most three periods (its ring and the server's
// own); the stream is heard frame for frame, or converted at its pitch,
// and never runs dry.
TEST(JackDevice, LowLatencyPlaysWithinThreePeriods) {
    constexpr int kPeriodFrames = 256; // the test server's
    for (const int rate : {44100, 48000}) {
        SCOPED_TRACE(rate);
        JackTestServer server(rate);
        if (!server.Running()) {
            GTEST_SKIP() << "no private JACK server on the dummy backend: " << server.Problem();
        }
        CapturedLines lines;
        // One period of the server's rate in the stream's frames.
        const auto block = static_cast<std::uint64_t>(kPeriodFrames * kRate / rate);
        JackDeviceRun run(&TestSignal, LatencyMode::kLow, rate, {block, 2});
        ASSERT_TRUE(run.Play(2 * rate)) << testing::PrintToString(lines.Of(kErrorLine));
        run.Playthrough().ExpectRealTimePace();
        const std::vector<std::string> said = lines.Of(kMessageLine);
        const int ms = SaidLatencyMs(said);
        EXPECT_GE(ms, 0) << testing::PrintToString(said);
        EXPECT_LE(ms, std::lround(3000.0 * kPeriodFrames / rate));
        EXPECT_NE(std::find(said.begin(), said.end(), "0 underruns"), said.end());
        if (rate == 44100) {
            run.Playthrough().ExpectHeard(&TestSignal);
        } else {
            ExpectTone(run.Playthrough().Capture(), rate);
        }
        EXPECT_EQ(run.Host().MalformedBuffers(), 0);
        EXPECT_TRUE(lines.Of(kErrorLine).empty()) << testing::PrintToString(lines.Of(kErrorLine));
    }
}

} // namespace
} // namespace tarn
