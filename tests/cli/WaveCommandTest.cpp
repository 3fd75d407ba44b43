#include "cli/CommandLineFixture.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include "wavetable/WavBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sys/stat.h>

namespace tarn {
namespace {

using WaveCommandTest = test::CommandLineFixture;

TEST_F(WaveCommandTest, AddsListsAndRemovesWavesThatSurviveSaveAndLoad) {
    ASSERT_EQ(Run({"tarn", "new", "p.tarn"}), 0) << err;
    test::WavBuilder()
        .Format(test::WavBuilder::kPcm, 2, 48000, 24)
        .Sampler({{1, 2, 3}})
        .Data({8388607, -1, 12345, -8388608, 0, 77}, 3)
        .Write(scratch_ / "pad.wav");

    ASSERT_EQ(Run({"tarn", "wave", "p.tarn", "add", "pad.wav", "--slot", "4"}), 0) << err;
    EXPECT_EQ(out, "4. pad: 2 channels, 3 frames, 48000 Hz\n");
    ASSERT_EQ(Run({"tarn", "wave", "p.tarn", "add", "pad"}), 0) << err;
    EXPECT_EQ(out, "0. pad: 2 channels, 3 frames, 48000 Hz\n");
    ASSERT_EQ(Run({"tarn", "wave", "p.tarn", "remove", "0"}), 0) << err;
    ASSERT_EQ(Run({"tarn", "wave", "p.tarn", "list"}), 0) << err;
    EXPECT_EQ(out, "4. pad\n");

    // The saved wave is the decoded one, bit for bit.
    Studio studio;
    const std::unique_ptr<Project> project = studio.LoadProject(scratch_ / "p.tarn");
    ASSERT_NE(project, nullptr);
    const Sound* sound = project->Waves().Get(4)->GetSound();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->Format().sampleRate, 48000);
    EXPECT_TRUE(std::ranges::equal(
        sound->Samples(0), std::array{1.0f, static_cast<float>(12345.0 / 8388607.0), 0.0f}));
    EXPECT_EQ(sound->Samples(1)[1], static_cast<float>(-8388608.0 / 8388607.0));
    ASSERT_EQ(sound->LoopPoints().size(), 1u);
    EXPECT_EQ(sound->LoopPoints()[0].end, 3.0);

    // Refusals leave the file as it was.
    const std::string before = test::ReadFile(scratch_ / "p.tarn");
    EXPECT_EQ(Run({"tarn", "wave", "p.tarn", "add", "missing.wav"}), 1);
    EXPECT_NE(err.find("error: unable to open file 'missing.wav'"), std::string::npos) << err;
    // A pipe is refused rather than waited on.
    ASSERT_EQ(mkfifo((scratch_ / "pipe.wav").c_str(), 0600), 0);
    EXPECT_EQ(Run({"tarn", "wave", "p.tarn", "add", "pipe.wav"}), 1);
    EXPECT_NE(err.find("error: unable to open file 'pipe.wav': it is not a regular file"),
              std::string::npos)
        << err;
    EXPECT_EQ(Run({"tarn", "wave", "p.tarn", "remove", "9"}), 1);
    EXPECT_EQ(test::ReadFile(scratch_ / "p.tarn"), before);
}

} // namespace
} // namespace tarn
