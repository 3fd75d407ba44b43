// Loading a project whose one pattern holds many events, all of one
// parameter (the bass's notes, spread over 64 beats): the file is written
// once, then read and built, as `tarn render`, `dump` and `import` do
// before anything else. "peak_rss_mb" is the process's peak resident
// memory after the loads (the largest run sets it). Next to it, what one
// idle Node costs: "kb_per_node" is the growth in resident memory per Node
// of a project of 1,000 Analog Basses, connected to the Master.
#include "ScratchFolder.h"
#include "base/AppDirectory.h"
#include "document/ProjectFile.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <sys/resource.h>

namespace tarn {
namespace {

constexpr int kPatternBeats = 64;

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Resident memory now, in kB, from /proc/self/status.
double ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kilobytes = 0.0;
            status >> kilobytes;
            return kilobytes;
        }
    }
    return 0.0;
}

void BM_LoadOnePatternOfManyEvents(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    ScratchFolder scratch("tarn-load");
    const std::filesystem::path previous = AppDirectory();
    SetAppDirectory(scratch.Path());
    {
        Studio studio;
        const std::filesystem::path file = scratch.Path() / "long.tarn";
        {
            std::unique_ptr<Project> project = studio.NewProject();
            const int bass = project->CreateNode("Tarn Analog Bass");
            project->ConnectMachines(bass, Project::kMasterId);
            Node& node = *project->GetNode(bass);
            const int pattern = CreatePattern(node, -1, kPatternBeats, 4, 0);
            node.SequenceTracks().Create(0);
            node.SequenceTracks().Get(0)->PlacePattern(0, pattern);
            ProjectDocument document = SnapshotProject(*project);
            for (MachineDoc& machine : document.machines) {
                if (machine.id != bass) {
                    continue;
                }
                std::vector<EventDoc>& events = machine.patterns.at(0).events;
                for (int i = 0; i < count; ++i) {
                    const double at = static_cast<double>(i) * kPatternBeats / count;
                    EventDoc event;
                    event.group = kGroupMachine;
                    event.track = 0;
                    event.index = node.NoteParameter();
                    event.beat = static_cast<int>(at);
                    event.time = at - event.beat;
                    event.value = 24 + i % 48;
                    events.push_back(event);
                }
            }
            if (WriteProjectFile(document, file) == 0) {
                state.SkipWithError("cannot write the project");
            }
        }
        for (auto _ : state) {
            std::unique_ptr<Project> loaded =
                LoadProject(file, studio.Creator(), studio.Engine().Tempo());
            if (loaded == nullptr) {
                state.SkipWithError("cannot load the project");
                break;
            }
            benchmark::DoNotOptimize(loaded.get());
        }
    }
    SetAppDirectory(previous);
    state.counters["peak_rss_mb"] = PeakMegabytes();
}
BENCHMARK(BM_LoadOnePatternOfManyEvents)
    ->Arg(100'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_IdleNodeMemory(benchmark::State& state) {
    constexpr int kNodes = 1000;
    ScratchFolder scratch("tarn-load");
    const std::filesystem::path previous = AppDirectory();
    SetAppDirectory(scratch.Path());
    {
        Studio studio;
        for (auto _ : state) {
            std::unique_ptr<Project> project = studio.NewProject();
            const double before = ResidentKilobytes();
            for (int i = 0; i < kNodes; ++i) {
                project->ConnectMachines(project->CreateNode("Tarn Analog Bass"),
                                         Project::kMasterId);
            }
            const int made = project->Nodes().Count() - 1;
            state.counters["kb_per_node"] = (ResidentKilobytes() - before) / std::max(made, 1);
            state.counters["nodes"] = made;
        }
    }
    SetAppDirectory(previous);
}
BENCHMARK(BM_IdleNodeMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace
} // namespace tarn
