// Near-vertical walls: the slope a triangle owes to the computed heights, at the edges of
// the 80 degree rule, and the cone series on both sides of the height its mast ring can
// reach, as the user meets it (exit status, warning, the walls filled in the drawing).
#include "heightfield/steep_walls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "support/files.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

struct SlopeCase {
    const char* what;
    bool held[3];
    double z[3];
    bool wall;
};

// The triangle (0, 0), (1, 0), (0, 1); tan 80 degrees = 5.671.
TEST(SteepWalls, TheComputedSlopeAgainstEightyDegrees) {
    const std::vector<SlopeCase> cases = {
        {"free corners 5.70 below a held one", {false, true, false}, {0, 5.70, 0}, true},
        {"free corners 5.64 below a held one", {false, true, false}, {0, 5.64, 0}, false},
        {"nothing held, steep all the same", {false, false, false}, {0, 6, 0}, true},
        {"held side level, free corner dropped", {true, true, false}, {6, 6, 0}, true},
        {"held side steep (as asked), free corner across it level",
         {true, false, true},
         {0, 0, 20},
         false},
        {"three held corners, however steep", {true, true, true}, {0, 20, 0}, false},
    };
    for (const SlopeCase& c : cases) {
        SCOPED_TRACE(c.what);
        Model model;
        model.nodes.Add(1, 0, 0);
        model.nodes.Add(2, 1, 0);
        model.nodes.Add(3, 0, 1);
        const std::int32_t corners[3] = {1, 2, 3};
        model.elements.Add(7, 1, corners);
        for (int k = 0; k < 3; ++k)
            if (c.held[k]) model.constraints.Add(k + 1, k + 1);
        const std::vector<double> z(c.z, c.z + 3);
        const SteepWalls walls = FindSteepWalls(model, z, std::vector<double>{2.5});
        EXPECT_EQ(walls.elements.size(), c.wall ? 1u : 0u);
        if (c.wall) {
            EXPECT_EQ(walls.area, 2.5);
            EXPECT_GT(walls.steepest, 80.0);
            EXPECT_EQ(walls.heldNodes.size(),
                      static_cast<std::size_t>(c.held[0] + c.held[1] + c.held[2]));
        }
    }
}

// tests/data/cone: a 0.5 m mast ring in a 12 m square reaches about 1.7 m.
TEST(SteepWalls, ConeBelowAndAboveTheHeightItsRingCanReach) {
    TempDir dir;
    for (const auto& [height, status] : {std::pair{"1.7", 0}, {"1.8", 1}}) {
        SCOPED_TRACE(height);
        const std::string model = dir.File(std::string("cone") + height + ".DAT");
        ASSERT_EQ(RunCli("import '" + DataFile("cone/cone.geo") + "' -o '" + model +
                         "' --held-height ring=" + height + " -q")
                      .status,
                  0);
        const std::string svg = dir.File("plan.svg");
        const CliResult run = RunCli("run '" + model + "' --svg '" + svg + "'");
        EXPECT_EQ(run.status, status) << run.output;
        const std::size_t warning = run.output.find("warning      : near-vertical walls: ");
        std::size_t filled = 0;
        for (std::size_t at = 0;
             (at = ReadFile(svg).find("fill=\"#b604ea\"", at)) != std::string::npos; ++at)
            ++filled;
        if (status == 0) {
            EXPECT_EQ(warning, std::string::npos) << run.output;
            EXPECT_EQ(filled, 0u);
            continue;
        }
        ASSERT_NE(warning, std::string::npos) << run.output;
        EXPECT_NE(
            run.output.find("54 triangles steeper than 80 degrees (up to 80.9; elements ", warning),
            std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("0.4 % of the area, next to held nodes ", warning),
                  std::string::npos);
        EXPECT_NE(run.output.find("does not exist as a membrane over this plan", warning),
                  std::string::npos);
        EXPECT_EQ(filled, 54u);  // the plan drawing fills the walls
    }
}

}  // namespace
}  // namespace membrane
