#pragma once

#include <cstdint>

namespace tarn {

// One beat slot of a sequence track: which beat of which pattern plays
// there. Beat 0 starts a placement; 1, 2, ... continue it.
struct SequenceEntry {
    std::int32_t patternNumber = -1; // -1: empty slot
    // The pattern's length when it was placed; the layout itself always
    // uses the pattern's current length.
    std::int32_t placedLength = 0;
    std::int32_t beat = -1; // within the pattern; -1: empty slot
    double transpose = 0.0; // added to the notes played from this placement
    std::int32_t selected = 0;

    bool Empty() const { return patternNumber < 0; }
    bool StartsPlacement() const { return patternNumber >= 0 && beat == 0; }
};

} // namespace tarn
