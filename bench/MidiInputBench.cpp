// A burst of 1,000 MIDI notes from one input applied to 16 Nodes that take
// live notes: the time the work cycle spends draining the input's ring and
// queueing every note on every Node, over as many chunks as the burst
// takes (each chunk takes a few notes; the queues are cleared between
// chunks as the work cycle does). The unit is the whole burst.
#include "audio/MidiInputList.h"
#include "dsp/DspLibrary.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/MachineFactory.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace tarn {
namespace {

constexpr int kBurst = 1000;
constexpr int kLiveNodes = 16;

// Lends its ring to the benchmark, which plays into it.
class BurstInput final : public MidiInput {
public:
    explicit BurstInput(MidiEventRing*& ring) : ring_(ring) {}
    bool Open(MidiEventRing& ring) override {
        ring_ = &ring;
        return true;
    }
    void Close() override { ring_ = nullptr; }
    std::vector<std::string> Sources() const override { return {}; }

private:
    MidiEventRing*& ring_;
};

void BM_MidiBurstToLiveNodes(benchmark::State& state) {
    InitializeDspLibrary(kDspSampleRate);
    MachineFactory factory(BuiltinMachines());
    Project project(factory);
    for (int i = 0; i < kLiveNodes; ++i) {
        project.GetNode(project.CreateNode("Tarn Analog Bass"))->SetLiveInput(true);
    }
    MidiEventRing* ring = nullptr;
    MidiInputList inputs;
    inputs.Add(std::make_unique<BurstInput>(ring));
    std::uint64_t frame = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int i = 0; i < kBurst; ++i) {
            MidiMessage message;
            message.status = i % 2 == 0 ? 0x90 : 0x80;
            message.data1 = static_cast<std::uint8_t>(36 + (i / 2) % 48);
            message.data2 = 100;
            ring->Push(message);
        }
        state.ResumeTiming();
        while (ring->Peek() != nullptr) {
            inputs.TakeLiveInput(project, frame, kMaxChunkFrames);
            frame += kMaxChunkFrames;
            for (auto [id, node] : project.Nodes()) {
                node->LiveEvents().Clear();
            }
        }
    }
    inputs.Close();
    ReleaseDspLibrary();
}
BENCHMARK(BM_MidiBurstToLiveNodes)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tarn
