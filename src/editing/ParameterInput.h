#pragma once

#include "machines/framework/ParameterDescriptor.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// Reads a value typed into a parameter's field in the unit its display
// shows: "30%" and "30" are 0.30 where 0.30 shows as "30.00%", "-6 dB" is
// the value shown as -6 db, "440 Hz" the value shown as 440 hz, "1/4" a
// quarter where the display counts beats, and a name ("Saw") the value
// shown by that name. The display is searched for the typed number over
// the parameter's range, so any display that rises or falls with the value
// can be typed into; a number beyond what the range shows takes the end
// of the range. Where the display shows no number that follows the value,
// the number typed is the raw value. Whole-number types are truncated.
//
// display gives the text of a value (the parameter's own FormatValue).
// None when the text holds no number (the field keeps its old value).
std::optional<double> ReadTypedValue(const ParameterDescriptor& descriptor,
                                     const std::function<std::string(double)>& display,
                                     std::string_view typed);

} // namespace tarn
