#pragma once

#include "editing/PatternGrid.h"

#include <QAbstractScrollArea>

#include <optional>
#include <vector>

namespace tarn {

class CurrentProject;
class PatternEditor;
struct Skin;

// The piano roll: the notes of one note column of the pattern editor's
// pattern (the track the grid's cursor is on) as bars over a keyboard,
// time running to the right in rows, and a velocity lane below. Drawing on
// an empty place makes a note as long as the drag; dragging a bar moves
// the selected notes by rows and semitones; dragging a bar's right end
// resizes it; a right click deletes it; the arrow keys transpose the
// selection by a semitone (with Shift by an octave); the velocity lane
// sets a note's velocity. Every change goes through the pattern editor's
// commands. GUI thread only.
class PianoRollView final : public QAbstractScrollArea {
public:
    static constexpr int kNoteHeight = 10;
    static constexpr int kRowWidth = 18;
    static constexpr int kKeyboardWidth = 44;
    static constexpr int kVelocityHeight = 60;
    static constexpr int kNoteCount = 128;

    PianoRollView(PatternEditor& editor, CurrentProject& current, const Skin& skin,
                  QWidget* parent = nullptr);

    // The pattern, its size or the cursor's track changed.
    void Reload();
    // Scrolls note to the middle of the keyboard.
    void ScrollToNote(int note);
    // The point of row and note in the viewport (for the tests' drags).
    QPoint PointOf(int row, int note) const;
    // The velocity lane's point for a velocity at row.
    QPoint VelocityPoint(int row, double velocity) const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Note {
        int row = 0;
        int rows = 1; // at least one, however short the note
        int pitch = 0;
        double length = 0.0;
        double velocity = 0.0;
    };
    enum class Drag { kNone, kDraw, kMove, kResize, kSelect, kVelocity };

    void UpdateScrollBars();
    std::vector<Note> Notes() const;
    std::optional<Note> NoteAt(const QPoint& point) const;
    int RowAt(int x) const;
    int PitchAt(int y) const;
    int LaneTop() const;
    void SelectRows(int first, int end);
    void SetVelocity(const QPoint& point);

    PatternEditor& editor_;
    CurrentProject& current_;
    const Skin& skin_;
    int column_ = -1; // the note column shown, -1 for none
    std::optional<GridColumn> shown_;
    int rows_ = 0;
    int ticksPerBeat_ = 1;
    bool centred_ = false; // scrolled to the middle once it had a size
    Drag drag_ = Drag::kNone;
    Note pressed_;
    QPoint pressPoint_;
    QPoint dragPoint_;
};

} // namespace tarn
