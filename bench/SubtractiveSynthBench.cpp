// The subtractive synthesizers rendering 256-frame chunks of one held voice
// and of a six-note chord (four oscillators each, resonant 24 dB filter,
// both LFOs modulating), at the default quality and at "Perfect".
// Corva Synth 2 has no quality setting (it works in fixed blocks) and plays
// pulse-width-modulated wave pairs and pink noise on top; each machine
// ignores the settings it does not have.
// "per_sample" is the time of one frame; "realtime" is rendered seconds per
// second of CPU time, so realtime × voices is the voices one core holds.
#include "dsp/DspLibrary.h"
#include "machines/builtin/CorvaSynth.h"
#include "machines/builtin/CorvaSynth2.h"
#include "machines/builtin/RavelSynth.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace tarn {
namespace {

using bench::Event;
using bench::Send;
using S = SubtractiveSynth;
using C = CorvaSynth2;
constexpr std::int32_t kLfo1 = S::kLfoBase;
constexpr std::int32_t kLfo2 = S::kLfoBase + S::kLfoStride;

template <typename Synth> void BM_SynthChunk(benchmark::State& state) {
    const int voices = static_cast<int>(state.range(0));
    const int quality = static_cast<int>(state.range(1));
    Synth machine;
    bench::SetUp(machine);

    std::vector<EventRecord> events{Event(S::kQuality, quality),   Event(S::kAmpSustain, 0.7),
                                    Event(S::kCutoff, 0.5),        Event(S::kResonance, 0.6),
                                    Event(S::kFilterSlope, 1),     Event(S::kCutoffLfo1, 0.2),
                                    Event(kLfo1 + S::kSpeed, 0.5), Event(kLfo2 + S::kSpeed, 0.3),
                                    Event(C::kNoiseVolume, 0.1),   Event(C::kNoiseColour, 1)};
    for (int k = 0; k < S::kOscillatorCount; ++k) {
        const std::int32_t base = S::kOscillatorBase + k * S::kOscillatorStride;
        events.push_back(Event(base + S::kEnabled, 1));
        events.push_back(Event(base + S::kWaveform, k % 4));
        events.push_back(Event(base + S::kDetune, 45 + 3 * k));
        events.push_back(Event(base + S::kPitchLfo1, 0.1));
        events.push_back(Event(base + S::kPan, k % 2 == 0 ? -0.5 : 0.5));
        events.push_back(Event(base + C::kPulseWidth, 0.1));
        events.push_back(Event(base + C::kPulseWidthLfo2, 0.2));
    }
    for (int v = 0; v < voices; ++v) {
        events.push_back(Event(S::kNote, 48 + 4 * v));
        events.back().offset = v;
    }
    bench::StereoChunk chunk;
    WorkRecord record;
    record.outputs = chunk.outputs.data();
    bench::WorkSettings(machine, record, events);
    for (auto _ : state) {
        Send(machine, kMsgWork, 0, &record);
        benchmark::DoNotOptimize(chunk.left.data());
    }
    bench::ReportChunk(state);
}

// Voices 1 and 6, quality 10 ("High") and 20 ("Perfect").
BENCHMARK_TEMPLATE(BM_SynthChunk, CorvaSynth)->ArgsProduct({{1, 6}, {10, 20}});
BENCHMARK_TEMPLATE(BM_SynthChunk, RavelSynth)->ArgsProduct({{1, 6}, {10, 20}});
BENCHMARK_TEMPLATE(BM_SynthChunk, CorvaSynth2)->ArgsProduct({{1, 6}, {10}});

} // namespace
} // namespace tarn
