#pragma once

#include "base/OwnedSlotList.h"
#include "sequencing/SequenceTrack.h"

namespace tarn {

// A Node's sequence tracks, in slot order; the slot index is the track's
// index as the project file stores it. Changed on the GUI thread with the
// project lock held.
class SequenceTrackList {
public:
    static constexpr int kMaxIndex = 32767;

    // patterns: the owning Node's patterns, which outlive the list.
    explicit SequenceTrackList(PatternList& patterns) : patterns_(&patterns) {}

    // Makes a track at index, or at the lowest free index for -1; an index
    // that already holds a track keeps it. 1 either way; 0 after an error
    // line for an index outside -1..kMaxIndex.
    int Create(int index);

    SequenceTrack* Get(int index) const { return tracks_.Get(index); }
    int Count() const { return tracks_.Count(); }
    auto begin() const { return tracks_.begin(); }
    auto end() const { return tracks_.end(); }

private:
    PatternList* patterns_;
    OwnedSlotList<SequenceTrack> tracks_;
};

} // namespace tarn
