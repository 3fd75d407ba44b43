#include "editing/PatternEditor.h"

#include "base/ClassicRandom.h"
#include "base/MessagePipe.h"
#include "base/StudioObserver.h"
#include "base/UserInteraction.h"
#include "editing/CellDisplay.h"
#include "editing/UndoHistory.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"
#include "formats/ClipboardEvents.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

namespace tarn {

namespace grid = pattern_grid;

namespace {

constexpr double kDefaultNoteLength = 0.5;
constexpr double kDefaultVelocity = 1.0;
constexpr int kNoteRange = 127;
constexpr double kMaxNoteLength = 99.0; // the note length column's range

const char* TypeName(int type) {
    switch (type) {
    case kTypeByte:
        return "byte";
    case kTypeWord:
        return "word";
    case kTypeNote:
        return "note";
    case kTypeSwitch:
        return "switch";
    case kTypeNibble:
        return "nibble";
    case kTypeTribble:
        return "tribble";
    default:
        return "double";
    }
}

PatternEventRecord NewEvent(int nodeId, const GridColumn& column) {
    PatternEventRecord record;
    record.event.group = static_cast<std::int16_t>(column.group);
    record.event.nodeId = static_cast<std::int16_t>(nodeId);
    record.event.index = static_cast<std::int16_t>(column.index);
    record.event.track = static_cast<std::int16_t>(column.track);
    if (column.type == kTypeNote || column.IsSub()) {
        record.event.noteLength = kDefaultNoteLength;
        record.event.velocity = kDefaultVelocity;
    }
    return record;
}

// The events of one column in [from, to) beats, with their times from the
// pattern start.
struct TimedEvent {
    double at = 0.0;
    PatternEventRecord* record = nullptr;
};
std::vector<TimedEvent> EventsIn(const Pattern& pattern, const GridColumn& column, double from,
                                 double to) {
    std::vector<TimedEvent> events;
    const Pattern::BeatLists* beats = pattern.Events(column.group, column.track, column.index);
    if (beats == nullptr) {
        return events;
    }
    for (const auto& [beat, list] : *beats) {
        for (const Pattern::Record& record : list) {
            const double at = beat + record->event.time;
            if (at >= from && at < to) {
                events.push_back({at, record.get()});
            }
        }
    }
    return events;
}

// Moves the events of row to row + 1 (dropped past the end), snapped to
// the row's start.
void MoveRowLater(Pattern& pattern, const GridColumn& column, int row) {
    std::vector<PatternEventRecord> moved;
    for (const grid::CellEvent& cell : grid::CellEvents(pattern, column, row)) {
        moved.push_back(*cell.record);
    }
    grid::ClearCell(pattern, column, row);
    for (const PatternEventRecord& record : moved) {
        grid::AddAtRow(pattern, record, row + 1);
    }
}

} // namespace

struct PatternEditor::Target {
    Project& project;
    Node& node;
    Pattern& pattern;
    std::vector<GridColumn> columns;
    Selection selection;

