#pragma once

#include "dsp/DspLibrary.h"
#include "dsp/TablePosition.h"

#include <algorithm>

namespace tarn {

// A pitch in notes (fractional semitones on the note table's scale) read
// through the library's tables: the note index picks the band-limited
// table, the frequency combines the note table with the fine pitch table
// (1024 steps per semitone).
struct NotePitch {
    int note;         // 0..127
    double frequency; // Hz
};

// Note indices outside 0..127 wrap by masking, as the library's own
// oscillator reads them.
inline constexpr int kNoteMask = 127;

[[gnu::always_inline]] inline NotePitch ResolvePitch(double pitch) noexcept {
    const TablePosition note = SplitPosition(pitch);
    // The clamp only matters for a non-finite pitch, which would otherwise
    // index far outside the fine table.
    const int fine =
        std::clamp(SplitPosition(note.fraction * kFinePitchSteps).index, 0, kFinePitchSteps);
    const int wrapped = note.index & kNoteMask;
    return {wrapped, FinePitch(fine) * NoteFrequency(wrapped)};
}

// Holds a pitch to notes 0..127 instead of letting it wrap into another
// octave; anything that is not a number plays note 0.
inline double ClampPitch(double pitch) noexcept {
    constexpr double kHighest = kNoteMask;
    return pitch > 0.0 ? std::min(pitch, kHighest) : 0.0;
}

} // namespace tarn
