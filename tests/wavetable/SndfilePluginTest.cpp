#include "wavetable/SoundLoader.h"

#include "wavetable/SoundFixture.h"
#include "wavetable/WavBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace tarn {
namespace {

using test::WavBuilder;
using testing::ElementsAre;

constexpr int kFrames = 4000;

// Two channels of different sines, as 16-bit integers and as floats.
std::vector<std::int16_t> Shorts() {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < kFrames; ++i) {
        samples.push_back(static_cast<std::int16_t>(30000 * std::sin(i * 0.05)));
        samples.push_back(static_cast<std::int16_t>(-20000 * std::sin(i * 0.013)));
    }
    return samples;
}

std::vector<float> Floats() {
    std::vector<float> samples;
    for (const std::int16_t sample : Shorts()) {
        samples.push_back(static_cast<float>(sample / 32767.0));
    }
    return samples;
}

class SndfilePluginTest : public test::SoundFixture {
protected:
    SndfilePluginTest() {
        const std::filesystem::path folder = scratch / SoundLoader::kPluginFolder;
        std::filesystem::create_directories(folder);
        // In name order: a file that is no library, a library without the
        // export, then the real handler; the first two must not hide it.
        std::ofstream(folder / "Broken.so") << "not a library";
        std::filesystem::copy_file(TARN_NOEXPORT_PLUGIN, folder / "NoExport.so");
        std::filesystem::copy_file(TARN_SNDFILE_PLUGIN, folder / "Sndfile.so");
    }

    // Writes the sound with libsndfile, from shorts or from floats.
    template <typename Sample>
    void Write(const std::string& name, int format, const std::vector<Sample>& samples,
               const SF_INSTRUMENT* instrument = nullptr) {
        SF_INFO info{};
        info.samplerate = 44100;
        info.channels = 2;
        info.format = format;
        SNDFILE* file = sf_open((scratch / name).c_str(), SFM_WRITE, &info);
        ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
        // The lossy codecs at their best quality.
        double best = 0.0;
        sf_command(file, SFC_SET_COMPRESSION_LEVEL, &best, sizeof(best));
        if (instrument != nullptr) {
            SF_INSTRUMENT copy = *instrument;
            sf_command(file, SFC_SET_INSTRUMENT, &copy, sizeof(copy));
        }
        if constexpr (std::is_same_v<Sample, float>) {
            sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
        } else {
            sf_writef_short(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
        }
        sf_close(file);
    }

    // The largest difference between the loaded sound and interleaved.
    double LoadAndCompare(const std::string& name, const std::vector<float>& interleaved) {
        EXPECT_EQ(loader.Load(scratch / name), 1) << name;
        const Sound* sound = loader.GetSound();
        if (sound == nullptr) {
            return 1.0;
        }
        EXPECT_EQ(sound->Format().frameCount, kFrames) << name;
        EXPECT_EQ(sound->Format().channelCount, 2) << name;
        EXPECT_EQ(sound->Format().sampleRate, 44100) << name;
        double worst = 0.0;
        for (std::size_t i = 0; i < interleaved.size() && sound->Format().frameCount == kFrames;
             ++i) {
            worst = std::max(worst, std::abs(static_cast<double>(sound->Samples(i % 2)[i / 2]) -
                                             interleaved[i]));
        }
        return worst;
    }

    SoundLoader loader;
};

TEST_F(SndfilePluginTest, LoadsCompressedAndForeignFilesThroughThePluginPath) {
    Write("lossless.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, Shorts());
    Write("speech.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, Floats());
    SF_INSTRUMENT instrument{};
    instrument.loop_count = 2;
    instrument.loops[0] = {SF_LOOP_FORWARD, 100, 900, 0};
    instrument.loops[1] = {SF_LOOP_ALTERNATING, 5, 50, 0};
    Write("wide.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, Shorts(), &instrument);
    Write("small.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, Shorts());
    Write("deep.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, Shorts());

    // The library that is none and the one without the export are told.
    EXPECT_EQ(LoadAndCompare("lossless.flac", Floats()), 0.0);
    EXPECT_EQ(loader.HandlerCount(), 2);
    const std::vector<std::string> lines = errors.Take();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "error: failed to load 'Broken.so'");
    EXPECT_EQ(lines[1], "error: 'NoExport.so' has no CreatePlugin export");

    // Lossy: close to the source, not equal to it.
    EXPECT_LT(LoadAndCompare("speech.ogg", Floats()), 0.03);
    // Wider and narrower integers differ from the 16-bit source only by
    // their own full scale and rounding.
    EXPECT_LT(LoadAndCompare("deep.aiff", Floats()), 1e-4);
    EXPECT_LT(LoadAndCompare("small.wav", Floats()), 2.0 / 127);
    EXPECT_LT(LoadAndCompare("wide.wav", Floats()), 1e-4);
    const Sound& looped = *loader.GetSound();
    ASSERT_EQ(looped.Format().loopPointCount, 2);
    EXPECT_EQ(looped.LoopPoints()[0].kind, 0);
    EXPECT_EQ(looped.LoopPoints()[0].start, 100.0);
    EXPECT_EQ(looped.LoopPoints()[0].end, 900.0);
    EXPECT_EQ(looped.LoopPoints()[1].kind, 1);
    EXPECT_TRUE(errors.Take().empty());

    // The built-in reader still comes first for what it reads.
    WavBuilder().Format(WavBuilder::kPcm, 1, 8000, 16).Data({32767}, 2).Write(scratch / "a.wav");
    ASSERT_EQ(loader.Load(scratch / "a.wav"), 1);
    EXPECT_THAT(loader.GetSound()->Samples(0), ElementsAre(1.0f));
}

// Every cut of a FLAC file: the plug-in path answers with one error line or
// a sound no longer than the source, and never crashes.
TEST_F(SndfilePluginTest, SurvivesTruncatedCompressedFiles) {
    Write("cut.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, Shorts());
    const std::string bytes = test::ReadFile(scratch / "cut.flac");
    ASSERT_EQ(loader.Load(scratch / "cut.flac"), 1);
    errors.Take(); // the two libraries that are no handlers
    for (std::size_t length = 0; length < bytes.size(); length += 1 + length / 8) {
        SCOPED_TRACE(length);
        WavBuilder::WriteBytes(scratch / "part.flac", bytes.substr(0, length));
        const int result = loader.Load(scratch / "part.flac");
        const std::size_t lines = errors.Take().size();
        if (result == 0) {
            EXPECT_EQ(lines, 1u);
        } else {
            EXPECT_EQ(lines, 0u);
            EXPECT_LE(loader.GetSound()->Format().frameCount, kFrames);
        }
    }
}

} // namespace
} // namespace tarn