    const GridColumn* Column(int index) const {
        return index >= 0 && index < static_cast<int>(columns.size())
                   ? &columns[static_cast<std::size_t>(index)]
                   : nullptr;
    }
    // Calls visit(column) for every selected column but sub-columns.
    template <typename Visit> void ForEachSelectedColumn(Visit visit) const {
        for (int c = selection.firstColumn; c < selection.endColumn; ++c) {
            const GridColumn* column = Column(c);
            if (column != nullptr && !column->IsSub()) {
                visit(*column);
            }
        }
    }
    // The value column a cursor on a sub-column belongs to.
    const GridColumn* ValueColumn(int index) const {
        const GridColumn* column = Column(index);
        return column != nullptr ? Column(index - column->sub) : nullptr;
    }
};

PatternEditor::PatternEditor(CurrentProject& current, UndoHistory& history)
    : current_(current), history_(history) {}

void PatternEditor::SetTarget(int nodeId, int patternNumber) {
    nodeId_ = nodeId;
    patternNumber_ = patternNumber;
    selection_.reset();
    entry_.clear();
}

// Replaces the cursor cell's events by record, as a note with the values
// of the parameters that go with every note.
int PatternEditor::StoreInCell(Target& target, const GridColumn& column,
                               PatternEventRecord record) const {
    grid::ClearCell(target.pattern, column, cursorRow_);
    const grid::RowSpan span = grid::Span(target.pattern, cursorRow_);
    const double at = static_cast<double>(cursorRow_) / target.pattern.TicksPerBeat();
    const double beat = std::floor(at);
    record.event.time = at - beat;
    return AddEditedEvent(target.project, nodeId_, patternNumber_, static_cast<int>(beat),
                          span.from - beat, span.to - beat, record);
}

template <typename Edit> int PatternEditor::Run(const char* name, Edit edit) {
    // Any edit ends the entry typed so far.
    entry_.clear();
    {
        std::lock_guard lock(current_.Lock());
        Project* project = current_.Get();
        if (project == nullptr) {
            ErrorOut() << "error: there is no project to edit" << eol;
            return 0;
        }
        std::unique_ptr<PatternUndoEntry> entry =
            UndoHistory::BeginPatternEdit(*project, name, nodeId_, patternNumber_);
        if (entry == nullptr) {
            return 0;
        }
        Node& node = *project->GetNode(nodeId_);
        Target target{
            *project, node, *node.Patterns().Get(patternNumber_), grid::Columns(node), {}};
        target.selection = CurrentSelection();
        if (edit(target) == 0) {
            return 0;
        }
        history_.Push(std::move(entry));
    }
    NotifyStudio(kNoticePatternChanged, nodeId_, patternNumber_);
    return 1;
}

// Runs edit(target, column) on the value column under the cursor.
template <typename Edit> int PatternEditor::RunOnCursorColumn(const char* name, Edit edit) {
    return Run(name, [&](Target& target) {
        const GridColumn* column = target.ValueColumn(cursorColumn_);
        return column != nullptr ? edit(target, *column) : 0;
    });
}

std::vector<GridColumn> PatternEditor::Columns() const {
    std::lock_guard lock(current_.Lock());
    const Project* project = current_.Get();
    const Node* node = project != nullptr ? project->GetNode(nodeId_) : nullptr;
    return node != nullptr ? grid::Columns(*node) : std::vector<GridColumn>{};
}

int PatternEditor::RowCount() const {
    std::lock_guard lock(current_.Lock());
    const Project* project = current_.Get();
    const Node* node = project != nullptr ? project->GetNode(nodeId_) : nullptr;
    const Pattern* pattern = node != nullptr ? node->Patterns().Get(patternNumber_) : nullptr;
    return pattern != nullptr ? grid::RowCount(*pattern) : 0;
}

PatternEditor::Selection PatternEditor::CurrentSelection() const {
    return selection_.value_or(
        Selection{cursorRow_, cursorRow_ + 1, cursorColumn_, cursorColumn_ + 1});
}

int PatternEditor::SetDisplayMode(int column, int mode) {
    const std::vector<GridColumn> columns = Columns();
    if (column < 0 || column >= static_cast<int>(columns.size()) || !cell_display::IsValid(mode) ||
        (cell_display::IsHex(mode) && columns[static_cast<std::size_t>(column)].IsWhole())) {
        return 0;
    }
    modes_[column] = mode;
    return 1;
}

int PatternEditor::DisplayMode(int column) const {
    const auto found = modes_.find(column);
    if (found != modes_.end()) {
        return found->second;
    }
    const std::vector<GridColumn> columns = Columns();
    return column >= 0 && column < static_cast<int>(columns.size())
               ? cell_display::DefaultMode(columns[static_cast<std::size_t>(column)])
               : kDecimalInteger;
}

std::string PatternEditor::CellText(int column, int row) const {
    const int mode = DisplayMode(column);
    std::lock_guard lock(current_.Lock());
    const Project* project = current_.Get();
    const Node* node = project != nullptr ? project->GetNode(nodeId_) : nullptr;
    const Pattern* pattern = node != nullptr ? node->Patterns().Get(patternNumber_) : nullptr;
    if (pattern == nullptr) {
        return {};
    }
    const std::vector<GridColumn> columns = grid::Columns(*node);
    if (column < 0 || column >= static_cast<int>(columns.size())) {
        return {};
    }
    const GridColumn& shown = columns[static_cast<std::size_t>(column)];
    const std::vector<grid::CellEvent> events = grid::CellEvents(*pattern, shown, row);
    return events.empty() ? std::string()
                          : cell_display::Text(shown, mode, shown.Shown(events[0].record->event));
}

int PatternEditor::TypeCharacter(char c) {
    const int mode = DisplayMode(cursorColumn_);
    std::string entry = entry_;
    const int done = Run("Insert event", [&](Target& target) {
        const GridColumn* column = target.Column(cursorColumn_);
        if (column == nullptr) {
            return 0;
        }
        const auto events = grid::CellEvents(target.pattern, *column, cursorRow_);
        if (events.empty() && column->IsSub()) {
            return 0; // a note's length or velocity needs the note
        }
        if (entry.empty()) {
            entry = cell_display::ZeroText(*column, mode);
        }
        if (!cell_display::Enter(entry, mode, c)) {
            return 0;
        }
        const double typed = cell_display::Value(*column, mode, entry);
        PatternEventRecord record = events.empty() ? NewEvent(nodeId_, *column) : *events[0].record;
        if (column->sub == GridColumn::kNoteLength) {
            record.event.noteLength = typed;
        } else if (column->sub == GridColumn::kVelocity) {
            record.event.velocity = typed;
        } else {
            record.event.value = typed;
        }
        return StoreInCell(target, *column, record);
    });
    if (done != 0) {
        entry_ = entry;
    }
    return done;
}

int PatternEditor::EnterValue(double value) {
    return Run("Insert event", [&](Target& target) {
        const GridColumn* column = target.ValueColumn(cursorColumn_);
        if (column == nullptr) {
            return 0;
        }
        const auto events = grid::CellEvents(target.pattern, *column, cursorRow_);
        PatternEventRecord record = events.empty() ? NewEvent(nodeId_, *column) : *events[0].record;
        record.event.value = column->Fit(value);
        return StoreInCell(target, *column, record);
    });
}

int PatternEditor::EnterNote(double note, double length, double velocity) {
    return Run("Insert event", [&](Target& target) {
        const GridColumn* column = target.ValueColumn(cursorColumn_);
        if (column == nullptr || column->type != kTypeNote) {
            return 0;
        }
        PatternEventRecord record = NewEvent(nodeId_, *column);
        record.event.value = column->Fit(note);
        record.event.noteLength = std::clamp(length, 0.0, kMaxNoteLength);
        record.event.velocity = std::clamp(velocity, 0.0, 1.0);
        return StoreInCell(target, *column, record);
    });
}

int PatternEditor::Resize(int length, int ticksPerBeat) {
    if (length < 1 || length > Pattern::kMaxLength || ticksPerBeat < 1) {
        return 0;
    }
    dropped_ = 0;
    return Run("Pattern size", [&](Target& target) {
        if (target.pattern.Length() == length && target.pattern.TicksPerBeat() == ticksPerBeat) {
            return 0;
        }
        std::vector<std::pair<int, PatternEventRecord>> events;
        target.pattern.ForEachEvent(
            [&](int beat, const PatternEventRecord& record) { events.emplace_back(beat, record); });
        // Reset forgets everything else a pattern carries but the colour.
        const std::string name = target.pattern.name;
        const auto state = target.pattern.editorState;
        target.pattern.Reset(length, ticksPerBeat, target.pattern.Colour());
        target.pattern.name = name;
        target.pattern.editorState = state;
        FitTracks(target.node, target.pattern);
        for (const auto& [beat, record] : events) {
            target.pattern.AddEvent(record, beat); // beyond the new end: dropped
        }
        dropped_ = static_cast<int>(events.size()) - target.pattern.EventCount();
        for (auto [index, track] : target.node.SequenceTracks()) {
            track->Layout();
        }
        return 1;
    });
}

int PatternEditor::DeleteEvent() {
    return RunOnCursorColumn("Delete event", [&](Target& target, const GridColumn& column) {
        grid::ClearCell(target.pattern, column, cursorRow_);
        return 1;
    });
}

int PatternEditor::DeleteEvents() {
    return Run("Delete events", [&](Target& target) {
        target.ForEachSelectedColumn([&](const GridColumn& column) {
            for (int row = target.selection.firstRow; row < target.selection.endRow; ++row) {
                grid::ClearCell(target.pattern, column, row);
            }
        });
        return 1;
    });
}

int PatternEditor::Insert() {
    return RunOnCursorColumn("Insert", [&](Target& target, const GridColumn& column) {
        for (int row = grid::RowCount(target.pattern) - 1; row >= target.selection.firstRow;
             --row) {
            MoveRowLater(target.pattern, column, row);
        }
        return 1;
    });
}

int PatternEditor::Delete() {
    return RunOnCursorColumn("Delete", [&](Target& target, const GridColumn& column) {
        const int rows = grid::RowCount(target.pattern);
        grid::ClearCell(target.pattern, column, target.selection.firstRow);
        for (int row = target.selection.firstRow + 1; row < rows; ++row) {
            for (const grid::CellEvent& cell : grid::CellEvents(target.pattern, column, row)) {
                const PatternEventRecord moved = *cell.record;
                grid::AddAtRow(target.pattern, moved, row - 1);
            }
            grid::ClearCell(target.pattern, column, row);
        }
        return 1;
    });
}

int PatternEditor::InsertCyclical() {
    return RunOnCursorColumn("Insert cyclical", [&](Target& target, const GridColumn& column) {
        const int last = grid::RowCount(target.pattern) - 1;
        std::vector<PatternEventRecord> wrapped;
        for (const grid::CellEvent& cell : grid::CellEvents(target.pattern, column, last)) {
            wrapped.push_back(*cell.record);
        }
        for (int row = last; row >= 0; --row) {
            MoveRowLater(target.pattern, column, row);
        }
        for (const PatternEventRecord& record : wrapped) {
            grid::AddAtRow(target.pattern, record, 0);
        }
        return 1;
    });
}

int PatternEditor::RandomizeEvents() {
    return Run("Randomize events", [&](Target& target) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        ClassicRandom random(static_cast<std::uint32_t>(now) + std::random_device{}());
        target.ForEachSelectedColumn([&](const GridColumn& column) {
            for (int row = target.selection.firstRow; row < target.selection.endRow; ++row) {
                const auto events = grid::CellEvents(target.pattern, column, row);
                if (events.empty()) {
                    continue;
                }
                const double r = random.Next() / static_cast<double>(ClassicRandom::kMaximum);
                events[0].record->event.value =
                    column.Fit(column.minimum + r * (column.maximum - column.minimum));
            }
            // The glides lead to the new values.
            target.pattern.Relink(column.group, column.track, column.index);
        });
        return 1;
    });
}

