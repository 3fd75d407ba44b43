#include "machines/framework/ParameterDisplay.h"

#include "tarn/MachineAbi.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace tarn {

std::int32_t TruncateValue(double value) noexcept {
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::trunc(std::clamp(value, kLow, kHigh)));
}

double ExponentialFrequencyHz(double v) noexcept {
    return 20.0 * std::exp2(v * 9.966);
}

int WriteValueText(char* text, double number, int decimals, const char* unit) noexcept {
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%.*f%s", decimals, number, unit != nullptr ? unit : "");
    return 1;
}

int FormatCubicTime(char* text, double v) noexcept {
    return WriteValueText(text, CubicTimeMs(v), 2, " ms");
}

int FormatFlooredTime(char* text, double v) noexcept {
    return WriteValueText(text, FlooredTimeMs(v), 3, "ms");
}

int FormatDecibels(char* text, double v, const char* unit) noexcept {
    return WriteValueText(text, v, 2, unit);
}

int FormatProportion(char* text, double v, const char* unit) noexcept {
    return WriteValueText(text, v * 100.0, 2, unit);
}

int FormatDryWet(char* text, double v) noexcept {
    if (text == nullptr) {
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%.0f/%.0f", (1.0 - v) * 100.0, v * 100.0);
    return 1;
}

int FormatCubicFrequency(char* text, double v, const char* unit) noexcept {
    return WriteValueText(text, CubicFrequencyHz(v), 2, unit);
}

int FormatExponentialFrequency(char* text, double v) noexcept {
    return WriteValueText(text, ExponentialFrequencyHz(v), 2, " hz");
}

int FormatSlowRate(char* text, double v) noexcept {
    return WriteValueText(text, SlowRateHz(v), 2, " hz");
}

int FormatRatio(char* text, double v) noexcept {
    return WriteValueText(text, CompressionRatio(v), 3, ":1");
}

int FormatBeats(char* text, double v) noexcept {
    return WriteValueText(text, v, 3, " beats");
}

int FormatOctaves(char* text, double v) noexcept {
    return WriteValueText(text, v, 2, " octves");
}

int FormatEnumeration(char* text, double v, std::span<const char* const> names) noexcept {
    if (text == nullptr) {
        return 0;
    }
    const std::int32_t entry = TruncateValue(v);
    if (entry < 0 || static_cast<std::size_t>(entry) >= names.size()) {
        text[0] = '\0';
        return 0;
    }
    std::snprintf(text, kValueTextSize, "%s", names[entry]);
    return 1;
}

int FormatByParameterType(std::int32_t type, double value, char* text) noexcept {
    if (text == nullptr) {
        return 0;
    }
    switch (type) {
    case kTypeDouble:
        std::snprintf(text, kValueTextSize, "%.2f", value);
        return 1;
    case kTypeByte:
    case kTypeWord:
    case kTypeNote:
    case kTypeSwitch:
        std::snprintf(text, kValueTextSize, "%d", static_cast<int>(TruncateValue(value)));
        return 1;
    default:
        return 0;
    }
}

} // namespace tarn
