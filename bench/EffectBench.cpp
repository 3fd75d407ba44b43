// The filter, equaliser and delay effects processing stereo noise in
// 256-frame chunks, each next to a plain loop of the same filter order or
// delay without the machine around it. "per_sample" is the time of one
// stereo frame; "realtime" is processed seconds per second of CPU time,
// which is also how many instances one core runs live.
#include "dsp/BiquadCoefficients.h"
#include "dsp/BiquadSection.h"
#include "dsp/DspLibrary.h"
#include "machines/builtin/BrickwallFilter.h"
#include "machines/builtin/Delay.h"
#include "machines/builtin/Eq10.h"
#include "machines/builtin/Flanger.h"
#include "machines/builtin/MultimodeFilterMachine.h"
#include "machines/builtin/ParametricEq.h"
#include "machines/builtin/TapeDelay.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <utility>
#include <vector>

namespace tarn {
namespace {

using bench::kChunk;
using bench::Send;

void Report(benchmark::State& state) {
    bench::ReportChunk(state);
}

// One chunk of stereo noise in and the two output buffers.
struct StereoNoise {
    std::array<double, kChunk> left{};
    std::array<double, kChunk> right{};
    std::array<double, kChunk> outLeft{};
    std::array<double, kChunk> outRight{};
    ChannelBufferRecord leftIn{left.data(), 1};
    ChannelBufferRecord rightIn{right.data(), 1};
    ChannelBufferRecord leftOut{outLeft.data(), 1};
    ChannelBufferRecord rightOut{outRight.data(), 1};
    std::array<ChannelBufferRecord*, 2> inputs{&leftIn, &rightIn};
    std::array<ChannelBufferRecord*, 2> outputs{&leftOut, &rightOut};

    StereoNoise() {
        std::mt19937 generator(7);
        std::uniform_real_distribution<double> uniform(-1.0, 1.0);
        for (int i = 0; i < kChunk; ++i) {
            left[i] = uniform(generator);
            right[i] = uniform(generator);
        }
    }
};

template <typename T>
void RunEffect(benchmark::State& state, std::vector<std::pair<std::int32_t, double>> settings) {
    T machine;
    bench::SetUp(machine);
    std::vector<EventRecord> events;
    for (auto [index, value] : settings) {
        events.push_back(bench::Event(index, value));
    }
    StereoNoise io;
    WorkRecord record;
    record.inputs = io.inputs.data();
    record.outputs = io.outputs.data();
    bench::WorkSettings(machine, record, events);
    for (auto _ : state) {
        Send(machine, kMsgWork, 0, &record);
        benchmark::DoNotOptimize(io.outLeft.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}

void BM_BLPFilter(benchmark::State& state) {
    RunEffect<BrickwallLowpass>(
        state, {{BrickwallFilter::kCutoff, 0.4}, {BrickwallFilter::kResonance, 0.5}});
}
BENCHMARK(BM_BLPFilter);

void BM_BHPFilter(benchmark::State& state) {
    RunEffect<BrickwallHighpass>(state, {{BrickwallFilter::kCutoff, 0.4}});
}
BENCHMARK(BM_BHPFilter);

void BM_3BPEQ(benchmark::State& state) {
    RunEffect<ParametricEq>(state, {{0, 0.2}, {1, 6.0}, {11, -6.0}, {21, 3.0}});
}
BENCHMARK(BM_3BPEQ);

void BM_EQ10(benchmark::State& state) {
    RunEffect<Eq10>(state, {{0, 3.0}, {4, -3.0}, {9, 6.0}});
}
BENCHMARK(BM_EQ10);

void BM_MMFilter36dB(benchmark::State& state) {
    RunEffect<MultimodeFilterMachine>(
        state, {{MultimodeFilterMachine::kFrequency, 0.6}, {MultimodeFilterMachine::kSlope, 2.0}});
}
BENCHMARK(BM_MMFilter36dB);

void BM_TDelay(benchmark::State& state) {
    RunEffect<Delay>(state, {{Delay::kLengthLeft, 0.5}});
}
BENCHMARK(BM_TDelay);

void BM_TTDelay(benchmark::State& state) {
    RunEffect<TapeDelay>(state, {{TapeDelay::kDepthLeft, 0.2},
                                 {TapeDelay::kSpeedLeft, 0.5},
                                 {TapeDelay::kDepthRight, 0.2},
                                 {TapeDelay::kSpeedRight, 0.4}});
}
BENCHMARK(BM_TTDelay);

void BM_Flanger(benchmark::State& state) {
    RunEffect<Flanger>(
        state, {{Flanger::kDelayStart, 1.0}, {Flanger::kDelayEnd, 5.0}, {Flanger::kRate, 0.5}});
}
BENCHMARK(BM_Flanger);

// Reference: `sections` plain biquads in series on both channels.
void BM_PlainBiquads(benchmark::State& state) {
    const int sections = static_cast<int>(state.range(0));
    const BiquadCoefficients c = DesignLowpass(1000.0, 0.7, kDspSampleRate);
    std::vector<std::array<BiquadSection, 2>> state2(sections);
    StereoNoise io;
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            double l = io.left[i];
            double r = io.right[i];
            for (auto& pair : state2) {
                l = pair[0].Process(c, l);
                r = pair[1].Process(c, r);
            }
            io.outLeft[i] = l;
            io.outRight[i] = r;
        }
        benchmark::DoNotOptimize(io.outLeft.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_PlainBiquads)->Arg(3)->Arg(6)->Arg(9)->Arg(10);

// Reference: a fixed stereo delay with feedback over a power-of-two line.
void BM_PlainDelay(benchmark::State& state) {
    constexpr int kSize = 1 << 18;
    constexpr int kLength = 11025;
    std::vector<double> left(kSize, 0.0);
    std::vector<double> right(kSize, 0.0);
    int position = 0;
    StereoNoise io;
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            const int read = (position + kLength) & (kSize - 1);
            const double dl = left[read];
            const double dr = right[read];
            left[position] = io.left[i] + 0.4 * dl;
            right[position] = io.right[i] + 0.4 * dr;
            io.outLeft[i] = io.left[i] + 0.1 * dl;
            io.outRight[i] = io.right[i] + 0.1 * dr;
            position = (position - 1) & (kSize - 1);
        }
        benchmark::DoNotOptimize(io.outLeft.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_PlainDelay);

} // namespace
} // namespace tarn
