#include "studio/ProjectCommands.h"

#include "base/StudioObserver.h"
#include "base/UserInteraction.h"
#include "document/ProjectFile.h"
#include "document/ProjectFileWriter.h"
#include "document/ProjectSnapshot.h"
#include "engine/Project.h"
#include "studio/Studio.h"

#include <optional>

namespace tarn {
namespace {

constexpr std::string_view kProjectExtension = "tarn";
constexpr std::string_view kQuerySaveText =
    "The active project has changed. Do you want to save the changes?";

} // namespace

template <typename Change> void ProjectCommands::WithProject(Change change) {
    ProjectLock hold(studio_.Current());
    if (Project* project = studio_.Current().Get()) {
        change(*project);
    }
}

ProjectCommands::ProjectCommands(Studio& studio) : studio_(studio), history_(studio.Current()) {}

bool ProjectCommands::QuerySave() {
    if (!history_.IsChanged()) {
        return true;
    }
    switch (CurrentInteraction().ShowMessage(kStudioCaption, kQuerySaveText,
                                             MessageBoxButtons::kSaveDontSaveCancel)) {
    case MessageBoxAnswer::kYes:
    case MessageBoxAnswer::kOk:
        return Save();
    case MessageBoxAnswer::kNo:
        return true;
    case MessageBoxAnswer::kCancel:
        break;
    }
    return false;
}

void ProjectCommands::SwapIn(std::unique_ptr<Project> project) {
    NotifyStudio(kNoticeProjectSwapping);
    studio_.SetProject(std::move(project));
    restored_ = false;
    NotifyStudio(kNoticeProjectSwapped);
    history_.Clear();
}

bool ProjectCommands::New() {
    if (!QuerySave()) {
        return false;
    }
    std::unique_ptr<Project> project = studio_.NewProject();
    if (project == nullptr) {
        return false;
    }
    SwapIn(std::move(project));
    return true;
}

bool ProjectCommands::Open() {
    if (!QuerySave()) {
        return false;
    }
    const auto file = CurrentInteraction().ChooseFile(FileDialog::kOpen, kProjectExtension);
    return file && Load(*file);
}

bool ProjectCommands::OpenFile(const std::filesystem::path& file) {
    return QuerySave() && Load(file);
}

bool ProjectCommands::Load(const std::filesystem::path& file) {
    // The loader says why it failed; the current project, its history and
    // its changed flag stay as they were.
    std::unique_ptr<Project> project = studio_.LoadProject(file);
    if (project == nullptr) {
        return false;
    }
    SwapIn(std::move(project));
    return true;
}

bool ProjectCommands::SaveTo(const std::filesystem::path& file) {
    // Written and synced outside the lock: the audio thread never waits
    // for the disk. Only the GUI thread replaces the project, so the one
    // snapshot is the one that takes the name.
    const std::optional<ProjectDocument> document = SnapshotCurrentProject(studio_.Current());
    if (!document || WriteProjectFile(*document, file) == 0) {
        return false;
    }
    ProjectLock hold(studio_.Current());
    if (Project* project = studio_.Current().Get()) {
        project->filePath = file.string();
    }
    return true;
}

bool ProjectCommands::Save() {
    const std::filesystem::path file = CurrentFile();
    if (file.empty()) {
        return SaveAs();
    }
    // A copy restored after a crash may be older than what its file holds.
    if (restored_) {
        const std::string question = "Save the restored project over '" + file.string() + "'?";
        switch (CurrentInteraction().ShowMessage(kStudioCaption, question,
                                                 MessageBoxButtons::kYesNoCancel)) {
        case MessageBoxAnswer::kYes:
        case MessageBoxAnswer::kOk:
            break;
        case MessageBoxAnswer::kNo:
            return SaveAs();
        case MessageBoxAnswer::kCancel:
            return false;
        }
    }
    if (!SaveTo(file)) {
        return false;
    }
    restored_ = false;
    // What is on disk is what the user sees: leaving the program now loses
    // nothing, so it must not ask again.
    history_.MarkSaved();
    return true;
}

bool ProjectCommands::SaveAs() {
    const auto file = CurrentInteraction().ChooseFile(FileDialog::kSave, kProjectExtension);
    if (!file) {
        return false;
    }
    // A failed save keeps the history and the changed flag, so the work
    // that did not reach the disk is still guarded by the save prompt.
    if (!SaveTo(*file)) {
        return false;
    }
    NotifyStudio(kNoticeSavedAs);
    restored_ = false;
    history_.Clear();
    return true;
}

bool ProjectCommands::Exit() {
    if (!QuerySave()) {
        return false;
    }
    NotifyStudio(kNoticeExit);
    return true;
}

void ProjectCommands::PlaySong() {
    WithProject([](Project& project) { project.Transport().PlaySong(); });
}

void ProjectCommands::PlayLoop() {
    WithProject([](Project& project) { project.Transport().PlayLoop(); });
}

void ProjectCommands::Stop() {
    WithProject([](Project& project) { project.Stop(); });
}

bool ProjectCommands::Restore(const std::filesystem::path& copy,
                              const std::filesystem::path& source) {
    std::unique_ptr<Project> project = studio_.LoadProject(copy);
    if (project == nullptr) {
        return false;
    }
    // The copy is no file of the user's: it belongs to the project it was
    // taken from (saving over that asks first), or saving asks for a name;
    // until then leaving asks to save.
    project->filePath = source.string();
    SwapIn(std::move(project));
    restored_ = !source.empty();
    history_.MarkChanged();
    return true;
}

std::filesystem::path ProjectCommands::CurrentFile() {
    ProjectLock hold(studio_.Current());
    const Project* project = studio_.Current().Get();
    return project != nullptr ? std::filesystem::path(project->filePath) : std::filesystem::path();
}

} // namespace tarn
