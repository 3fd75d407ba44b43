#pragma once

#include "document/ProjectDocument.h"
#include "engine/CurrentProject.h"
#include "engine/Project.h"

#include <optional>

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

} // namespace tarn
