// The tables of a model file as the readers take them: records, the order rules (the
// newest of a repeated number wins a lookup, iteration is file order), the messages of a
// table cut short, and what follows from the triangles (bars, areas).
#include <gtest/gtest.h>

#include <cmath>

#include "heightfield/bar_table.h"
#include "heightfield/element_table.h"
#include "heightfield/mesh_area.h"
#include "heightfield/model_loader.h"
#include "heightfield/node_table.h"
#include "heightfield/value_lists.h"
#include "support/files.h"
#include "support/recording.h"

namespace membrane {
namespace {

using test::CrLf;
using test::RecordingMessageSink;

std::vector<std::int32_t> Nodes(const ElementTable& table, const ElementEntry& element) {
    const auto nodes = table.NodesOf(element);
    return {nodes.begin(), nodes.end()};
}

TEST(NodeTable, ReadsRecordsKeepsTheExtentAndFindsTheNewest) {
    RecordingMessageSink sink;
    NodeTable nodes =
        NodeTable::Read(CrLf({"&COORDINATES 3 ", "1 0 0", "2 3.5 -1", "1 9 9"}), sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(nodes.Count(), 3);
    const PlanExtent& e = nodes.Extent();
    EXPECT_EQ(std::vector<double>({e.xMin, e.xMax, e.yMin, e.yMax}),
              std::vector<double>({0, 9, -1, 9}));
    EXPECT_EQ(nodes.Find(2)->x, 3.5);
    EXPECT_EQ(nodes.Find(1)->x, 9.0);  // newest wins
    EXPECT_EQ(nodes.IndexOf(1), 2);
    EXPECT_EQ(nodes.Find(3), nullptr);
    EXPECT_EQ(nodes.IndexOf(3), -1);
    EXPECT_EQ(nodes.MaxNumber(), 2);
    EXPECT_EQ(nodes.Nodes()[0].number, 1);  // file order
}

TEST(NodeTable, HeaderWithoutTrailingBlankReadsAsWritten) {
    RecordingMessageSink sink;
    NodeTable nodes = NodeTable::Read(CrLf({"&COORDINATES 2", "1 0 0", "2 3.5 -1"}), sink);
    ASSERT_EQ(nodes.Count(), 2);
    EXPECT_EQ(nodes.Find(2)->x, 3.5);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_TRUE(NodeTable::Read(CrLf({"&ELEMENTS 0 "}), sink).Empty());  // no table
}

TEST(ElementTable, ReadsRecordsAndStopsAtTheEndWithoutAHalfElement) {
    RecordingMessageSink sink;
    ElementTable elements = ElementTable::Read(
        CrLf({"&ELEMENTS 2  ", "    1        126     115     113", "12345 1 2 3"}), sink);
    EXPECT_TRUE(sink.messages.empty());
    ASSERT_EQ(elements.Count(), 2);
    EXPECT_EQ(elements.MaxNumber(), 12345);
    EXPECT_EQ(Nodes(elements, *elements.Find(1)), (std::vector<std::int32_t>{126, 115, 113}));
    EXPECT_EQ(elements.Find(1)->type, 1);

    ElementTable shortTable = ElementTable::Read(CrLf({"&ELEMENTS 3  ", "1 1 2 3", "2 3 2"}), sink);
    EXPECT_EQ(shortTable.Count(), 1);
    EXPECT_EQ(shortTable.Find(2), nullptr);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(
        sink.messages[0].text,
        "&ELEMENTS: the table header announces 3 records, but the file ends after 1 of them.");
    EXPECT_EQ(sink.messages[0].caption, "Read &ELEMENTS From File");
}

TEST(ValueLists, HeldNodesHaveImplicitKeysStartHeightsExplicitOnes) {
    RecordingMessageSink sink;
    IntList held(KeyColumn::Implicit, "&CONSTR");
    held.ReadTable(CrLf({"x", "&CONSTRAINTS 4 ", "1", "3", "7", "3"}), sink);
    ASSERT_EQ(held.Count(), 4);
    EXPECT_EQ(held.ValueOf(2), 3);
    EXPECT_EQ(held.ValueOf(4), 3);  // a node listed twice is two entries

    RealList start(KeyColumn::Explicit, "&INITIAL");
    start.ReadTable(CrLf({"&INITIAL 3  ", "4 1", "40 8.0000000000", "4 -0.0534496"}), sink);
    ASSERT_EQ(start.Count(), 3);
    EXPECT_EQ(start.ValueOf(40), 8.0);
    EXPECT_EQ(start.ValueOf(4), -0.0534496);   // the newest entry of a repeated key wins
    EXPECT_EQ(start.ValueOf(5), 0.0);          // absent key
    EXPECT_EQ(start.Entries()[0].value, 1.0);  // file order
    EXPECT_TRUE(sink.messages.empty());

    RealList cut(KeyColumn::Explicit, "&INITIAL");
    cut.ReadTable(CrLf({"&INITIAL 5  ", "1 0.5", "2 1.5", "3"}), sink);
    // Two complete records; the half record (key 3 without value) is not added.
    EXPECT_EQ(cut.Count(), 2);
    EXPECT_EQ(
        sink.Texts(),
        std::vector<std::string>{
            "&INITIAL: the table header announces 5 records, but the file ends after 2 of them."});
}

// The example cut short at a byte inside each table (and before the first): every table
// the cut concerns is named, a cut one with the records it announces and those it read,
// a missing one as missing. Tables are in the file in the order COORDINATES, ELEMENTS,
// INITIAL, CONSTRAINTS.
TEST(ModelReading, FileCutShortNamesEveryTableItConcerns) {
    const std::string whole = test::ReadFile(MEMBRANE_EXAMPLES "/TEST3.DAT");
    const std::string none = "The file has no table ";
    const struct {
        std::size_t bytes;
        std::vector<std::string> messages;
    } cuts[] = {
        {10,
         {none + "&COORDINATES.", none + "&ELEMENTS.", none + "&INITIAL.", none + "&CONSTRAINTS."}},
        {3000,
         {"&COORDINATES: the table header announces 137 records, but the file ends after 80 of "
          "them.",
          none + "&ELEMENTS.", none + "&INITIAL.", none + "&CONSTRAINTS."}},
        {6000,
         {"&ELEMENTS: the table header announces 220 records, but the file ends after 25 of "
          "them.",
          none + "&INITIAL.", none + "&CONSTRAINTS."}},
        {14000,
         {"&INITIAL: the table header announces 137 records, but the file ends after 57 of "
          "them.",
          none + "&CONSTRAINTS."}},
        {16100,
         {"&CONSTR: the table header announces 53 records, but the file ends after 42 of "
          "them."}},
    };
    for (const auto& cut : cuts) {
        RecordingMessageSink sink;
        ReadModel({"CUT.DAT", whole.substr(0, cut.bytes)}, sink);
        EXPECT_EQ(sink.Texts(), cut.messages) << cut.bytes << " bytes";
    }
}

TEST(BarTable, EveryDistinctSideOnceInOrderOfFirstAppearance) {
    ElementTable triangles;
    const std::int32_t t1[] = {1, 2, 3}, t2[] = {3, 2, 4}, t3[] = {2, 1, 5};
    triangles.Add(1, 1, t1);
    triangles.Add(2, 1, t2);
    triangles.Add(3, 1, t3);  // shares the first side of the first triangle
    const ElementTable bars = BuildBarTable(triangles);
    std::vector<std::vector<std::int32_t>> sides;
    for (const ElementEntry& bar : bars.Elements()) sides.push_back(Nodes(bars, bar));
    EXPECT_EQ(sides, (std::vector<std::vector<std::int32_t>>{
                         {1, 2}, {2, 3}, {1, 3}, {2, 4}, {3, 4}, {1, 5}, {2, 5}}));
    EXPECT_EQ(bars.Elements().back().number, 7);

    // A triangle with a repeated node gives a bar from the node to itself, and the side
    // (7, 8) is met twice but kept once.
    ElementTable degenerate;
    const std::int32_t t[] = {7, 7, 8};
    degenerate.Add(1, 1, t);
    const ElementTable dbars = BuildBarTable(degenerate);
    ASSERT_EQ(dbars.Count(), 2);
    EXPECT_EQ(Nodes(dbars, dbars.Elements()[0]), (std::vector<std::int32_t>{7, 7}));
    EXPECT_EQ(Nodes(dbars, dbars.Elements()[1]), (std::vector<std::int32_t>{7, 8}));
}

TEST(MeshArea, TrianglesInSpaceFromThePlanAndTheHeights) {
    NodeTable nodes;
    nodes.Add(1, 0, 0);
    nodes.Add(2, 1, 0);
    nodes.Add(3, 0, 1);
    ElementTable elements;
    const std::int32_t t[] = {1, 2, 3}, same[] = {1, 1, 2}, missing[] = {1, 2, 9};
    elements.Add(1, 1, t);
    elements.Add(2, 1, same);
    elements.Add(3, 1, missing);  // node 9 sits at the origin
    const MeshAreas flat = ComputeMeshAreas(nodes, elements, {});
    EXPECT_EQ(flat.elements, (std::vector<double>{0.5, 0.0, 0.0}));
    const std::vector<double> z = {0.0, 0.0, 1.0};
    const MeshAreas lifted = ComputeMeshAreas(nodes, elements, z);
    EXPECT_NEAR(lifted.elements[0], std::sqrt(2.0) / 2, 1e-15);
    EXPECT_EQ(lifted.total, lifted.elements[0]);
    EXPECT_EQ(TwiceSignedArea(0, 0, 1, 0, 0, 1), 1.0);
    EXPECT_EQ(TwiceSignedArea(0, 0, 0, 1, 1, 0), -1.0);
}

}  // namespace
}  // namespace membrane
