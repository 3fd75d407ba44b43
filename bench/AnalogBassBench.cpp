// The Analog Bass rendering one 256-frame chunk of a held note, next to a
// plain loop doing the same per-sample arithmetic (oscillator, two filter
// passes, envelope gain, two output channels) without the machine around
// it. "per_sample" is the time of one frame; "realtime" is rendered seconds
// per second of CPU time.
#include "dsp/BandLimitedOscillator.h"
#include "dsp/DspLibrary.h"
#include "machines/builtin/AnalogBass.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace tarn {
namespace {

using bench::Event;
using bench::kChunk;
using bench::Send;
using bench::StereoChunk;

void Report(benchmark::State& state) {
    bench::ReportChunk(state);
}

void BM_AnalogBassChunk(benchmark::State& state) {
    AnalogBass machine;
    bench::SetUp(machine);

    // A resonant, envelope-swept held note, as a bass line plays it.
    std::vector<EventRecord> events{
        Event(AnalogBass::kCutoff, 0.6),   Event(AnalogBass::kResonance, 0.7),
        Event(AnalogBass::kEnvMod, 0.8),   Event(AnalogBass::kDecay, 0.4),
        Event(AnalogBass::kModDecay, 0.6), Event(AnalogBass::kSustain, -6.0),
        Event(AnalogBass::kNote, 33.0)};
    StereoChunk chunk;
    WorkRecord record;
    record.outputs = chunk.outputs.data();
    bench::WorkSettings(machine, record, events);

    for (auto _ : state) {
        Send(machine, kMsgWork, 0, &record);
        benchmark::DoNotOptimize(chunk.left.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_AnalogBassChunk);

void BM_AnalogBassReference(benchmark::State& state) {
    if (DspSampleRate() == 0.0) {
        InitializeDspLibrary(kDspSampleRate);
    }
    BandLimitedOscillator oscillator;
    oscillator.waveSet = WaveSetFor(kWaveSawtooth);
    oscillator.pitch = oscillator.glideTarget = 33.0;
    std::array<double, 4> stage{};
    std::array<double, 4> previous{};
    const double f = 2000.0 / (2.0 * kDspSampleRate) * 2.0 * 1.16;
    const double feedback = 4.0 * 0.343 * (1.0 - 0.15 * f * f);
    const double gain = 0.35013 * f * f * f * f;
    const double level = 0.5;
    StereoChunk chunk;
    for (auto _ : state) {
        for (int frame = 0; frame < kChunk; ++frame) {
            const double x = oscillator.Tick();
            for (int pass = 0; pass < 2; ++pass) {
                double input = (x - feedback * stage[3]) * gain;
                for (int i = 0; i < 4; ++i) {
                    stage[i] = input + 0.3 * previous[i] + (1.0 - f) * stage[i];
                    previous[i] = input;
                    input = stage[i];
                }
                stage[3] -= stage[3] * stage[3] * stage[3] / 6.0;
            }
            chunk.left[frame] = stage[3] * level;
            chunk.right[frame] = chunk.left[frame];
        }
        benchmark::DoNotOptimize(chunk.left.data());
        benchmark::DoNotOptimize(chunk.right.data());
        benchmark::ClobberMemory();
    }
    Report(state);
}
BENCHMARK(BM_AnalogBassReference);

} // namespace
} // namespace tarn
