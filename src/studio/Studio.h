#pragma once

#include "audio/AudioStreamer.h"
#include "engine/CoreEngine.h"
#include "engine/CurrentProject.h"
#include "engine/Node.h"
#include "engine/PreviewSlot.h"
#include "machines/framework/MachineFactory.h"
#include "machines/framework/vst/VstPluginScan.h"
#include "wavetable/SoundLoader.h"
#include "wavetable/Wavetable.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace tarn {

class Project;

// Where machines come from: the built-in table alone, or also the plug-ins
// that the Gear folders' registry lists (read at start-up).
enum class StudioMachines { kBuiltIn, kBuiltInAndGear };

// The engines a command-line run needs, brought up in the studio's start-up
// order and taken down in reverse: the machine factory, the audio streamer,
// the core engine (rendering the current project, feeding the streamer),
// the DSP library at 44 100 Hz. No project is current until one is set.
// Owner's thread; the engine's render runs on whichever thread drives it
// (the command itself offline, the driver's fill thread when playing).
class Studio {
public:
    explicit Studio(StudioMachines machines = StudioMachines::kBuiltIn);
    // Machines come from createMachine (tests bring machines of their own).
    explicit Studio(MachineCreator createMachine);
    ~Studio();
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;

    const MachineCreator& Creator() const { return createMachine_; }
    CurrentProject& Current() { return current_; }
    const MachineFactory& Factory() const { return factory_; }
    CoreEngine& Engine() { return engine_; }
    AudioStreamer& Streamer() { return streamer_; }
    // Loads sounds into the current project's wavetable and the preview,
    // which the engine mixes into the Master.
    tarn::Wavetable& Wavetable() { return wavetable_; }

    // A project built aside from a file or anew (the Master alone); null
    // after an error line.
    std::unique_ptr<Project> LoadProject(const std::filesystem::path& file) const;
    std::unique_ptr<Project> NewProject() const;
    // Makes project current, its tempo the process-wide one. The project it
    // replaces is destroyed after the project lock is left.
    void SetProject(std::unique_ptr<Project> project);

    // Gives every machine of the current project its idle call (plug-ins
    // redraw their editors in it). The machines are called outside the
    // project lock, so a slow one never holds up the audio thread; only the
    // GUI thread, which calls this, removes Nodes. Also tells, once each,
    // the faults the work cycle saw in a Node (ReportNodeFaults).
    void IdleMachines();

private:
    void StartUp(StudioMachines machines);

    VstPluginScan pluginScan_;
    MachineFactory factory_;
    MachineCreator createMachine_;
    AudioStreamer streamer_;
    PreviewSlot preview_;
    CurrentProject current_;
    CoreEngine engine_{current_};
    SoundLoader loader_;
    tarn::Wavetable wavetable_{current_, loader_, preview_};
    std::vector<Node*> idleNodes_;
};

} // namespace tarn