int PatternEditor::Copy() const {
    std::lock_guard lock(current_.Lock());
    const Project* project = current_.Get();
    const Node* node = project != nullptr ? project->GetNode(nodeId_) : nullptr;
    const Pattern* pattern = node != nullptr ? node->Patterns().Get(patternNumber_) : nullptr;
    if (pattern == nullptr) {
        ErrorOut() << "error: pattern " << patternNumber_ << " of node " << nodeId_
                   << " does not exist" << eol;
        return 0;
    }
    const std::vector<GridColumn> columns = grid::Columns(*node);
    const Selection s = CurrentSelection();
    const double tpb = pattern->TicksPerBeat();
    const double from = s.firstRow / tpb;
    const double to = s.endRow / tpb;
    ClipboardEvents copied;
    copied.length = to - from;
    for (int c = std::max(0, s.firstColumn);
         c < std::min(s.endColumn, static_cast<int>(columns.size())); ++c) {
        const GridColumn& column = columns[static_cast<std::size_t>(c)];
        ClipboardEvents::Column& out = copied.columns.emplace_back();
        out.type = column.IsSub() ? "double" : TypeName(column.type);
        out.minimum = column.minimum;
        out.maximum = column.maximum;
        for (const TimedEvent& event : EventsIn(*pattern, column, from, to)) {
            ClipboardEvents::Event& copy = out.events.emplace_back();
            copy.time = event.at - from;
            copy.value = column.Shown(event.record->event);
            if (column.type == kTypeNote && !column.IsSub()) {
                copy.length = event.record->event.noteLength;
                copy.velocity = event.record->event.velocity;
            }
        }
    }
    CurrentInteraction().SetClipboardText(WriteClipboardEvents(copied));
    return 1;
}

