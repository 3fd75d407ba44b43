#pragma once

#include "engine/Node.h"
#include "engine/Project.h"
#include "engine/TempoRecord.h"

#include <filesystem>
#include <memory>

namespace tarn {

// Saves the project to path (see WriteProjectFile): each machine is asked
// for its state, the project is copied into a document and the document
// replaces the file only once it is completely written; the project then
// remembers path as its file. 1, or 0 with one "error: " line naming path.
// GUI thread, project lock held.
int SaveProject(Project& project, const std::filesystem::path& path);

// Reads the file at path completely, then builds the project it describes
// aside (see BuildProject), remembering path as its file. Null after one "error: " line when the
// file cannot be read, is not a project or is damaged, or holds no tempo; the current project is
// never touched. GUI thread; the project lock is not needed until the result is swapped in.
std::unique_ptr<Project> LoadProject(const std::filesystem::path& path,
                                     MachineCreator createMachine, const TempoRecord& engineTempo);

} // namespace tarn
