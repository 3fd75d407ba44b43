#include "editing/ParameterInput.h"

#include "machines/framework/ParameterDisplay.h"
#include "tarn/MachineAbi.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>

namespace tarn {
namespace {

// The text a display function of the machines gives a value.
template <typename Format> std::function<std::string(double)> Shown(Format format) {
    return [format](double value) {
        std::array<char, kValueTextSize> text{};
        format(text.data(), value);
        return std::string(text.data());
    };
}

ParameterDescriptor Range(std::int32_t type, double minimum, double maximum) {
    ParameterDescriptor descriptor;
    descriptor.type = type;
    descriptor.minimum = minimum;
    descriptor.maximum = maximum;
    return descriptor;
}

TEST(ParameterInput, TypedTextIsReadInTheDisplaysOwnUnitWithTheRawValueAsFallback) {
    const ParameterDescriptor unit = Range(kTypeDouble, 0.0, 1.0);
    const auto percent = Shown([](char* text, double v) { return FormatProportion(text, v); });
    for (const char* typed : {"30%", "30", " 30.0 % "}) {
        ASSERT_TRUE(ReadTypedValue(unit, percent, typed).has_value()) << typed;
        EXPECT_NEAR(*ReadTypedValue(unit, percent, typed), 0.30, 1e-9) << typed;
    }
    // Beyond what the range shows: the end of the range.
    EXPECT_EQ(ReadTypedValue(unit, percent, "150%"), 1.0);
    EXPECT_EQ(ReadTypedValue(unit, percent, "-5"), 0.0);
    EXPECT_EQ(ReadTypedValue(unit, percent, "loud"), std::nullopt);
    EXPECT_EQ(ReadTypedValue(unit, percent, ""), std::nullopt);

    // Decibels of a gain, -inf at 0.
    const auto decibels = [](double v) {
        return v > 0.0 ? std::to_string(20.0 * std::log10(v)) + " db" : std::string("-inf db");
    };
    const ParameterDescriptor gain = Range(kTypeDouble, 0.0, 2.0);
    EXPECT_NEAR(*ReadTypedValue(gain, decibels, "-6 dB"), std::pow(10.0, -6.0 / 20.0), 1e-6);
    EXPECT_EQ(ReadTypedValue(gain, decibels, "-inf"), 0.0);

    // A falling display, and a fraction where the display counts beats.
    const auto beats = [](double v) { return std::to_string(4.0 - v * 4.0) + " beats"; };
    EXPECT_NEAR(*ReadTypedValue(unit, beats, "1/4"), 0.9375, 1e-9);

    // Names, and whole numbers that are truncated.
    const auto names = [](double v) {
        static constexpr std::array<const char*, 3> kNames{"Saw", "Square", "Sine"};
        return std::string(kNames[static_cast<std::size_t>(v)]);
    };
    const ParameterDescriptor waveform = Range(kTypeByte, 0.0, 2.0);
    EXPECT_EQ(ReadTypedValue(waveform, names, "square"), 1.0);
    // A display without numbers takes the number typed as the raw value.
    EXPECT_EQ(ReadTypedValue(waveform, names, "2.7"), 2.0);
    EXPECT_EQ(ReadTypedValue(waveform, names, "Triangle"), std::nullopt);
}

} // namespace
} // namespace tarn
