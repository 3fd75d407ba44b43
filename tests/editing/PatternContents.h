#pragma once

#include "sequencing/Pattern.h"

#include <ostream>
#include <tuple>
#include <vector>

namespace tarn::test {

// One stored event as an editor sees it.
struct StoredEvent {
    int beat = 0;
    int group = 0;
    int index = 0;
    int track = 0;
    double time = 0.0;
    double value = 0.0;
    double noteLength = 0.0;
    double velocity = 0.0;

    bool operator==(const StoredEvent&) const = default;
    friend std::ostream& operator<<(std::ostream& out, const StoredEvent& e) {
        return out << "{beat " << e.beat << " " << e.group << "/" << e.index << "/" << e.track
                   << " t " << e.time << " v " << e.value << " len " << e.noteLength << " vel "
                   << e.velocity << "}";
    }
};

// Every event of the pattern in its store's order, for comparing patterns
// event for event.
inline std::vector<StoredEvent> Contents(const Pattern& pattern) {
    std::vector<StoredEvent> events;
    pattern.ForEachEvent([&](int beat, const PatternEventRecord& record) {
        const EventRecord& e = record.event;
        events.push_back(
            {beat, e.group, e.index, e.track, e.time, e.value, e.noteLength, e.velocity});
    });
    return events;
}

} // namespace tarn::test
