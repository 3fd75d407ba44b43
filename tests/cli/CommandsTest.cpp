#include "cli/CommandLineFixture.h"

#include "audio/AlsaDevice.h"
#include "audio/LiveNote.h"
#include "base/AppDirectory.h"
#include "engine/Project.h"
#include "studio/RenderSong.h"
#include "studio/Studio.h"
#include "support/SignalMeasures.h"
#include "support/WaveFile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace tarn {
namespace {

using Json = nlohmann::json;
using test::ReadWave;
using test::Rms;

// The samples from..to - 1 of a recording.
std::span<const double> Part(const test::WaveFile& wave, std::size_t from, std::size_t to) {
    return std::span<const double>(wave.samples).subspan(from, to - from);
}

using CommandsTest = test::CommandLineFixture;

TEST_F(CommandsTest, NewProjectRendersToItsLengthAndDumps) {
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    EXPECT_EQ(out, "saved p.tarn\n");

    // 3 beats at 120 BPM, and the song once (4 beats) at 64 bits. The
    // Master alone is silent.
    ASSERT_EQ(Run({"tarn", "render", "p.tarn", "-o", "three.wav", "--beats", "3"}), 0) << err;
    EXPECT_EQ(out.rfind("rendered 66150 frames (1.50 s of audio) to three.wav", 0), 0u) << out;
    const test::WaveFile three = ReadWave(test::ReadFile(scratch_ / "three.wav"));
    EXPECT_EQ(three.channels, 2);
    EXPECT_EQ(three.bits, 32);
    ASSERT_EQ(three.samples.size(), 2u * 66150u);
    EXPECT_EQ(Rms(three.samples), 0.0);
    ASSERT_EQ(Run({"tarn", "render", "p.tarn", "-o", "song.wav", "--bits", "64"}), 0) << err;
    EXPECT_EQ(test::ReadFile(scratch_ / "song.wav").size(), 46u + 88200u * 16u);

    ASSERT_EQ(Run({"tarn", "dump", "p.tarn"}), 0) << err;
    const Json dump = Json::parse(out);
    EXPECT_EQ(dump["bpm"], 120.0);
    EXPECT_EQ(dump["song"], Json::parse(R"({"start": 0.0, "end": 4.0})"));
    EXPECT_EQ(dump["loop"], Json::parse(R"({"start": 0.0, "end": 4.0})"));
    ASSERT_EQ(dump["machines"].size(), 1u);
    const Json& master = dump["machines"][0];
    for (const char* key :
         {"id", "type", "name", "tracks", "position", "parameters", "patterns", "sequence"}) {
        EXPECT_TRUE(master.contains(key)) << key;
    }
    EXPECT_EQ(master["type"], "Tarn Master");
    EXPECT_EQ(master["position"], Json::parse("[0.5, 0.5]"));
    const auto tempo = std::find_if(
        master["parameters"].begin(), master["parameters"].end(), [](const Json& parameter) {
            return parameter["group"] == 3 && parameter["track"] == 0 && parameter["index"] == 0;
        });
    ASSERT_NE(tempo, master["parameters"].end());
    EXPECT_EQ((*tempo)["value"], 120.0);
    EXPECT_NE((*tempo)["name"], "");
    EXPECT_EQ(dump["connections"], Json::array());
    EXPECT_EQ(dump["waves"], Json::array());

    // Usage on request, and errors for wrong arguments.
    for (const char* command : {"render", "play", "dump", "import", "new", "demo", "machines"}) {
        EXPECT_EQ(Run({"tarn", command, "--help"}), 0) << command;
        EXPECT_NE(out.find("Usage:"), std::string::npos) << command;
    }
    EXPECT_NE(Run({"tarn", "render", "p.tarn", "-o", "x.wav", "--bits", "24"}), 0);
    EXPECT_NE(Run({"tarn", "render", "p.tarn", "-o", "x.wav", "--beats", "-1"}), 0);
    EXPECT_NE(Run({"tarn", "render", "p.tarn"}), 0);
    EXPECT_FALSE(std::filesystem::exists(scratch_ / "x.wav"));
}

TEST_F(CommandsTest, DamagedProjectsGiveOneErrorAndNoFile) {
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    const std::string good = test::ReadFile(scratch_ / "p.tarn");
    Write("magic.tarn", "RIFF" + good.substr(4));
    Write("short.tarn", good.substr(0, good.size() / 2));
    for (const char* project : {"missing.tarn", "magic.tarn", "short.tarn"}) {
        EXPECT_NE(Run({"tarn", "render", project, "-o", "out.wav"}), 0) << project;
        EXPECT_EQ(err.rfind("error: ", 0), 0u) << project << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << project << ": " << err;
        EXPECT_NE(err.find(project), std::string::npos) << err;
        EXPECT_FALSE(std::filesystem::exists(scratch_ / "out.wav")) << project;
        EXPECT_NE(Run({"tarn", "dump", project}), 0) << project;
        EXPECT_EQ(out, "") << project;
    }
    EXPECT_NE(test::ReadFile(scratch_ / "Out/Console.log").find("[ERR] error: "),
              std::string::npos);
}

TEST_F(CommandsTest, DemoIsHeardNeverClipsAndRendersTheSameTwice) {
    ASSERT_EQ(Run({"tarn", "demo", "--no-play"}), 0) << err;
    EXPECT_EQ(err, "");
    const std::string demo = test::ReadFile(scratch_ / "Out/Demo.wav");
    const test::WaveFile wave = ReadWave(demo);
    ASSERT_EQ(wave.channels, 2);
    // 48 beats at 124 BPM, rounded up to whole frames.
    ASSERT_EQ(wave.samples.size(), 2u * 1024259u);
    int sides = 0;
    for (std::size_t i = 0; i < wave.samples.size(); i += 2) {
        sides += wave.samples[i] != wave.samples[i + 1];
    }
    const double peak = test::Peak(wave.samples);
    EXPECT_LT(peak, 1.0);
    EXPECT_GT(peak, 0.2);
    EXPECT_GT(sides, 100000); // the lead is panned
    // The bass fades in over its first three seconds, gliding.
    const auto second = [&wave](int s) { return Rms(Part(wave, 88200u * s, 88200u * (s + 1))); };
    const double body = Rms(Part(wave, 2 * 220500, 2 * 441000));
    EXPECT_GT(body, 0.03);
    EXPECT_LT(second(0), body * 0.3);
    EXPECT_GT(second(1), second(0) * 1.3);
    EXPECT_GT(second(2), second(1) * 1.3);

    ASSERT_EQ(Run({"tarn", "render", "Out/Demo.tarn", "-o", "again.wav"}), 0) << err;
    EXPECT_TRUE(test::ReadFile(scratch_ / "again.wav") == demo);

    ASSERT_EQ(Run({"tarn", "dump", "Out/Demo.tarn"}), 0) << err;
    const Json dump = Json::parse(out);
    EXPECT_EQ(dump["bpm"], 124.0);
    ASSERT_EQ(dump["machines"].size(), 3u);
    EXPECT_EQ(dump["connections"].size(), 2u);
    for (const Json& machine : {dump["machines"][1], dump["machines"][2]}) {
        EXPECT_EQ(machine["type"], "Tarn Analog Bass");
        EXPECT_GE(machine["patterns"].size(), 3u);
        ASSERT_EQ(machine["sequence"].size(), 1u);
        EXPECT_GE(machine["sequence"][0]["entries"].size(), 5u);
        int systemEvents = 0;
        for (const Json& pattern : machine["patterns"]) {
            for (const Json& event : pattern["events"]) {
                systemEvents += event["group"] == 1;
            }
        }
        EXPECT_GT(systemEvents, 0) << machine["name"];
    }
}

// The window renders through RenderSong on the project it holds, whatever
// played before (live notes, the render before); the command line loads
// the file afresh. Both give the same bytes, every time.
TEST_F(CommandsTest, AWindowRenderAfterLivePlayIsTheCommandLinesAndTheSameAgain) {
    ASSERT_EQ(Run({"tarn", "demo", "--no-play"}), 0) << err;
    const std::filesystem::path previous = AppDirectory();
    SetAppDirectory(scratch_.Path());
    std::vector<std::string> windowRenders;
    {
        Studio studio;
        std::unique_ptr<Project> demo = studio.LoadProject(scratch_ / "Out/Demo.tarn");
        ASSERT_NE(demo, nullptr);
        for (auto [id, node] : demo->Nodes()) {
            node->SetLiveInput(true);
        }
        studio.SetProject(std::move(demo));
        std::array<std::array<double, 800>, 2> samples{};
        std::array<double*, 2> outputs{samples[0].data(), samples[1].data()};
        AudioBuffer buffer;
        buffer.outputs = outputs.data();
        buffer.frameCount = 800;
        for (const int seconds : {5, 2}) {
            // Live notes, one a second, leave voices sounding.
            for (int played = 0; played < seconds * 44100; played += buffer.frameCount) {
                if (played % 44100 < buffer.frameCount) {
                    ProjectLock hold(studio.Current());
                    SendLiveNote(*studio.Current().Get(), {24 + played / 44100, 1.0});
                }
                ASSERT_EQ(studio.Engine().WorkCycle(buffer), 1);
            }
            EXPECT_GT(std::abs(samples[0][799]), 0.0);
            RenderRequest request;
            request.output = scratch_ / "window.wav";
            request.beats = 8.0;
            ASSERT_TRUE(RenderSong(studio, request).done);
            windowRenders.push_back(test::ReadFile(request.output));
        }
    }
    SetAppDirectory(previous);
    ASSERT_EQ(Run({"tarn", "render", "Out/Demo.tarn", "-o", "cli.wav", "--beats", "8"}), 0) << err;
    const std::string commandLine = test::ReadFile(scratch_ / "cli.wav");
    EXPECT_GT(test::Peak(ReadWave(commandLine).samples), 0.01);
    EXPECT_TRUE(windowRenders[0] == commandLine);
    EXPECT_TRUE(windowRenders[1] == commandLine);
}

TEST_F(CommandsTest, PlayWithoutADeviceFailsAtOnce) {
    if (AlsaDevice().DeviceCount() > 0) {
        GTEST_SKIP() << "this machine has a sound device";
    }
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    EXPECT_NE(Run({"tarn", "play", "p.tarn", "--backend", "alsa"}), 0);
    EXPECT_NE(out.find("0 device(s) detected\nALSA: no sound card, and PCM 'default' cannot be "
                       "opened\n"),
              std::string::npos)
        << out;
    EXPECT_NE(err.find("error: no audio output device"), std::string::npos) << err;

    // The demo is still made, and says where to listen to it.
    EXPECT_EQ(Run({"tarn", "demo", "-o", "Out/Mine.wav", "--backend", "alsa"}), 0) << err;
    EXPECT_TRUE(std::filesystem::exists(scratch_ / "Out/Mine.tarn"));
    EXPECT_NE(out.find("no audio device to play on: listen to Out/Mine.wav"), std::string::npos)
        << out;
}

} // namespace
} // namespace tarn
