#pragma once

#include "editing/PatternGrid.h"

#include <QAbstractScrollArea>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

class CurrentProject;
class PatternEditor;
struct Skin;

// The pattern editor's grid: one column per parameter and track (a note
// with its length and velocity beside it), TPB rows per beat with a line
// at every beat, the cursor, the selection and the row playing now. Keys
// and the mouse drive the editor's commands; the grid itself changes no
// event. A value is typed from the right, as on a calculator, starting
// from zero in a cell the cursor has just come to; a bar marks the digit
// that comes in. Reads the pattern under the project lock while it paints.
// GUI thread only.
class PatternGridView final : public QAbstractScrollArea {
public:
    static constexpr int kMaxOctave = 9;
    static constexpr int kMaxEditStep = 16;

    PatternGridView(PatternEditor& editor, CurrentProject& current, const Skin& skin,
                    QWidget* parent = nullptr);

    // The editor's target, its columns or the pattern's rows changed.
    void Reload();
    // Notes typed into a note column sound in this octave (0..kMaxOctave);
    // the numeric keypad chooses it as well.
    void SetOctave(int octave);
    int Octave() const { return octave_; }
    void SetOctaveChanged(std::function<void(int)> changed) { octaveChanged_ = std::move(changed); }
    // How many rows the cursor moves down after a note, or a value typed
    // to its last digit (0..kMaxEditStep; 0 stays).
    void SetEditStep(int rows);
    int EditStep() const { return editStep_; }
    // While the song plays, keep the cursor on the playing row.
    void SetFollow(bool follow) { follow_ = follow; }
    // The play-position highlight and follow mode; called by the refresh
    // timer.
    void RefreshPlayPosition();

    // Where a cell is drawn, in viewport coordinates.
    QRect CellRect(int column, int row) const;
    int RowHeight() const { return rowHeight_; }

protected:
    bool event(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct Cell {
        int column = -1;
        int row = -1;
    };

    void UpdateScrollBars();
    // Moves the cursor (clamped to the grid); extend grows the selection
    // from its anchor instead of dropping it.
    void MoveCursor(int column, int row, bool extend);
    void EnsureCursorVisible();
    // The first column of the next (or previous) parameter track.
    int TrackColumn(int from, int direction) const;
    bool TypeKey(const QKeyEvent& key);
    // The text a key typed into the cursor's cell works on: what was typed
    // so far, or zero for a fresh entry; empty in a note column.
    std::string CursorText() const;
    Cell CellAt(const QPoint& point) const;
    int ColumnLeft(int column) const;
    void Cut();
    std::string ColumnTitle(int column) const;

    PatternEditor& editor_;
    CurrentProject& current_;
    const Skin& skin_;
    std::vector<GridColumn> columns_;
    std::vector<int> modes_;
    std::vector<int> widths_;
    std::vector<std::string> titles_;
    int rows_ = 0;
    int ticksPerBeat_ = 1;
    int rowHeight_ = 16;
    int headerHeight_ = 34;
    int rowNumberWidth_ = 40;
    int octave_ = 4;
    int editStep_ = 1;
    int typedDigits_ = 0;
    int playingRow_ = -1;
    bool follow_ = false;
    std::optional<Cell> anchor_;
    std::function<void(int)> octaveChanged_;
};

} // namespace tarn
