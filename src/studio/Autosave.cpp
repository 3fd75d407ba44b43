#include "studio/Autosave.h"

#include "base/AppDirectory.h"
#include "base/ReplacingFile.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "editing/UndoHistory.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <fstream>
#include <optional>
#include <string>

namespace tarn {

Autosave::Autosave(Studio& studio, const UndoHistory& history)
    : studio_(studio), history_(history), savedEdits_(history.Edits()) {}

bool Autosave::SaveIfChanged() {
    if (!history_.IsChanged() || history_.Edits() == savedEdits_) {
        return false;
    }
    return Save() != 0;
}

int Autosave::Save() {
    const std::uint64_t edits = history_.Edits();
    std::optional<ProjectDocument> document;
    std::string source;
    {
        ProjectLock hold(studio_.Current());
        if (Project* project = studio_.Current().Get()) {
            document = SnapshotProject(*project);
            source = project->filePath;
        }
    }
    // Written outside the lock: the audio thread never waits for the disk.
    const std::filesystem::path file = AppPath(kFileName);
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    if (!document || WriteProjectFile(*document, file) == 0) {
        return 0;
    }
    ReplaceFile(AppPath(kSourceName), source + '\n');
    savedEdits_ = edits;
    return 1;
}

bool Autosave::BeginSession() {
    const std::filesystem::path marker = AppPath(kMarkerName);
    std::error_code error;
    const bool unclean = std::filesystem::exists(marker, error) &&
                         std::filesystem::exists(AppPath(kFileName), error);
    std::filesystem::create_directories(marker.parent_path(), error);
    ReplaceFile(marker, "running\n");
    return unclean;
}

std::filesystem::path Autosave::Source() {
    std::ifstream file(AppPath(kSourceName));
    std::string source;
    std::getline(file, source);
    return source;
}

void Autosave::EndSession() {
    std::error_code ignored;
    std::filesystem::remove(AppPath(kMarkerName), ignored);
}

} // namespace tarn
