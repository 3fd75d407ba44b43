// What saving costs the audio: a thread stands in for the audio driver and
// runs the work cycle once a millisecond (a real buffer lasts 18.1 ms),
// timing each cycle from the moment it asks for the project lock, while
// the GUI side saves the project (File > Save) or writes the autosave
// copy. The project holds a 60 s stereo wave and a playing bass.
// "worst_cycle_ms" is the longest cycle during the saves, "idle_worst_ms"
// the longest over as many cycles with nothing else running; the
// difference is what a save adds to the audio's worst case.
#include "ScratchFolder.h"
#include "base/AppDirectory.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "engine/Wave.h"
#include "studio/Autosave.h"
#include "studio/ProjectCommands.h"
#include "studio/Studio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace tarn {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaveFrames = 60 * 44100;
constexpr int kBufferFrames = 800;
constexpr auto kCyclePeriod = std::chrono::milliseconds(1);

// The project: a 60 s stereo wave in slot 1 and an Analog Bass playing a
// note on every beat into the Master, the song playing.
std::unique_ptr<Project> BigWaveProject(Studio& studio, const std::filesystem::path& file) {
    std::unique_ptr<Project> project = studio.NewProject();
    auto sound = std::make_unique<Sound>(SoundFormat{kWaveFrames, 2, 32, 44100, 0});
    for (int c = 0; c < 2; ++c) {
        std::span<float> samples = sound->Samples(c);
        for (int i = 0; i < kWaveFrames; ++i) {
            samples[static_cast<std::size_t>(i)] =
                static_cast<float>(0.5 * std::sin(i * 0.01 * (c + 1)));
        }
    }
    auto wave = std::make_unique<Wave>();
    wave->Set(std::move(sound), "minute");
    project->Waves().Place(1, std::move(wave));
    const int bass = project->CreateNode("Tarn Analog Bass");
    project->ConnectMachines(bass, Project::kMasterId);
    Node& node = *project->GetNode(bass);
    const int pattern = CreatePattern(node, -1, 4, 4, 0);
    for (int beat = 0; beat < 4; ++beat) {
        PatternEventRecord note;
        note.event.group = kGroupMachine;
        note.event.index = static_cast<std::int16_t>(node.NoteParameter());
        note.event.value = 36 + beat;
        note.event.noteLength = 0.5;
        note.event.velocity = 1.0;
        AddClampedEvent(*project, bass, pattern, beat, note);
    }
    node.SequenceTracks().Create(0);
    node.SequenceTracks().Get(0)->PlacePattern(0, pattern);
    project->Transport().songEnd = 4.0;
    project->Transport().PlaySong();
    project->filePath = file.string();
    return project;
}

// Runs the work cycle once per period on a thread of its own and keeps the
// longest cycle since the last Take, lock wait included.
class AudioStandIn {
public:
    explicit AudioStandIn(CoreEngine& engine) : engine_(engine), thread_([this] { Run(); }) {}
    ~AudioStandIn() {
        stop_ = true;
        thread_.join();
    }

    double TakeWorstMilliseconds() { return worstNanoseconds_.exchange(0) * 1e-6; }

private:
    void Run() {
        std::array<std::array<double, kBufferFrames>, 2> samples{};
        std::array<double*, 2> outputs{samples[0].data(), samples[1].data()};
        AudioBuffer buffer;
        buffer.outputs = outputs.data();
        buffer.frameCount = kBufferFrames;
        auto next = Clock::now();
        while (!stop_) {
            const auto start = Clock::now();
            engine_.WorkCycle(buffer);
            const auto took =
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
            std::int64_t worst = worstNanoseconds_.load();
            while (took > worst && !worstNanoseconds_.compare_exchange_weak(worst, took)) {
            }
            next += kCyclePeriod;
            std::this_thread::sleep_until(std::max(next, Clock::now()));
        }
    }

    CoreEngine& engine_;
    std::atomic<bool> stop_ = false;
    std::atomic<std::int64_t> worstNanoseconds_ = 0;
    std::thread thread_;
};

template <typename Save> void MeasureSaves(benchmark::State& state, Save save) {
    ScratchFolder scratch("tarn-save");
    const std::filesystem::path previous = AppDirectory();
    SetAppDirectory(scratch.Path());
    {
        Studio studio;
        studio.SetProject(BigWaveProject(studio, scratch.Path() / "big.tarn"));
        ProjectCommands commands(studio);
        Autosave autosave(studio, commands.History());
        AudioStandIn audio(studio.Engine());
        double worst = 0.0;
        const auto savesStart = Clock::now();
        for (auto _ : state) {
            benchmark::DoNotOptimize(save(commands, autosave));
            worst = std::max(worst, audio.TakeWorstMilliseconds());
        }
        const auto savesTook = Clock::now() - savesStart;
        // As long again with nothing but the audio.
        audio.TakeWorstMilliseconds();
        std::this_thread::sleep_for(savesTook);
        const double idle = audio.TakeWorstMilliseconds();
        state.counters["worst_cycle_ms"] = worst;
        state.counters["idle_worst_ms"] = idle;
        state.counters["added_ms"] = worst - idle;
    }
    SetAppDirectory(previous);
}

void BM_SaveWhilePlaying(benchmark::State& state) {
    MeasureSaves(state, [](ProjectCommands& commands, Autosave&) { return commands.Save(); });
}
BENCHMARK(BM_SaveWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_AutosaveWhilePlaying(benchmark::State& state) {
    MeasureSaves(state, [](ProjectCommands&, Autosave& autosave) { return autosave.Save(); });
}
BENCHMARK(BM_AutosaveWhilePlaying)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

} // namespace
} // namespace tarn
