#pragma once

#include <cstdint>
#include <filesystem>

namespace tarn {

class Studio;
class UndoHistory;

// A copy of the current project written aside every so often, so that a
// crash or a kill costs at most the last minute of work, and the marker
// that tells the next start whether this session ended cleanly. The copy
// replaces the previous one only once it is completely on the disk, so a
// kill at any moment leaves the previous copy or the new one. The
// project's own file and name are left alone; the copy's source file
// names it, so that a restored copy comes back as that project. GUI
// thread.
class Autosave {
public:
    static constexpr const char* kFileName = "Out/Autosave.tarn";
    static constexpr const char* kMarkerName = "Out/Session.running";
    // The path of the project the copy was taken from, one line (empty
    // for a project never saved).
    static constexpr const char* kSourceName = "Out/Autosave.source";

    // studio and history must outlive the autosave.
    Autosave(Studio& studio, const UndoHistory& history);

    // Writes the copy when the project has unsaved edits made since the
    // last copy; whether it wrote one.
    bool SaveIfChanged();
    // Writes the copy; 1, or 0 after the writer's error line.
    int Save();

    // Marks the session as running (with this process's id); true when the
    // previous one never ended cleanly and left a copy to restore. A studio
    // started while another runs on the same application directory finds
    // its marker and offers nothing.
    static bool BeginSession();
    // The session ended cleanly: the marker goes, unless a studio started
    // later still runs and has made it its own.
    static void EndSession();
    // The project file the copy was taken from; empty when it had none.
    static std::filesystem::path Source();

private:
    Studio& studio_;
    const UndoHistory& history_;
    std::uint64_t savedEdits_ = 0;
};

} // namespace tarn
