// Form models written by hand: what a TOML file selects, in the units it states; and every
// fault a user makes, each reported with the file, the line and what is wrong, before any
// run. The surface is a 3 x 3 grid of points 1 m apart with Gmsh-like groups.
#include "form/form_model_reader.h"

#include <gtest/gtest.h>

#include "form/form_run.h"
#include "formats/import_error.h"
#include "support/files.h"
#include "support/recording.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

//  6 7 8
//  3 4 5     (points numbered from 0 here, from 1 in the files)
//  0 1 2
SurfaceMesh Grid() {
    SurfaceMesh mesh;
    for (int j = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) mesh.points.push_back({1.0 * i, 1.0 * j, 0.1 * i * j});
    for (std::uint32_t j = 0; j < 2; ++j)
        for (std::uint32_t i = 0; i < 2; ++i) {
            const std::uint32_t a = 3 * j + i;
            mesh.triangles.push_back({a, a + 1, a + 4});
            mesh.triangles.push_back({a, a + 4, a + 3});
        }
    mesh.groups.push_back({"left", {}, 2, {}, {0, 1, 4, 5}});
    mesh.groups.push_back({"right", {}, 2, {}, {2, 3, 6, 7}});
    mesh.groups.push_back({"south", {0, 1, 2}, 1, {{0, 1}, {1, 2}}, {}});
    mesh.groups.push_back({"rim", {0, 1, 2, 5, 8, 7, 6, 3}, 1, {}, {}});  // points only: a ring
    mesh.groups.push_back({"fork", {1, 4, 3, 5, 7}, 1, {{1, 4}, {4, 3}, {4, 5}, {4, 7}}, {}});
    mesh.groups.push_back({"apart", {0, 1, 7, 8}, 1, {{0, 1}, {7, 8}}, {}});
    mesh.groups.push_back({"corners", {0, 2, 6, 8}, 0, {}, {}});
    return mesh;
}

FormModel Parse(const std::string& text) {
    return ParseFormModel(text, "/models/m.toml", [](const std::string& path, double) {
        if (path != "/models/grid.msh") throw ImportError("Can not open the surface file " + path);
        return Grid();
    });
}

const std::string kHead =
    "[units]\nforce = \"kN\"\nlength = \"m\"\n[surface]\nfile = \"grid.msh\"\n";
const std::string kMembrane = "[[membrane]]\nprestress = 2\n";
const std::string kSupport = "[[support]]\ngroup = \"corners\"\n";

TEST(FormModelReader, TakesWhatTheFileSelectsInItsUnits) {
    const FormModel m = Parse(
        "[units]\nforce = \"N\"\nlength = \"mm\"\n[surface]\nfile = \"grid.msh\"\n"
        "[solver]\naccuracy = 0.5\nmax_iterations = 40\n"
        "[[membrane]]\ngroup = \"left\"\nprestress = 3\npressure = -2e-3\n"
        "[[membrane]]\nname = \"rest\"\nprestress = 1.5\n"
        "[[cable]]\ngroup = \"south\"\nforce = 4000\n"
        "[[cable]]\nname = \"across\"\nnodes = [7, 5, 3]\nforce = 1000\n"
        "[[support]]\ngroup = \"rim\"\n"
        "[[support]]\nname = \"centre\"\nnear = [[1, 1.0004, 0.1]]\n");
    ASSERT_EQ(m.NodeCount(), 9u);
    EXPECT_EQ(m.start[8].x, 2e-3);  // mm to m
    EXPECT_EQ(m.settings.accuracy, 0.5e-3);
    EXPECT_EQ(m.settings.maxIterations, 40);
    ASSERT_EQ(m.regions.size(), 2u);
    EXPECT_EQ(m.regions[0].name, "left");
    EXPECT_DOUBLE_EQ(m.regions[0].stress, 3.0);     // N/mm = kN/m
    EXPECT_DOUBLE_EQ(m.regions[0].pressure, -2.0);  // N/mm^2 = 1000 kN/m^2
    EXPECT_EQ(m.triangleRegion, (std::vector<std::int32_t>{0, 0, 1, 1, 0, 0, 1, 1}));
    ASSERT_EQ(m.cables.size(), 2u);
    EXPECT_EQ(m.cables[0].nodes, (std::vector<std::int32_t>{0, 1, 2}));
    EXPECT_DOUBLE_EQ(m.cables[0].force, 4.0);
    EXPECT_EQ(m.cables[1].nodes, (std::vector<std::int32_t>{6, 4, 2}));
    ASSERT_EQ(m.supports.size(), 2u);
    EXPECT_EQ(m.supports[0].nodes, (std::vector<std::int32_t>{0, 1, 2, 3, 5, 6, 7, 8}));
    EXPECT_EQ(m.supports[1].nodes, (std::vector<std::int32_t>{4}));
    EXPECT_TRUE(CheckFormModel(m).empty());

    // A ring of points is a closed cable; every boundary point a support.
    const FormModel ring = Parse(kHead + kMembrane + "[[cable]]\ngroup = \"rim\"\nforce = 1\n" +
                                 "[[support]]\nboundary = true\n");
    ASSERT_EQ(ring.cables.size(), 1u);
    EXPECT_TRUE(ring.cables[0].Closed());
    EXPECT_EQ(ring.cables[0].nodes.size(), 9u);
    EXPECT_EQ(ring.supports[0].nodes.size(), 8u);
}

