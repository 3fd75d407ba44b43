#include "wavetable/Wavetable.h"

#include "engine/Project.h"
#include "formats/ListFile.h"
#include "support/TestMachine.h"
#include "wavetable/SoundFixture.h"
#include "wavetable/WavBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tarn {
namespace {

using test::WavBuilder;
using testing::ElementsAre;

std::unique_ptr<Sound> Ramp(int frames, int channels) {
    auto sound = std::make_unique<Sound>(SoundFormat{frames, channels, 32, 44100, 0});
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < frames; ++i) {
            sound->Samples(c)[static_cast<std::size_t>(i)] = static_cast<float>(i * (c + 1));
        }
    }
    return sound;
}

TEST(Wave, OverviewHoldsEachBlocksExtremesAndNeverReadsPastTheSamples) {
    Wave wave;
    auto sound = Ramp(130, 2);
    sound->Samples(0)[5] = -3.0f;
    wave.Set(std::move(sound), "ramp");
    EXPECT_EQ(wave.FrameCount(), 130);
    ASSERT_EQ(wave.Overview(0).size(), 3u);
    EXPECT_EQ(wave.Overview(0)[0].largest, 63.0f);
    EXPECT_EQ(wave.Overview(0)[0].smallest, -3.0f);
    EXPECT_EQ(wave.Overview(1)[1].largest, 254.0f);
    EXPECT_EQ(wave.Overview(1)[1].smallest, 128.0f);
    EXPECT_EQ(wave.Overview(0)[2].largest, 129.0f); // two frames in the last block
    EXPECT_EQ(wave.Overview(0)[2].smallest, 128.0f);

    // 128 frames: the third block holds no frames and reads nothing.
    wave.Set(Ramp(128, 1), "exact");
    ASSERT_EQ(wave.Overview(0).size(), 3u);
    EXPECT_EQ(wave.Overview(0)[2].largest, 0.0f);
    EXPECT_EQ(wave.Overview(0)[2].smallest, 0.0f);
    EXPECT_EQ(wave.name, "exact");

    wave.Set(Ramp(0, 1), "empty");
    EXPECT_EQ(wave.Overview(0).size(), 1u);

    wave.Clear();
    EXPECT_EQ(wave.FrameCount(), 0);
    EXPECT_EQ(wave.GetSound(), nullptr);
    EXPECT_EQ(wave.ChannelCount(), 0);
}

class WavetableTest : public test::SoundFixture {
protected:
    WavetableTest() {
        factory.Define("Test", {});
        current.Set(std::make_unique<Project>(factory.Creator()));
    }

    Project& project() { return *current.Get(); }

    void WriteMono(const std::string& name, std::vector<std::int64_t> samples) {
        WavBuilder().Format(WavBuilder::kPcm, 1, 44100, 16).Data(samples, 2).Write(scratch / name);
    }

    test::TestFactory factory;
    CurrentProject current;
    SoundLoader loader;
    PreviewSlot preview;
    std::vector<int> changed;
    Wavetable wavetable{current, loader, preview, [this](int slot) { changed.push_back(slot); }};
};

