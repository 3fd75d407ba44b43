#include "editing/CellDisplay.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tarn::cell_display {
namespace {

struct HexMode {
    int mode;
    int digits;
    double factor;
};

constexpr std::array<HexMode, 4> kHexModes = {{
    {kHexNibble, 1, 8.0},
    {kHexByte, 2, 128.0},
    {kHexTribble, 3, 2048.0},
    {kHexWord, 4, 32768.0},
}};

const HexMode* FindHex(int mode) {
    for (const HexMode& hex : kHexModes) {
        if (hex.mode == mode) {
            return &hex;
        }
    }
    return nullptr;
}

int Decimals(int mode) {
    return mode - kDecimalInteger;
}

// Sign, the integer digits of the largest value of the range, the point
// and the decimals.
int Width(const GridColumn& column, int mode) {
    const double largest = std::max(std::abs(column.minimum), std::abs(column.maximum));
    int digits = 1;
    for (double limit = 10.0; limit <= largest && digits < 15; limit *= 10.0) {
        ++digits;
    }
    const int decimals = Decimals(mode);
    return 1 + digits + (decimals > 0 ? 1 + decimals : 0);
}

double Range(const GridColumn& column) {
    return column.maximum - column.minimum;
}

} // namespace

bool IsHex(int mode) {
    return FindHex(mode) != nullptr;
}

bool IsValid(int mode) {
    return (mode >= kDecimalInteger && mode <= kDecimal4) || IsHex(mode);
}

std::string_view MenuText(int mode) {
    switch (mode) {
    case kDecimalInteger:
        return "DEC INT";
    case kDecimal1:
        return "DEC .0";
    case kDecimal2:
        return "DEC .00";
    case kDecimal3:
        return "DEC .000";
    case kDecimal4:
        return "DEC .0000";
    case kHexNibble:
        return "HEX F (Nibble) [0,8]";
    case kHexByte:
        return "HEX FF (Byte) [0,80]";
    case kHexTribble:
        return "HEX FFF (Tribble!) [0,800]";
    case kHexWord:
        return "HEX FFFF (Word) [0,8000]";
    default:
        return {};
    }
}

int DefaultMode(const GridColumn& column) {
    return column.IsWhole() ? kDecimalInteger : kDecimal2;
}

std::string Text(const GridColumn& column, int mode, double value) {
    std::array<char, 64> text{};
    if (const HexMode* hex = FindHex(mode)) {
        const double range = Range(column);
        const double scaled = range > 0.0 ? (value - column.minimum) / range * hex->factor : 0.0;
        const long whole = std::lround(std::clamp(scaled, 0.0, hex->factor));
        std::snprintf(text.data(), text.size(), "%0*lX", hex->digits, whole);
        return text.data();
    }
    std::array<char, 32> format{};
    std::snprintf(format.data(), format.size(), "%%+0%d.%df", Width(column, mode), Decimals(mode));
    std::snprintf(text.data(), text.size(), format.data(), value);
    return text.data();
}

bool Enter(std::string& text, int mode, char c) {
    if (IsHex(mode)) {
        if (text.empty() || !std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        text = text.substr(1) + static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return true;
    }
    if (c == '-' || c == '+') {
        if (text.empty() || (text[0] != '-' && text[0] != '+')) {
            return false;
        }
        text[0] = c;
        return true;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) == 0) {
        return false;
    }
    // Every digit moves one place to the left, over the point.
    char incoming = c;
    for (auto at = text.rbegin(); at != text.rend(); ++at) {
        if (std::isdigit(static_cast<unsigned char>(*at)) != 0) {
            std::swap(*at, incoming);
        }
    }
    return true;
}

std::string ZeroText(const GridColumn& column, int mode) {
    return Text(column, mode, IsHex(mode) ? column.minimum : 0.0);
}

double Value(const GridColumn& column, int mode, const std::string& text) {
    if (const HexMode* hex = FindHex(mode)) {
        const double scaled = static_cast<double>(std::strtol(text.c_str(), nullptr, 16));
        return column.Fit(column.minimum +
                          std::min(scaled, hex->factor) / hex->factor * Range(column));
    }
    return column.Fit(std::strtod(text.c_str(), nullptr));
}

} // namespace tarn::cell_display