struct BadInput {
    const char* name;
    std::string text;
    std::string said;  // what the message says, after "/models/m.toml:"
};

std::vector<BadInput> BadInputs() {
    const std::string rest = kMembrane + kSupport;
    return {
        {"not TOML", "[units\n", "1: "},
        {"unknown table", kHead + rest + "[mesh]\nsize = 1\n",
         "10: unknown key \"mesh\" in the file"},
        {"unknown key", kHead + "[[membrane]]\nprestres = 2\n" + kSupport,
         "7: unknown key \"prestres\" in [[membrane]] 1 (known: name, group, prestress, pressure)"},
        {"no units", "[surface]\nfile = \"grid.msh\"\n" + rest, "no [units] table"},
        {"unit misspelt",
         "[units]\nforce = \"KN\"\nlength = \"m\"\n[surface]\nfile = \"grid.msh\"\n" + rest,
         "2: unit \"KN\" for force: write \"kN\" or \"N\""},
        {"length unit",
         "[units]\nforce = \"kN\"\nlength = \"cm\"\n[surface]\nfile = \"grid.msh\"\n" + rest,
         "3: unit \"cm\" for length: write \"m\" or \"mm\""},
        {"no surface", "[units]\nforce = \"kN\"\nlength = \"m\"\n" + rest, "no [surface] table"},
        {"surface missing",
         "[units]\nforce = \"kN\"\nlength = \"m\"\n[surface]\nfile = \"gone.obj\"\n" + rest,
         "5: Can not open the surface file /models/gone.obj"},
        {"surface no text", "[units]\nforce = \"kN\"\nlength = \"m\"\n[surface]\nfile = 3\n" + rest,
         "5: \"file\" in [surface] must be a text in quotes"},
        {"negative prestress", kHead + "[[membrane]]\nprestress = -2\n" + kSupport,
         "7: \"prestress\" in [[membrane]] 1 must be more than 0, not -2"},
        {"prestress as text", kHead + "[[membrane]]\nprestress = \"2\"\n" + kSupport,
         "7: \"prestress\" in [[membrane]] 1 must be a number"},
        {"no prestress", kHead + "[[membrane]]\nname = \"m\"\n" + kSupport,
         "6: [[membrane]] 1 has no \"prestress\""},
        {"no membrane", kHead + kSupport, "no [[membrane]] table"},
        {"membrane as table", kHead + "[membrane]\nprestress = 2\n" + kSupport,
         "\"membrane\" must be written as [[membrane]] tables"},
        {"no support", kHead + kMembrane,
         "no [[support]] table: nothing holds the membrane in place"},
        {"group missing", kHead + kMembrane + "[[support]]\ngroup = \"mast\"\n",
         "9: group \"mast\" is not in the surface file /models/grid.msh (its groups: \"left\""},
        {"membrane group of points",
         kHead + "[[membrane]]\ngroup = \"corners\"\nprestress = 1\n" + kSupport,
         "7: group \"corners\" has no triangles: a membrane is a surface group"},
        {"triangles left over",
         kHead + "[[membrane]]\ngroup = \"left\"\nprestress = 1\n" + kSupport,
         "4 triangles belong to no [[membrane]]"},
        {"cable branches", kHead + rest + "[[cable]]\ngroup = \"fork\"\nforce = 1\n",
         "11: cable \"fork\" is no curve: it branches at node 5"},
        {"cable in pieces", kHead + rest + "[[cable]]\ngroup = \"apart\"\nforce = 1\n",
         "11: cable \"apart\" is no curve: its segments form more than one piece"},
        {"cable without force", kHead + rest + "[[cable]]\ngroup = \"south\"\n",
         "10: [[cable]] 1 has no \"force\""},
        {"cable node missing", kHead + rest + "[[cable]]\nnodes = [1, 99]\nforce = 1\n",
         "10: [[cable]] \"cable 1\": node 99 is not in the surface file (it has 9 points)"},
        {"cable both ways",
         kHead + rest + "[[cable]]\ngroup = \"south\"\nnodes = [1, 2]\nforce = 1\n",
         "10: [[cable]] 1 must name its nodes one way: \"group\" or \"nodes\""},
        {"node number zero", kHead + kMembrane + "[[support]]\nnodes = [0]\n",
         "9: \"nodes\" in [[support]] 1: a node number"},
        {"support near nothing", kHead + kMembrane + "[[support]]\nnear = [[50, 50, 0]]\n",
         "8: [[support]] \"support 1\": no point of the surface near"},
        {"iterations not whole", kHead + "[solver]\nmax_iterations = 2.5\n" + rest,
         "7: \"max_iterations\" in [solver] must be a whole number from 1 to 1000000"},
    };
}

