#include "sequencing/SequenceTrack.h"

#include <map>
#include <memory>

namespace tarn {

SequenceEntry& SequenceTrack::At(int beat) {
    SequenceEntry* entry = entries_.Get(beat);
    if (entry == nullptr) {
        auto made = std::make_unique<SequenceEntry>();
        entry = made.get();
        entries_.Put(beat, std::move(made));
    }
    return *entry;
}

int SequenceTrack::PlacePattern(int beat, int patternNumber) {
    const Pattern* pattern = patterns_->Get(patternNumber);
    if (pattern == nullptr || beat < 0 || beat > kMaxBeat) {
        return 0;
    }
    SequenceEntry& entry = At(beat);
    entry.patternNumber = patternNumber;
    entry.beat = 0;
    entry.transpose = 0.0;
    entry.placedLength = pattern->Length();
    Layout();
    return 1;
}

int SequenceTrack::TransposeEntry(int beat, double amount) {
    const SequenceEntry* entry = entries_.Get(beat);
    SequenceEntry* start =
        entry != nullptr && !entry->Empty() ? entries_.Get(beat - entry->beat) : nullptr;
    if (start == nullptr) {
        return 0;
    }
    start->transpose += amount;
    Layout();
    return 1;
}

void SequenceTrack::TransposeSelected(double amount) {
    for (auto [beat, entry] : entries_) {
        if (entry->selected != 0) {
            entry->transpose += amount;
        }
    }
    Layout();
}

void SequenceTrack::DeleteSelected() {
    for (auto [beat, entry] : entries_) {
        if (entry->selected != 0) {
            *entry = SequenceEntry{};
        }
    }
    Layout();
}

void SequenceTrack::SelectRange(int from, int to) {
    for (auto [beat, entry] : entries_) {
        entry->selected = 0;
    }
    for (auto [beat, entry] : entries_) {
        if (beat >= from && beat < to && !entry->Empty()) {
            SequenceEntry* start = entries_.Get(beat - entry->beat);
            if (start != nullptr && start->StartsPlacement()) {
                start->selected = 1;
            }
        }
    }
    Layout();
}

std::vector<SequenceTrack::Placement> SequenceTrack::SelectedPlacements() const {
    std::vector<Placement> placements;
    for (auto [beat, entry] : entries_) {
        if (entry->selected != 0 && entry->StartsPlacement()) {
            placements.emplace_back(beat, *entry);
        }
    }
    return placements;
}

bool SequenceTrack::CanShift(const std::vector<Placement>& placements, int offset) {
    for (const auto& [beat, entry] : placements) {
        const long long target = static_cast<long long>(beat) + offset;
        if (target < 0 || target > kMaxBeat) {
            return false;
        }
    }
    return true;
}

void SequenceTrack::PutPlacements(const std::vector<Placement>& placements, int offset,
                                  bool selected) {
    for (const auto& [beat, entry] : placements) {
        SequenceEntry& target = At(beat + offset);
        target = entry;
        target.selected = selected ? 1 : 0;
    }
    Layout();
}

int SequenceTrack::MoveSelected(int offset) {
    const std::vector<Placement> placements = SelectedPlacements();
    if (!CanShift(placements, offset)) {
        return 0;
    }
    for (const auto& [beat, entry] : placements) {
        At(beat) = SequenceEntry{};
    }
    PutPlacements(placements, offset, true);
    return 1;
}

int SequenceTrack::CopySelected(int offset) {
    const std::vector<Placement> placements = SelectedPlacements();
    if (!CanShift(placements, offset)) {
        return 0;
    }
    PutPlacements(placements, offset, false);
    return 1;
}

int SequenceTrack::CopySelectedAsNewPatterns(int offset) {
    std::vector<Placement> placements = SelectedPlacements();
    if (!CanShift(placements, offset)) {
        return 0;
    }
    std::map<int, int> copies; // source pattern number -> copy's number
    for (auto& [beat, entry] : placements) {
        auto [copy, made] = copies.try_emplace(entry.patternNumber, -1);
        if (made) {
            copy->second = patterns_->Copy(entry.patternNumber);
        }
        entry.patternNumber = copy->second;
    }
    PutPlacements(placements, offset, false);
    return 1;
}

void SequenceTrack::Layout() {
    std::vector<int> starts;
    for (auto [beat, entry] : entries_) {
        if (!entry->StartsPlacement() || patterns_->Get(entry->patternNumber) == nullptr) {
            *entry = SequenceEntry{};
        } else {
            starts.push_back(beat);
        }
    }
    for (const int start : starts) {
        const SequenceEntry placement = *entries_.Get(start);
        const int length = patterns_->Get(placement.patternNumber)->Length();
        for (int beat = 1; beat < length && start + beat <= kMaxBeat; ++beat) {
            SequenceEntry& slot = At(start + beat);
            if (slot.StartsPlacement()) {
                break;
            }
            slot = placement;
            slot.beat = beat;
            slot.selected = 0;
        }
    }
}

} // namespace tarn
