// Finding a table by its title passes over the lines that cannot hold it without reading
// their fields. It must find the same field, and leave the stream at the same place, as
// reading every field from the start does: checked on texts full of the reader's special
// cases (comments, ';', lone carriage returns, NUL bytes, the end mark, fields longer
// than 255 characters) and long enough to span several read buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "common/messages.h"
#include "model/field_reader.h"
#include "model/table_reading.h"
#include "test_support.h"

namespace membrane {
namespace {

// The search as the field reader defines it: every field from the start.
bool LocateByEveryField(TextStream& stream, const std::string& title) {
    while (!stream.AtEnd())
        if (ReadField(stream).find(title) != std::string::npos) return true;
    return false;
}

// Whether the title is found and the fields after it.
std::string SearchOutcome(const std::string& path, const std::string& title, bool everyField) {
    NullMessageSink quiet;
    auto stream = TextStream::Open(path, quiet);
    if (!stream) return "cannot open";
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
    test::TempDir dir;
    const std::string path = dir.File("model.DAT");
    std::mt19937 random(20240607);
    for (int trial = 0; trial < 300; ++trial) {
        // Short texts for the many cases, some long ones across several read buffers.
        const std::size_t length = trial % 10 == 0 ? 200000 : 2000;
        std::string text = RandomText(random, length);
        if (trial % 3 == 0) {
            // Most long files have their end mark (if any) far behind the title.
            text.erase(std::remove(text.begin(), text.end(), '\x1a'), text.end());
        }
        test::WriteFile(path, text);
        for (const std::string title : {"&INITIAL", "&COORDINATES", "&CONSTR", "IN"}) {
            ASSERT_EQ(SearchOutcome(path, title, false), SearchOutcome(path, title, true))
                << "trial " << trial << ", title " << title;
        }
    }
}

TEST(TableSearch, TitleOnTheFirstLineOfANewBufferAndAfterALongTable) {
    test::TempDir dir;
    const std::string path = dir.File("model.DAT");
    // A table of exactly one read buffer (64 KiB) of lines, so the next title starts the
    // second buffer; then the same shifted by one byte either way.
    for (int shift : {-1, 0, 1}) {
        std::string text;
        const std::string line = "   1234567 0.5\r\n";  // 16 bytes
        while (text.size() < (1u << 16) - line.size()) text += line;
        text += std::string(line.size() + shift - 2, 'x') + "\r\n";
        text += "&INITIAL 2  \r\n   1 3.5\r\n   2 4.5\r\n";
        test::WriteFile(path, text);
        EXPECT_EQ(SearchOutcome(path, "&INITIAL", false), "found [2] [] [1] [3.5]")
            << "shift " << shift;
        EXPECT_EQ(SearchOutcome(path, "&ELEMENTS", false), SearchOutcome(path, "&ELEMENTS", true));
    }
}

TEST(TableSearch, TitleInACommentOrAfterASemicolonIsNotATitle) {
    test::TempDir dir;
    const std::string path = dir.File("model.DAT");
    test::WriteFile(path, "# &INITIAL 9\r\nx ;&INITIAL 8\r\n&INITIAL 7  \r\n");
    EXPECT_EQ(SearchOutcome(path, "&INITIAL", false), "found [7] [] [] []");
}

}  // namespace
}  // namespace membrane
