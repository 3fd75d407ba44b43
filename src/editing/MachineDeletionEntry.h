#pragma once

#include "document/ProjectSnapshot.h"
#include "editing/UndoHistory.h"

#include <vector>

namespace tarn {

// Deleting machines ("Delete machine"): the Nodes go, kept as a save would
// keep them (see SnapshotMachines), and an undo puts them back at their
// ids with their patterns, placements, Connections, parameter values and
// places. A redo deletes them again, kept afresh, so that what changed
// in between comes back on the next undo; it leaves alone a Node that
// took one of the ids after the undo.
class MachineDeletionEntry final : public UndoEntry {
public:
    // Deletes the Nodes of ids that exist, never the Master. Project lock
    // held.
    MachineDeletionEntry(Project& project, std::vector<int> ids);

    // How many Nodes the constructor deleted.
    int Deleted() const { return static_cast<int>(kept_.serials.size()); }

    int Undo(Project* project) override;
    int Redo(Project* project) override;
    void Changed() const override;

private:
    // Keeps and deletes the Nodes of ids_ that are still the Nodes kept.
    void Delete(Project& project, bool sameNodes);

    std::vector<int> ids_;
    MachineSetDoc kept_;
};

} // namespace tarn
