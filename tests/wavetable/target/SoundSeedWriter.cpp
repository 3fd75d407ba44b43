// Writes the seed inputs of the sound fuzzers into the folder given as its
// argument (wav/ and plugin/ in it): one small file of every layout the
// built-in reader takes, and of the formats the plug-in adds. Built and run
// by scripts/fuzz.sh, which keeps them in its build folder.
#include "wavetable/WavBuilder.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace {

void WriteWithSndfile(const std::filesystem::path& path, int format) {
    SF_INFO info{};
    info.samplerate = 22050;
    info.channels = 2;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        return;
    }
    SF_INSTRUMENT instrument{};
    instrument.loop_count = 1;
    instrument.loops[0] = {SF_LOOP_FORWARD, 10, 90, 0};
    sf_command(file, SFC_SET_INSTRUMENT, &instrument, sizeof(instrument));
    std::vector<float> samples;
    for (int i = 0; i < 200; ++i) {
        samples.push_back(static_cast<float>(std::sin(i * 0.1)));
        samples.push_back(static_cast<float>(std::cos(i * 0.07)));
    }
    sf_writef_float(file, samples.data(), 200);
    sf_close(file);
}

} // namespace

int main(int argc, char** argv) {
    using tarn::test::WavBuilder;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    std::filesystem::create_directories(corpus / "wav");
    std::filesystem::create_directories(corpus / "plugin");
    WavBuilder()
        .Format(WavBuilder::kPcm, 2, 44100, 16)
        .Chunk("LIST", "odd")
        .Sampler({{0, 1, 3}, {1, 0, 2}})
        .Data({32767, -32768, 1, -1, 100, 200}, 2)
        .Write(corpus / "wav/seed-pcm16.wav");
    WavBuilder()
        .Format(WavBuilder::kPcm, 1, 8000, 24)
        .Data({8388607, -5, 7}, 3)
        .Write(corpus / "wav/seed-pcm24.wav");
    WavBuilder()
        .Format(WavBuilder::kFloat, 1, 8000, 32)
        .Data({0x3F000000, 0}, 4)
        .Write(corpus / "wav/seed-float32.wav");
    WavBuilder()
        .Format(WavBuilder::kFloat, 2, 8000, 64)
        .Data({0, 0x3FF0000000000000}, 8)
        .Write(corpus / "wav/seed-float64.wav");
    WriteWithSndfile(corpus / "plugin/seed.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    WriteWithSndfile(corpus / "plugin/seed.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS);
    WriteWithSndfile(corpus / "plugin/seed.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
    WriteWithSndfile(corpus / "plugin/seed-pcm32.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32);
    WriteWithSndfile(corpus / "plugin/seed-u8.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
    return 0;
}
