#include <gtest/gtest.h>

#include <cmath>

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::CrLf;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(NodeTable, ReadsRecordsAndKeepsTheExtent) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&COORDINATES 2 ", "1 0 0", "2 3.5 -1"}));
    RecordingMessageSink sink;
    TCoorClass nodes(true, model, &sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(nodes.Count(), 2);
    EXPECT_EQ(nodes.xMin, 0.0);
    EXPECT_EQ(nodes.xMax, 3.5);
    EXPECT_EQ(nodes.yMin, -1.0);
    EXPECT_EQ(nodes.yMax, 0.0);
    ASSERT_NE(nodes.FindNode(2), nullptr);
    EXPECT_EQ(nodes.FindNode(2)->x, 3.5);
    EXPECT_EQ(nodes.FindNode(2)->y, -1.0);
    EXPECT_EQ(nodes.FindNode(2)->z, 0.0);
    EXPECT_EQ(nodes.MaxNumber(), 2);
    EXPECT_EQ(nodes.FindNode(3), nullptr);
    EXPECT_EQ(nodes.ReportFileName(), dir.File("m.OUT"));
    EXPECT_EQ(nodes.TrussFileName(), dir.File("m.TRS"));

    TCoorClass single(false, "");
    single.Add(4, 2.0, 3.0, 0.0);
    EXPECT_EQ(single.xMin, single.xMax);
    EXPECT_EQ(single.yMin, single.yMax);
    single.Add(4, 9.0, 9.0, 0.0);
    EXPECT_EQ(single.FindNode(4)->x, 9.0);  // newest wins
}

TEST(NodeTable, HeaderWithoutTrailingBlankShiftsTheFields) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&COORDINATES 2", "1 0 0", "2 3.5 -1"}));
    RecordingMessageSink sink;
    TCoorClass nodes(true, model, &sink);
    // The "1" goes to the thrown-away field: node 0 at (0, 2), then node 3 (from "3.5")...
    ASSERT_GE(nodes.Count(), 1);
    EXPECT_EQ(nodes.Nodes()[0].number, 0);
    EXPECT_EQ(nodes.Nodes()[0].y, 2.0);
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages[0].text, "error reading longint 3.5 at position :2");
}

TEST(NodeTable, MissingFileAndMissingTable) {
    TempDir dir;
    RecordingMessageSink sink;
    TCoorClass missing(true, dir.File("none.DAT"), &sink);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].caption, "Read Coordinates From File");
    EXPECT_EQ(sink.messages[0].text, "Inputfile not found");
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&ELEMENTS 0 "}));
    TCoorClass none(false, model);
    EXPECT_FALSE(none.ReadTable(sink));
    // An empty table writes nothing to either file.
    WriteFile(none.ReportFileName(), "");
    WriteFile(none.TrussFileName(), "");
    EXPECT_FALSE(none.EchoToReport());
    EXPECT_FALSE(none.WriteTrussSection());
    EXPECT_EQ(ReadFile(none.ReportFileName()), "");
    EXPECT_EQ(ReadFile(none.TrussFileName()), "");
}

TEST(NodeTable, EchoAndTrussSectionAreByteExact) {
    TempDir dir;
    TCoorClass nodes(false, dir.File("m.DAT"));
    nodes.Add(1, 7.35938, 8.44576, 0.0);
    nodes.Add(12345, -1.5, 0.0, 0.00001);
    nodes.Add(3, 0.0, 2.0, 0.0001);
    // Appending needs an existing file.
    EXPECT_FALSE(nodes.EchoToReport());
    EXPECT_FALSE(nodes.WriteTrussSection());
    WriteFile(nodes.ReportFileName(), "HEAD\r\n");
    WriteFile(nodes.TrussFileName(), "");
    ASSERT_TRUE(nodes.EchoToReport());
    ASSERT_TRUE(nodes.WriteTrussSection());
    EXPECT_EQ(ReadFile(nodes.ReportFileName()),
              CrLf({"HEAD", "&COORDINATES  3 ",
                    "   NODE    1  7.35938000000000E+0000  8.44576000000000E+0000  0.00000000000000E+0000",
                    "   NODE 12345 -1.50000000000000E+0000  0.00000000000000E+0000  1.00000000000000E-0005",
                    "   NODE    3  0.00000000000000E+0000  2.00000000000000E+0000  1.00000000000000E-0004",
                    ""}));
    EXPECT_EQ(ReadFile(nodes.TrussFileName()),
              CrLf({"[coordinates]", "1=7.35938@8.44576@0", "12345=-1.5@0@1E-5", "3=0@2@0.0001", ""}));
}

