#include "audio/PcmDeviceSelection.h"
#include "audio/AlsaDevice.h"
#include "audio/JackDevice.h"
#include "audio/ScopedEnvironment.h"
#include "audio/SendMessage.h"
#include "audio/WaveOutDriver.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace tarn {
namespace {

using test::CapturedLines;
using test::ScopedEnvironment;
using test::SendMessage;

TEST(PcmDeviceSelection, ChoosesByNameAndFallsBackToAlsaWithoutAServer) {
    // A server name nothing listens on: no JACK server for this process.
    ScopedEnvironment noServer("JACK_DEFAULT_SERVER", "tarn-absent-" + std::to_string(::getpid()));
    CapturedLines lines;
    EXPECT_FALSE(JackDevice::ServerRunning());

    auto automatic = SelectPcmDevice("auto");
    EXPECT_NE(dynamic_cast<AlsaDevice*>(automatic.get()), nullptr);
    EXPECT_EQ(lines.Of(kMessageLine), std::vector<std::string>{"audio backend: alsa"});
    EXPECT_NE(dynamic_cast<AlsaDevice*>(SelectPcmDevice("alsa").get()), nullptr);
    auto jack = SelectPcmDevice("jack");
    EXPECT_NE(dynamic_cast<JackDevice*>(jack.get()), nullptr);

    EXPECT_EQ(SelectPcmDevice("pulse"), nullptr);
    EXPECT_EQ(
        lines.Of(kErrorLine),
        std::vector<std::string>{"error: unknown audio backend 'pulse' (auto, alsa or jack)"});

    // Asked for explicitly, JACK without a server is no device at all.
    WaveOutDriver driver(std::move(jack));
    EXPECT_EQ(SendMessage(driver, kDeviceOpen), 0);
    const std::vector<std::string> messages = lines.Of(kMessageLine);
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[messages.size() - 2], "0 device(s) detected");
    EXPECT_EQ(messages.back(), "JACK: no server is running");
    EXPECT_EQ(lines.Of(kErrorLine).size(), 1u);
}

} // namespace
} // namespace tarn
