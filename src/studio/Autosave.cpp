#include "studio/Autosave.h"

#include "base/AppDirectory.h"
#include "base/ReplacingFile.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "editing/UndoHistory.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <optional>
#include <string>

#include <sys/types.h>
#include <unistd.h>

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

namespace {

// The process whose session the marker records, or 0 for none.
pid_t MarkerOwner(const std::filesystem::path& marker) {
    std::ifstream in(marker);
    std::string word;
    pid_t owner = 0;
    in >> word >> owner;
    return in ? owner : 0;
}

// Whether the marker belongs to another studio that still runs.
bool OwnedByAnotherStudio(const std::filesystem::path& marker) {
    const pid_t owner = MarkerOwner(marker);
    return owner > 0 && owner != getpid() && (kill(owner, 0) == 0 || errno == EPERM);
}

} // namespace

bool Autosave::BeginSession() {
    const std::filesystem::path marker = AppPath(kMarkerName);
    std::error_code error;
    // A marker of a studio that still runs is no sign of a crash: a second
    // studio opened beside the first.
    const bool unclean = std::filesystem::exists(marker, error) && !OwnedByAnotherStudio(marker) &&
                         std::filesystem::exists(AppPath(kFileName), error);
    std::filesystem::create_directories(marker.parent_path(), error);
    ReplaceFile(marker, "running " + std::to_string(getpid()) + "\n");
    return unclean;
}

std::filesystem::path Autosave::Source() {
    std::ifstream file(AppPath(kSourceName));
    std::string source;
    std::getline(file, source);
    return source;
}

void Autosave::EndSession() {
    const std::filesystem::path marker = AppPath(kMarkerName);
    if (OwnedByAnotherStudio(marker)) {
        return;
    }
    std::error_code ignored;
    std::filesystem::remove(marker, ignored);
}

} // namespace tarn
