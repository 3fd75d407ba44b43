#include "studio/Autosave.h"

#include "base/AppDirectory.h"
#include "base/ReplacingFile.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "editing/UndoHistory.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <optional>

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
    const std::optional<ProjectDocument> document = SnapshotCurrentProject(studio_.Current());
    // Written outside the lock: the audio thread never waits for the disk.
    const std::filesystem::path file = AppPath(kFileName);
    std::error_code ignored;
    std::filesystem::create_directories(file.parent_path(), ignored);
    if (!document || WriteProjectFile(*document, file) == 0) {
        return 0;
    }
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

void Autosave::EndSession() {
    std::error_code ignored;
    std::filesystem::remove(AppPath(kMarkerName), ignored);
}

} // namespace tarn
