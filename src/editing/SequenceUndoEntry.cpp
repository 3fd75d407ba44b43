#include "editing/SequenceUndoEntry.h"

#include "base/StudioObserver.h"
#include "engine/Project.h"

namespace tarn {

SequenceUndoEntry::SequenceUndoEntry(std::string name, const Project& project)
    : UndoEntry(std::move(name)), before_(Capture(project)) {}

SequenceUndoEntry::State SequenceUndoEntry::Capture(const Project& project) {
    State state;
    for (auto [id, node] : project.Nodes()) {
        NodeState& saved = state.emplace_back();
        saved.nodeId = id;
        saved.serial = node->Serial();
        for (auto [index, track] : node->SequenceTracks()) {
            TrackState& kept = saved.tracks.emplace_back();
            kept.track = index;
            for (auto [beat, entry] : track->Entries()) {
                if (entry->StartsPlacement()) {
                    kept.placements.push_back({beat, entry->patternNumber, entry->transpose});
                }
            }
        }
    }
    return state;
}

int SequenceUndoEntry::Restore(Project& project, const State& state) {
    int restored = 0;
    for (const NodeState& saved : state) {
        Node* node = project.GetNode(saved.nodeId);
        if (node == nullptr || node->Serial() != saved.serial) {
            continue;
        }
        // Tracks the edit made are emptied along with the others.
        for (auto [index, track] : node->SequenceTracks()) {
            track->SelectRange(0, SequenceTrack::kMaxBeat + 1);
            track->DeleteSelected();
        }
        for (const TrackState& kept : saved.tracks) {
            node->SequenceTracks().Create(kept.track);
            SequenceTrack& track = *node->SequenceTracks().Get(kept.track);
            for (const Placement& placement : kept.placements) {
                if (track.PlacePattern(placement.beat, placement.patternNumber) != 0 &&
                    placement.transpose != 0.0) {
                    track.TransposeEntry(placement.beat, placement.transpose);
                }
            }
        }
        restored = 1;
    }
    return restored;
}

int SequenceUndoEntry::Undo(Project* project) {
    if (project == nullptr) {
        return 0;
    }
    after_ = Capture(*project);
    return Restore(*project, before_);
}

int SequenceUndoEntry::Redo(Project* project) {
    return project != nullptr ? Restore(*project, after_) : 0;
}

void SequenceUndoEntry::Changed() const {
    NotifyStudio(kNoticeSequenceChanged);
}

} // namespace tarn