int PatternEditor::PasteEvents() {
    const std::optional<ClipboardEvents> pasted =
        ReadClipboardEvents(CurrentInteraction().ClipboardText());
    if (!pasted) {
        ErrorOut() << "error: the clipboard holds no pattern events" << eol;
        return 0;
    }
    return Run("Paste events", [&](Target& target) {
        const double from =
            target.selection.firstRow / static_cast<double>(target.pattern.TicksPerBeat());
        for (std::size_t m = 0; m < pasted->columns.size(); ++m) {
            const GridColumn* column =
                target.Column(target.selection.firstColumn + static_cast<int>(m));
            const ClipboardEvents::Column& source = pasted->columns[m];
            if (column == nullptr || column->IsSub() || source.type.empty()) {
                continue;
            }
            target.pattern.DeleteEvents(column->group, column->index, column->track, from,
                                        from + pasted->length);
            for (const ClipboardEvents::Event& event : source.events) {
                PatternEventRecord record = NewEvent(nodeId_, *column);
                record.event.value = column->Fit(event.value);
                record.event.noteLength = kDefaultNoteLength;
                record.event.velocity = kDefaultVelocity;
                if (source.type == "note") {
                    record.event.noteLength = std::max(0.0, event.length.value_or(0.0));
                    record.event.velocity = std::clamp(event.velocity.value_or(0.0), 0.0, 1.0);
                }
                grid::AddAt(target.pattern, record, from + event.time);
            }
        }
        return 1;
    });
}

