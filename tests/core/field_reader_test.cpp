#include "heightfield/field_reader.h"

#include <gtest/gtest.h>

#include "common/messages.h"
#include "heightfield/text_stream.h"
#include "support/recording.h"

namespace membrane {
namespace {

struct Reader {
    explicit Reader(std::string content)
        : text(std::move(content)), stream(std::make_unique<TextStream>(text, sink)) {}
    std::string text;
    test::RecordingMessageSink sink;
    std::unique_ptr<TextStream> stream;
};

TEST(FieldReader, FieldsFollowBlanksLineEndsAndTrailingBlanks) {
    Reader r("  12   3.5\r\n12 \r\n7\n\r\nlast\r\n");
    EXPECT_EQ(ReadInteger(*r.stream), 12);
    EXPECT_DOUBLE_EQ(ReadReal(*r.stream), 3.5);
    EXPECT_EQ(ReadInteger(*r.stream), 12);
    // The blank before the line end makes no empty field, nor does the empty line.
    EXPECT_EQ(ReadField(*r.stream), "7");  // a bare LF ends a line too
    EXPECT_EQ(ReadField(*r.stream), "last");
    EXPECT_TRUE(r.stream->AtEnd());
    EXPECT_TRUE(r.sink.messages.empty());
}

TEST(FieldReader, CommentsSemicolonsAndLongFields) {
    Reader comment("# a comment\r\n  # another\r\n5 a#b\r\n");
    EXPECT_EQ(ReadInteger(*comment.stream), 5);
    EXPECT_EQ(ReadField(*comment.stream), "a#b");  // '#' inside a field is ordinary

    Reader semicolon("5;6\r\n7\r\n");
    EXPECT_EQ(ReadField(*semicolon.stream), ";");
    EXPECT_EQ(ReadField(*semicolon.stream), "7");

    // 300 characters: the first 255 form the field, the 256th is lost.
    std::string longField(255, 'a');
    longField += "b" + std::string(44, 'c') + "\r\nnext\r\n";
    Reader longReader(longField);
    EXPECT_EQ(ReadField(*longReader.stream), std::string(255, 'a'));
    EXPECT_EQ(ReadField(*longReader.stream), std::string(44, 'c'));
    EXPECT_EQ(ReadField(*longReader.stream), "next");
}

TEST(FieldReader, LastLineWithoutLineEndReadsAsItLooks) {
    Reader r("1\r\n2");
    EXPECT_EQ(ReadInteger(*r.stream), 1);
    EXPECT_EQ(ReadInteger(*r.stream), 2);
    EXPECT_TRUE(r.sink.messages.empty());
    // Past the end: an empty field, not 255 end-of-file characters, and no stall.
    EXPECT_EQ(ReadField(*r.stream), "");
    EXPECT_EQ(ReadInteger(*r.stream), 0);
    ASSERT_EQ(r.sink.Texts().size(), 1u);
    EXPECT_EQ(r.sink.Texts()[0], "error reading longint  at position :1");
}

TEST(FieldReader, EndOfFileMarkInsideTheFileEndsTheStream) {
    Reader r(
        std::string("4 5\r\n\x1a"
                    "6\r\n"));
    EXPECT_EQ(ReadInteger(*r.stream), 4);
    EXPECT_EQ(ReadInteger(*r.stream), 5);
    EXPECT_TRUE(r.stream->AtEnd());
    EXPECT_EQ(ReadField(*r.stream), "");
}

TEST(FieldReader, NulByteIsSkippedWithoutStalling) {
    Reader r(
        std::string("1\0"
                    "2 3\r\n",
                    7));
    EXPECT_EQ(ReadField(*r.stream), "12");
    EXPECT_EQ(ReadField(*r.stream), "3");
}

TEST(FieldReader, IntegerConversionAndItsMessages) {
    Reader r("$1A 0x1f X10 -2147483648 2147483647 +7 2147483648 7.35938 - \r\n");
    EXPECT_EQ(ReadInteger(*r.stream), 26);
    EXPECT_EQ(ReadInteger(*r.stream), 31);
    EXPECT_EQ(ReadInteger(*r.stream), 16);
    EXPECT_EQ(ReadInteger(*r.stream), INT32_MIN);
    EXPECT_EQ(ReadInteger(*r.stream), INT32_MAX);
    EXPECT_EQ(ReadInteger(*r.stream), 7);
    EXPECT_EQ(ReadInteger(*r.stream), 0);
    EXPECT_EQ(ReadInteger(*r.stream), 0);
    EXPECT_EQ(ReadInteger(*r.stream), 0);
    EXPECT_EQ(ReadInteger(*r.stream), 0);  // the empty field before the line end
    const std::vector<std::string> expected{
        "error reading longint 2147483648 at position :10",
        "error reading longint 7.35938 at position :2",
        "error reading longint - at position :2",
        "error reading longint  at position :1",
    };
    EXPECT_EQ(r.sink.Texts(), expected);
    for (const auto& m : r.sink.messages) EXPECT_EQ(m.kind, MessageKind::Error);

    EXPECT_TRUE(IsInteger("  -12"));
    EXPECT_FALSE(IsInteger("1.0"));
    EXPECT_FALSE(IsInteger(""));
}

TEST(FieldReader, RealConversionIgnoresTheLocaleAndReportsThePosition) {
    Reader r("1.5E2 -0.0534496 8.0000000000 1 .5 1e-400 1,5 1e \r\n");
    EXPECT_EQ(ReadReal(*r.stream), 150.0);
    EXPECT_EQ(ReadReal(*r.stream), -0.0534496);
    EXPECT_EQ(ReadReal(*r.stream), 8.0);
    EXPECT_EQ(ReadReal(*r.stream), 1.0);
    EXPECT_EQ(ReadReal(*r.stream), 0.5);
    EXPECT_EQ(ReadReal(*r.stream), 0.0);  // underflows quietly
    EXPECT_EQ(ReadReal(*r.stream), 0.0);
    EXPECT_EQ(ReadReal(*r.stream), 0.0);
    const std::vector<std::string> expected{
        "error reading double 1,5 at position :2",
        "error reading double 1e at position :3",
    };
    EXPECT_EQ(r.sink.Texts(), expected);
    // Decimal fractions convert to the nearest double.
    EXPECT_EQ(ConvertReal("0.1").value, 0.1);
    EXPECT_EQ(ConvertReal("7.35938").value, 7.35938);
    EXPECT_NE(ConvertReal("1e400").errorPosition, 0);
}

TEST(StringHelpers, TrimCollapseWordsAndQuotes) {
    std::string s = "a   b  ";
    CollapseSpaces(s);
    EXPECT_EQ(s, "a b");
    s = "a\t\tb";
    CollapseSpaces(s);
    EXPECT_EQ(s, "a\t\tb");  // tabs form no runs
    s = "  node   12 \r\n";
    NormalizeSpaces(s);
    EXPECT_EQ(s, "node 12");
    s = "\tx ";
    TrimLeftBlanks(s);
    EXPECT_EQ(s, "\tx ");  // the tab is not a blank
    EXPECT_EQ(CountWords("node 12"), 2);
    EXPECT_EQ(CountWords(""), 1);
    EXPECT_EQ(GetWord(2, "node 12"), "12");
    EXPECT_EQ(GetWord(1, "  node   12 "), "node");
    EXPECT_EQ(GetWord(3, "node 12"), "");
    s = "'\"abc'";
    StripLeadingQuotes(s);
    EXPECT_EQ(s, "abc'");
    s = "abc'\"";
    StripTrailingQuotes(s);
    EXPECT_EQ(s, "abc");
}

TEST(StringHelpers, RealPowerSpecialCases) {
    EXPECT_DOUBLE_EQ(RealPower(1.5, 4), 8.0);
    EXPECT_EQ(RealPower(0, 0), 1.0);
    EXPECT_EQ(RealPower(-1, 0), 0.0);
    EXPECT_EQ(RealPower(2, 1e-11), 0.0);
    EXPECT_DOUBLE_EQ(RealPower(3, -2), -8.0);
    EXPECT_DOUBLE_EQ(RealPower(2, -2), 4.0);
    EXPECT_EQ(RealPower(0.5, -4), 1.0);
}

}  // namespace
}  // namespace membrane
