#pragma once

#include "document/ProjectDocument.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tarn {

// Copies the live project into a document for saving: every Node with its
// saved state, parameter values (every parameter of every group and track),
// patterns and sequence tracks, the Connections and their routes in
// destination, input-list and route order, and the song settings. Each
// machine is asked for its state (SaveState), which its Node keeps, so the
// project is not const.
// GUI thread, project lock held.
ProjectDocument SnapshotProject(Project& project);

// The same for the current project, taken under the project lock, which is
// held for nothing else: the document shares the waves' samples, so the
// copy is quick, and the caller writes it after the lock is left. Nothing
// when there is no current project. GUI thread.
std::optional<ProjectDocument> SnapshotCurrentProject(CurrentProject& current);

// Some machines of a live project, kept so that they can be put back as
// they were (an undone deletion): their records as a save takes them,
// every Connection and route from or to them, their places in the Node
// order, and what a project file does not keep: their flags, their
// serials, and the input volume and panning that other Nodes give their
// Connections from them.
struct MachineSetDoc {
    struct Flags {
        bool mute = false;
        bool solo = false;
        bool bypass = false;
        bool liveInput = false;
    };
    struct InputValue {
        std::int32_t destination = kMissingInteger;
        ParameterValueDoc value;
    };

    ProjectDocument document;
    // One each per record of document.machines.
    std::vector<Flags> flags;
    std::vector<std::uint64_t> serials;
    std::vector<InputValue> inputValues;
};

// The Nodes of ids that exist (never the Master). GUI thread, project lock
// held.
MachineSetDoc SnapshotMachines(Project& project, const std::vector<int>& ids);

} // namespace tarn