int PatternEditor::Shift(const char* name, int rows, int semitones, bool keepOriginals) {
    return Run(name, [&](Target& target) {
        const double tpb = target.pattern.TicksPerBeat();
        const double from = target.selection.firstRow / tpb;
        const double to = target.selection.endRow / tpb;
        target.ForEachSelectedColumn([&](const GridColumn& column) {
            std::vector<std::pair<double, PatternEventRecord>> events;
            for (const TimedEvent& event : EventsIn(target.pattern, column, from, to)) {
                events.emplace_back(event.at, *event.record);
            }
            if (!keepOriginals) {
                target.pattern.DeleteEvents(column.group, column.index, column.track, from, to);
            }
            for (auto& [at, record] : events) {
                if (column.type == kTypeNote) {
                    const double note = record.event.value + semitones;
                    if (note < 0.0 || note > kNoteRange) {
                        continue;
                    }
                    record.event.value = note;
                }
                grid::AddAt(target.pattern, record, at + rows / tpb);
            }
        });
        return 1;
    });
}

int PatternEditor::MoveEvents(int rows, int semitones) {
    return Shift("Move events", rows, semitones, false);
}

int PatternEditor::CopyEvents(int rows, int semitones) {
    return Shift("Copy events", rows, semitones, true);
}

int PatternEditor::Transpose(const char* name, int semitones) {
    return Run(name, [&](Target& target) {
        const double tpb = target.pattern.TicksPerBeat();
        target.ForEachSelectedColumn([&](const GridColumn& column) {
            if (column.type != kTypeNote) {
                return;
            }
            for (const TimedEvent& event :
                 EventsIn(target.pattern, column, target.selection.firstRow / tpb,
                          target.selection.endRow / tpb)) {
                event.record->event.value = column.Fit(event.record->event.value + semitones);
            }
            target.pattern.Relink(column.group, column.track, column.index);
        });
        return 1;
    });
}

int PatternEditor::DrawEvents(int column, int firstRow,
                              std::span<const std::optional<double>> values) {
    return Run("Insert/Delete events", [&](Target& target) {
        const GridColumn* drawn = target.Column(column);
        if (drawn == nullptr || drawn->IsSub()) {
            return 0;
        }
        for (std::size_t i = 0; i < values.size(); ++i) {
            const int row = firstRow + static_cast<int>(i);
            grid::ClearCell(target.pattern, *drawn, row);
            if (values[i]) {
                PatternEventRecord record = NewEvent(nodeId_, *drawn);
                record.event.value = drawn->Fit(*values[i]);
                grid::AddAtRow(target.pattern, record, row);
            }
        }
        return 1;
    });
}

} // namespace tarn
