// Number-to-text formats shared by every writer of the program.
//
// All of them write "." as the decimal point whatever the process locale: they are built
// on std::to_chars, which never looks at LC_NUMERIC.
#pragma once

#include <cstdint>
#include <string>

namespace membrane {

// 23 characters: a blank (or "-" when the sign bit is set, so -0 reads "-0.000..."), one
// digit, ".", 14 digits, "E", the exponent's sign and 4 exponent digits. 15 significant
// digits. Example: 1.5 -> " 1.50000000000000E+0000".
std::string FormatScientific(double value);

// Rounded to `significant` digits, trailing zeros and a bare point dropped. Fixed notation
// for 1e-4 <= |v| < 10^significant ("7.35938", "100", "0.0001"), otherwise "1E-5" style:
// one digit, optional fraction, "E", "-" for a negative exponent, no leading zeros.
std::string FormatGeneral(double value, int significant = 15);

// Rounded to `decimals` decimals in fixed notation; when the integer part needs more than
// `precision` digits, the scientific form of the general format with `precision`
// significant digits instead.
std::string FormatFixed(double value, int precision, int decimals);

// The shortest text that reads back as the same double ("0.1", "1e+300", "-2.5e-07"): for
// files that other programs read, every bit of the value kept.
std::string FormatShortest(double value);

// Plain fixed notation with `decimals` decimals, right-aligned in `width` (like "%12.10f").
std::string FormatFixedWidth(double value, int width, int decimals);

// Decimal integer right-aligned in `width`; a longer number takes the room it needs.
std::string FormatInt(std::int64_t value, int width = 0);

// Pads `text` on the left with blanks up to `width` characters.
std::string PadLeft(const std::string& text, int width);

}  // namespace membrane
