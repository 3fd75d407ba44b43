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

// Typing into a cell, as on a calculator: a digit (hexadecimal in the
// hexadecimal modes) comes in at the right of text, a cell's text in the
// column's mode, and the leftmost digit falls off; "-" or "+" sets the
// sign of a decimal mode. So in "+0.00" typing 5 gives "+0.05" and then 0
// gives "+0.50"; in "+000" typing 1 gives "+001". False when the
// keystroke is refused.
bool Enter(std::string& text, int mode, char c);
// The text a fresh entry starts from: every digit 0 (the value 0, or in
// the hexadecimal modes the range's start).
std::string ZeroText(const GridColumn& column, int mode);
// The value a text of the column's mode stands for, fitted to the column
// (GridColumn::Fit).
double Value(const GridColumn& column, int mode, const std::string& text);

} // namespace cell_display
} // namespace tarn
