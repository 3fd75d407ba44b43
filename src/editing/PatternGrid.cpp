#include "editing/PatternGrid.h"

#include "engine/Node.h"

#include <algorithm>
#include <cmath>

namespace tarn {

double GridColumn::Shown(const EventRecord& event) const {
    switch (sub) {
    case kNoteLength:
        return event.noteLength;
    case kVelocity:
        return event.velocity;
    default:
        return event.value;
    }
}

double GridColumn::Fit(double value) const {
    value = std::clamp(value, minimum, std::max(minimum, maximum));
    return IsWhole() ? std::floor(value + 0.5) : value;
}

namespace pattern_grid {
namespace {

void AddParameter(std::vector<GridColumn>& columns, int group, int index, int track,
                  const ParameterDescriptor& descriptor) {
    if ((descriptor.flags & kParamNoPatternColumn) != 0) {
        return;
    }
    columns.push_back({group, index, track, GridColumn::kValue, descriptor.type, descriptor.minimum,
                       descriptor.maximum});
    if (group == kGroupMachine && descriptor.type == kTypeNote) {
        columns.push_back({group, index, track, GridColumn::kNoteLength, kTypeDouble, 0.0, 99.0});
        columns.push_back({group, index, track, GridColumn::kVelocity, kTypeDouble, 0.0, 1.0});
    }
}

} // namespace

std::vector<GridColumn> Columns(const Node& node) {
    std::vector<GridColumn> columns;
    const ParameterMap& machine = node.Parameters(kGroupMachine);
    // Each track's note (with its length and velocity) leads it, as the
    // column typed into most; the global parameters follow the first
    // track's note.
    const auto addTrack = [&](int track, bool notes) {
        for (const auto& [index, descriptor] : machine) {
            if ((descriptor.flags & kParamGlobal) == 0 && (descriptor.type == kTypeNote) == notes) {
                AddParameter(columns, kGroupMachine, index, track, descriptor);
            }
        }
    };
    const auto addGlobals = [&] {
        for (const auto& [index, descriptor] : machine) {
            if ((descriptor.flags & kParamGlobal) != 0) {
                AddParameter(columns, kGroupMachine, index, 0, descriptor);
            }
        }
    };
    for (int track = 0; track < node.TrackCount(); ++track) {
        addTrack(track, true);
        if (track == 0) {
            addGlobals();
        }
        addTrack(track, false);
    }
    if (node.TrackCount() == 0) {
        addGlobals();
    }
    for (const auto& [index, descriptor] : node.Parameters(kGroupSystem)) {
        AddParameter(columns, kGroupSystem, index, 0, descriptor);
    }
    for (auto [track, connection] : node.InputList()) {
        for (const auto& [index, descriptor] : node.Parameters(kGroupInputMixer)) {
            AddParameter(columns, kGroupInputMixer, index, track, descriptor);
        }
    }
    return columns;
}

int RowCount(const Pattern& pattern) {
    return pattern.Length() * pattern.TicksPerBeat();
}

RowSpan Span(const Pattern& pattern, int row) {
    const double tpb = pattern.TicksPerBeat();
    return {(row - 0.5) / tpb, (row + 0.5) / tpb};
}

std::vector<CellEvent> CellEvents(const Pattern& pattern, const GridColumn& column, int row) {
    std::vector<CellEvent> events;
    const Pattern::BeatLists* beats = pattern.Events(column.group, column.track, column.index);
    if (beats == nullptr) {
        return events;
    }
    const RowSpan span = Span(pattern, row);
    const auto first = beats->lower_bound(static_cast<int>(std::floor(span.from)));
    for (auto beat = first; beat != beats->end() && beat->first < span.to; ++beat) {
        for (const Pattern::Record& record : beat->second) {
            const double at = beat->first + record->event.time;
            if (at >= span.from && at < span.to) {
                events.push_back({beat->first, record.get()});
            }
        }
    }
    return events;
}

void ClearCell(Pattern& pattern, const GridColumn& column, int row) {
    const RowSpan span = Span(pattern, row);
    pattern.DeleteEvents(column.group, column.index, column.track, span.from, span.to);
}

int AddAt(Pattern& pattern, PatternEventRecord event, double at) {
    if (!(at >= 0.0)) {
        return 0;
    }
    const double beat = std::floor(at);
    event.event.time = at - beat;
    return pattern.AddEvent(event, static_cast<int>(beat));
}

int AddAtRow(Pattern& pattern, PatternEventRecord event, int row) {
    return AddAt(pattern, event, static_cast<double>(row) / pattern.TicksPerBeat());
}

} // namespace pattern_grid
} // namespace tarn
