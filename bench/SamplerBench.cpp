// Sample playback: held notes on a looped stereo wave, 1, 16 and 64 voices
// at once (the Sampler has sixteen voices, so 64 are four Samplers; the
// Tracker plays one voice per track), each
// machine hosted by a project Node that answers its wave requests from the
// wavetable. "per_sample" is the time of one output frame of all voices
// together.
#include "engine/Project.h"
#include "engine/Wave.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/builtin/Sampler.h"
#include "machines/builtin/Tracker.h"
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
// tracks each; setup is what each track needs before its note. The notes
// stay within an octave below the wave's own pitch; a machine that does
// not loop the wave gets them again every restart chunks (0: only in the
// first chunk).
void RunVoices(benchmark::State& state, const char* name, int tracksPerMachine,
               const std::vector<EventRecord>& setup, int restart) {
    struct Player {
        Node* node = nullptr;
        std::vector<EventRecord> events;
        std::vector<EventRecord*> pointers;
    };
    const int voices = static_cast<int>(state.range(0));
    MachineFactory factory(BuiltinMachines());
    Project project(factory);
    PutLoopedWave(project);
    std::vector<Player> players((voices + tracksPerMachine - 1) / tracksPerMachine);
    for (std::size_t p = 0; p < players.size(); ++p) {
        Player& player = players[p];
        player.node = project.GetNode(project.CreateNode(name));
        const int first = static_cast<int>(p) * tracksPerMachine;
        const int tracks = std::min(tracksPerMachine, voices - first);
        player.node->SetTrackCount(kGroupMachine, tracks);
        for (int track = 0; track < tracks; ++track) {
            for (EventRecord event : setup) {
                event.track = static_cast<std::int16_t>(track);
                player.events.push_back(event);
            }
            player.events.push_back(Note(track, 36.0 + (first + track) % 12));
        }
        for (EventRecord& event : player.events) {
            player.pointers.push_back(&event);
        }
    }
    StereoChunk chunk;
    WorkRecord record;
    record.outputs = chunk.outputs.data();
    record.frameCount = kChunk;
    int chunks = 0;
    for (auto _ : state) {
        const bool start = restart > 0 ? chunks % restart == 0 : chunks == 0;
        ++chunks;
        for (Player& player : players) {
            record.events = start ? player.pointers.data() : nullptr;
            record.eventCount = start ? static_cast<std::int32_t>(player.pointers.size()) : 0;
            player.node->SendToMachine(kMsgWork, 0, &record);
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
    RunVoices(state, "Tarn Sampler", SamplerEngine::kVoiceCount, {wave}, 0);
}
BENCHMARK(BM_SamplerVoices)->Arg(1)->Arg(16)->Arg(64);

// The Tracker's tracks have no filter or envelopes: one read per channel.
void BM_TrackerTracks(benchmark::State& state) {
    EventRecord wave;
    wave.group = kGroupMachine;
    wave.index = Tracker::kWave;
    wave.value = kSlot;
    RunVoices(state, "Tarn Tracker", Tracker::kMaxTracks, {wave}, 128);
}
BENCHMARK(BM_TrackerTracks)->Arg(1)->Arg(16)->Arg(64);

} // namespace
} // namespace tarn
