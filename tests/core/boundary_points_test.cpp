#include "heightfield/boundary_points.h"

#include <gtest/gtest.h>

#include "heightfield/value_lists.h"
#include "support/files.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

TEST(BoundaryPoints, FileIsAConstraintTableThatReadsBack) {
    TempDir dir;
    const std::vector<std::int32_t> nodes = {3, 7, 12, 40};
    const std::string path = dir.File("BNDRYPTS.txt");
    ASSERT_TRUE(
        WriteBoundaryPointsFile(path, "/data/models/dome.DAT", nodes, "2026-01-02 03:04:05"));
    const std::string text = ReadFile(path);
    EXPECT_EQ(text, CrLf({"TEXT FILE", "- ALL BOUNDARY POINTS FROM RECENT BRIMEL.EXE CALCULATION",
                          "- usage   : if needed adjust *.dat model with this list",
                          "- model   : /data/models/dome.DAT", "- created : 2026-01-02 03:04:05",
                          "", "&CONSTRAINTS 4 ", "   3", "   7", "   12", "   40"}));
    RecordingMessageSink sink;
    IntList back(KeyColumn::Implicit, "&CONSTR");
    back.ReadTable(text, sink);
    ASSERT_EQ(back.Count(), 4);
    EXPECT_EQ(back.ValueOf(1), 3);
    EXPECT_EQ(back.ValueOf(4), 40);

    EXPECT_FALSE(WriteBoundaryPointsFile(dir.File("no/such/dir/BNDRYPTS.txt"), "m", nodes, "t"));
    EXPECT_FALSE(
        WriteBoundaryPointsFile(dir.File("none.txt"), "m", {}, "t"));  // no boundary: no file
    EXPECT_FALSE(Exists(dir.File("none.txt")));
    EXPECT_FALSE(CurrentDateTimeText().empty());
}

TEST(BoundaryPoints, UnwritableProgramDirectoryFallsBackToTheModelDirectory) {
    TempDir dir;
    EXPECT_EQ(ChooseBoundaryPointsPath(dir.File("BNDRYPTS.txt"), "/x/m.DAT"),
              dir.File("BNDRYPTS.txt"));
    EXPECT_EQ(ChooseBoundaryPointsPath("/no/such/dir/BNDRYPTS.txt", dir.File("m.DAT")),
              dir.File("BNDRYPTS.txt"));
}

}  // namespace
}  // namespace membrane
