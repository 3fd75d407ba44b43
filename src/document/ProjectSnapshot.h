#pragma once

#include "document/ProjectDocument.h"
#include "engine/Project.h"

namespace tarn {

// Copies the live project into a document for saving: every Node with its
// saved state, parameter values (every parameter of every group and track),
// patterns and sequence tracks, the Connections and their routes in
// destination, input-list and route order, and the song settings. Each
// machine is asked for its state (SaveState), which its Node keeps, so the
// project is not const.
// GUI thread, project lock held.
ProjectDocument SnapshotProject(Project& project);

} // namespace tarn
