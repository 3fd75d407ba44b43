#include "engine/PatternEditing.h"

#include "base/MessagePipe.h"
#include "engine/Project.h"

#include <algorithm>

namespace tarn {
namespace {

struct Target {
    Node* node = nullptr;
    Pattern* pattern = nullptr;
    const ParameterDescriptor* descriptor = nullptr;
};

// The Node, pattern and parameter an event is for; null members after the
// error line when one is missing.
Target Find(Project& project, int nodeId, int patternNumber, const EventRecord& event) {
    Target target;
    target.node = project.GetNode(nodeId);
    if (target.node == nullptr) {
        ErrorOut() << "error: node " << nodeId << " does not exist" << eol;
        return {};
    }
    target.pattern = target.node->Patterns().Get(patternNumber);
    if (target.pattern == nullptr) {
        ErrorOut() << "error: pattern " << patternNumber << " does not exist" << eol;
        return {};
    }
    target.descriptor = target.node->FindParameter(event.group, event.index);
    if (target.descriptor == nullptr) {
        ErrorOut() << "error: parameter " << event.index << " of group " << event.group
                   << " does not exist" << eol;
        return {};
    }
    return target;
}

int MixerTrackCount(const Node& node) {
    int tracks = 0;
    for (auto [index, connection] : node.InputList()) {
        tracks = std::max(tracks, index + 1);
    }
    return tracks;
}

bool EnteredWithNote(const ParameterDescriptor& descriptor, int track) {
    const std::int32_t flags = descriptor.flags;
    return (flags & kParamWithEveryNote) != 0 && (flags & kParamNoPatternColumn) == 0 &&
           ((flags & kParamGlobal) == 0 || track == 0);
}

} // namespace

int CreatePattern(Node& node, int number, int length, int ticksPerBeat, std::uint32_t colour) {
    return node.Patterns().Create(number, length, ticksPerBeat, colour, node.TrackCount(),
                                  MixerTrackCount(node));
}

void FitTracks(const Node& node, Pattern& pattern) {
    pattern.EnsureTracks(kGroupMachine, node.TrackCount());
    pattern.EnsureTracks(kGroupSystem, 1);
    pattern.EnsureTracks(kGroupInputMixer, MixerTrackCount(node));
}

int AddClampedEvent(Project& project, int nodeId, int patternNumber, int beat,
                    PatternEventRecord event) {
    const Target target = Find(project, nodeId, patternNumber, event.event);
    if (target.pattern == nullptr) {
        return 0;
    }
    event.event.nodeId = static_cast<std::int16_t>(nodeId);
    return target.pattern->AddClampedEvent(event, beat, *target.descriptor);
}

int AddEditedEvent(Project& project, int nodeId, int patternNumber, int beat, double rangeStart,
                   double rangeEnd, PatternEventRecord event) {
    const Target target = Find(project, nodeId, patternNumber, event.event);
    if (target.pattern == nullptr) {
        return 0;
    }
    event.event.nodeId = static_cast<std::int16_t>(nodeId);
    if (target.pattern->AddClampedEvent(event, beat, *target.descriptor) == 0) {
        return 0;
    }
    if (event.event.group != kGroupMachine || target.descriptor->type != kTypeNote) {
        return 1;
    }
    const int track = event.event.track;
    for (const auto& [index, descriptor] : target.node->Parameters(kGroupMachine)) {
        if (!EnteredWithNote(descriptor, track)) {
            continue;
        }
        target.pattern->DeleteEvents(kGroupMachine, index, track, beat + rangeStart,
                                     beat + rangeEnd);
        PatternEventRecord companion;
        companion.event.group = kGroupMachine;
        companion.event.nodeId = event.event.nodeId;
        companion.event.index = static_cast<std::int16_t>(index);
        companion.event.track = event.event.track;
        companion.event.time = event.event.time;
        companion.event.value = target.node->ReadParameter(kGroupMachine, track, index);
        target.pattern->AddEvent(companion, beat);
    }
    return 1;
}

} // namespace tarn
