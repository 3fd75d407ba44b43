#include "studio/Studio.h"

#include "document/ProjectBuilder.h"
#include "document/ProjectFile.h"
#include "dsp/DspLibrary.h"
#include "engine/NodeFaults.h"
#include "engine/Project.h"
#include "machines/builtin/BuiltinMachines.h"
#include "machines/framework/vst/VstAdapter.h"
#include "studio/StartUpStep.h"

#include <mutex>

namespace tarn {

Studio::Studio(StudioMachines machines)
    : factory_(BuiltinMachines(), &VstAdapter::Make),
      createMachine_([this](std::string_view name) { return factory_.CreateMachine(name); }) {
    StartUp(machines);
}

Studio::Studio(MachineCreator createMachine)
    : factory_(BuiltinMachines(), &VstAdapter::Make), createMachine_(std::move(createMachine)) {
    StartUp(StudioMachines::kBuiltIn);
}

void Studio::StartUp(StudioMachines machines) {
    if (machines == StudioMachines::kBuiltInAndGear) {
        StartUpStep("creating machine factory...");
        factory_.Registry().SetScreen(
            [this](std::vector<GearEntry>& entries) { pluginScan_.Screen(entries); });
        factory_.Registry().Build();
    }
    StartUpStep("starting audio streaming engine...");
    StartUpStep("starting sound preview engine...");
    StartUpStep("starting core engine...");
    engine_.Start();
    engine_.AttachStreamer(&streamer_, &streamer_.Lock());
    engine_.AttachPreview(&preview_);
    TimedStartUpStep("initializing DSP lib...", [] { InitializeDspLibrary(kDspSampleRate); });
}

Studio::~Studio() {
    streamer_.Stop();
    engine_.AttachStreamer(nullptr, nullptr);
    engine_.AttachPreview(nullptr);
    // Machines hold records of the DSP tables: they go first.
    current_.Take();
    ReleaseDspLibrary();
}

std::unique_ptr<Project> Studio::LoadProject(const std::filesystem::path& file) const {
    return tarn::LoadProject(file, createMachine_, engine_.Tempo());
}

std::unique_ptr<Project> Studio::NewProject() const {
    return MakeNewProject(createMachine_, engine_.Tempo());
}

void Studio::SetProject(std::unique_ptr<Project> project) {
    std::unique_ptr<Project> previous;
    {
        ProjectLock hold(current_);
        if (project != nullptr) {
            GlobalTempo().SetBpm(project->Tempo().bpm);
        }
        previous = current_.Set(std::move(project));
    }
}

void Studio::IdleMachines() {
    idleNodes_.clear();
    {
        ProjectLock hold(current_);
        if (Project* project = current_.Get()) {
            for (auto [id, node] : project->Nodes()) {
                idleNodes_.push_back(node);
            }
            ReportNodeFaults(*project);
        }
    }
    for (Node* node : idleNodes_) {
        node->SendToMachine(kMsgIdle);
    }
}

} // namespace tarn