TEST(ElementTable, ReadsRecordsAndEchoesPadded) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&ELEMENTS 2  ", "    1        126     115     113", "12345 1 2 3"}));
    RecordingMessageSink sink;
    TElemClass elements(true, model, &sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(elements.Count(), 2);
    EXPECT_EQ(elements.MaxNumber(), 12345);
    ASSERT_NE(elements.FindElement(1), nullptr);
    const auto nodes = elements.NodesOf(*elements.FindElement(1));
    EXPECT_EQ(std::vector<std::int32_t>(nodes.begin(), nodes.end()), (std::vector<std::int32_t>{126, 115, 113}));
    EXPECT_EQ(elements.FindElement(1)->type, 1);
    WriteFile(elements.ReportFileName(), "");
    ASSERT_TRUE(elements.EchoToReport());
    EXPECT_EQ(ReadFile(elements.ReportFileName()),
              CrLf({"&ELEMENTS  2 ", "      1 126 115 113", "   12345 1 2 3", ""}));

    TElemClass missing(true, dir.File("none.DAT"), &sink);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].caption, "Read Elements From File");
}

TEST(ElementTable, ShortTableStopsAtTheEndWithoutAHalfElement) {
    TempDir dir;
    const std::string model = dir.File("m.DAT");
    WriteFile(model, CrLf({"&ELEMENTS 3  ", "1 1 2 3", "2 3 2"}));
    RecordingMessageSink sink;
    TElemClass elements(true, model, &sink);
    EXPECT_EQ(elements.Count(), 1);
    EXPECT_EQ(elements.FindElement(2), nullptr);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text,
              "&ELEMENTS: the table header announces 3 records, but the file ends after 1 of them.");
    EXPECT_EQ(sink.messages[0].caption, "Read &ELEMENTS From File");
}

TEST(ElementTable, BarTableHoldsEveryDistinctSideOnce) {
    TempDir dir;
    TElemClass elements(false, dir.File("m.DAT"));
    const std::int32_t t1[] = {1, 2, 3}, t2[] = {3, 2, 4}, t3[] = {2, 1, 5};
    elements.Add(1, 1, 0.0, t1);
    elements.Add(2, 1, 0.0, t2);
    elements.Add(3, 1, 0.0, t3);  // shares the first side of the first triangle
    TElemClass bars(false, dir.File("m.DAT"));
    elements.BuildBarTable(bars);
    ASSERT_EQ(bars.Count(), 7);
    WriteFile(bars.TrussFileName(), "");
    ASSERT_TRUE(bars.WriteTrussSection());
    EXPECT_EQ(ReadFile(bars.TrussFileName()),
              CrLf({"[elements]", "1=1@2@1", "2=2@3@1", "3=1@3@1", "4=2@4@1", "5=3@4@1", "6=1@5@1", "7=2@5@1",
                    ""}));
    // Found in either orientation; an empty list finds nothing.
    const std::int32_t reversed[] = {4, 2};
    ASSERT_NE(bars.FindByNodes(reversed), nullptr);
    EXPECT_EQ(bars.FindByNodes(reversed)->number, 4);
    EXPECT_EQ(bars.FindByNodes(std::span<const std::int32_t>()), nullptr);
    EXPECT_EQ(elements.FindByNodes(std::span<const std::int32_t>()), nullptr);
    const std::int32_t corner[] = {4, 3};
    ASSERT_NE(elements.FindByNodes(corner), nullptr);
    EXPECT_EQ(elements.FindByNodes(corner)->number, 2);

    // A triangle with a repeated node gives a degenerate bar.
    TElemClass degenerate(false, "");
    const std::int32_t t[] = {7, 7, 8};
    degenerate.Add(1, 1, 0.0, t);
    TElemClass dbars(false, "");
    degenerate.BuildBarTable(dbars);
    ASSERT_GE(dbars.Count(), 1);
    const auto first = dbars.NodesOf(dbars.Elements()[0]);
    EXPECT_EQ(first[0], 7);
    EXPECT_EQ(first[1], 7);
}

TEST(ElementTable, AreasInSpace) {
    TCoorClass nodes(false, "");
    nodes.Add(1, 0, 0, 0);
    nodes.Add(2, 1, 0, 0);
    nodes.Add(3, 0, 1, 0);
    TElemClass elements(false, "");
    const std::int32_t t[] = {1, 2, 3};
    elements.Add(1, 1, 0.0, t);
    EXPECT_DOUBLE_EQ(elements.ComputeMeshArea(&nodes), 0.5);
    nodes.FindNode(3)->z = 1.0;
    EXPECT_NEAR(elements.ComputeMeshArea(&nodes), std::sqrt(2.0) / 2, 1e-15);
    EXPECT_NEAR(elements.Elements()[0].area, std::sqrt(2.0) / 2, 1e-15);
    EXPECT_NEAR(elements.Total(), std::sqrt(2.0) / 2, 1e-15);
    const std::int32_t same[] = {1, 1, 2};
    elements.Add(2, 1, 0.0, same);
    EXPECT_EQ(elements.ElementArea(elements.Elements()[1], &nodes), 0.0);
    EXPECT_EQ(elements.ElementArea(elements.Elements()[1], nullptr), 0.0);
}

}  // namespace
}  // namespace membrane
