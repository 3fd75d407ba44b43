#include "editing/UndoHistory.h"

#include "base/MessagePipe.h"
#include "base/StudioObserver.h"
#include "engine/CurrentProject.h"
#include "engine/PatternEditing.h"
#include "engine/Project.h"

#include <mutex>

namespace tarn {

PatternUndoEntry::PatternUndoEntry(std::string name, int nodeId, std::uint64_t nodeSerial,
                                   int patternNumber, std::unique_ptr<Pattern> before)
    : UndoEntry(std::move(name)), nodeId_(nodeId), nodeSerial_(nodeSerial),
      patternNumber_(patternNumber), before_(std::move(before)) {}

int PatternUndoEntry::Swap(Project* project, std::unique_ptr<Pattern>& stored,
                           std::unique_ptr<Pattern>& replaced) {
    if (stored == nullptr || project == nullptr) {
        return 0;
    }
    Node* node = project->GetNode(nodeId_);
    if (node == nullptr || node->Serial() != nodeSerial_ ||
        node->Patterns().Get(patternNumber_) == nullptr) {
        return 0;
    }
    // The Node may have gained tracks or inputs since the copy was taken.
    FitTracks(*node, *stored);
    replaced = node->Patterns().Put(patternNumber_, std::move(stored));
    // The pattern put back may be longer or shorter: its placements follow.
    for (auto [index, track] : node->SequenceTracks()) {
        track->Layout();
    }
    return 1;
}

int PatternUndoEntry::Undo(Project* project) {
    return Swap(project, before_, after_);
}

int PatternUndoEntry::Redo(Project* project) {
    return Swap(project, after_, before_);
}

void PatternUndoEntry::Changed() const {
    NotifyStudio(kNoticePatternChanged, nodeId_, patternNumber_);
}

std::unique_ptr<PatternUndoEntry> UndoHistory::BeginPatternEdit(const Project& project,
                                                                std::string name, int nodeId,
                                                                int patternNumber) {
    const Node* node = project.GetNode(nodeId);
    if (node == nullptr) {
        ErrorOut() << "error: node " << nodeId << " does not exist" << eol;
        return nullptr;
    }
    const Pattern* pattern = node->Patterns().Get(patternNumber);
    if (pattern == nullptr) {
        ErrorOut() << "error: pattern " << patternNumber << " does not exist" << eol;
        return nullptr;
    }
    auto before = std::make_unique<Pattern>();
    before->CopyFrom(*pattern);
    return std::make_unique<PatternUndoEntry>(std::move(name), nodeId, node->Serial(),
                                              patternNumber, std::move(before));
}

void UndoHistory::Push(std::unique_ptr<UndoEntry> entry) {
    if (entry == nullptr) {
        return;
    }
    entries_.resize(static_cast<std::size_t>(position_));
    entries_.push_back(std::move(entry));
    ++position_;
    while (Count() > kLimit) {
        entries_.pop_front();
        --position_;
    }
    changed_ = true;
    ++edits_;
    Tell();
}

void UndoHistory::MarkChanged() {
    const bool was = changed_;
    changed_ = true;
    ++edits_;
    if (!was) {
        Tell();
    }
}

void UndoHistory::MarkSaved() {
    changed_ = false;
    Tell();
}

void UndoHistory::Tell() const {
    if (listener_) {
        listener_();
    }
}

int UndoHistory::Undo() {
    if (position_ == 0) {
        return 0;
    }
    --position_;
    UndoEntry& entry = *entries_[static_cast<std::size_t>(position_)];
    int result = 0;
    {
        std::lock_guard lock(current_.Lock());
        result = entry.Undo(current_.Get());
    }
    if (result != 0) {
        ++edits_;
        changed_ = true;
        entry.Changed();
    }
    Tell();
    return result;
}

int UndoHistory::Redo() {
    if (position_ >= Count()) {
        return 0;
    }
    UndoEntry& entry = *entries_[static_cast<std::size_t>(position_)];
    int result = 0;
    {
        std::lock_guard lock(current_.Lock());
        result = entry.Redo(current_.Get());
        ++position_;
    }
    if (result != 0) {
        ++edits_;
        changed_ = true;
        entry.Changed();
    }
    Tell();
    return result;
}

std::string UndoHistory::UndoName() const {
    return position_ > 0 ? entries_[static_cast<std::size_t>(position_ - 1)]->Name()
                         : std::string();
}

std::string UndoHistory::RedoName() const {
    return position_ < Count() ? entries_[static_cast<std::size_t>(position_)]->Name()
                               : std::string();
}

void UndoHistory::Clear() {
    entries_.clear();
    position_ = 0;
    changed_ = false;
    Tell();
}

} // namespace tarn
