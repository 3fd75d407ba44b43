#pragma once

#include "editing/PatternGrid.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tarn {

class CurrentProject;
class Project;
class UndoHistory;

// The pattern editor's and piano roll's commands on one pattern of one
// Node, without any window: the grid (see pattern_grid), the cursor and
// selection, each column's display mode, and every edit.
//
// Every edit takes the project lock for its whole run, records an undo
// entry named as in the Edit menu ("Insert", "Paste events", ...) with a
// copy of the pattern from before, changes the pattern, pushes the entry,
// then, with the lock released, sends the pattern-changed notice. An edit
// answers 1 when it ran and 0 when it was refused; a refused edit records
// nothing and changes nothing. A missing Node or pattern is refused with
// one "error: " line.
//
// GUI thread only. The editor holds no pointers into the project: it
// finds its Node and pattern by id and number on every call.
class PatternEditor {
public:
    // Rows [firstRow, endRow) of columns [firstColumn, endColumn).
    struct Selection {
        int firstRow = 0;
        int endRow = 0;
        int firstColumn = 0;
        int endColumn = 0;
    };

    PatternEditor(CurrentProject& current, UndoHistory& history);

    // The pattern to edit: Node nodeId's pattern patternNumber. Keeps the
    // cursor and display modes; clears the selection.
    void SetTarget(int nodeId, int patternNumber);
    int NodeId() const { return nodeId_; }
    int PatternNumber() const { return patternNumber_; }

    // The grid now (the Node's tracks and inputs may change between calls);
    // empty when the Node is gone. Takes the project lock.
    std::vector<GridColumn> Columns() const;
    int RowCount() const;

    // Moving the cursor, even onto the cell it is on, starts a fresh
    // entry there.
    void SetCursor(int column, int row) {
        cursorColumn_ = column;
        cursorRow_ = row;
        entry_.clear();
    }
    int CursorColumn() const { return cursorColumn_; }
    int CursorRow() const { return cursorRow_; }

    // Without a selection, commands work on the cursor's cell.
    void Select(const Selection& selection) { selection_ = selection; }
    void ClearSelection() { selection_.reset(); }
    Selection CurrentSelection() const;

    // Modes of the display mode table; hexadecimal modes only for double
    // columns. 0 when refused.
    int SetDisplayMode(int column, int mode);
    int DisplayMode(int column) const;

    // The cell's text in its column's mode; empty for an empty cell.
    std::string CellText(int column, int row) const;

    // "Insert event": typing c into the cursor's cell (see
    // cell_display::Enter). A fresh entry (the first key since the cursor
    // moved) starts from zero, whatever the cell held, so that "1" in an
    // empty cell of whole numbers is 1; later keys go on from what was
    // typed, whatever the column's range made of it. Sub-columns change
    // the note length or velocity of the note in the cell.
    int TypeCharacter(char c);
    // The text typed into the cursor's cell so far; empty for a fresh
    // entry.
    const std::string& Entry() const { return entry_; }
    // "Insert event" with the value given (piano roll, drawing a value).
    int EnterValue(double value);
    // "Insert event" of a note with its length (beats) and velocity in the
    // cursor's cell (piano roll: drawing, resizing, the velocity lane).
    int EnterNote(double note, double length, double velocity);

    // "Pattern size": a new length (beats) and TPB, keeping every event
    // that still lies inside the pattern at its time. The size it has
    // already is refused, so that no entry is recorded for it.
    int Resize(int length, int ticksPerBeat);
    // How many events the last Resize dropped past the new end; its undo
    // entry brings them back.
    int DroppedEvents() const { return dropped_; }

    // "Delete event": empties the cursor's cell.
    int DeleteEvent();
    // "Delete events": empties every cell of the selection but sub-columns.
    int DeleteEvents();
    // "Insert": the cursor column's events from the selection's first row
    // on move one row later; the last row's fall off the end.
    int Insert();
    // "Delete": empties the cursor column at the selection's first row and
    // moves every later event one row earlier.
    int Delete();
    // "Insert cyclical": the whole cursor column rotates one row later; the
    // last row comes round to row 0.
    int InsertCyclical();
    // "Randomize events": every event of the selection's cells (sub-columns
    // aside) gets a random value of its parameter's range.
    int RandomizeEvents();

    // Writes the selection to the clipboard (no undo entry).
    int Copy() const;
    // "Paste events": the clipboard's events from the selection's first row
    // and column on. Text that is not a copy of events is refused with one
    // "error: " line.
    int PasteEvents();

    // Piano roll: "Move events" and "Copy events" move (copy) the
    // selection's events by rows and their notes by semitones; what lands
    // outside the pattern or the note range is dropped.
    int MoveEvents(int rows, int semitones);
    int CopyEvents(int rows, int semitones);
    // "Transpose up", "Transpose down", "Transpose octave up", "Transpose
    // octave down": the selection's notes by 1 or 12 semitones, clamped to
    // the note range.
    int TransposeUp() { return Transpose("Transpose up", 1); }
    int TransposeDown() { return Transpose("Transpose down", -1); }
    int TransposeOctaveUp() { return Transpose("Transpose octave up", 12); }
    int TransposeOctaveDown() { return Transpose("Transpose octave down", -12); }

    // Graphical editor: "Insert/Delete events" sets column's rows from
    // firstRow on to the values given; an empty value empties the row.
    int DrawEvents(int column, int firstRow, std::span<const std::optional<double>> values);

private:
    struct Target;
    template <typename Edit> int Run(const char* name, Edit edit);
    template <typename Edit> int RunOnCursorColumn(const char* name, Edit edit);

    int StoreInCell(Target& target, const GridColumn& column, PatternEventRecord record) const;
    int Transpose(const char* name, int semitones);
    int Shift(const char* name, int rows, int semitones, bool keepOriginals);

    CurrentProject& current_;
    UndoHistory& history_;
    int nodeId_ = -1;
    int patternNumber_ = -1;
    int cursorColumn_ = 0;
    int cursorRow_ = 0;
    std::optional<Selection> selection_;
    std::map<int, int> modes_;
    int dropped_ = 0;
    std::string entry_;
};

} // namespace tarn
