#include "audio/AlsaDevice.h"
#include "audio/RecordingHost.h"
#include "audio/ScopedEnvironment.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <alsa/asoundlib.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace tarn {
namespace {

using test::CapturedLines;
using test::RecordingHost;
using test::ScopedEnvironment;
using test::ScratchDirectory;
using test::SendMessage;

// ALSA reads its configuration once per process; this points it at a file
// of the test's own, where "default" is the null sink, and makes ALSA read
// the normal configuration again afterwards.
class NullDefaultPcm {
public:
    NullDefaultPcm()
        : file_(WriteConfiguration(directory_)),
          configuration_("ALSA_CONFIG_PATH", file_.string()) {
        snd_config_update_free_global();
    }
    ~NullDefaultPcm() { snd_config_update_free_global(); }

private:
    static std::filesystem::path WriteConfiguration(const ScratchDirectory& directory) {
        const std::filesystem::path file = directory / "asound.conf";
        std::ofstream(file) << "pcm.!default { type null }\n";
        return file;
    }

    ScratchDirectory directory_;
    std::filesystem::path file_;
    ScopedEnvironment configuration_;
};

TEST(AlsaDevice, PlaysHundredsOfBuffersIntoTheNullPcm) {
    NullDefaultPcm nullPcm;
    CapturedLines lines;
    RecordingHost host([](int channel, std::uint64_t frame) {
        return channel == 0 ? 0.5 : (frame % 2 == 0 ? -0.5 : 0.5);
    });
    auto owned = std::make_unique<AlsaDevice>();
    AlsaDevice* alsa = owned.get();
    WaveOutDriver driver(std::move(owned));
    host.AttachTo(driver);

    ASSERT_EQ(SendMessage(driver, kDeviceOpen), 1);
    // A machine without sound cards still counts the PCM that opens.
    const auto messages = lines.Of(kMessageLine);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "1 device(s) detected");
    EXPECT_EQ(alsa->SampleFormatName(), "S16_LE");
    EXPECT_EQ(alsa->Negotiated().channels, 2);
    EXPECT_EQ(alsa->Negotiated().sampleRate, 44100);
    EXPECT_EQ(alsa->Negotiated().bufferFrames, 800);
    EXPECT_EQ(alsa->Negotiated().bufferCount, 10);

    // The null sink never fills, so the fill thread renders as fast as it
    // can; stop and start in between must still go through.
    ASSERT_EQ(SendMessage(driver, kDeviceStart), 1);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (host.Renders() < 150 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(SendMessage(driver, kDeviceStop), 1);
    ASSERT_EQ(SendMessage(driver, kDeviceStart), 1);
    while (host.Renders() < 400 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(SendMessage(driver, kDeviceStop), 1);
    ASSERT_GE(host.Renders(), 400u);
    EXPECT_EQ(alsa->FramesWritten(), host.Renders() * 800);
    EXPECT_EQ(SendMessage(driver, kDeviceClose), 1);
    EXPECT_EQ(host.MalformedBuffers(), 0);
    EXPECT_TRUE(lines.Of(kErrorLine).empty());
}

TEST(AlsaDevice, AMissingPcmIsNoDevice) {
    NullDefaultPcm nullPcm;
    CapturedLines lines;
    WaveOutDriver driver(std::make_unique<AlsaDevice>("tarn-no-such-pcm"));
    EXPECT_EQ(SendMessage(driver, kDeviceOpen), 0);
    EXPECT_EQ(lines.Of(kMessageLine),
              (std::vector<std::string>{
                  "0 device(s) detected",
                  "ALSA: no sound card, and PCM 'tarn-no-such-pcm' cannot be opened"}));
    EXPECT_TRUE(lines.Of(kErrorLine).empty());
}

} // namespace
} // namespace tarn
