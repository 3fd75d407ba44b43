// The distortions, compressor, limiter and reverbs, each hosted through its
// messages. BM_EffectChunk runs one 256-frame stereo chunk of loud noise:
// "per_sample" is the time of one frame, "realtime" rendered seconds per
// second of CPU time (instances in real time on one core). BM_EffectOverFile
// runs a whole stereo recording through a reverb, chunk by chunk: the file
// named by TARN_BENCH_STEREO_RAW (interleaved little-endian 64-bit floats
// at 44100 Hz, as bench/reverb_vs_sox.sh writes it), or else 60 s of noise.
#include "dsp/DspLibrary.h"
#include "machines/builtin/Compressor.h"
#include "machines/builtin/CorvaDist.h"
#include "machines/builtin/CorvaReverb.h"
#include "machines/builtin/CorvaReverbLe.h"
#include "machines/builtin/Distortion.h"
#include "machines/builtin/Limiter.h"
#include "machines/builtin/Reverb.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <random>
#include <vector>

namespace tarn {
namespace {

constexpr int kChunk = kMaxChunkFrames;

// One effect with its chunk buffers, set up as a Node sets it up.
template <typename M> class HostedEffect {
public:
    HostedEffect() {
        if (DspSampleRate() == 0.0) {
            InitializeDspLibrary(kDspSampleRate);
        }
        Send(kMsgSetSampleRate, static_cast<std::int32_t>(kDspSampleRate));
        Send(kMsgInit);
        record_.inputs = inputs_.data();
        record_.outputs = outputs_.data();
        record_.frameCount = kChunk;
    }

    std::array<std::array<double, kChunk>, 2> in{};
    std::array<std::array<double, kChunk>, 2> out{};

    // Renders `frames` (at most one chunk) of `in` into `out`.
    void Work(int frames) {
        record_.frameCount = frames;
        Send(kMsgWork, 0, &record_);
    }

private:
    void Send(std::int32_t type, std::int32_t value = 0, void* pointer = nullptr) {
        MachineMessage message;
        message.messageType = type;
        message.value = value;
        message.pointer = pointer;
        machine_.HandleMessage(&message);
    }

    M machine_;
    std::array<ChannelBufferRecord, 2> inRecords_{ChannelBufferRecord{in[0].data(), 1},
                                                  ChannelBufferRecord{in[1].data(), 1}};
    std::array<ChannelBufferRecord, 2> outRecords_{ChannelBufferRecord{out[0].data(), 1},
                                                   ChannelBufferRecord{out[1].data(), 1}};
    std::array<ChannelBufferRecord*, 2> inputs_{&inRecords_[0], &inRecords_[1]};
    std::array<ChannelBufferRecord*, 2> outputs_{&outRecords_[0], &outRecords_[1]};
    WorkRecord record_;
};

std::vector<double> Noise(std::size_t count, double amplitude) {
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-amplitude, amplitude);
    std::vector<double> samples(count);
    for (double& sample : samples) {
        sample = noise(random);
    }
    return samples;
}

template <typename M> void BM_EffectChunk(benchmark::State& state) {
    HostedEffect<M> effect;
    const std::vector<double> noise = Noise(2 * kChunk, 4.0);
    std::copy_n(noise.begin(), kChunk, effect.in[0].begin());
    std::copy_n(noise.begin() + kChunk, kChunk, effect.in[1].begin());
    for (auto _ : state) {
        effect.Work(kChunk);
        benchmark::DoNotOptimize(effect.out[0].data());
        benchmark::ClobberMemory();
    }
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["realtime"] =
        benchmark::Counter(kChunk / kDspSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_TEMPLATE(BM_EffectChunk, Distortion);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaDist);
BENCHMARK_TEMPLATE(BM_EffectChunk, Compressor);
BENCHMARK_TEMPLATE(BM_EffectChunk, Limiter);
BENCHMARK_TEMPLATE(BM_EffectChunk, Reverb);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaReverb);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaReverbLe);

// The interleaved stereo recording the file benchmarks run over.
const std::vector<double>& Recording() {
    static const std::vector<double> samples = [] {
        std::vector<double> read;
        if (const char* path = std::getenv("TARN_BENCH_STEREO_RAW")) {
            std::ifstream file(path, std::ios::binary);
            double sample = 0.0;
            while (file.read(reinterpret_cast<char*>(&sample), sizeof sample)) {
                read.push_back(sample);
            }
        }
        return read.empty() ? Noise(2 * 60 * static_cast<std::size_t>(kDspSampleRate), 0.5) : read;
    }();
    return samples;
}

template <typename M> void BM_EffectOverFile(benchmark::State& state) {
    const std::vector<double>& recording = Recording();
    const int frames = static_cast<int>(recording.size() / 2);
    for (auto _ : state) {
        HostedEffect<M> effect;
        for (int done = 0; done < frames; done += kChunk) {
            const int chunk = std::min(kChunk, frames - done);
            for (int i = 0; i < chunk; ++i) {
                effect.in[0][i] = recording[2 * (done + i)];
                effect.in[1][i] = recording[2 * (done + i) + 1];
            }
            effect.Work(chunk);
            benchmark::DoNotOptimize(effect.out[0].data());
        }
    }
    state.counters["file_seconds"] = frames / kDspSampleRate;
    state.counters["realtime"] =
        benchmark::Counter(frames / kDspSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_TEMPLATE(BM_EffectOverFile, Reverb)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EffectOverFile, CorvaReverb)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_EffectOverFile, CorvaReverbLe)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarn
