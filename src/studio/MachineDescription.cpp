#include "studio/MachineDescription.h"

#include "engine/Node.h"
#include "machines/framework/ParameterDisplay.h"

#include <array>
#include <ostream>
#include <sstream>
#include <string>

namespace tarn {
namespace {

const char* KindName(std::int32_t kind) {
    switch (kind) {
    case kKindMaster:
        return "master";
    case kKindGenerator:
        return "generator";
    case kKindEffect:
        return "effect";
    default:
        return "unknown";
    }
}

const char* TypeName(std::int32_t type) {
    switch (type) {
    case kTypeDouble:
        return "real";
    case kTypeByte:
    case kTypeWord:
    case kTypeNibble:
    case kTypeTribble:
        return "integer";
    case kTypeNote:
        return "note";
    case kTypeSwitch:
        return "switch";
    default:
        return "unknown type";
    }
}

// The shortest text that reads back as the same double.
std::string Number(double value) {
    std::ostringstream text;
    for (int digits = 6; digits <= 17; ++digits) {
        text.str("");
        text.precision(digits);
        text << value;
        if (std::stod(text.str()) == value) {
            break;
        }
    }
    return text.str();
}

void PrintParameters(std::ostream& out, Node& node, int group) {
    const ParameterMap& parameters = node.Parameters(group);
    out << system_parameter::GroupName(group) << " (group " << group << "): " << parameters.size()
        << " parameters" << (group == kGroupInputMixer ? ", one set per input" : "") << '\n';
    for (const auto& [index, descriptor] : parameters) {
        std::array<char, kValueTextSize> text{};
        const bool shown =
            node.FormatValue(group, index, descriptor.defaultValue, text.data()) != 0;
        out << "  " << group << "/" << index << "  " << descriptor.name << " ("
            << TypeName(descriptor.type);
        const std::string folder = FolderPath(node.Folders(group), descriptor.folder);
        if (!folder.empty()) {
            out << ", in " << folder;
        }
        if ((descriptor.flags & kParamHidden) != 0) {
            out << ", hidden";
        }
        out << ")\n    range " << Number(descriptor.minimum) << " to " << Number(descriptor.maximum)
            << ", default " << Number(descriptor.defaultValue);
        if (shown) {
            out << " (shown as \"" << text.data() << "\")";
        }
        out << '\n';
        std::istringstream lines(descriptor.description);
        for (std::string line; std::getline(lines, line);) {
            out << "    " << line << '\n';
        }
    }
}

} // namespace

std::string FolderPath(const FolderMap& folders, std::int32_t index) {
    std::string path;
    // Parents are the machine's word: a loop of them must not hang us.
    for (std::size_t depth = 0; depth <= folders.size(); ++depth) {
        const auto folder = folders.find(index);
        if (folder == folders.end()) {
            break;
        }
        path = path.empty() ? folder->second.name : folder->second.name + "/" + path;
        index = folder->second.parent;
    }
    return path;
}

void PrintMachineDescription(std::ostream& out, Node& node) {
    const MachineInfo& info = node.Info();
    out << info.name << " (\"" << info.shortName << "\", by " << info.author << ", revision "
        << info.revision << ")\n";
    out << "kind: " << KindName(info.kind) << '\n';
    out << "channels: " << info.inputChannels << " in, " << info.outputChannels << " out";
    if (info.inputChannelsPerTrack != 0 || info.outputChannelsPerTrack != 0) {
        out << " (per track: " << info.inputChannelsPerTrack << " in, "
            << info.outputChannelsPerTrack << " out)";
    }
    out << "\ntracks: " << info.minTracks;
    if (info.maxTracks != info.minTracks) {
        out << " to " << info.maxTracks;
    }
    out << '\n';
    for (const int group : {kGroupSystem, kGroupInputMixer, kGroupMachine}) {
        out << '\n';
        PrintParameters(out, node, group);
    }
}

} // namespace tarn
