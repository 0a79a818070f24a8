// The header line and the ends of lines: after a table's record count the rest of the
// header line is passed over, whatever it holds; blanks and tabs at the end of a line and
// empty lines make no field. Every layout below reads as the plain one, without a message.
// Also reals beyond the range of any floating type, which are reported like 1e400.
#include <gtest/gtest.h>

#include "heightfield/field_reader.h"
#include "heightfield/model_loader.h"
#include "support/model_text.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

std::string Tables(const Model& m) {
    std::string text;
    for (const NodeEntry& n : m.nodes.Nodes())
        text +=
            std::to_string(n.number) + " " + FormatGeneral(n.x) + " " + FormatGeneral(n.y) + ";";
    for (const ElementEntry& e : m.elements.Elements()) {
        text += std::to_string(e.number);
        for (const std::int32_t node : m.elements.NodesOf(e)) text += " " + std::to_string(node);
        text += ";";
    }
    for (const auto& entry : m.initial.Entries())
        text += std::to_string(entry.key) + " " + FormatGeneral(entry.value) + ";";
    for (const auto& entry : m.constraints.Entries()) text += std::to_string(entry.value) + ";";
    return text;
}

TEST(HeaderAndBlanks, LayoutsThatReadAsThePlainOne) {
    const std::string plain = SmallGrid().Text();
    const std::vector<std::pair<const char*, std::string>> layouts = {
        {"no blank after the count", Replace(plain, "  \r\n", "\r\n")},
        {"a word after the count", Replace(plain, "  \r\n", " records\r\n")},
        {"a comment after the count", Replace(plain, "  \r\n", " # records follow\r\n")},
        {"two words and blanks after the count", Replace(plain, "  \r\n", " 1 2  \r\n")},
        {"the count on its own line",
         Replace(Replace(plain, "&COORDINATES 9  \r\n", "&COORDINATES\r\n9\r\n"),
                 "&CONSTRAINTS 8  ", "&CONSTRAINTS\r\n 8")},
        {"a blank at the end of every data line", Replace(plain, "\r\n", " \r\n")},
        {"tabs at the end of lines, LF line ends", Replace(plain, "\r\n", "\t \t\n")},
        {"empty lines inside the tables", Replace(plain, "\r\n", "\r\n\r\n  \r\n")},
    };
    RecordingMessageSink plainSink;
    const std::string expected = Tables(*ReadModel({"P.DAT", plain}, plainSink));
    ASSERT_TRUE(plainSink.messages.empty());
    for (const auto& [name, text] : layouts) {
        RecordingMessageSink sink;
        const auto model = ReadModel({"M.DAT", text}, sink);
        EXPECT_TRUE(model->complete) << name;
        EXPECT_EQ(Tables(*model), expected) << name;
        EXPECT_TRUE(sink.messages.empty()) << name << ": " << sink.messages.front().text;
    }
}

TEST(HeaderAndBlanks, RealsBeyondEveryRangeAreReported) {
    for (const char* field : {"1e400", "1e5000", "-1e99999999999", "123456789e4930", "0.1e99999"})
        EXPECT_NE(ConvertReal(field).errorPosition, 0) << field;
    for (const char* field : {"1e-400", "1e-5000", "-1e-99999999999", "1000e-99999"}) {
        EXPECT_EQ(ConvertReal(field).errorPosition, 0) << field;
        EXPECT_EQ(ConvertReal(field).value, 0.0) << field;
    }
}

}  // namespace
}  // namespace membrane
