// The whole work cycle over one 800-frame buffer (what the audio driver asks
// for), for graphs of pass-through effect Nodes fed by one generator: in a
// chain (each Node feeding the next, the last the Master) and in parallel
// (every Node straight into the Master). "buffer_share" is the thread's CPU
// time for one buffer as a share of the 18.1 ms the buffer lasts; above 1
// the output drops out. Next to it, the plain loops that move the same
// samples.
#include "dsp/DspLibrary.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"
#include "machines/builtin/Master.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tarn {
namespace {

constexpr int kBufferFrames = 800;
constexpr double kRate = 44100.0;

// An effect that copies its two inputs to its two outputs.
class PassThrough : public Machine {
public:
    std::int32_t Work(const WorkRecord& record) noexcept override {
        for (int c = 0; c < 2; ++c) {
            std::copy_n(record.inputs[c]->samples, record.frameCount, record.outputs[c]->samples);
        }
        return 1;
    }
    std::int32_t Describe() override { return DescribeInfo(Info(kKindEffect, 2)); }

    static MachineInfo Info(std::int32_t kind, std::int32_t inputs) {
        MachineInfo info;
        info.kind = kind;
        info.inputChannels = inputs;
        info.minTracks = 1;
        info.maxTracks = 1;
        info.name = "Pass";
        return info;
    }
};

// A generator of a steady low tone, so that every Node has signal to move.
class Tone : public Machine {
public:
    std::int32_t Work(const WorkRecord& record) noexcept override {
        for (int k = 0; k < record.frameCount; ++k) {
            phase_ = phase_ < 1.0 ? phase_ + 0.002 : -1.0;
            record.outputs[0]->samples[k] = record.outputs[1]->samples[k] = 0.25 * phase_;
        }
        return 1;
    }
    std::int32_t Describe() override { return DescribeInfo(PassThrough::Info(kKindGenerator, 0)); }

private:
    double phase_ = 0.0;
};

std::optional<MachineHandle> Make(std::string_view name) {
    std::unique_ptr<Machine> machine;
    if (name == "Master") {
        machine = std::make_unique<Master>();
    } else if (name == "Tone") {
        machine = std::make_unique<Tone>();
    } else {
        machine = std::make_unique<PassThrough>();
    }
    return MachineHandle(std::move(machine), std::string(name));
}

struct Rig {
    explicit Rig(int nodes, bool chain) {
        if (DspSampleRate() == 0.0) {
            InitializeDspLibrary(kDspSampleRate);
        }
        auto project = std::make_unique<Project>(&Make, engine.Tempo());
        project->CreateNode("Master");
        const int tone = project->CreateNode("Tone");
        int previous = tone;
        for (int i = 0; i < nodes; ++i) {
            const int effect = project->CreateNode("Pass");
            project->ConnectMachines(chain ? previous : tone, effect);
            if (!chain) {
                project->ConnectMachines(effect, Project::kMasterId);
            }
            previous = effect;
        }
        if (chain) {
            project->ConnectMachines(previous, Project::kMasterId);
        }
        current.Set(std::move(project));
        buffer.outputs = channels;
        buffer.frameCount = kBufferFrames;
    }

    CurrentProject current;
    CoreEngine engine{current};
    std::vector<double> left = std::vector<double>(kBufferFrames);
    std::vector<double> right = std::vector<double>(kBufferFrames);
    double* channels[2] = {left.data(), right.data()};
    AudioBuffer buffer;
};

double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Runs buffer once per iteration and reports its share of a buffer's
// duration.
template <typename Buffer> void MeasureBuffers(benchmark::State& state, Buffer buffer) {
    const double start = ThreadSeconds();
    for (auto _ : state) {
        buffer();
    }
    const double perBuffer = (ThreadSeconds() - start) / static_cast<double>(state.iterations());
    state.counters["buffer_share"] = perBuffer / (kBufferFrames / kRate);
}

void BM_WorkCycle(benchmark::State& state, bool chain) {
    Rig rig(static_cast<int>(state.range(0)), chain);
    MeasureBuffers(state, [&] {
        rig.engine.WorkCycle(rig.buffer);
        benchmark::DoNotOptimize(rig.left.data());
    });
}
BENCHMARK_CAPTURE(BM_WorkCycle, Chain, true)
    ->ArgName("nodes")
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_WorkCycle, Parallel, false)
    ->ArgName("nodes")
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond);

// The samples the cycle moves per Node, by plain loops: zero the inputs,
// mix them in, copy them out, scale them in place; two channels.
void BM_PlainBufferLoop(benchmark::State& state) {
    const int nodes = static_cast<int>(state.range(0));
    std::vector<double> source(2 * kBufferFrames, 0.25);
    std::vector<double> inputs(2 * kBufferFrames);
    std::vector<double> outputs(2 * kBufferFrames);
    MeasureBuffers(state, [&] {
        for (int n = 0; n < nodes + 2; ++n) {
            std::fill(inputs.begin(), inputs.end(), 0.0);
            for (std::size_t k = 0; k < inputs.size(); ++k) {
                inputs[k] += source[k];
            }
            std::copy(inputs.begin(), inputs.end(), outputs.begin());
            for (double& sample : outputs) {
                sample *= 0.999;
            }
            benchmark::DoNotOptimize(outputs.data());
        }
    });
}
BENCHMARK(BM_PlainBufferLoop)
    ->ArgName("nodes")
    ->Arg(1)
    ->Arg(16)
    ->Arg(64)
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tarn
