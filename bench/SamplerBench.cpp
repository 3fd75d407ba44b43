// Sample playback: held notes on a looped stereo wave, 1, 16 and 64 voices
// at once (the Sampler has sixteen voices, so 64 are four Samplers), each
// machine hosted by a project Node that answers its wave requests from the
// wavetable. "per_sample" is the time of one output frame of all voices
// together.
#include "engine/Project.h"
#include "engine/Wave.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/builtin/Sampler.h"
#include "machines/framework/MachineFactory.h"

#include "ChunkBench.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <vector>

namespace tarn {
namespace {

using bench::kChunk;
using bench::StereoChunk;
constexpr int kSlot = 0;

void PutLoopedWave(Project& project) {
    constexpr int kFrames = 44100;
    auto sound = std::make_unique<Sound>(SoundFormat{kFrames, 2, 32, 44100, 1});
    for (int i = 0; i < kFrames; ++i) {
        sound->Samples(0)[i] = static_cast<float>(std::sin(i * 0.031));
        sound->Samples(1)[i] = static_cast<float>(std::sin(i * 0.017));
    }
    sound->LoopPoints()[0] = {0, 0, 1000.0, kFrames - 1000.0};
    auto wave = std::make_unique<Wave>();
    wave->Set(std::move(sound), "bench");
    project.Waves().Place(kSlot, std::move(wave));
}

EventRecord Note(int track, double note) {
    EventRecord event;
    event.group = kGroupMachine;
    event.index = 0;
    event.track = static_cast<std::int16_t>(track);
    event.value = note;
    event.velocity = 1.0;
    return event;
}

// Holds state.range(0) notes on machines of name with tracksPerMachine
// tracks each; events is what a machine needs before its notes.
void RunVoices(benchmark::State& state, const char* name, int tracksPerMachine,
               const std::vector<EventRecord>& setup) {
    const int voices = static_cast<int>(state.range(0));
    MachineFactory factory(BuiltinMachines());
    Project project(factory);
    PutLoopedWave(project);
    std::vector<Node*> nodes;
    StereoChunk chunk;
    WorkRecord record;
    record.outputs = chunk.outputs.data();
    record.frameCount = kChunk;
    for (int first = 0; first < voices; first += tracksPerMachine) {
        Node& node = *project.GetNode(project.CreateNode(name));
        const int tracks = std::min(tracksPerMachine, voices - first);
        node.SetTrackCount(kGroupMachine, tracks);
        std::vector<EventRecord> events;
        for (int track = 0; track < tracks; ++track) {
            for (EventRecord event : setup) {
                event.track = static_cast<std::int16_t>(track);
                events.push_back(event);
            }
            events.push_back(Note(track, 36.0 + first + track));
        }
        std::vector<EventRecord*> pointers;
        for (EventRecord& event : events) {
            pointers.push_back(&event);
        }
        record.events = pointers.data();
        record.eventCount = static_cast<std::int32_t>(pointers.size());
        node.SendToMachine(kMsgWork, 0, &record);
        nodes.push_back(&node);
    }
    record.events = nullptr;
    record.eventCount = 0;
    for (auto _ : state) {
        for (Node* node : nodes) {
            node->SendToMachine(kMsgWork, 0, &record);
        }
        benchmark::DoNotOptimize(chunk.left.data());
        benchmark::ClobberMemory();
    }
    bench::ReportChunk(state);
}

void BM_SamplerVoices(benchmark::State& state) {
    EventRecord wave;
    wave.group = kGroupMachine;
    wave.index = Sampler::kWave;
    wave.value = kSlot;
    RunVoices(state, "Tarn Sampler", SamplerEngine::kVoiceCount, {wave});
}
BENCHMARK(BM_SamplerVoices)->Arg(1)->Arg(16)->Arg(64);

} // namespace
} // namespace tarn
