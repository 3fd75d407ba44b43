#pragma once

#include "base/AlarmHold.h"
#include "engine/ProjectMutex.h"

#include <memory>
#include <mutex>

namespace tarn {

class Project;

// The current project and the project lock that guards it and everything
// reachable from it. The work cycle holds the lock for a whole buffer,
// every edit for one operation; Node locks are only ever taken inside it.
// The lock is recursive, as edits call edits.
//
// Copy under the lock, work outside it: whatever takes time (writing a
// file, syncing it, reading one, a plug-in opening or closing its editor)
// runs without the lock, on a copy or snapshot taken under it, and what it
// finds is put back under the lock again, after checking that the Node it
// concerns is still there (by id and serial). The audio thread waits for
// every holder, so a holder that works costs a dropout.
class CurrentProject {
public:
    CurrentProject();
    ~CurrentProject();
    CurrentProject(const CurrentProject&) = delete;
    CurrentProject& operator=(const CurrentProject&) = delete;

    ProjectMutex& Lock() { return lock_; }
    // The current project, or null; the caller holds Lock().
    Project* Get() const { return project_.get(); }

    // Makes project current under the lock and hands back the one it
    // replaces; from then on its Nodes' flags are written only under this
    // lock (checked in debug builds). Destroy that after leaving the lock, never inside it, so
    // that the audio thread does not wait for machines being torn down.
    std::unique_ptr<Project> Set(std::unique_ptr<Project> project);
    // Leaves no current project; the work cycle then renders nothing.
    std::unique_ptr<Project> Take() { return Set(nullptr); }

private:
    ProjectMutex lock_;
    std::unique_ptr<Project> project_;
};

// The project lock held for one edit or other GUI-side operation. Alarms
// the operation raises (an integrity check, say) are shown once the lock
// is left, never under it.
class ProjectLock {
public:
    explicit ProjectLock(CurrentProject& current) : lock_(current.Lock()) {}

private:
    AlarmHold alarms_; // goes after the lock is left
    std::lock_guard<ProjectMutex> lock_;
};

} // namespace tarn
