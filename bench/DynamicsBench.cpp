// The distortion, compressor, limiter and reverbs over one 256-frame stereo chunk of
// loud noise each. "per_sample" is the time of one frame; "realtime" is
// rendered seconds per second of CPU time (instances in real time on one
// core).
#include "dsp/DspLibrary.h"
#include "machines/builtin/Compressor.h"
#include "machines/builtin/CorvaDist.h"
#include "machines/builtin/CorvaReverb.h"
#include "machines/builtin/CorvaReverbLe.h"
#include "machines/builtin/Distortion.h"
#include "machines/builtin/Limiter.h"
#include "machines/builtin/Reverb.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>

namespace tarn {
namespace {

constexpr int kChunk = kMaxChunkFrames;

template <typename M> void BM_EffectChunk(benchmark::State& state) {
    if (DspSampleRate() == 0.0) {
        InitializeDspLibrary(kDspSampleRate);
    }
    M machine;
    MachineMessage message;
    message.messageType = kMsgSetSampleRate;
    message.value = static_cast<std::int32_t>(kDspSampleRate);
    machine.HandleMessage(&message);
    message.messageType = kMsgInit;
    machine.HandleMessage(&message);

    std::array<std::array<double, kChunk>, 2> in{};
    std::array<std::array<double, kChunk>, 2> out{};
    std::mt19937 random(1);
    std::uniform_real_distribution<double> noise(-4.0, 4.0);
    for (auto& channel : in) {
        for (double& sample : channel) {
            sample = noise(random);
        }
    }
    std::array<ChannelBufferRecord, 2> inRecords{ChannelBufferRecord{in[0].data(), 1},
                                                 ChannelBufferRecord{in[1].data(), 1}};
    std::array<ChannelBufferRecord, 2> outRecords{ChannelBufferRecord{out[0].data(), 1},
                                                  ChannelBufferRecord{out[1].data(), 1}};
    std::array<ChannelBufferRecord*, 2> inputs{&inRecords[0], &inRecords[1]};
    std::array<ChannelBufferRecord*, 2> outputs{&outRecords[0], &outRecords[1]};
    WorkRecord record;
    record.inputs = inputs.data();
    record.outputs = outputs.data();
    record.frameCount = kChunk;
    message.messageType = kMsgWork;
    message.pointer = &record;
    for (auto _ : state) {
        machine.HandleMessage(&message);
        benchmark::DoNotOptimize(out[0].data());
        benchmark::ClobberMemory();
    }
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["realtime"] =
        benchmark::Counter(kChunk / kDspSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK_TEMPLATE(BM_EffectChunk, Distortion);
BENCHMARK_TEMPLATE(BM_EffectChunk, Compressor);
BENCHMARK_TEMPLATE(BM_EffectChunk, Limiter);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaDist);
BENCHMARK_TEMPLATE(BM_EffectChunk, Reverb);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaReverb);
BENCHMARK_TEMPLATE(BM_EffectChunk, CorvaReverbLe);

} // namespace
} // namespace tarn
