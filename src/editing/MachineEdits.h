#pragma once

#include "document/PresetStore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarn {

class ConsoleFeed;
class CurrentProject;
class GearRegistry;
class Node;
class UndoHistory;

// The machine view's edits of the current project's graph, each one
// operation under the project lock through the engine's own operations.
// Every edit that changes the project marks it changed; a refused one
// keeps the line the engine wrote ("error: feedback loops are not allowed
// (yet!)") for the status line. GUI thread only.
class MachineEdits {
public:
    static constexpr const char* kRecentMachines = "Config/Lists/Recent/Machines.list.xml";
    static constexpr std::size_t kRecentCapacity = 8;

    enum class Flag { kMute, kSolo, kBypass, kLiveInput };

    // All four must outlive the edits; the registry tells which preset file
    // belongs to a machine.
    MachineEdits(CurrentProject& current, const GearRegistry& registry, UndoHistory& history,
                 const ConsoleFeed& feed);

    // Connects source to destination with the default routes.
    bool Connect(int source, int destination);
    // Removes the Connection at index of destination's input list.
    bool Disconnect(int destination, int index);
    // Places the Node's centre at fractions of the view (clamped to 0..1).
    bool Move(int id, double x, double y);
    // Deletes the Nodes (never the Master) as one "Delete machine" entry of
    // the undo history, which puts them back; the number deleted.
    int Delete(const std::vector<int>& ids);
    // Makes a machine of the registry name at fractions of the view and
    // makes it the newest of the recent machines; its id or -1.
    int Create(const std::string& machineName, double x, double y);
    // Makes the Node the project's selected machine, the one the pattern
    // editor edits. Not a change to save.
    bool Select(int id);
    bool SetFlag(int id, Flag flag, bool on);
    bool Rename(int id, const std::string& name);
    // A parameter value, heard from the next chunk on.
    bool SetParameter(int id, int group, int track, int index, double value);

    // The presets of the Node's machine (see PresetStore). Storing,
    // renaming and deleting change only the machine's preset file.
    std::vector<std::string> PresetNames(int id);
    bool ApplyPreset(int id, const std::string& name);
    bool StorePreset(int id, const std::string& name);
    bool RenamePreset(int id, const std::string& from, const std::string& to);
    bool DeletePreset(int id, const std::string& name);

    // The line that explains the last refused edit; empty after a success.
    const std::string& Refusal() const { return refusal_; }

private:
    // Runs step and keeps the first error line it writes when it answers
    // false.
    template <typename Step> bool Capture(Step step);
    // Capture of edit under the project lock, with the project (never
    // null).
    template <typename Edit> bool Run(Edit edit);
    // Run, marking the project changed when the edit was made.
    template <typename Edit> bool Change(Edit edit);
    // Run on the Node id; refused when there is no such Node, or when serial
    // is given (not kAnySerial) and it is not that Node's (a Node found
    // before the lock was last left).
    static constexpr std::uint64_t kAnySerial = 0; // Node serials start at 1
    template <typename Edit> bool OnNode(int id, Edit edit, std::uint64_t serial = kAnySerial);
    // OnNode, marking the project changed when the edit was made.
    template <typename Edit> bool ChangeNode(int id, Edit edit);

    // The preset file of the Node's machine; none after an error line.
    std::optional<PresetStore> Presets(const Node& node) const;
    // The same for the Node id, whose serial it gives as well.
    std::optional<PresetStore> StoreOf(int id, std::uint64_t* serial = nullptr);

    CurrentProject& current_;
    const GearRegistry& registry_;
    UndoHistory& history_;
    const ConsoleFeed& feed_;
    std::string refusal_;
};

} // namespace tarn
