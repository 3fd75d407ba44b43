#pragma once

#include "editing/PatternGrid.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarn {

// How a column of the pattern editor shows its values and takes typing.
// Decimal modes print a signed, zero-padded number; hexadecimal modes
// (double columns only) show the value's place in the parameter's range
// scaled to 0..8, 0x80, 0x800 or 0x8000 in 1 to 4 digits.
enum DisplayMode : int {
    kDecimalInteger = 20,
    kDecimal1 = 21,
    kDecimal2 = 22,
    kDecimal3 = 23,
    kDecimal4 = 24,
    kHexNibble = 31,
    kHexByte = 32,
    kHexTribble = 33,
    kHexWord = 34,
};

namespace cell_display {

bool IsHex(int mode);
bool IsValid(int mode);
// The column menu's text of a mode; empty for no mode.
std::string_view MenuText(int mode);
// The mode a column starts in: two decimals for doubles, whole numbers
// otherwise.
int DefaultMode(const GridColumn& column);

// The text of value in the column's mode. Hexadecimal modes on a column
// with no range (maximum = minimum) show 0.
std::string Text(const GridColumn& column, int mode, double value);

// The value after typing c over the character at position of Text(value):
// in decimal modes a digit replaces a digit and "-" or "+" over the sign
// flips it; in hexadecimal modes a hexadecimal digit replaces a digit.
// The result is fitted to the column (GridColumn::Fit); nothing when the
// keystroke is refused.
std::optional<double> Type(const GridColumn& column, int mode, double value, int position, char c);

} // namespace cell_display
} // namespace tarn
