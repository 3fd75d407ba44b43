#include "audio/AlsaMidiInput.h"
#include "base/MessagePipe.h"
#include "support/CapturedLines.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarn {
namespace {

using test::CapturedLines;

constexpr const char* kSequencer = "/dev/snd/seq";

bool SequencerExists() {
    std::error_code error;
    return std::filesystem::exists(kSequencer, error);
}

TEST(AlsaMidiInput, WithoutTheSequencerOpeningSaysSoInOneLine) {
    if (SequencerExists()) {
        GTEST_SKIP() << kSequencer << " exists: the sequencer is there to open";
    }
    CapturedLines lines;
    MidiEventRing ring;
    AlsaMidiInput input;
    EXPECT_FALSE(input.Open(ring));
    ASSERT_EQ(lines.Of(kMessageLine).size(), 1u);
    EXPECT_EQ(lines.Of(kMessageLine)[0].rfind("ALSA sequencer not available (", 0), 0u)
        << lines.Of(kMessageLine)[0];
    EXPECT_TRUE(lines.Of(kErrorLine).empty());
    EXPECT_EQ(input.ClientId(), -1);
    input.Close(); // closing what never opened does nothing
}

TEST(AlsaMidiInput, OpensOneClientWithOneInputPortAndClosesIt) {
    if (!SequencerExists()) {
        GTEST_SKIP() << "no ALSA sequencer on this machine (" << kSequencer << " is missing)";
    }
    MidiEventRing ring;
    AlsaMidiInput input;
    ASSERT_TRUE(input.Open(ring));
    EXPECT_GT(input.ClientId(), 0);
    EXPECT_GE(input.PortId(), 0);
    // Every readable port it subscribed to is named, none of them its own.
    for (const std::string& source : input.Sources()) {
        EXPECT_NE(source.rfind(std::to_string(input.ClientId()) + ":", 0), 0u) << source;
    }
    input.Close();
    EXPECT_EQ(input.ClientId(), -1);
    EXPECT_TRUE(input.Sources().empty());
}

} // namespace
} // namespace tarn