TEST(FormModelReader, EveryFaultIsReportedWithItsLine) {
    for (const BadInput& c : BadInputs()) {
        try {
            Parse(c.text);
            ADD_FAILURE() << c.name << ": read without an error";
        } catch (const FormInputError& error) {
            ASSERT_FALSE(error.Messages().empty()) << c.name;
            const std::string& message = error.Messages().front();
            EXPECT_TRUE(message.starts_with("/models/m.toml")) << c.name << ": " << message;
            EXPECT_NE(message.find(c.said), std::string::npos) << c.name << ": " << message;
        }
    }
}

// Through the command line: exit status 2, the message on stderr, no file written; a model
// the checks refuse (a part held by nothing) the same.
TEST(FormModelReader, CommandLineRefusesABadModelAndWritesNothing) {
    TempDir dir;
    WriteFile(dir.File("grid.obj"),
              "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 0\nv 6 5 0\nv 5 6 0\nf 1 2 3\nf 4 5 6\n");
    const std::string head =
        "[units]\nforce = \"kN\"\nlength = \"m\"\n[surface]\nfile = \"grid.obj\"\n";
    const std::pair<std::string, std::string> cases[] = {
        {head + "[[membrane]]\nprestress = 1\nprestress = 2\n[[support]]\nnodes = [1]\n",
         "m.toml:8: "},
        {head + "[[membrane]]\nprestress = 1\n[[support]]\nnodes = [1]\n",
         "the part of the mesh with node 4 is held by no support"},
    };
    for (const auto& [text, said] : cases) {
        WriteFile(dir.File("m.toml"), text);
        const CliResult run = RunCli("form '" + dir.File("m.toml") + "'");
        EXPECT_EQ(run.status, 2) << run.output;
        EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
        EXPECT_FALSE(Exists(dir.File("m.form.txt")));
    }
}

}  // namespace
}  // namespace membrane
