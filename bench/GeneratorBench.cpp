// The smaller built-in generators rendering one 256-frame chunk of a held
// note (or chord), one benchmark per machine. "per_sample" is the time of
// one frame; "realtime" is rendered seconds per second of CPU time, which
// is also how many instances one core keeps up with.
#include "dsp/DspLibrary.h"
#include "machines/builtin/AnalogBass2.h"
#include "machines/builtin/BoldDriveBass.h"
#include "machines/builtin/BoldDriveBass2.h"
#include "machines/builtin/ChipChords.h"
#include "machines/builtin/Duosync.h"
#include "machines/builtin/NesApu.h"
#include "machines/builtin/Synth.h"
#include "machines/builtin/Widestrings.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace tarn {
namespace {

using bench::Send;

struct Setting {
    std::int32_t index;
    double value;
};

// Sets the machine up as a Node does, sends the settings in one chunk and
// then times chunks without events.
template <typename T> void RenderChunks(benchmark::State& state, std::vector<Setting> settings) {
    T machine;
    bench::SetUp(machine);
    std::vector<EventRecord> events;
    for (const Setting& setting : settings) {
        events.push_back(bench::Event(setting.index, setting.value));
    }
    bench::StereoChunk chunk;
    WorkRecord record;
    record.outputs = chunk.outputs.data();
    bench::WorkSettings(machine, record, events);

    for (auto _ : state) {
        Send(machine, kMsgWork, 0, &record);
        benchmark::DoNotOptimize(chunk.left.data());
        benchmark::DoNotOptimize(chunk.right.data());
        benchmark::ClobberMemory();
    }
    bench::ReportChunk(state);
}

void BM_BoldDriveBass(benchmark::State& state) {
    RenderChunks<BoldDriveBass>(state, {{BoldDriveBass::kResonance, 0.7},
                                        {BoldDriveBass::kEnvMod, 0.6},
                                        {BoldDriveBass::kDist, 0.5},
                                        {BoldDriveBass::kSustain, -6.0},
                                        {BoldDriveBass::kNote, 33.0}});
}
BENCHMARK(BM_BoldDriveBass);

void BM_BoldDriveBass2Pulse(benchmark::State& state) {
    RenderChunks<BoldDriveBass2>(state, {{BoldDriveBass::kWaveform, BoldDriveBass2::kSquare},
                                         {BoldDriveBass2::kPulseWidth, 0.3},
                                         {BoldDriveBass::kResonance, 0.7},
                                         {BoldDriveBass::kEnvMod, 0.6},
                                         {BoldDriveBass::kSustain, -6.0},
                                         {BoldDriveBass::kNote, 33.0}});
}
BENCHMARK(BM_BoldDriveBass2Pulse);

void BM_NesApu(benchmark::State& state) {
    std::vector<Setting> settings;
    for (const int channel : {NesApu::kSquare1, NesApu::kSquare2, NesApu::kTriangle}) {
        settings.push_back({NesApu::Index(channel, NesApu::kLength), 999.0});
        settings.push_back({NesApu::Index(channel, NesApu::kNote), 45.0 + 4.0 * channel});
    }
    RenderChunks<NesApu>(state, settings);
}
BENCHMARK(BM_NesApu);

void BM_SynthFourOscillators(benchmark::State& state) {
    std::vector<Setting> settings;
    for (int k = 0; k < Synth::kOscillators; ++k) {
        settings.push_back({Synth::Oscillator(k, Synth::kEnabled), 1.0});
        settings.push_back({Synth::Oscillator(k, Synth::kDetune), 3.0 * k});
        settings.push_back({Synth::Oscillator(k, Synth::kPitchMod), 0.02});
    }
    settings.push_back({Synth::kResonance, 0.5});
    settings.push_back({Synth::kEnvMod, 0.5});
    settings.push_back({Synth::kGlide, 1.0}); // held
    settings.push_back({Synth::kNote, 45.0});
    RenderChunks<Synth>(state, settings);
}
BENCHMARK(BM_SynthFourOscillators);

void BM_ChipChords(benchmark::State& state) {
    RenderChunks<ChipChords>(
        state,
        {{ChipChords::kNotes, 0x0437}, {ChipChords::kDecay, 5000.0}, {ChipChords::kRoot, 48.0}});
}
BENCHMARK(BM_ChipChords);

void BM_Widestrings(benchmark::State& state) {
    std::vector<Setting> settings;
    for (int k = 0; k < Widestrings::kOscillators; ++k) {
        settings.push_back(
            {Widestrings::Oscillator(k, Widestrings::kPan), k % 2 == 0 ? -0.8 : 0.8});
    }
    settings.push_back({Widestrings::kNote, 57.0});
    RenderChunks<Widestrings>(state, settings);
}
BENCHMARK(BM_Widestrings);

void BM_AnalogBass2Layered(benchmark::State& state) {
    RenderChunks<AnalogBass2>(state, {{AnalogBass::kResonance, 0.7},
                                      {AnalogBass2::kSecondLevel, 0.8},
                                      {AnalogBass2::kSubLevel, 0.5},
                                      {AnalogBass::kNote, 33.0}});
}
BENCHMARK(BM_AnalogBass2Layered);

void BM_DuosyncSweeping(benchmark::State& state) {
    // The sweep decays over seconds, so the restarts keep their steps.
    RenderChunks<Duosync>(state, {{Duosync::kSync, 7.0},
                                  {Duosync::kSweep, 24.0},
                                  {Duosync::kSweepDecay, 1.0},
                                  {Duosync::kSustain, 0.0},
                                  {Duosync::kNote, 57.0}});
}
BENCHMARK(BM_DuosyncSweeping);

} // namespace
} // namespace tarn
