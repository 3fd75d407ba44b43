#include "wavetable/SoundLoader.h"

#include "wavetable/SoundFixture.h"
#include "wavetable/WavBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tarn {
namespace {

using test::WavBuilder;
using testing::ElementsAre;
using testing::FloatEq;

class WavHandlerTest : public test::SoundFixture {
protected:
    // Loads bytes written to a file of that name; the loader's result.
    int LoadBytes(const std::string& bytes, const std::string& name = "sound.wav") {
        WavBuilder::WriteBytes(scratch / name, bytes);
        return loader.Load(scratch / name);
    }

    SoundLoader loader;
};

TEST_F(WavHandlerTest, DecodesEveryAcceptedLayoutWithLoopsAndPadding) {
    // 16-bit stereo behind an odd-sized chunk, with two loops; found by a
    // path without its extension.
    WavBuilder()
        .Format(WavBuilder::kPcm, 2, 22050, 16)
        .Chunk("note", "odd")
        .Sampler({{0, 10, 20}, {1, 5, 7}})
        .Data({32767, -32768, 0, 16384}, 2)
        .Write(scratch / "pcm16.wav");
    ASSERT_EQ(loader.Load(scratch / "pcm16"), 1);
    EXPECT_EQ(loader.Title(), "pcm16");
    std::unique_ptr<Sound> sound = loader.TakeSound();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(loader.GetSound(), nullptr);
    const SoundFormat& format = sound->Format();
    EXPECT_EQ(format.frameCount, 2);
    EXPECT_EQ(format.channelCount, 2);
    EXPECT_EQ(format.bitsPerSample, 32);
    EXPECT_EQ(format.sampleRate, 22050);
    ASSERT_EQ(format.loopPointCount, 2);
    EXPECT_THAT(sound->Samples(0), ElementsAre(1.0f, 0.0f));
    EXPECT_THAT(sound->Samples(1),
                ElementsAre(static_cast<float>(-32768.0 / 32767.0), FloatEq(16384.0f / 32767)));
    EXPECT_EQ(sound->LoopPoints()[0].kind, 0);
    EXPECT_EQ(sound->LoopPoints()[0].start, 10.0);
    EXPECT_EQ(sound->LoopPoints()[0].end, 20.0);
    EXPECT_EQ(sound->LoopPoints()[1].kind, 1);
    EXPECT_EQ(sound->LoopPoints()[1].start, 5.0);
    EXPECT_EQ(sound->LoopPoints()[1].end, 7.0);

    // 24-bit mono; the trailing byte of a partial frame is ignored.
    std::string bytes =
        WavBuilder().Format(WavBuilder::kPcm, 1, 48000, 24).Data({8388607, -8388608, 1}, 3).Bytes();
    ASSERT_EQ(LoadBytes(bytes), 1);
    EXPECT_THAT(loader.GetSound()->Samples(0),
                ElementsAre(1.0f, static_cast<float>(-8388608.0 / 8388607.0),
                            static_cast<float>(1.0 / 8388607.0)));

    // 32-bit and 64-bit floats as stored (the double rounded).
    const float quarter = -0.25f;
    ASSERT_EQ(LoadBytes(WavBuilder()
                            .Format(WavBuilder::kFloat, 1, 44100, 32)
                            .Data({std::bit_cast<std::uint32_t>(quarter), 0x3F800000}, 4)
                            .Bytes()),
              1);
    EXPECT_THAT(loader.GetSound()->Samples(0), ElementsAre(-0.25f, 1.0f));
    const double third = 1.0 / 3.0;
    ASSERT_EQ(LoadBytes(WavBuilder()
                            .Format(WavBuilder::kFloat, 1, 44100, 64)
                            .Data({std::bit_cast<std::int64_t>(third)}, 8)
                            .Bytes()),
              1);
    EXPECT_THAT(loader.GetSound()->Samples(0), ElementsAre(static_cast<float>(third)));
    EXPECT_TRUE(errors.Take().empty());
}

TEST_F(WavHandlerTest, RefusesWhatItDoesNotDecodeWithOneErrorLine) {
    const std::vector<std::string> refused = {
        WavBuilder().Format(WavBuilder::kPcm, 1, 44100, 8).Data({1, 2}, 1).Bytes(),
        WavBuilder().Format(WavBuilder::kPcm, 1, 44100, 32).Data({1, 2}, 4).Bytes(),
        WavBuilder().Format(WavBuilder::kExtensible, 1, 44100, 16).Data({1, 2}, 2).Bytes(),
        WavBuilder().Format(WavBuilder::kPcm, 0, 44100, 16).Data({1, 2}, 2).Bytes(),
        WavBuilder().Format(WavBuilder::kPcm, 1, 0, 16).Data({1, 2}, 2).Bytes(),
        // Sample data before the format has no frame size to count with.
        WavBuilder().Data({1, 2}, 2).Format(WavBuilder::kPcm, 1, 44100, 16).Bytes(),
        // A format chunk too short for its fields.
        WavBuilder().Chunk("fmt ", std::string(8, '\1')).Data({1, 2}, 2).Bytes(),
        "RIFX....WAVE",
        "not a sound file at all",
        "",
    };
    for (const std::string& bytes : refused) {
        SCOPED_TRACE(bytes.size());
        EXPECT_EQ(LoadBytes(bytes), 0);
        EXPECT_EQ(loader.GetSound(), nullptr);
        EXPECT_THAT(errors.Take(), ElementsAre("error: unknown file format"));
    }

    // A format without samples is the handler's, but empty.
    EXPECT_EQ(LoadBytes(WavBuilder().Format(WavBuilder::kPcm, 1, 44100, 16).Bytes()), 0);
    EXPECT_THAT(errors.Take(), ElementsAre("error: the reported format is invalid"));

    EXPECT_EQ(loader.Load(scratch / "missing"), 0);
    EXPECT_THAT(errors.Take(),
                ElementsAre("error: unable to open file '" + (scratch / "missing").string() + "'"));
    // The "." that counts is the file name's, not a folder's.
    std::filesystem::create_directory(scratch / "a.folder");
    WavBuilder()
        .Format(WavBuilder::kPcm, 1, 8000, 16)
        .Data({7}, 2)
        .Write(scratch / "a.folder/x.wav");
    EXPECT_EQ(loader.Load(scratch / "a.folder/x"), 1);
    EXPECT_EQ(loader.Title(), "x");
}

TEST_F(WavHandlerTest, BoundsEverySizeByTheFileItself) {
    const std::string good =
        WavBuilder().Format(WavBuilder::kPcm, 2, 44100, 16).Data({1, 2, 3, 4, 5, 6}, 2).Bytes();
    // A RIFF size far beyond the file still reads what is there.
    std::string riffHuge = good;
    riffHuge.replace(4, 4, "\xF0\xFF\xFF\xFF");
    EXPECT_EQ(LoadBytes(riffHuge), 1);
    EXPECT_EQ(loader.GetSound()->Format().frameCount, 3);

    // A data size beyond the end is clamped to the bytes present.
    std::string dataHuge = good;
    dataHuge.replace(dataHuge.find("data") + 4, 4, "\xFF\xFF\xFF\x7F");
    EXPECT_EQ(LoadBytes(dataHuge), 1);
    EXPECT_EQ(loader.GetSound()->Format().frameCount, 3);
    EXPECT_THAT(loader.GetSound()->Samples(1),
                ElementsAre(FloatEq(2.0f / 32767), FloatEq(4.0f / 32767), FloatEq(6.0f / 32767)));

    // A loop count the sampler chunk cannot hold.
    std::string loops = WavBuilder()
                            .Format(WavBuilder::kPcm, 1, 44100, 16)
                            .Sampler({{0, 1, 2}})
                            .Data({1}, 2)
                            .Bytes();
    loops.replace(loops.find("smpl") + 8 + 28, 4, "\xFF\xFF\xFF\x0F");
    EXPECT_EQ(LoadBytes(loops), 0);
    EXPECT_THAT(errors.Take(), ElementsAre("error: unknown file format"));
}

// Every cut and many corruptions of a file with every chunk kind: the
// loader answers 0 with one error line or decodes no more frames than the
// bytes hold, and never reads or writes out of bounds (the sanitizers watch).
TEST_F(WavHandlerTest, SurvivesTruncatedAndCorruptedFiles) {
    const std::string good = WavBuilder()
                                 .Format(WavBuilder::kPcm, 2, 44100, 24)
                                 .Chunk("list", "abcde")
                                 .Sampler({{0, 1, 2}, {1, 0, 3}})
                                 .Data({1, -1, 2, -2, 3, -3, 4, -4}, 3)
                                 .Bytes();
    auto check = [&](const std::string& bytes) {
        const int result = LoadBytes(bytes);
        const std::vector<std::string> lines = errors.Take();
        if (result == 0) {
            EXPECT_EQ(lines.size(), 1u);
            return;
        }
        EXPECT_TRUE(lines.empty());
        const SoundFormat& format = loader.GetSound()->Format();
        EXPECT_LE(std::int64_t{format.frameCount} * format.channelCount * 3,
                  static_cast<std::int64_t>(bytes.size()));
    };
    for (std::size_t length = 0; length < good.size(); ++length) {
        SCOPED_TRACE(length);
        check(good.substr(0, length));
    }
    std::mt19937 random(17);
    for (int round = 0; round < 300; ++round) {
        std::string bytes = good;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i) {
            bytes[random() % bytes.size()] = static_cast<char>(random());
        }
        SCOPED_TRACE(round);
        check(bytes);
    }
}

} // namespace
} // namespace tarn
