#include "editing/MachineEdits.h"

#include "base/AppDirectory.h"
#include "base/ConsoleFeed.h"
#include "base/MessagePipe.h"
#include "base/StudioObserver.h"
#include "document/PresetStore.h"
#include "editing/MachineDeletionEntry.h"
#include "editing/UndoHistory.h"
#include "engine/CurrentProject.h"
#include "engine/ParameterChange.h"
#include "engine/Project.h"
#include "formats/ListFile.h"

#include <algorithm>

namespace tarn {

MachineEdits::MachineEdits(CurrentProject& current, const GearRegistry& registry,
                           UndoHistory& history, const ConsoleFeed& feed)
    : current_(current), registry_(registry), history_(history), feed_(feed) {}

template <typename Step> bool MachineEdits::Capture(Step step) {
    const std::size_t from = feed_.End();
    const bool done = step();
    refusal_.clear();
    if (!done) {
        refusal_ = feed_.FirstError(from);
        if (refusal_.empty()) {
            refusal_ = "error: the edit was refused";
        }
    }
    return done;
}

template <typename Edit> bool MachineEdits::Run(Edit edit) {
    return Capture([&] {
        ProjectLock hold(current_);
        Project* project = current_.Get();
        return project != nullptr && edit(*project);
    });
}

template <typename Edit> bool MachineEdits::Change(Edit edit) {
    const bool done = Run(edit);
    if (done) {
        history_.MarkChanged();
    }
    return done;
}

template <typename Edit> bool MachineEdits::OnNode(int id, Edit edit, std::uint64_t serial) {
    return Run([&](Project& project) {
        Node* node = project.GetNode(id);
        if (node == nullptr || (serial != kAnySerial && node->Serial() != serial)) {
            ErrorOut() << "error: node " << id << " does not exist" << eol;
            return false;
        }
        return edit(*node);
    });
}

template <typename Edit> bool MachineEdits::ChangeNode(int id, Edit edit) {
    const bool done = OnNode(id, edit);
    if (done) {
        history_.MarkChanged();
    }
    return done;
}

bool MachineEdits::Connect(int source, int destination) {
    return Change(
        [&](Project& project) { return project.ConnectMachines(source, destination) != 0; });
}

bool MachineEdits::Disconnect(int destination, int index) {
    return Change(
        [&](Project& project) { return project.DisconnectMachines(destination, index) != 0; });
}

bool MachineEdits::Move(int id, double x, double y) {
    return ChangeNode(id, [&](Node& node) {
        node.Editor().x = std::clamp(x, 0.0, 1.0);
        node.Editor().y = std::clamp(y, 0.0, 1.0);
        return true;
    });
}

int MachineEdits::Delete(const std::vector<int>& ids) {
    std::unique_ptr<MachineDeletionEntry> entry;
    Run([&](Project& project) {
        entry = std::make_unique<MachineDeletionEntry>(project, ids);
        return entry->Deleted() > 0;
    });
    const int deleted = entry != nullptr ? entry->Deleted() : 0;
    if (deleted > 0) {
        history_.Push(std::move(entry));
        NotifyStudio(kNoticeMachinesChanged);
    }
    return deleted;
}

int MachineEdits::Create(const std::string& machineName, double x, double y) {
    int id = -1;
    const bool done = Change([&](Project& project) {
        id = project.CreateNode(machineName);
        if (id < 0) {
            return false;
        }
        Node& node = *project.GetNode(id);
        node.Editor().x = std::clamp(x, 0.0, 1.0);
        node.Editor().y = std::clamp(y, 0.0, 1.0);
        project.NodeOrder().push_back(id);
        return true;
    });
    if (done) {
        RememberInList(AppPath(kRecentMachines), machineName, kRecentCapacity);
        NotifyStudio(kNoticeMachinesChanged);
    }
    return id;
}

bool MachineEdits::Select(int id) {
    return Run([&](Project& project) {
        if (project.GetNode(id) == nullptr) {
            ErrorOut() << "error: node " << id << " does not exist" << eol;
            return false;
        }
        project.editedNodeId = id;
        return true;
    });
}

bool MachineEdits::SetFlag(int id, Flag flag, bool on) {
    return ChangeNode(id, [&](Node& node) {
        switch (flag) {
        case Flag::kMute:
            node.SetMute(on);
            break;
        case Flag::kSolo:
            node.SetSolo(on);
            break;
        case Flag::kBypass:
            node.SetBypass(on);
            break;
        case Flag::kLiveInput:
            node.SetLiveInput(on);
            break;
        }
        return true;
    });
}

bool MachineEdits::Rename(int id, const std::string& name) {
    const bool done = ChangeNode(id, [&](Node& node) {
        if (name.empty()) {
            ErrorOut() << "error: a machine needs a name" << eol;
            return false;
        }
        node.SetName(name);
        return true;
    });
    if (done) {
        NotifyStudio(kNoticeMachinesChanged);
    }
    return done;
}

bool MachineEdits::SetParameter(int id, int group, int track, int index, double value) {
    return ChangeNode(id, [&](Node& node) {
        if (ChangeParameter(node, group, track, index, value) == 0) {
            ErrorOut() << "error: " << node.Name() << " has no parameter " << index << eol;
            return false;
        }
        return true;
    });
}

std::optional<PresetStore> MachineEdits::Presets(const Node& node) const {
    const auto file = PresetStore::FileFor(registry_, node.MachineName());
    if (!file) {
        ErrorOut() << "error: " << node.MachineName() << " keeps no presets" << eol;
        return std::nullopt;
    }
    return PresetStore(*file);
}

std::vector<std::string> MachineEdits::PresetNames(int id) {
    std::uint64_t serial = 0;
    const std::optional<PresetStore> store = StoreOf(id, &serial);
    std::vector<std::string> names;
    if (store) {
        const PresetStore::Contents contents = store->Read();
        OnNode(
            id,
            [&](Node& node) {
                names = PresetStore::List(node, contents);
                return true;
            },
            serial);
    }
    return names;
}

bool MachineEdits::ApplyPreset(int id, const std::string& name) {
    // The file is read outside the lock and what was read is applied to
    // the same Node under it; a line the reading writes explains a refusal
    // as well.
    const bool done = Capture([&] {
        std::uint64_t serial = 0;
        const std::optional<PresetStore> store = StoreOf(id, &serial);
        if (!store) {
            return false;
        }
        const PresetStore::Contents contents = store->ReadFor(name);
        return OnNode(
            id, [&](Node& node) { return PresetStore::Apply(node, name, contents) != 0; }, serial);
    });
    if (done) {
        history_.MarkChanged();
    }
    return done;
}

bool MachineEdits::StorePreset(int id, const std::string& name) {
    // The values are read under the lock; the file is written after it,
    // as saving may ask whether to replace a preset.
    const std::optional<PresetStore> store = StoreOf(id);
    PresetStore::Values values;
    return store &&
           OnNode(id,
                  [&](Node& node) {
                      values = PresetStore::ReadValues(node);
                      return true;
                  }) &&
           Capture([&] { return store->Save(values, name) != 0; });
}

bool MachineEdits::RenamePreset(int id, const std::string& from, const std::string& to) {
    const std::optional<PresetStore> store = StoreOf(id);
    return store && Capture([&] { return store->Rename(from, to) != 0; });
}

bool MachineEdits::DeletePreset(int id, const std::string& name) {
    const std::optional<PresetStore> store = StoreOf(id);
    return store && Capture([&] { return store->Delete(name) != 0; });
}

std::optional<PresetStore> MachineEdits::StoreOf(int id, std::uint64_t* serial) {
    std::optional<PresetStore> store;
    OnNode(id, [&](Node& node) {
        if (serial != nullptr) {
            *serial = node.Serial();
        }
        store = Presets(node);
        return store.has_value();
    });
    return store;
}

} // namespace tarn
