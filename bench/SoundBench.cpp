// Decoding a 60 s stereo 16-bit WAV file with the built-in reader, building
// the overview of the decoded wave, and, as the reference measured in the
// same run, sox converting the same file to raw 32-bit floats (skipped when
// sox is not installed). "x_real_time" is seconds of sound per second of
// work.
#include "engine/Wave.h"
#include "wavetable/SoundLoader.h"
#include "wavetable/WavBuilder.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarn {
namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 60;
constexpr int kFrames = kRate * kSeconds;

// Written once per run into the temporary folder.
const std::filesystem::path& MinuteFile() {
    static const std::filesystem::path path = [] {
        std::vector<std::int64_t> samples;
        samples.reserve(2 * kFrames);
        for (int i = 0; i < kFrames; ++i) {
            samples.push_back(std::lround(20000 * std::sin(i * 0.01)));
            samples.push_back(std::lround(-20000 * std::sin(i * 0.003)));
        }
        const auto file = std::filesystem::temp_directory_path() / "tarn-bench-minute.wav";
        test::WavBuilder()
            .Format(test::WavBuilder::kPcm, 2, kRate, 16)
            .Data(samples, 2)
            .Write(file);
        return file;
    }();
    return path;
}

void RealTime(benchmark::State& state) {
    state.counters["x_real_time"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_DecodeMinuteWav(benchmark::State& state) {
    const std::filesystem::path& file = MinuteFile();
    SoundLoader loader;
    for (auto _ : state) {
        if (loader.Load(file) == 0) {
            state.SkipWithError("the file did not load");
            break;
        }
        benchmark::DoNotOptimize(loader.GetSound());
    }
    RealTime(state);
}
BENCHMARK(BM_DecodeMinuteWav)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MinuteOverview(benchmark::State& state) {
    SoundLoader loader;
    loader.Load(MinuteFile());
    Wave wave;
    wave.Set(loader.TakeSound(), "minute");
    for (auto _ : state) {
        // Set rebuilds the overview of the sound it is given; hand the
        // wave's own sound back to it.
        state.PauseTiming();
        auto sound = std::make_unique<Sound>(wave.GetSound()->Format());
        for (int c = 0; c < sound->ChannelCount(); ++c) {
            std::ranges::copy(wave.GetSound()->Samples(c), sound->Samples(c).begin());
        }
        state.ResumeTiming();
        wave.Set(std::move(sound), "minute");
        benchmark::DoNotOptimize(wave.Overview(0).data());
    }
    RealTime(state);
}
BENCHMARK(BM_MinuteOverview)->Unit(benchmark::kMillisecond);

void BM_SoxMinuteToRawFloats(benchmark::State& state) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    const auto raw = std::filesystem::temp_directory_path() / "tarn-bench-minute.raw";
    const std::string command =
        "sox '" + MinuteFile().string() + "' -t raw -e floating-point -b 32 '" + raw.string() + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("sox failed");
            break;
        }
    }
    RealTime(state);
}
BENCHMARK(BM_SoxMinuteToRawFloats)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace tarn
