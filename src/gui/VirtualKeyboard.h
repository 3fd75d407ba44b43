#pragma once

#include <QWidget>

#include <optional>

class QSpinBox;

namespace tarn {

class CurrentProject;

// An on-screen piano of two octaves that plays live notes on every Node
// taking live input, as the computer keyboard and MIDI input do: pressing
// a key starts its note, letting go ends it. The octave selector moves the
// whole keyboard. GUI thread only; each note takes the project lock.
class VirtualKeyboard final : public QWidget {
public:
    static constexpr int kKeys = 24;
    static constexpr int kWhiteKeys = 14;

    // current must outlive the keyboard.
    explicit VirtualKeyboard(CurrentProject& current, QWidget* parent = nullptr);

    int Octave() const;
    void SetOctave(int octave);
    // The note value of a key (0 .. kKeys - 1) at the current octave.
    int NoteOf(int key) const;
    // The key under a point of the keys' area (black keys over white), or
    // none.
    std::optional<int> KeyAt(QPoint point) const;
    QWidget& Keys();

private:
    class KeyArea;

    // Starts (gate 1) or ends (gate 0) the key's note; the Nodes that took
    // it.
    int Play(int key, double gate);

    CurrentProject& current_;
    QSpinBox* octave_ = nullptr;
    KeyArea* keys_ = nullptr;
};

} // namespace tarn
