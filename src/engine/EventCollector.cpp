#include "engine/EventCollector.h"

#include "engine/Node.h"
#include "sequencing/SequenceTrack.h"

#include <algorithm>
#include <cmath>

namespace tarn {
namespace {

// An event that would round to the chunk's end is played on its last frame
// instead, its exact offset just short of the rounding point.
constexpr double kLastFrameFraction = 0.498;

} // namespace

void EventCollector::Clear() noexcept {
    chunk_.Clear();
    scratch_.Clear();
    pool_.Clear();
    system_.Clear();
    mixer_.Clear();
    machine_.Clear();
    connection_.Clear();
}

void EventCollector::MergeScratch() noexcept {
    EventList::Merge(chunk_, scratch_, merged_);
}

void EventCollector::Collect(Node& node, const ChunkTiming& chunk) noexcept {
    Clear();
    if (chunk.playing) {
        for (auto [index, track] : node.SequenceTracks()) {
            scratch_.Clear();
            CollectTrack(node, *track, chunk);
            MergeScratch();
        }
    }
    // Live events are merged last so that they come first at their frame:
    // the values a Node was set up or loaded with, and changes made while
    // playing, never override the song's own event at the same frame, so
    // an event at beat 0 plays the same on the first play after loading as
    // on every other. Each keeps the offset it was queued with, inside the
    // chunk and never before an earlier one, so that the list stays in
    // order.
    scratch_.Clear();
    LiveEventQueue& live = node.LiveEvents();
    int earliest = 0;
    for (const EventRecord& event : live.Events()) {
        if (EventRecord* copy = pool_.Take(event)) {
            earliest = std::clamp(event.offset, earliest, std::max(chunk.frames - 1, 0));
            copy->exactOffset = earliest;
            copy->offset = earliest;
            scratch_.Add(copy);
        }
    }
    live.Clear();
    MergeScratch();
    HandOut();
}

void EventCollector::CollectTrack(Node& node, const SequenceTrack& track,
                                  const ChunkTiming& chunk) noexcept {
    const double first = std::floor(chunk.position);
    const double fraction = chunk.position - first;
    const int frames = chunk.frames;
    // Beats before the song's start hold nothing; starting at 0 also keeps
    // the count of beats small whatever the position says.
    for (double beat = std::max(first, 0.0); beat < chunk.end && beat <= SequenceTrack::kMaxBeat;
         beat += 1.0) {
        const SequenceEntry* entry = track.Entry(static_cast<int>(beat));
        Pattern* pattern = entry != nullptr ? track.Patterns().Get(entry->patternNumber) : nullptr;
        if (pattern == nullptr) {
            continue;
        }
        const double from = beat == first ? fraction : 0.0;
        pattern->currentPosition = from + entry->beat;
        const double limit = chunk.end - beat;
        for (const PatternEventRecord* record : pattern->BeatEvents(entry->beat)) {
            const EventRecord& event = record->event;
            if (event.time < from) {
                continue;
            }
            if (event.time >= limit) {
                break;
            }
            double exact = (event.time + (beat - first) - fraction) * chunk.samplesPerBeat;
            int whole = frames - 1;
            // Compared before converting, so that no offset can overflow.
            if (exact + 0.5 < frames) {
                whole = static_cast<int>(exact + 0.5);
            } else {
                exact = frames - 1 + kLastFrameFraction;
            }
            node.WriteParameter(event.group, event.track, event.index, event.value);
            EventRecord* copy = pool_.Take(event);
            if (copy == nullptr) {
                continue;
            }
            copy->exactOffset = exact;
            copy->offset = whole;
            if (event.group == kGroupMachine && entry->transpose != 0.0) {
                const ParameterDescriptor* descriptor =
                    node.FindParameter(kGroupMachine, event.index);
                if (descriptor != nullptr && descriptor->type == kTypeNote) {
                    copy->value = std::clamp(event.value + entry->transpose, descriptor->minimum,
                                             std::max(descriptor->minimum, descriptor->maximum));
                }
            }
            scratch_.Add(copy);
        }
    }
}

void EventCollector::HandOut() noexcept {
    for (EventRecord* event : chunk_) {
        switch (event->group) {
        case kGroupSystem:
            system_.Add(event);
            break;
        case kGroupInputMixer:
            mixer_.Add(event);
            break;
        case kGroupMachine:
            machine_.Add(event);
            break;
        default:
            break; // no such group: dropped
        }
    }
}

EventList& EventCollector::ConnectionEvents(int track) noexcept {
    connection_.Clear();
    for (EventRecord* event : mixer_) {
        if (event->track == track) {
            connection_.Add(event);
        }
    }
    return connection_;
}

} // namespace tarn
