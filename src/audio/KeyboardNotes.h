#pragma once

#include <optional>

namespace tarn {

class CurrentProject;

// The computer keyboard as a two-octave-and-a-bit piano: the lower row
// from Z plays the first octave (S, D, G, H, J the black keys), the upper
// row from Q the next (with the digits above as black keys), continuing to
// P. Keys are named by the upper-case letter or digit they carry ('Z',
// '2'), which is how both the system's virtual keys and the GUI toolkit
// number them.
//
// Key-downs and key-ups come from the GUI thread's key hook; each takes the
// project lock for its pass over the Nodes.
class KeyboardNotes {
public:
    static constexpr int kBaseNote = 36; // the note value of Z

    // The key's offset from kBaseNote, or none for a key that plays nothing.
    static std::optional<int> Offset(int key) noexcept;

    // current must outlive this object.
    explicit KeyboardNotes(CurrentProject& current) : current_(current) {}

    // Plays the key's note on every Node that takes live notes. A key held
    // down repeats its key-down (autoRepeat), which plays nothing, so a
    // held key sounds one note. False for a key that plays nothing.
    bool KeyDown(int key, bool autoRepeat);
    // Ends the key's note on the same Nodes.
    bool KeyUp(int key);

private:
    bool Play(int key, double gate);

    CurrentProject& current_;
};

} // namespace tarn
