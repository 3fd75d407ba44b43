#include "engine/LiveEventQueue.h"

namespace tarn {

void LiveEventQueue::Queue(std::int16_t group, std::int16_t track, std::int16_t index, double value,
                           double noteLength, double velocity, bool note, bool replace) {
    if (replace) {
        for (EventRecord& queued : events_) {
            if (queued.group == group && queued.track == track && queued.index == index) {
                // The end value follows, so that the event still holds still.
                queued.value = value;
                queued.endValue = value;
                return;
            }
        }
    }
    EventRecord event;
    event.group = group;
    event.track = track;
    event.index = index;
    event.value = value;
    event.endValue = value;
    if (note) {
        event.noteLength = noteLength;
        event.velocity = velocity;
    }
    events_.push_back(event);
}

} // namespace tarn
