#pragma once

#include "sequencing/Pattern.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace tarn {

class CurrentProject;
class Project;

// One undoable edit, named for the Edit menu ("Undo " + name). The base
// entry changes nothing; the edits derive from it.
class UndoEntry {
public:
    explicit UndoEntry(std::string name) : name_(std::move(name)) {}
    virtual ~UndoEntry() = default;
    UndoEntry(const UndoEntry&) = delete;
    UndoEntry& operator=(const UndoEntry&) = delete;

    const std::string& Name() const { return name_; }

    // 1 when something changed, else 0. Project lock held; project may be
    // null when there is no current project.
    virtual int Undo(Project* /*project*/) { return 0; }
    virtual int Redo(Project* /*project*/) { return 0; }
    // Tells the editors what changed after an undo or redo that answered 1;
    // called with the project lock released.
    virtual void Changed() const {}

private:
    std::string name_;
};

// A pattern edit: a copy of the pattern from before the edit, swapped with
// the live one on undo and back on redo. The entry names its Node by id and
// by serial, so it never touches a different Node that later took the id.
class PatternUndoEntry : public UndoEntry {
public:
    PatternUndoEntry(std::string name, int nodeId, std::uint64_t nodeSerial, int patternNumber,
                     std::unique_ptr<Pattern> before);

    int Undo(Project* project) override;
    int Redo(Project* project) override;
    void Changed() const override;

    int NodeId() const { return nodeId_; }
    int PatternNumber() const { return patternNumber_; }

private:
    // Puts stored into the pattern table and keeps the live pattern in
    // replaced; 0 when stored is empty or the Node or pattern is gone.
    int Swap(Project* project, std::unique_ptr<Pattern>& stored,
             std::unique_ptr<Pattern>& replaced);

    int nodeId_;
    std::uint64_t nodeSerial_;
    int patternNumber_;
    std::unique_ptr<Pattern> before_;
    std::unique_ptr<Pattern> after_;
};

// The edits that can be undone, oldest first, at most kLimit of them, and
// the project's changed flag. Position counts the entries done: entries
// below it can be undone, the one at it redone. The studio keeps one
// history for the current project.
//
// GUI thread only. Undo and Redo take the project lock themselves while they
// swap patterns, so the work cycle never sees half an edit; the rest does
// not need it.
class UndoHistory {
public:
    static constexpr int kLimit = 16;

    explicit UndoHistory(CurrentProject& current) : current_(current) {}

    // Copies pattern patternNumber of Node nodeId as the entry's
    // before-copy; the caller then edits the live pattern and pushes the
    // entry. Null (after one "error: " line) when the Node or pattern does
    // not exist. Project lock held. An entry that is never pushed is simply
    // dropped.
    static std::unique_ptr<PatternUndoEntry>
    BeginPatternEdit(const Project& project, std::string name, int nodeId, int patternNumber);

    // Discards the redo branch, appends the entry, forgets the oldest
    // beyond kLimit and sets the changed flag.
    void Push(std::unique_ptr<UndoEntry> entry);

    // Step back or forward one entry; the entry's answer (0 when there is
    // nothing to undo or redo). The position moves even when the entry
    // finds nothing to change.
    int Undo();
    int Redo();

    // The entry Undo or Redo would take; empty when there is none.
    std::string UndoName() const;
    std::string RedoName() const;
    // The Edit menu's texts: "Undo " and "Redo " followed by those names.
    std::string UndoMenuText() const { return "Undo " + UndoName(); }
    std::string RedoMenuText() const { return "Redo " + RedoName(); }

    // Forgets every entry and clears the changed flag (new project, open,
    // Save As).
    void Clear();
    bool IsChanged() const { return changed_; }
    // An edit that records no entry (a machine moved or connected, a
    // sequence edit, a new pattern) still leaves work to save and to keep
    // in the autosave.
    void MarkChanged();
    // The project was written to its file: nothing is left to lose, though
    // every entry can still be undone.
    void MarkSaved();
    // Called after every change of the entries, the position or the changed
    // flag, with the project lock released, so that the menus and the
    // title follow at once. Empty removes it.
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }
    // Counts every push and every undo or redo that changed something, so
    // that a copy taken at one count can tell whether it is still current.
    std::uint64_t Edits() const { return edits_; }

    int Count() const { return static_cast<int>(entries_.size()); }
    int Position() const { return position_; }

private:
    void Tell() const;

    CurrentProject& current_;
    std::function<void()> listener_;
    std::deque<std::unique_ptr<UndoEntry>> entries_;
    int position_ = 0;
    bool changed_ = false;
    std::uint64_t edits_ = 0;
};

} // namespace tarn
