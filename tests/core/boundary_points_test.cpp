#include "output/boundary_points.h"

#include <gtest/gtest.h>

#include "model/elem_table.h"
#include "model/value_lists.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::CrLf;
using test::ReadFile;
using test::TempDir;

std::vector<std::int32_t> BoundaryOf(const std::vector<std::vector<std::int32_t>>& triangles,
                                     std::vector<std::pair<std::int32_t, std::int32_t>>* sides = nullptr) {
    RunState state;
    state.model.elements = std::make_unique<TElemClass>(false, "");
    std::int32_t number = 0;
    for (const auto& t : triangles) state.model.elements->Add(++number, 1, 0.0, t);
    std::vector<std::int32_t> nodes;
    if (!FindBoundaryNodes(state)) return nodes;
    // Front to back is ascending.
    const auto& entries = state.model.boundaryNodes->Entries();
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) nodes.push_back(it->value);
    if (sides)
        state.model.edgePairs->ForEach([&](const TwoIntEntry& e) { sides->emplace_back(e.first, e.second); });
    return nodes;
}

TEST(BoundaryPoints, SidesMetAnOddNumberOfTimesFormTheBoundary) {
    std::vector<std::pair<std::int32_t, std::int32_t>> sides;
    EXPECT_EQ(BoundaryOf({{1, 2, 3}}, &sides), (std::vector<std::int32_t>{1, 2, 3}));
    EXPECT_EQ(sides, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 2}, {2, 3}, {1, 3}}));

    sides.clear();
    EXPECT_EQ(BoundaryOf({{1, 2, 3}, {1, 3, 4}}, &sides), (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(sides, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 2}, {2, 3}, {3, 4}, {1, 4}}));

    // Interior node 5 of a fan of four triangles is not on the boundary.
    EXPECT_EQ(BoundaryOf({{1, 2, 5}, {2, 3, 5}, {3, 4, 5}, {4, 1, 5}}), (std::vector<std::int32_t>{1, 2, 3, 4}));

    // A side shared by three triangles counts: added, removed, added again.
    sides.clear();
    BoundaryOf({{1, 2, 3}, {2, 1, 4}, {1, 2, 5}}, &sides);
    EXPECT_NE(std::find(sides.begin(), sides.end(), std::make_pair(1, 2)), sides.end());

    // A repeated node gives a side (n, n) and the node once; its other two sides are
    // the same side twice and cancel.
    sides.clear();
    EXPECT_EQ(BoundaryOf({{30, 30, 10}}, &sides), (std::vector<std::int32_t>{30}));
    EXPECT_EQ(sides, (std::vector<std::pair<std::int32_t, std::int32_t>>{{30, 30}}));

    // Two copies of the same triangle cancel completely: no boundary.
    EXPECT_TRUE(BoundaryOf({{1, 2, 3}, {3, 2, 1}}).empty());
    RunState none;
    EXPECT_FALSE(FindBoundaryNodes(none));
}

TEST(BoundaryPoints, FileIsAConstraintTableThatReadsBack) {
    TempDir dir;
    RunState state;
    state.inputName = "/data/models/dome.DAT";
    state.model.elements = std::make_unique<TElemClass>(false, "");
    const std::int32_t t1[] = {12, 3, 7}, t2[] = {3, 12, 40};
    state.model.elements->Add(1, 1, 0.0, t1);
    state.model.elements->Add(2, 1, 0.0, t2);
    ASSERT_TRUE(FindBoundaryNodes(state));
    const std::string path = dir.File("BNDRYPTS.txt");
    ASSERT_TRUE(WriteBoundaryPointsFile(state, path, "2026-01-02 03:04:05"));
    EXPECT_EQ(ReadFile(path), CrLf({"TEXT FILE",
                                    "- ALL BOUNDARY POINTS FROM RECENT BRIMEL.EXE CALCULATION",
                                    "- usage   : if needed adjust *.dat model with this list",
                                    "- model   : /data/models/dome.DAT",
                                    "- created : 2026-01-02 03:04:05",
                                    "",
                                    "&CONSTRAINTS 4 ",
                                    "   3",
                                    "   7",
                                    "   12",
                                    "   40"}));
    TIntList back(true, true, "&CONSTR", path);
    ASSERT_EQ(back.Count(), 4);
    EXPECT_EQ(back.ValueOf(1), 3);
    EXPECT_EQ(back.ValueOf(4), 40);

    EXPECT_FALSE(WriteBoundaryPointsFile(state, dir.File("no/such/dir/BNDRYPTS.txt"), "t"));
    EXPECT_FALSE(CurrentDateTimeText().empty());
}

TEST(BoundaryPoints, UnwritableProgramDirectoryFallsBackToTheModelDirectory) {
    TempDir dir;
    EXPECT_EQ(ChooseBoundaryPointsPath(dir.File("BNDRYPTS.txt"), "/x/m.DAT"), dir.File("BNDRYPTS.txt"));
    EXPECT_EQ(ChooseBoundaryPointsPath("/no/such/dir/BNDRYPTS.txt", dir.File("m.DAT")), dir.File("BNDRYPTS.txt"));
}

}  // namespace
}  // namespace membrane
