#include "formats/ProjectFile.h"

#include "formats/ProjectBuilder.h"
#include "formats/ProjectFileReader.h"
#include "formats/ProjectFileWriter.h"
#include "formats/ProjectSnapshot.h"

#include <utility>

namespace tarn {

int SaveProject(Project& project, const std::filesystem::path& path) {
    return WriteProjectFile(SnapshotProject(project), path);
}

std::unique_ptr<Project> LoadProject(const std::filesystem::path& path,
                                     MachineCreator createMachine, const TempoRecord& engineTempo) {
    ProjectDocument document;
    if (ReadProjectFile(path, document) == 0) {
        return nullptr;
    }
    return BuildProject(document, std::move(createMachine), engineTempo, path.string());
}

} // namespace tarn
