// The model file is read as a stream of fields, not line by line: runs of characters
// separated by blanks, tabs and line ends. '#' where a field would begin starts a comment
// to the end of the line; ';' ends the field and the line and turns the field into ";".
// A field holds at most 255 characters. Blanks, tabs and line ends before a field are
// passed over, so a line that ends in blanks and an empty line make no field: a field is
// empty only at the end of the text. This module also holds small string helpers used
// by the results window and the plotting object, and the real power function of the
// element assembly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/quotes.h"
#include "heightfield/text_stream.h"

namespace membrane {

constexpr std::size_t kMaxFieldLength = 255;
// Conversion failures of one stream that get a message each (see ReadInteger).
constexpr int kConversionMessageLimit = 10;

std::string ReadField(TextStream& stream);
void SkipField(TextStream& stream);
// Passes over what ReadField would pass over before the next field (blanks, tabs, line
// ends, comments), so that AtEnd tells whether another field follows.
void SkipToField(TextStream& stream);
// Passes over the rest of the current line, line end included.
void SkipRestOfLine(TextStream& stream);

// The next field as a signed 32-bit integer (decimal, or hexadecimal after '$', 'x', 'X',
// '0x', '0X'). On failure the user is told "error reading longint <field> at position :<p>"
// and the result is 0. After kConversionMessageLimit such messages for one stream, one
// message "more fields that do not convert follow; they read as 0 and are not reported"
// ends them; later failures are silent.
std::int32_t ReadInteger(TextStream& stream);

// The next field as a real with '.' as decimal point, converted in extended precision and
// rounded to double. On failure "error reading double <field> at position :<p>", result 0.
double ReadReal(TextStream& stream);

// Conversion of a field without messages. The position is 1-based: the first character
// that could not be taken (the end of the field counts as the position after its last
// character); 0 on success.
struct IntegerConversion {
    std::int32_t value = 0;
    int errorPosition = 0;
};
IntegerConversion ConvertInteger(std::string_view field);

struct RealConversion {
    double value = 0.0;
    int errorPosition = 0;
};
RealConversion ConvertReal(std::string_view field);

bool IsInteger(const std::string& s);
void TrimLeftBlanks(std::string& s);  // blank set: codes 8, 10, 12, 13, 32 (not the tab)
void TrimRightBlanks(std::string& s);
void CollapseSpaces(std::string& s);   // runs of spaces -> one space, then TrimRightBlanks
void NormalizeSpaces(std::string& s);  // TrimLeftBlanks, TrimRightBlanks, CollapseSpaces
int CountWords(const std::string& s);  // spaces and tabs + 1
std::string GetWord(int n, const std::string& s);

// base raised to exponent (exponent first), in extended precision:
// |base| <= 1e-10 counts as 0 (result 0, 1 for exponent 0); a negative base gives
// -|base|^exponent or |base|^exponent for an odd or even whole exponent, 1 otherwise.
double RealPower(double exponent, double base);

}  // namespace membrane
