#include "document/ProjectFile.h"

#include "document/ProjectBuilder.h"
#include "document/ProjectFileReader.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"

#include <utility>

namespace tarn {

int SaveProject(Project& project, const std::filesystem::path& path) {
    if (WriteProjectFile(SnapshotProject(project), path) == 0) {
        return 0;
    }
    project.filePath = path.string();
    return 1;
}

std::unique_ptr<Project> LoadProject(const std::filesystem::path& path,
                                     MachineCreator createMachine, const TempoRecord& engineTempo) {
    ProjectDocument document;
    if (ReadProjectFile(path, document) == 0) {
        return nullptr;
    }
    std::unique_ptr<Project> project =
        BuildProject(document, std::move(createMachine), engineTempo, path.string());
    if (project != nullptr) {
        project->filePath = path.string();
    }
    return project;
}

} // namespace tarn
