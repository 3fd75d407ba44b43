#include "gui/ParameterSheet.h"

#include "engine/Project.h"
#include "machines/framework/ParameterDisplay.h"
#include "studio/MachineDescription.h"
#include "studio/Studio.h"

#include <algorithm>
#include <array>

namespace tarn {
namespace {

std::string FormatText(Node& node, int group, int index, double value) {
    std::array<char, kValueTextSize> text{};
    return node.FormatValue(group, index, value, text.data()) != 0 ? std::string(text.data())
                                                                   : std::string();
}

void AddGroup(Node& node, int group, int track, const std::string& section,
              std::vector<ParameterLine>& lines) {
    for (const auto& [index, descriptor] : node.Parameters(group)) {
        if (descriptor.type == kTypeNote || (descriptor.flags & kParamHidden) != 0) {
            continue;
        }
        ParameterLine line;
        line.group = group;
        // A machine's global parameters have their one value in track 0.
        line.track = group == kGroupMachine && (descriptor.flags & kParamGlobal) != 0 ? 0 : track;
        line.index = index;
        line.section = section;
        if (group == kGroupMachine) {
            const std::string folder = FolderPath(node.Folders(), descriptor.folder);
            line.section = folder.empty() ? section : folder;
        }
        line.descriptor = descriptor;
        line.value = node.ReadParameter(group, line.track, index);
        line.text = FormatText(node, group, index, line.value);
        lines.push_back(std::move(line));
    }
}

} // namespace

std::optional<ParameterSheet> ParameterSheet::Read(Studio& studio, int nodeId,
                                                   std::optional<std::uint64_t> serial, int track) {
    ProjectLock hold(studio.Current());
    const Project* project = studio.Current().Get();
    Node* node = project != nullptr ? project->GetNode(nodeId) : nullptr;
    if (node == nullptr || (serial && node->Serial() != *serial)) {
        return std::nullopt;
    }
    ParameterSheet sheet;
    sheet.nodeId = nodeId;
    sheet.serial = node->Serial();
    sheet.nodeName = node->Name();
    sheet.machineName = node->MachineName();
    sheet.trackCount = std::max(1, node->TrackCount());
    sheet.track = std::clamp(track, 0, sheet.trackCount - 1);
    AddGroup(*node, kGroupSystem, 0, "System", sheet.lines);
    for (auto [index, connection] : node->InputList()) {
        const Node* source = project->GetNode(connection->SourceId());
        AddGroup(*node, kGroupInputMixer, index,
                 "Input from " + (source != nullptr ? source->Name() : std::string("?")),
                 sheet.lines);
    }
    // Machine parameters outside any folder come first, then folder by
    // folder.
    std::vector<ParameterLine> machine;
    AddGroup(*node, kGroupMachine, sheet.track, "Machine", machine);
    std::stable_sort(machine.begin(), machine.end(),
                     [](const ParameterLine& a, const ParameterLine& b) {
                         return a.descriptor.folder < b.descriptor.folder;
                     });
    sheet.lines.insert(sheet.lines.end(), machine.begin(), machine.end());
    return sheet;
}

std::string ParameterSheet::Text(Studio& studio, const ParameterSheet& sheet,
                                 const ParameterLine& line, double value) {
    ProjectLock hold(studio.Current());
    const Project* project = studio.Current().Get();
    Node* node = project != nullptr ? project->GetNode(sheet.nodeId) : nullptr;
    if (node == nullptr || node->Serial() != sheet.serial) {
        return {};
    }
    return FormatText(*node, line.group, line.index, value);
}

} // namespace tarn
