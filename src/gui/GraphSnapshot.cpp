#include "gui/GraphSnapshot.h"

#include "engine/Project.h"
#include "studio/Studio.h"

#include <algorithm>

namespace tarn {

GraphSnapshot GraphSnapshot::Read(Studio& studio) {
    GraphSnapshot snapshot;
    ProjectLock hold(studio.Current());
    Project* project = studio.Current().Get();
    if (project == nullptr) {
        return snapshot;
    }
    snapshot.editedNode = project->editedNodeId;
    const GearRegistry& registry = studio.Factory().Registry();
    for (auto [id, node] : project->Nodes()) {
        const GearEntry* entry = registry.FindEntry(node->MachineName());
        MachineBox box;
        box.id = id;
        box.serial = node->Serial();
        box.name = node->Name();
        box.kind = node->Info().kind;
        box.plugIn = entry != nullptr && !entry->fileName.empty();
        box.hasEditor = (node->Info().flags & kInfoHasEditor) != 0;
        box.x = node->Editor().x;
        box.y = node->Editor().y;
        box.peak = node->meters.peakLevel;
        box.mute = node->Muted();
        box.solo = node->Soloed();
        box.bypass = node->Bypassed();
        box.liveInput = node->LiveInput();
        snapshot.boxes.push_back(std::move(box));
        for (auto [index, connection] : node->InputList()) {
            snapshot.wires.push_back(
                {connection->SourceId(), id, index,
                 node->ReadParameter(kGroupInputMixer, index, system_parameter::kVolume)});
        }
    }
    return snapshot;
}

const MachineBox* GraphSnapshot::Find(int id) const {
    const auto found = std::find_if(boxes.begin(), boxes.end(),
                                    [id](const MachineBox& box) { return box.id == id; });
    return found != boxes.end() ? &*found : nullptr;
}

} // namespace tarn
