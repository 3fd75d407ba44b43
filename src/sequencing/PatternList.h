#pragma once

#include "base/OwnedSlotList.h"
#include "sequencing/Pattern.h"

#include <cstdint>
#include <memory>

namespace tarn {

// A Node's patterns; a pattern's slot index is its pattern number, which
// sequence entries and undo entries refer to. Every pattern keeps track
// tables for the Node's current tracks: group 3 up to its track count,
// group 1 one track, group 2 one per Connection index. Changed on the GUI
// thread with the project lock held; the work cycle reads it under the same
// lock.
class PatternList {
public:
    // Pattern numbers travel as 32-bit values but none beyond this is made,
    // so that a damaged file cannot grow the list without bound.
    static constexpr int kMaxNumber = 32767;

    // Makes a pattern reset with length, TPB and colour (0: random pastel),
    // with tables for machineTracks tracks of group 3, one track of group 1
    // and mixerTracks tracks of group 2, and puts it at number (destroying a
    // pattern there) or, for -1, at the lowest free number. Returns the
    // number, or -1 after an error line when number is out of range.
    int Create(int number, int length, int ticksPerBeat, std::uint32_t colour, int machineTracks,
               int mixerTracks);
    // A copy of pattern number (see Pattern::CopyFrom) at the lowest free
    // number; -1 when there is no such pattern.
    int Copy(int number);

    // Stores pattern at number and hands back the one that was there (undo
    // swaps patterns this way). Out of range: the pattern comes back.
    std::unique_ptr<Pattern> Put(int number, std::unique_ptr<Pattern> pattern);
    std::unique_ptr<Pattern> Remove(int number) { return patterns_.Remove(number); }

    Pattern* Get(int number) const { return patterns_.Get(number); }
    int Count() const { return patterns_.Count(); }
    auto begin() const { return patterns_.begin(); }
    auto end() const { return patterns_.end(); }

    // The Node's track count of group changed: tables up to count where
    // missing; tables beyond it stay with their events.
    void TrackCountChanged(int group, int count);
    // A Connection was put at index of the Node's input list.
    void ConnectionAdded(int index);

private:
    OwnedSlotList<Pattern> patterns_;
};

} // namespace tarn
