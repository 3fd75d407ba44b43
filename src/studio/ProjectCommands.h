#pragma once

#include "editing/UndoHistory.h"

#include <filesystem>
#include <memory>

namespace tarn {

class Project;
class Studio;

// The project-level commands of the studio: new, open, save, save as, the
// exit query, undo and redo, and the prompt that guards unsaved work. The
// user answers through the process-wide UserInteraction; the main window
// hears of a project swap (0x8098 before, 0x8096 after), a Save As (0x8099)
// and the exit (0x800D) through the studio observer. A new or opened
// project is built outside the project lock and only swapped in under it.
// GUI thread only.
class ProjectCommands {
public:
    // studio must outlive the commands.
    explicit ProjectCommands(Studio& studio);

    UndoHistory& History() { return history_; }

    // True when the command may go on: nothing unsaved, the user saved
    // successfully, or chose not to save. Cancel answers false.
    bool QuerySave();

    // Each answers whether the current project was replaced (or saved).
    bool New();
    bool Open();
    // Open without the dialog: a recent project or one named at start-up.
    bool OpenFile(const std::filesystem::path& file);
    // Makes a copy kept aside (the autosave) the current project, with
    // unsaved changes, as the project of source (a file it was taken from,
    // or none); the first save over source asks first.
    bool Restore(const std::filesystem::path& copy, const std::filesystem::path& source = {});
    bool Save();
    bool SaveAs();
    // Asks to save first; true when the studio may end.
    bool Exit();
    int Undo() { return history_.Undo(); }
    int Redo() { return history_.Redo(); }

    // The transport, under the project lock: the song or the loop from its
    // start, and stop (which also silences every machine).
    void PlaySong();
    void PlayLoop();
    void Stop();

    // The current project's file; empty for one never saved.
    std::filesystem::path CurrentFile();

private:
    bool Load(const std::filesystem::path& file);
    bool SaveTo(const std::filesystem::path& file);
    void SwapIn(std::unique_ptr<Project> project);
    template <typename Change> void WithProject(Change change);

    Studio& studio_;
    UndoHistory history_;
    // The current project is a restored copy not yet saved over its file.
    bool restored_ = false;
};

} // namespace tarn
