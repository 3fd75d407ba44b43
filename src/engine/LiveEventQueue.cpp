#include "engine/LiveEventQueue.h"

namespace tarn {

bool LiveEventQueue::Queue(std::int16_t group, std::int16_t track, std::int16_t index, double value,
                           double noteLength, double velocity, bool note, bool replace,
                           int offset) {
    if (replace) {
        for (EventRecord& queued : events_) {
            if (queued.group == group && queued.track == track && queued.index == index) {
                // The end value follows, so that the event still holds still.
                queued.value = value;
                queued.endValue = value;
                return true;
            }
        }
    }
    if (events_.size() >= kMaxEvents) {
        return false;
    }
    EventRecord event;
    event.group = group;
    event.track = track;
    event.index = index;
    event.offset = offset;
    event.exactOffset = offset;
    event.value = value;
    event.endValue = value;
    if (note) {
        event.noteLength = noteLength;
        event.velocity = velocity;
    }
    events_.push_back(event);
    return true;
}

} // namespace tarn
