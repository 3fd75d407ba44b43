#include "machines/framework/ParameterDisplay.h"

#include "tarn/MachineAbi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace tarn {
namespace {

// A value buffer with a guard zone behind its 256 bytes, prefilled so that
// both "nothing written" and "written past the end" show.
struct TextBuffer {
    static constexpr char kFill = '#';
    std::array<char, kValueTextSize + 64> bytes;

    TextBuffer() { bytes.fill(kFill); }
    char* data() { return bytes.data(); }
    std::string Text() const { return std::string(bytes.data()); }
    bool Untouched() const {
        return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == kFill; });
    }
    bool GuardIntact() const {
        return std::all_of(bytes.begin() + kValueTextSize, bytes.end(),
                           [](char c) { return c == kFill; });
    }
};

std::string Written(const std::function<int(char*)>& format) {
    TextBuffer buffer;
    EXPECT_EQ(format(buffer.data()), 1);
    EXPECT_TRUE(buffer.GuardIntact());
    return buffer.Text();
}

TEST(ParameterDisplay, EachQuantityConvertsAndReadsAsItsMachinesShowIt) {
    EXPECT_EQ(Written([](char* t) { return FormatCubicTime(t, 0.5); }), "625.00 ms");
    EXPECT_EQ(Written([](char* t) { return FormatCubicTime(t, 1.0); }), "5000.00 ms");
    // The floor keeps these times above zero.
    EXPECT_EQ(Written([](char* t) { return FormatFlooredTime(t, 0.0); }), "5.000ms");
    EXPECT_EQ(Written([](char* t) { return FormatFlooredTime(t, 0.5); }), "629.375ms");

    EXPECT_EQ(Written([](char* t) { return FormatDecibels(t, -6.0); }), "-6.00 db");
    EXPECT_EQ(Written([](char* t) { return FormatDecibels(t, 3.5, " dB"); }), "3.50 dB");
    EXPECT_EQ(Written([](char* t) { return FormatDecibels(t, -60.0, "dB"); }), "-60.00dB");
    EXPECT_EQ(Written([](char* t) { return FormatProportion(t, 0.25); }), "25.00%");
    EXPECT_EQ(Written([](char* t) { return FormatProportion(t, 1.0, " %"); }), "100.00 %");
    EXPECT_EQ(Written([](char* t) { return FormatDryWet(t, 0.25); }), "75/25");

    EXPECT_EQ(Written([](char* t) { return FormatCubicFrequency(t, 0.5, "hz"); }), "2510.00hz");
    EXPECT_EQ(Written([](char* t) { return FormatCubicFrequency(t, 1.0); }), "20010.00 hz");
    EXPECT_EQ(Written([](char* t) { return FormatExponentialFrequency(t, 0.0); }), "20.00 hz");
    EXPECT_EQ(Written([](char* t) { return FormatExponentialFrequency(t, 0.5); }), "632.50 hz");
    EXPECT_EQ(Written([](char* t) { return FormatExponentialFrequency(t, 1.0); }), "20002.99 hz");
    EXPECT_EQ(Written([](char* t) { return FormatSlowRate(t, 0.5); }), "1.25 hz");
    EXPECT_EQ(Written([](char* t) { return FormatRatio(t, 0.5); }), "5.875:1");
    EXPECT_EQ(Written([](char* t) { return FormatRatio(t, 1.0); }), "40.000:1");
    EXPECT_EQ(Written([](char* t) { return FormatBeats(t, 0.25); }), "0.250 beats");
    EXPECT_EQ(Written([](char* t) { return FormatOctaves(t, 1.0); }), "1.00 octves");
}

TEST(ParameterDisplay, EnumerationsPickTheirNameOrWriteNothingVisible) {
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 0.0, kWaveFormNames); }), "Saw");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 2.9, kWaveFormNames); }), "Sin");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, -0.5, kFilterTypeNames); }),
              "Lowpass");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 2.0, kFilterSlopeNames); }),
              "36dB");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 1.0, kQualityNames); }), "High");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 1.0, kNoiseColourNames); }),
              "Pink");
    EXPECT_EQ(Written([](char* t) { return FormatEnumeration(t, 0.0, kVoiceModeNames); }),
              "Mono AG");

    // Outside the list: an empty text, never what the buffer held before.
    for (double outside : {5.0, -1.0, 1e12, -1e12}) {
        TextBuffer buffer;
        EXPECT_EQ(FormatEnumeration(buffer.data(), outside, kWaveFormNames), 0) << outside;
        EXPECT_EQ(buffer.Text(), "") << outside;
        EXPECT_TRUE(buffer.GuardIntact());
    }
}

TEST(ParameterDisplay, TypeFallbackMatchesTheHostFormats) {
    const auto fallback = [](std::int32_t type, double value) {
        return Written([=](char* t) { return FormatByParameterType(type, value, t); });
    };
    EXPECT_EQ(fallback(kTypeDouble, 0.126), "0.13");
    EXPECT_EQ(fallback(kTypeByte, 2.9), "2");
    EXPECT_EQ(fallback(kTypeByte, -0.5), "0");
    EXPECT_EQ(fallback(kTypeByte, -2.9), "-2");
    EXPECT_EQ(fallback(kTypeWord, 65535.0), "65535");
    EXPECT_EQ(fallback(kTypeNote, 57.7), "57");
    // Values no int holds read as the nearest end, not as undefined ones.
    EXPECT_EQ(fallback(kTypeByte, 1e300), "2147483647");
    EXPECT_EQ(fallback(kTypeByte, std::nan("")), "0");

    for (std::int32_t type : {0, 6, 7, 99, -1}) {
        TextBuffer buffer;
        EXPECT_EQ(FormatByParameterType(type, 1.5, buffer.data()), 0) << type;
        EXPECT_TRUE(buffer.Untouched()) << type;
    }
}

TEST(ParameterDisplay, LongTextsAreCutToTheBuffer) {
    TextBuffer huge;
    EXPECT_EQ(FormatByParameterType(kTypeDouble, 1e300, huge.data()), 1);
    EXPECT_TRUE(huge.GuardIntact());
    EXPECT_EQ(huge.Text().size(), 255u);
    EXPECT_EQ(huge.Text().substr(0, 3), "100");

    const std::string unit(400, 'u');
    TextBuffer longUnit;
    EXPECT_EQ(FormatDecibels(longUnit.data(), -3.0, unit.c_str()), 1);
    EXPECT_TRUE(longUnit.GuardIntact());
    EXPECT_EQ(longUnit.Text(), "-3.00" + unit.substr(0, kValueTextSize - 6));

    // A unit is copied, never read as a format.
    EXPECT_EQ(Written([](char* t) { return WriteValueText(t, 1.0, 1, " %s%n"); }), "1.0 %s%n");
    EXPECT_EQ(WriteValueText(nullptr, 1.0, 1, ""), 0);
}

} // namespace
} // namespace tarn
