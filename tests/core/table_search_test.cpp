// Finding a table by its title passes over the lines that cannot hold it without reading
// their fields. It must find the same field, and leave the stream at the same place, as
// reading every field from the start does: checked on texts full of the reader's special
// cases (comments, ';', lone carriage returns, NUL bytes, the end mark, fields longer
// than 255 characters).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "common/messages.h"
#include "heightfield/field_reader.h"
#include "heightfield/table_reading.h"
#include "support/random_text.h"

namespace membrane {
namespace {

// The search as the field reader defines it: every field from the start.
bool LocateByEveryField(TextStream& stream, const std::string& title) {
    while (!stream.AtEnd())
        if (ReadField(stream).find(title) != std::string::npos) return true;
    return false;
}

// Whether the title is found and the fields after it.
std::string SearchOutcome(const std::string& text, const std::string& title, bool everyField) {
    NullMessageSink quiet;
    auto stream = std::make_unique<TextStream>(text, quiet);
    const bool found =
        everyField ? LocateByEveryField(*stream, title) : LocateTable(*stream, title);
    std::string outcome = found ? "found" : "not found";
    for (int k = 0; k < 4; ++k) outcome += " [" + ReadField(*stream) + "]";
    return outcome;
}

std::string RandomText(std::mt19937& random, std::size_t length) {
    // Mostly ordinary fields and line ends, with the special characters sprinkled in.
    static const std::string pieces[] = {
        "12",
        " ",
        "  ",
        "\t",
        "\r\n",
        "\n",
        "\r",
        "#",
        ";",
        std::string(1, '\0'),
        "&",
        "&IN",
        "&INITIAL",
        "xx&INITIALyy",
        "0.5",
        "&INI\r\nTIAL",
        "&COORDINATES",
        std::string(300, 'a'),
        std::string(1, '\x1a'),
    };
    static const int weights[] = {40, 40, 6, 4, 30, 6, 2, 2, 2, 1, 2, 1, 1, 1, 20, 1, 2, 1, 1};
    return test::RandomTextOf(random, length, pieces, weights);
}

TEST(TableSearch, FindsTheSameFieldAsReadingEveryField) {
    std::mt19937 random(20240607);
    for (int trial = 0; trial < 300; ++trial) {
        std::string text = RandomText(random, trial % 10 == 0 ? 20000 : 2000);
        // Some texts without the end mark, which stops every search early.
        if (trial % 3 == 0) text.erase(std::remove(text.begin(), text.end(), '\x1a'), text.end());
        for (const std::string title : {"&INITIAL", "&COORDINATES", "&CONSTR", "IN"}) {
            ASSERT_EQ(SearchOutcome(text, title, false), SearchOutcome(text, title, true))
                << "trial " << trial << ", title " << title;
        }
    }
}

TEST(TableSearch, TitleInACommentOrAfterASemicolonIsNotATitle) {
    EXPECT_EQ(SearchOutcome("# &INITIAL 9\r\nx ;&INITIAL 8\r\n&INITIAL 7  \r\n", "&INITIAL", false),
              "found [7] [] [] []");
}

}  // namespace
}  // namespace membrane
