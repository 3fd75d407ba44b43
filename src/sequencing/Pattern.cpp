#include "sequencing/Pattern.h"

#include "base/AlarmHold.h"
#include "base/ClassicRandom.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <tuple>

namespace tarn {
namespace {

bool ValidGroup(int group) {
    return group >= Pattern::kFirstGroup && group <= Pattern::kLastGroup;
}

// Inserts after every event of equal or earlier time, so that events of one
// time keep the order they were added in.
template <typename List, typename Item, typename TimeOf>
void InsertByTime(List& list, Item item, double time, TimeOf timeOf) {
    const auto after =
        std::upper_bound(list.begin(), list.end(), time,
                         [&](double t, const auto& other) { return t < timeOf(other); });
    list.insert(after, std::move(item));
}

int PastelComponent(ClassicRandom& random) {
    return 200 + static_cast<int>(std::floor(random.Next() / 32767.0 * 50.0));
}

} // namespace

std::uint32_t RandomPastelColour() {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    ClassicRandom random(static_cast<std::uint32_t>(now));
    const auto red = static_cast<std::uint32_t>(PastelComponent(random));
    const auto green = static_cast<std::uint32_t>(PastelComponent(random));
    const auto blue = static_cast<std::uint32_t>(PastelComponent(random));
    return red | green << 8 | blue << 16;
}

Pattern::Pattern() = default;
Pattern::~Pattern() = default;

void Pattern::Reset(int length, int ticksPerBeat, std::uint32_t colour) {
    for (std::vector<TrackTable>& tracks : groups_) {
        tracks.clear();
    }
    playback_.clear();
    eventCount_ = 0;
    length_ = std::min(length, kMaxLength);
    ticksPerBeat_ = ticksPerBeat;
    colour_ = colour != 0 ? colour : RandomPastelColour();
}

void Pattern::EnsureTracks(int group, int count) {
    if (!ValidGroup(group)) {
        return;
    }
    std::vector<TrackTable>& tracks = groups_[static_cast<std::size_t>(group - kFirstGroup)];
    if (count > static_cast<int>(tracks.size())) {
        tracks.resize(static_cast<std::size_t>(count));
    }
}

int Pattern::TrackCount(int group) const {
    return ValidGroup(group)
               ? static_cast<int>(groups_[static_cast<std::size_t>(group - kFirstGroup)].size())
               : 0;
}

Pattern::TrackTable* Pattern::Table(int group, int track) {
    if (!ValidGroup(group) || track < 0 || track >= TrackCount(group)) {
        return nullptr;
    }
    return &groups_[static_cast<std::size_t>(group - kFirstGroup)][static_cast<std::size_t>(track)];
}

const Pattern::TrackTable* Pattern::Table(int group, int track) const {
    return const_cast<Pattern*>(this)->Table(group, track);
}

const Pattern::BeatLists* Pattern::Events(int group, int track, int index) const {
    const TrackTable* table = Table(group, track);
    if (table == nullptr) {
        return nullptr;
    }
    const auto found = table->find(index);
    return found != table->end() ? &found->second : nullptr;
}

bool Pattern::Admits(const EventRecord& e, int beat) const {
    return e.time >= 0.0 && e.time < 1.0 && beat >= 0 && beat < length_ && ValidGroup(e.group) &&
           e.track >= 0;
}

int Pattern::AddEvent(const PatternEventRecord& event, int beat) {
    const EventRecord& e = event.event;
    if (!Admits(e, beat)) {
        return 0;
    }
    EnsureTracks(e.group, e.track + 1);
    BeatLists& beats = (*Table(e.group, e.track))[e.index];
    auto record = std::make_unique<PatternEventRecord>(event);
    PatternEventRecord* stored = record.get();
    InsertByTime(beats[beat], std::move(record), e.time,
                 [](const Record& other) { return other->event.time; });
    CheckOrder(beats);
    InsertByTime(playback_[beat], stored, e.time,
                 [](const PatternEventRecord* other) { return other->event.time; });
    ++eventCount_;
    Relink(e.group, e.track, e.index);
    return 1;
}

int Pattern::AddEvents(std::span<const BeatEvent> events) {
    std::set<std::tuple<int, int, int>> parameters; // group, track, index
    std::set<int> beats;
    int added = 0;
    for (const auto& [event, beat] : events) {
        const EventRecord& e = event.event;
        if (!Admits(e, beat)) {
            continue;
        }
        EnsureTracks(e.group, e.track + 1);
        auto record = std::make_unique<PatternEventRecord>(event);
        playback_[beat].push_back(record.get());
        (*Table(e.group, e.track))[e.index][beat].push_back(std::move(record));
        parameters.emplace(e.group, e.track, e.index);
        beats.insert(beat);
        ++added;
    }
    eventCount_ += added;
    const auto earlier = [](const auto& a, const auto& b) { return a->event.time < b->event.time; };
    for (const auto& [group, track, index] : parameters) {
        for (auto& [beat, list] : (*Table(group, track))[index]) {
            std::ranges::stable_sort(list, earlier);
        }
        Relink(group, track, index);
    }
    for (const int beat : beats) {
        std::ranges::stable_sort(playback_[beat], earlier);
    }
    return added;
}

int Pattern::AddClampedEvent(PatternEventRecord event, int beat,
                             const ParameterDescriptor& descriptor) {
    event.event.value = std::clamp(event.event.value, descriptor.minimum,
                                   std::max(descriptor.minimum, descriptor.maximum));
    return AddEvent(event, beat);
}

void Pattern::CheckOrder(const BeatLists& beats) const {
    for (const auto& [beat, list] : beats) {
        for (std::size_t i = 1; i < list.size(); ++i) {
            if (list[i]->event.time < list[i - 1]->event.time) {
                RaiseAlarm("Events corrupted!");
                return;
            }
        }
    }
}

void Pattern::DeleteEvents(int group, int index, int track, double from, double to) {
    TrackTable* table = Table(group, track);
    if (table == nullptr || !table->contains(index)) {
        return;
    }
    BeatLists& beats = (*table)[index];
    for (auto& [beat, list] : beats) {
        for (auto record = list.begin(); record != list.end();) {
            const double at = beat + (*record)->event.time;
            if (at < from || at >= to) {
                ++record;
                continue;
            }
            std::vector<PatternEventRecord*>& played = playback_[beat];
            std::erase(played, record->get());
            record = list.erase(record);
            --eventCount_;
        }
    }
    std::erase_if(beats, [](const auto& entry) { return entry.second.empty(); });
    std::erase_if(playback_, [](const auto& entry) { return entry.second.empty(); });
    Relink(group, track, index);
}

void Pattern::Relink(int group, int track, int index) {
    const BeatLists* beats = Events(group, track, index);
    if (beats == nullptr) {
        return;
    }
    EventRecord* previous = nullptr;
    double previousAt = 0.0;
    for (const auto& [beat, list] : *beats) {
        for (const Record& record : list) {
            EventRecord& e = record->event;
            e.endValue = e.value;
            e.glideLength = 0.0;
            const double at = beat + e.time;
            if (previous != nullptr) {
                previous->endValue = e.value;
                previous->glideLength = at - previousAt;
            }
            previous = &e;
            previousAt = at;
        }
    }
}

void Pattern::CopyFrom(const Pattern& source) {
    if (&source == this) {
        return;
    }
    Reset(source.length_, source.ticksPerBeat_, source.colour_);
    name = source.name;
    editorState = source.editorState;
    for (int group = kFirstGroup; group <= kLastGroup; ++group) {
        EnsureTracks(group, source.TrackCount(group));
    }
    source.ForEachEvent(
        [this](int beat, const PatternEventRecord& event) { AddEvent(event, beat); });
}

std::span<PatternEventRecord* const> Pattern::BeatEvents(int beat) const {
    const auto found = playback_.find(beat);
    if (found == playback_.end()) {
        return {};
    }
    return found->second;
}

} // namespace tarn
