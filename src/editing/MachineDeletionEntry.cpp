#include "editing/MachineDeletionEntry.h"

#include "base/StudioObserver.h"
#include "document/ProjectBuilder.h"
#include "engine/Project.h"

#include <algorithm>
#include <utility>

namespace tarn {

MachineDeletionEntry::MachineDeletionEntry(Project& project, std::vector<int> ids)
    : UndoEntry("Delete machine"), ids_(std::move(ids)) {
    std::erase(ids_, Project::kMasterId);
    Delete(project, false);
}

void MachineDeletionEntry::Delete(Project& project, bool sameNodes) {
    std::vector<int> ids;
    for (const int id : ids_) {
        const Node* node = project.GetNode(id);
        if (node != nullptr && (!sameNodes || std::ranges::find(kept_.serials, node->Serial()) !=
                                                  kept_.serials.end())) {
            ids.push_back(id);
        }
    }
    kept_ = SnapshotMachines(project, ids);
    for (const int id : ids) {
        project.DeleteNode(id);
    }
    // The editors follow a Node that is gone back to the Master.
    if (project.GetNode(project.editedNodeId) == nullptr) {
        project.editedNodeId = Project::kMasterId;
    }
}

int MachineDeletionEntry::Undo(Project* project) {
    return project != nullptr && RestoreMachines(kept_, *project) > 0 ? 1 : 0;
}

int MachineDeletionEntry::Redo(Project* project) {
    if (project == nullptr) {
        return 0;
    }
    Delete(*project, true);
    return Deleted() > 0 ? 1 : 0;
}

void MachineDeletionEntry::Changed() const {
    NotifyStudio(kNoticeMachinesChanged);
}

} // namespace tarn
