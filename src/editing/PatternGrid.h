#pragma once

#include "sequencing/Pattern.h"

#include <vector>

namespace tarn {

class Node;

// One column of the pattern editor's grid: a parameter and track, and which
// part of its events the column shows.
struct GridColumn {
    enum Sub : int { kValue = 0, kNoteLength = 1, kVelocity = 2 };

    int group = 0;
    int index = 0;
    int track = 0;
    int sub = kValue;
    int type = 0; // ParameterType of what the column shows (sub-columns: double)
    double minimum = 0.0;
    double maximum = 0.0;

    bool IsSub() const { return sub != kValue; }
    // Whole-number types keep whole values when edited.
    bool IsWhole() const { return type != kTypeDouble; }
    // Clamped to the column's range and, for whole-number types, rounded.
    double Fit(double value) const;
    // What the column shows of an event: its value, note length or velocity.
    double Shown(const EventRecord& event) const;
};

// The grid of one Node's pattern: one row per tick (TPB rows per beat) and
// one column per parameter and track with a pattern column. Columns come in
// this order: the machine's global parameters (track 0), then its other
// parameters track by track, then the system parameters and the input
// mixer's per Connection. A note parameter's column is followed by its note
// length (sub-column 1, 0..99) and velocity (sub-column 2, 0..1).
//
// Reads the Node and the pattern; the caller holds the project lock.
namespace pattern_grid {

std::vector<GridColumn> Columns(const Node& node);

int RowCount(const Pattern& pattern);

// Row r spans r / TPB ± half a row; [from, to) in beats from the pattern
// start.
struct RowSpan {
    double from = 0.0;
    double to = 0.0;
};
RowSpan Span(const Pattern& pattern, int row);

// The events of the column's parameter and track in row, in time order,
// with their beats; the first is the one the cell shows.
struct CellEvent {
    int beat = 0;
    PatternEventRecord* record = nullptr;
};
std::vector<CellEvent> CellEvents(const Pattern& pattern, const GridColumn& column, int row);

// Removes every event of the column's parameter and track from row.
void ClearCell(Pattern& pattern, const GridColumn& column, int row);

// Adds a copy of event at the start of row; 0 (nothing stored) when the row
// lies outside the pattern.
int AddAtRow(Pattern& pattern, PatternEventRecord event, int row);

// Adds a copy of event at beats from the pattern start; 0 outside it.
int AddAt(Pattern& pattern, PatternEventRecord event, double at);

} // namespace pattern_grid

} // namespace tarn
