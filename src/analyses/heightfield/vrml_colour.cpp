#include "heightfield/vrml_colour.h"

#include <array>
#include <charconv>
#include <string_view>

#include "common/number_format.h"

namespace membrane {

namespace {

// Red, green and blue from 0 to 255, each right-aligned in 3 characters. An empty row
// takes the default colour.
constexpr std::array<std::string_view, 40> kRows = {
    "181  41 197",
    " 64 220  18",
    "250 250  41",
    "190 190 190",
    " 85 185 206",  //  0.. 4
    "255   0   0",
    "181  41 197",
    "122  98  48",
    " 49 171  14",
    "112 128 144",  //  5.. 9
    " 19  31 255",
    "255 255 255",
    " 38 216 253",
    "249 120  43",
    "182   4 234",  // 10..14
    " 19  31 255",
    "  0   0   0",
    "",
    "",
    "250 250  41",  // 15..19
    "  5 250 222",
    "  5 220 225",
    "  5 190 228",
    "  5 160 231",
    "  5 130 234",  // 20..24
    "  5 100 237",
    "  5  70 240",
    "  5  40 243",
    "  5  10 247",
    "  5   5 250",  // 25..29
    "255 235 235",
    "255 225 225",
    "255 211 211",
    "255 185 185",
    "255 135 130",  // 30..34
    "255 115 105",
    "255  85  70",
    "255  55  55",
    "250  20   5",
    "240  15   0",  // 35..39
};
constexpr std::string_view kDefaultRow = "155   0  10";

}  // namespace

std::string VrmlColour(int colourIndex) {
    std::string_view row = kDefaultRow;
    if (colourIndex >= 0 && colourIndex < static_cast<int>(kRows.size()) &&
        !kRows[colourIndex].empty())
        row = kRows[colourIndex];

    std::string text;
    const char* p = row.data();
    const char* const end = row.data() + row.size();
    for (int component = 0; component < 3; ++component) {
        while (p < end && *p == ' ') ++p;
        int value = 0;
        p = std::from_chars(p, end, value).ptr;
        if (component > 0) text += ' ';
        text += FormatGeneral(static_cast<double>(value) / 255.0);
    }
    return text;
}

}  // namespace membrane
