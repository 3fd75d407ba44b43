#pragma once

// What the machine benchmarks share: the 256-frame chunk they render and
// how they report it.
#include "dsp/DspLibrary.h"
#include "tarn/MachineAbi.h"

#include <benchmark/benchmark.h>

#include <array>

namespace tarn::bench {

inline constexpr int kChunk = kMaxChunkFrames;

// "per_sample" is the time of one frame; "realtime" is rendered seconds per
// second of CPU time.
inline void ReportChunk(benchmark::State& state) {
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["realtime"] =
        benchmark::Counter(kChunk / kDspSampleRate, benchmark::Counter::kIsIterationInvariantRate);
}

// Two output channels of one chunk, as a WorkRecord points at them.
struct StereoChunk {
    std::array<double, kChunk> left{};
    std::array<double, kChunk> right{};
    ChannelBufferRecord leftRecord{left.data(), 0};
    ChannelBufferRecord rightRecord{right.data(), 0};
    std::array<ChannelBufferRecord*, 2> outputs{&leftRecord, &rightRecord};
};

} // namespace tarn::bench
