#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarn {

// A selection of pattern events as it travels through the clipboard: the
// selection's length in beats and, per selected column, its type name
// ("double", "byte", ..., "note"), its range and its events with times
// from the selection's start. Note columns carry each event's length and
// velocity as well.
struct ClipboardEvents {
    struct Event {
        double time = 0.0;
        double value = 0.0;
        std::optional<double> length; // note columns only
        std::optional<double> velocity;
    };
    struct Column {
        std::string type;
        double minimum = 0.0;
        double maximum = 0.0;
        std::vector<Event> events;
    };

    double length = 0.0;
    std::vector<Column> columns;
};

// The clipboard text: root "events" holding "length" and one "param" per
// column ("type", "value_min", "value_max", then one "event" per event with
// "time", "value" and, for notes, "length" and "velocity"); numbers written
// with "%.5f".
std::string WriteClipboardEvents(const ClipboardEvents& events);

// Reads text written by WriteClipboardEvents. Any other text (not XML, not
// rooted in "events", a length or event number that is missing or not a
// finite number) gives nothing; a "param" without a known type name gives
// a column of type "" that pasting skips.
std::optional<ClipboardEvents> ReadClipboardEvents(std::string_view text);

} // namespace tarn
