#pragma once

#include "machines/framework/ParameterDisplay.h"
#include "machines/framework/ParameterTable.h"

#include <cmath>
#include <cstdint>

namespace tarn {

// The parameters the echo machines (Tarn Delay and Tarn Tape Delay) share,
// at each machine's own index, and the feedback display the Flanger uses
// too.

inline int FormatWetOut(char* text, double v) noexcept {
    return FormatDecibels(text, v, " dB");
}

inline int FormatFeedback(char* text, double v) noexcept {
    return FormatProportion(text, v, " %");
}

// The wet level in dB as a gain on the echoes; the dry signal stays at
// unity.
inline double WetGain(double db) noexcept {
    return std::pow(10.0, db * 0.05);
}

constexpr ParameterRow WetOutRow(std::int32_t index) {
    return {.index = index,
            .name = "Wet out",
            .description = "Wet out\n",
            .minimum = -80.0,
            .maximum = 20.0,
            .defaultValue = -20.0,
            .format = FormatWetOut};
}

constexpr ParameterRow FeedbackRow(std::int32_t index) {
    return {.index = index,
            .name = "Feedback",
            .description =
                "Feedback\nControls the amount of the delayed signal fed back into the delay input",
            .defaultValue = 0.4,
            .format = FormatFeedback};
}

// A tempo-synchronised length in beats, up to two.
constexpr ParameterRow LengthRow(std::int32_t index, bool right) {
    return {.index = index,
            .name = right ? "Length 2 (R)" : "Length 1 (L)",
            .description = right ? "Length 2 (R)\nDelay length for the right channel"
                                 : "Length 1 (L)\nDelay length for the left channel",
            .maximum = 2.0,
            .defaultValue = 0.1,
            .resolution = 0.001,
            .format = FormatBeats};
}

} // namespace tarn