TEST_F(WavetableTest, LoadsClearsAndListsSlotsAndMachinesSeeTheirData) {
    WriteMono("kick.wav", {32767, 0, -16384});
    WriteMono("snare.wav", {100});
    EXPECT_EQ(wavetable.LoadIntoSlot(-1, scratch / "kick.wav"), 0);
    EXPECT_THAT(errors.Take(), ElementsAre("error: please specify a slot in the wavetable"));

    ASSERT_EQ(wavetable.LoadIntoSlot(3, scratch / "kick.wav"), 1);
    ASSERT_EQ(wavetable.LoadIntoSlot(0, scratch / "snare"), 1);
    EXPECT_THAT(Wavetable::Listing(project()), ElementsAre("0. snare", "3. kick"));

    // A machine asks for slot 3 and reads the very arrays of the wave.
    const int id = project().CreateNode("Test");
    ASSERT_GE(id, 0);
    auto& machine = static_cast<test::TestMachine&>(project().GetNode(id)->Handle().Instance());
    const auto* data = static_cast<const SoundData*>(machine.Wave(3));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->format.frameCount, 3);
    EXPECT_EQ(data->format.channelCount, 1);
    EXPECT_EQ(data->channels[0][0], 1.0f);
    EXPECT_EQ(data->channels[0][2], static_cast<float>(-16384.0 / 32767.0));
    EXPECT_EQ(machine.Wave(1), nullptr);
    EXPECT_EQ(machine.Wave(-1), nullptr);
    EXPECT_EQ(machine.Wave(1 << 20), nullptr);

    // Loading into an occupied slot replaces its wave; a file that fails
    // leaves the slot alone.
    ASSERT_EQ(wavetable.LoadIntoSlot(3, scratch / "snare.wav"), 1);
    EXPECT_EQ(project().Waves().Get(3)->FrameCount(), 1);
    EXPECT_EQ(wavetable.LoadIntoSlot(3, scratch / "none.wav"), 0);
    EXPECT_EQ(errors.Take().size(), 1u);
    EXPECT_EQ(project().Waves().Get(3)->name, "snare");

    EXPECT_EQ(wavetable.ClearSlot(3), 1);
    EXPECT_EQ(machine.Wave(3), nullptr);
    EXPECT_EQ(wavetable.ClearSlot(3), 0);
    EXPECT_THAT(errors.Take(), ElementsAre("error: wavetable slot 3 holds no wave"));
    EXPECT_THAT(changed, ElementsAre(3, 0, 3, 3));
    EXPECT_THAT(Wavetable::Listing(project()), ElementsAre("0. snare"));
}

TEST_F(WavetableTest, RecentListKeepsEachFileOnceNewestLast) {
    WriteMono("a.wav", {1});
    WriteMono("b.wav", {2});
    // Without a list file nothing is remembered, and no error is told.
    ASSERT_EQ(wavetable.LoadIntoSlot(0, scratch / "a.wav"), 1);
    EXPECT_TRUE(errors.Take().empty());
    EXPECT_FALSE(std::filesystem::exists(scratch / Wavetable::kRecentList));

    std::filesystem::create_directories((scratch / Wavetable::kRecentList).parent_path());
    ListFile list;
    for (std::size_t i = 0; i < Wavetable::kRecentCapacity; ++i) {
        list.Entries().push_back("old" + std::to_string(i));
    }
    list.Entries().push_back((scratch / "a.wav").string());
    ASSERT_EQ(list.Save(scratch / Wavetable::kRecentList), 1);
    ASSERT_EQ(wavetable.LoadIntoSlot(0, scratch / "b.wav"), 1);
    ASSERT_EQ(wavetable.LoadIntoSlot(1, scratch / "a.wav"), 1);
    ListFile read;
    ASSERT_EQ(read.Read(scratch / Wavetable::kRecentList), 1);
    ASSERT_EQ(read.Entries().size(), Wavetable::kRecentCapacity);
    EXPECT_EQ(read.Entries()[Wavetable::kRecentCapacity - 2], (scratch / "b.wav").string());
    EXPECT_EQ(read.Entries().back(), (scratch / "a.wav").string());
    EXPECT_EQ(read.Entries().front(), "old2");
}

TEST_F(WavetableTest, PreviewPlaysAMonoFileOnBothOutputsAtHalfLevelAndAFailureSilencesIt) {
    WriteMono("tone.wav", {32767, -32767, 16384});
    ASSERT_EQ(wavetable.Preview(scratch / "tone.wav"), 1);
    std::array<double, 4> left{}, right{};
    std::array<double*, 2> outputs{left.data(), right.data()};
    preview.MixInto(outputs.data(), 2, 4);
    EXPECT_THAT(left, ElementsAre(0.5, -0.5, 0.5 * static_cast<float>(16384.0 / 32767.0), 0.0));
    EXPECT_EQ(right, left);

    ASSERT_EQ(wavetable.Preview(scratch / "tone.wav"), 1);
    EXPECT_EQ(wavetable.Preview(scratch / "broken.wav"), 0);
    EXPECT_EQ(errors.Take().size(), 1u);
    left = {};
    preview.MixInto(outputs.data(), 2, 4);
    EXPECT_THAT(left, ElementsAre(0.0, 0.0, 0.0, 0.0));
    EXPECT_EQ(preview.Sound(), nullptr);
}

} // namespace
} // namespace tarn
