#pragma once

#include <array>
#include <string>

namespace tarn {

// A note number as the grids show it: name, a dash or sharp, and octave,
// so that note 48 (octave 4 of the keyboard's notes) reads "C-4".
inline std::string NoteText(int note) {
    static constexpr std::array<const char*, 12> kNames{"C-", "C#", "D-", "D#", "E-", "F-",
                                                        "F#", "G-", "G#", "A-", "A#", "B-"};
    if (note < 0) {
        return "---";
    }
    return kNames[static_cast<std::size_t>(note % 12)] + std::to_string(note / 12);
}

} // namespace tarn
