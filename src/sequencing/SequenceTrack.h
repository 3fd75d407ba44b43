#pragma once

#include "base/OwnedSlotList.h"
#include "sequencing/PatternList.h"
#include "sequencing/SequenceEntry.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace tarn {

// One row of a Node's sequence: the slot index is the song beat. Placing a
// pattern at a beat fills that slot and the following ones with the
// pattern's beats; a later placement cuts an earlier one short. Every
// operation ends by laying the track out again, so the continuation slots
// always follow the placement starts and the patterns' current lengths.
//
// Edited on the GUI thread with the project lock held; the work cycle
// reads it under the same lock.
class SequenceTrack {
public:
    static constexpr std::int32_t kFirstDisplayDefault = 30;
    // Placements beyond this beat are refused, so that a damaged beat or
    // offset cannot grow the track without bound.
    static constexpr int kMaxBeat = (1 << 20) - 1;

    // patterns: the owning Node's patterns, which outlive the track.
    explicit SequenceTrack(PatternList& patterns) : patterns_(&patterns) {}

    // The slot at beat starts a placement of the pattern with its current
    // length, untransposed. 0 when the number names no pattern or the beat
    // is outside 0..kMaxBeat.
    int PlacePattern(int beat, int patternNumber);
    // Adds amount (semitones) to the transpose of the placement that plays
    // at beat; 0 when the slot is empty. A beat inside a placement
    // transposes the whole placement, as the layout gives every slot its
    // start's transpose.
    int TransposeEntry(int beat, double amount);
    void TransposeSelected(double amount);
    // Empties every selected placement.
    void DeleteSelected();
    // Selects the start of every placement that covers a beat in
    // [from, to), and nothing else.
    void SelectRange(int from, int to);
    // Takes the selected placements out and puts them back offset beats
    // away, over whatever is there; they stay selected. 0, and nothing
    // moves, when one would land outside 0..kMaxBeat.
    int MoveSelected(int offset);
    // Puts unselected copies of the selected placements offset beats away,
    // playing the same patterns. 0 as MoveSelected.
    int CopySelected(int offset);
    // As CopySelected, but each distinct pattern among them is copied once
    // and the copies play the new patterns.
    int CopySelectedAsNewPatterns(int offset);

    // Empties continuation slots and slots of vanished patterns, then fills
    // the slots after every placement start, in slot order, up to the
    // pattern's length or the next placement start.
    void Layout();

    // The entry at beat; null beyond the slots or for a slot never used.
    const SequenceEntry* Entry(int beat) const { return entries_.Get(beat); }
    const OwnedSlotList<SequenceEntry>& Entries() const { return entries_; }
    PatternList& Patterns() const { return *patterns_; }

    // Display properties of the sequencer window, stored with the project.
    std::int32_t firstDisplayValue = kFirstDisplayDefault;
    std::array<std::int32_t, 4> displayValues{};

private:
    using Placement = std::pair<int, SequenceEntry>; // start beat, start entry

    // The entry at beat, made empty where the slot was never used.
    SequenceEntry& At(int beat);
    std::vector<Placement> SelectedPlacements() const;
    static bool CanShift(const std::vector<Placement>& placements, int offset);
    // Puts each placement offset beats away, selected or not; lays out.
    void PutPlacements(const std::vector<Placement>& placements, int offset, bool selected);

    PatternList* patterns_;
    OwnedSlotList<SequenceEntry> entries_;
};

} // namespace tarn
