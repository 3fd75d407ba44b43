// Per-sample kernels of the DSP library and its start-up cost, each next to
// a plain loop of the same arithmetic, so the cost of the objects themselves
// shows. Kernels run in chunks of 256 frames; "per_sample" is the time of
// one frame.
#include "dsp/BandLimitedOscillator.h"
#include "dsp/BiquadCascade.h"
#include "dsp/DspLibrary.h"
#include "dsp/EnvelopeGenerator.h"
#include "dsp/TablePosition.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>

namespace tarn {
namespace {

constexpr int kChunk = 256;

void EnsureTables() {
    if (DspSampleRate() == 0.0) {
        InitializeDspLibrary(kDspSampleRate);
    }
}

void CountSamples(benchmark::State& state) {
    state.counters["per_sample"] = benchmark::Counter(
        kChunk, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// A slow vibrato of half a semitone, so that every tick recomputes its note,
// fine step and table as a modulated voice does.
std::array<double, kChunk> Vibrato() {
    std::array<double, kChunk> offsets{};
    for (int i = 0; i < kChunk; ++i) {
        offsets[i] = 0.5 * std::sin(2.0 * std::numbers::pi * i / kChunk);
    }
    return offsets;
}

void BM_OscillatorTick(benchmark::State& state) {
    EnsureTables();
    const std::array<double, kChunk> vibrato = Vibrato();
    BandLimitedOscillator osc;
    osc.waveSet = WaveSetFor(kWaveSawtooth);
    osc.pitch = osc.glideTarget = 57.0;
    std::array<double, kChunk> out{};
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            osc.pitchOffset = vibrato[i];
            out[i] = osc.Tick();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_OscillatorTick);

void BM_OscillatorReference(benchmark::State& state) {
    EnsureTables();
    const std::array<double, kChunk> vibrato = Vibrato();
    const WaveSet* set = WaveSetFor(kWaveSawtooth);
    double pitch = 57.0;
    double glideStep = 0.0;
    double glideRemaining = 0.0;
    const double glideTarget = 57.0;
    double phase = 0.0;
    std::array<double, kChunk> out{};
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            pitch += glideStep;
            glideRemaining -= 1.0;
            if (glideRemaining < 0.0) {
                pitch = glideTarget;
                glideRemaining = 0.0;
                glideStep = 0.0;
            }
            const double p = vibrato[i] + pitch;
            const double whole = std::floor(p);
            const int note = static_cast<int>(whole) & 127;
            const int fine = static_cast<int>((p - whole) * kFinePitchSteps);
            const double increment = FinePitch(fine) * NoteFrequency(note) / kDspSampleRate;
            const double* table = set->ForNote(note).samples;
            const double x = phase * kWavePeriod;
            const int index = static_cast<int>(x);
            const double fraction = x - index;
            out[i] = (1.0 - fraction) * table[index] + fraction * table[index + 1];
            phase += increment;
            if (phase >= 1.0) {
                phase -= 1.0;
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_OscillatorReference);

void BM_EnvelopeTick(benchmark::State& state) {
    EnsureTables();
    EnvelopeGenerator env;
    env.firstAttackLevel = 0.5;
    env.attackLength = 300;
    env.decayLength = 500;
    env.sustain = 0.5;
    env.releaseLength = 400;
    std::array<double, kChunk> out{};
    int chunk = 0;
    for (auto _ : state) {
        // Retrigger every 8 chunks and release half-way, so every state runs.
        if (chunk % 8 == 0) {
            env.Start();
        } else if (chunk % 8 == 4) {
            env.releaseRequest = true;
        }
        ++chunk;
        for (int i = 0; i < kChunk; ++i) {
            out[i] = env.Tick();
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_EnvelopeTick);

// One decaying curve segment after another: the arithmetic of the decay
// state without the state machine around it.
void BM_EnvelopeReference(benchmark::State& state) {
    EnsureTables();
    const double* falling = FallingCurve();
    const double sustain = 0.5;
    const double step = kCurveLength / 500.0;
    double position = 0.0;
    std::array<double, kChunk> out{};
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            out[i] = sustain + Interpolate(falling, position) * (1.0 - sustain);
            position += step;
            if (position >= kCurveLength) {
                position = 0.0;
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_EnvelopeReference);

// Stereo input, a few cycles of a sine and its inverse.
std::array<std::array<double, kChunk>, 2> StereoInput() {
    std::array<std::array<double, kChunk>, 2> input{};
    for (int i = 0; i < kChunk; ++i) {
        input[0][i] = std::sin(2.0 * std::numbers::pi * 5 * i / kChunk);
        input[1][i] = -input[0][i];
    }
    return input;
}

// Four sections on two channels with the guard value at every section's
// input, as the equalizers run them; argument: section count.
void BM_BiquadCascade(benchmark::State& state) {
    EnsureTables();
    const auto input = StereoInput();
    BiquadCascade cascade;
    cascade.Init(kDspSampleRate, static_cast<int>(state.range(0)));
    cascade.coefficients = DesignPeaking(1000.0, 3.0, 1.0, kDspSampleRate);
    std::array<std::array<double, kChunk>, 2> out{};
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            const double guard = cascade.NextGuard();
            out[0][i] = cascade.ProcessGuarded(0, input[0][i], guard);
            out[1][i] = cascade.ProcessGuarded(1, input[1][i], guard);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_BiquadCascade)->Arg(1)->Arg(4)->Arg(10);

void BM_BiquadReference(benchmark::State& state) {
    EnsureTables();
    const auto input = StereoInput();
    const int sections = static_cast<int>(state.range(0));
    const BiquadCoefficients c = DesignPeaking(1000.0, 3.0, 1.0, kDspSampleRate);
    double x1[2][10] = {};
    double x2[2][10] = {};
    double y1[2][10] = {};
    double y2[2][10] = {};
    std::uint32_t counter = 0;
    std::array<std::array<double, kChunk>, 2> out{};
    for (auto _ : state) {
        for (int i = 0; i < kChunk; ++i) {
            const double guard = GuardNoise(counter++);
            for (int ch = 0; ch < 2; ++ch) {
                double x = input[ch][i];
                for (int s = 0; s < sections; ++s) {
                    const double in = x + guard;
                    const double y = c.b0 * in + c.b1 * x1[ch][s] + c.b2 * x2[ch][s] +
                                     c.a1 * y1[ch][s] + c.a2 * y2[ch][s];
                    x2[ch][s] = x1[ch][s];
                    x1[ch][s] = in;
                    y2[ch][s] = y1[ch][s];
                    y1[ch][s] = y;
                    x = y;
                }
                out[ch][i] = x;
            }
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    CountSamples(state);
}
BENCHMARK(BM_BiquadReference)->Arg(1)->Arg(4)->Arg(10);

void BM_DspLibraryInit(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(InitializeDspLibrary(kDspSampleRate));
    }
}
BENCHMARK(BM_DspLibraryInit)->Unit(benchmark::kMillisecond);

// The sawtooth sets alone, summed term by term with sin() at every sample
// as a direct reading of the harmonic series would: what the library's
// exact-period sine lookup and half-period mirroring save.
void BM_SawtoothSumReference(benchmark::State& state) {
    EnsureTables();
    std::array<double, kWavePeriod> table{};
    for (auto _ : state) {
        for (int note = WaveSet::kFirstNote; note <= WaveSet::kLastNote; ++note) {
            const double f = NoteFrequency(note);
            int limit = 0;
            while ((limit + 1) * f < kHarmonicLimitHz) {
                ++limit;
            }
            table.fill(0.0);
            for (int n = 1; n < 500 && n * f < kHarmonicLimitHz; ++n) {
                const double c = std::cos(n * (std::numbers::pi / 2) / limit);
                const double weight = c * c / n;
                for (int m = 0; m < kWavePeriod; ++m) {
                    table[m] += weight * std::sin(2.0 * std::numbers::pi * n * m / kWavePeriod);
                }
            }
            benchmark::DoNotOptimize(table.data());
        }
    }
}
BENCHMARK(BM_SawtoothSumReference)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tarn
