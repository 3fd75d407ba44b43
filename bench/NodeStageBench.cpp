// A Node's output stage and a Connection's input mix over one stereo chunk
// of 256 frames, steady and while a gain moves, next to the plain loop of
// the same arithmetic. "per_sample" is the time of one frame.
#include "dsp/DspLibrary.h"
#include "engine/ChannelBufferSet.h"
#include "engine/Connection.h"
#include "engine/OutputStage.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace tarn {
namespace {

constexpr int kChunk = kMaxChunkFrames;
constexpr double kRate = 44100.0;

void CountSamples(benchmark::State& state) {
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

ChannelBufferSet Stereo() {
    ChannelBufferSet set;
    set.Allocate(2);
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kChunk; ++k) {
            set.Samples(c)[k] = 0.5 * std::sin(0.01 * k + c);
        }
    }
    return set;
}

// An event that keeps the gains gliding for far longer than the run, while
// they stay so close to 1 that running over the same samples again and
// again neither blows them up nor lets them fade.
EventRecord EndlessGlide() {
    EventRecord event;
    event.group = kGroupSystem;
    event.index = 1;
    event.value = 0.0;
    event.endValue = 0.001;
    event.glideLength = 1e9;
    return event;
}

WorkRecord Chunk(ChannelBufferSet& from, ChannelBufferSet& to) {
    WorkRecord record;
    record.inputs = from.Records();
    record.outputs = to.Records();
    record.frameCount = kChunk;
    return record;
}

void BM_OutputStage(benchmark::State& state) {
    if (DspSampleRate() == 0.0) {
        InitializeDspLibrary(kDspSampleRate);
    }
    ChannelBufferSet outputs = Stereo();
    OutputStage stage;
    stage.Init(kRate);
    EventRecord glide = EndlessGlide();
    EventRecord* events[] = {&glide};
    WorkRecord first = Chunk(outputs, outputs);
    if (state.range(0) != 0) {
        first.events = events;
        first.eventCount = 1;
    }
    stage.Run(first, 2);
    const WorkRecord record = Chunk(outputs, outputs);
    for (auto _ : state) {
        stage.Run(record, 2);
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_OutputStage)->ArgName("gliding")->Arg(0)->Arg(1);

void BM_InputMix(benchmark::State& state) {
    ChannelBufferSet source = Stereo();
    ChannelBufferSet destination = Stereo();
    Connection connection(1, kRate);
    connection.AddRoute(0, 0);
    connection.AddRoute(1, 1);
    EventRecord glide = EndlessGlide();
    EventRecord* events[] = {&glide};
    WorkRecord first = Chunk(source, destination);
    if (state.range(0) != 0) {
        first.events = events;
        first.eventCount = 1;
    }
    connection.Mix(first, 2, 2);
    const WorkRecord record = Chunk(source, destination);
    for (auto _ : state) {
        connection.Mix(record, 2, 2);
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_InputMix)->ArgName("gliding")->Arg(0)->Arg(1);

// What mixing two routes at fixed gains costs with nothing around it.
void BM_PlainMixLoop(benchmark::State& state) {
    ChannelBufferSet source = Stereo();
    ChannelBufferSet destination = Stereo();
    const double gains[] = {0.9, 0.8};
    for (auto _ : state) {
        for (int c = 0; c < 2; ++c) {
            const double* in = source.Samples(c);
            double* out = destination.Samples(c);
            for (int k = 0; k < kChunk; ++k) {
                out[k] += gains[c] * in[k];
            }
        }
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_PlainMixLoop);

} // namespace
} // namespace tarn
