#pragma once

#include "dsp/CycleTable.h"

#include <algorithm>
#include <array>

namespace tarn {

// The band-limited tables of one wave kind, one per note index. Tables exist
// for notes 12 to 128; lower notes play the note-12 table and higher ones
// the note-128 table, so any note index reads a valid record.
class WaveSet {
public:
    static constexpr int kFirstNote = 12;
    static constexpr int kLastNote = 128;
    static constexpr int kNoteCount = kLastNote - kFirstNote + 1;

    // A set that was never built plays silence rather than reading null.
    WaveSet() { tables_.fill(SilentWave()); }

    const CycleTable& ForNote(int note) const noexcept {
        return tables_[std::clamp(note, kFirstNote, kLastNote) - kFirstNote];
    }

    // Start-up only: points a note in 12..128 at its built samples.
    void Assign(int note, const CycleTable& table) noexcept { tables_[note - kFirstNote] = table; }

private:
    std::array<CycleTable, kNoteCount> tables_;
};

} // namespace tarn
