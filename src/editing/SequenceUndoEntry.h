#pragma once

#include "editing/UndoHistory.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// A sequence edit (placing, moving, copying, transposing or deleting
// placements): the placements of every Node's sequence tracks from before
// the edit, put back on undo, and those from before the undo put back on
// redo. Nodes are named by id and serial, so a Node made later under the
// same id is left alone. Patterns the edit made (copies as new patterns)
// stay when it is undone; only the placements go.
class SequenceUndoEntry final : public UndoEntry {
public:
    // Takes the placements of project now. Project lock held.
    SequenceUndoEntry(std::string name, const Project& project);

    int Undo(Project* project) override;
    int Redo(Project* project) override;
    void Changed() const override;

private:
    struct Placement {
        int beat = 0;
        int patternNumber = -1;
        double transpose = 0.0;
    };
    struct TrackState {
        int track = 0;
        std::vector<Placement> placements;
    };
    struct NodeState {
        int nodeId = -1;
        std::uint64_t serial = 0;
        std::vector<TrackState> tracks;
    };
    using State = std::vector<NodeState>;

    static State Capture(const Project& project);
    // 1 when a Node of the state was still there to take it.
    static int Restore(Project& project, const State& state);

    State before_;
    State after_;
};

} // namespace tarn
