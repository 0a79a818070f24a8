// The import of surface meshes: the model file it writes reads back to the tables it
// meant, Gmsh's mesh versions agree, groups and merged points come out right, a run's
// membrane goes out as OBJ and back in unchanged; and a catalogue of bad surfaces, each
// refused with a message, exit status 2 and no file.
#include "heightfield/surface_import.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <tuple>

#include "common/text_sink.h"
#include "formats/import_error.h"
#include "formats/surface_export.h"
#include "formats/surface_reader.h"
#include "heightfield/lifted_surface.h"
#include "heightfield/model_loader.h"
#include "heightfield/model_writer.h"
#include "support/files.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

std::string ImportData(const std::string& name) {
    return std::string(MEMBRANE_TEST_DATA) + "/import/" + name;
}

struct Imported {
    PlanModel plan;
    std::shared_ptr<Model> model;
    RecordingMessageSink messages;
};

// Makes the surface into model file text and reads that back as a run would.
std::unique_ptr<Imported> ImportAndRead(const std::string& path, const HeldChoice& held = {}) {
    auto imported = std::make_unique<Imported>();
    imported->plan = MakePlanModel(ReadSurface(path, 0.0), held);
    StringSink text;
    RenderModelFile(text, imported->plan, "T.DAT", path);
    imported->model = ReadModel(ModelFile{"T.DAT", text.Take()}, imported->messages);
    return imported;
}

void ExpectSameTables(const Imported& imported) {
    const PlanModel& plan = imported.plan;
    const Model& model = *imported.model;
    EXPECT_TRUE(imported.messages.messages.empty());
    ASSERT_TRUE(model.complete);
    EXPECT_TRUE(CheckModel(model).empty());
    ASSERT_EQ(model.nodes.Count(), static_cast<int>(plan.nodes.size()));
    for (std::size_t i = 0; i < plan.nodes.size(); ++i) {
        const NodeEntry& node = model.nodes.Nodes()[i];
        EXPECT_EQ(node.number, static_cast<int>(i + 1));
        EXPECT_EQ(node.x, plan.nodes[i].x);
        EXPECT_EQ(node.y, plan.nodes[i].y);
        EXPECT_EQ(model.startHeights[i], plan.heights[i]);  // bit for bit
    }
    ASSERT_EQ(model.elements.Count(), static_cast<int>(plan.triangles.size()));
    for (std::size_t e = 0; e < plan.triangles.size(); ++e) {
        const ElementEntry& element = model.elements.Elements()[e];
        EXPECT_EQ(element.number, static_cast<int>(e + 1));
        const auto nodes = model.elements.NodesOf(element);
        for (int k = 0; k < 3; ++k) EXPECT_EQ(nodes[k], static_cast<int>(plan.triangles[e][k] + 1));
    }
    std::vector<std::int32_t> held;
    for (const auto& entry : model.constraints.Entries()) held.push_back(entry.value);
    std::vector<std::int32_t> expected;
    for (std::size_t i = 0; i < plan.held.size(); ++i)
        if (plan.held[i]) expected.push_back(static_cast<std::int32_t>(i + 1));
    EXPECT_EQ(held, expected);
}

TEST(SurfaceImport, ModelFileReadsBackToTheSameTables) {
    for (const std::string& path :
         {ImportData("square_v2.msh"), ImportData("square_v4.msh"), ImportData("quads_v4.msh"),
          std::string(MEMBRANE_EXAMPLES) + "/hypar.geo"}) {
        SCOPED_TRACE(path);
        const auto imported = ImportAndRead(path);
        ExpectSameTables(*imported);
        // Without groups, the held nodes are exactly the boundary of the plan mesh.
        EXPECT_EQ(imported->model->boundary.nodes.size(),
                  imported->model->constraints.Entries().size());
    }
    const auto tent = ImportAndRead(std::string(MEMBRANE_EXAMPLES) + "/tent.geo",
                                    HeldChoice{{}, {{"ring", 4.0}}});
    ExpectSameTables(*tent);
}

TEST(SurfaceImport, GmshVersionsTwoAndFourGiveTheSameNodes) {
    auto nodes = [](const Imported& imported) {
        std::vector<std::tuple<double, double, double, bool>> sorted;
        for (std::size_t i = 0; i < imported.plan.nodes.size(); ++i) {
            const SurfacePoint& p = imported.plan.nodes[i];
            sorted.emplace_back(p.x, p.y, imported.plan.heights[i], imported.plan.held[i]);
        }
        std::sort(sorted.begin(), sorted.end());
        return sorted;
    };
    const auto v2 = ImportAndRead(ImportData("square_v2.msh"));
    const auto v4 = ImportAndRead(ImportData("square_v4.msh"));
    EXPECT_EQ(nodes(*v2), nodes(*v4));
    EXPECT_EQ(v2->plan.triangles.size(), v4->plan.triangles.size());
}

// The mesh reader: Gmsh's versions 2.2 and 4.1, as text and binary, of one mesh read to the
// same points, triangles and groups, each group with its dimension, segments and triangles.
TEST(SurfaceImport, MeshFilesOfEveryVersionAndEncodingReadTheSame) {
    const std::vector<std::tuple<std::string, int, std::size_t, std::size_t, std::size_t>> groups =
        {{"mast", 0, 1, 0, 0}, {"off", 0, 1, 0, 0}, {"7", 1, 5, 4, 0}, {"membrane", 2, 25, 0, 32}};
    const auto expectGroups = [&](const SurfaceMesh& mesh) {
        ASSERT_EQ(mesh.groups.size(), groups.size());
        for (std::size_t g = 0; g < groups.size(); ++g) {
            const PointGroup& group = mesh.groups[g];
            EXPECT_EQ(std::make_tuple(group.name, group.dimension, group.points.size(),
                                      group.lines.size(), group.triangles.size()),
                      groups[g]);
        }
    };
    // The script the meshes were made from, meshed in the confined child, gives the same.
    expectGroups(ReadSurface(ImportData("square.geo"), 0));
    const SurfaceMesh text = ReadSurface(ImportData("square_v4.msh"), 0);
    expectGroups(text);
    for (const char* name : {"square_v2.msh", "square_v2_binary.msh", "square_v4_binary.msh"}) {
        SCOPED_TRACE(name);
        const SurfaceMesh other = ReadSurface(ImportData(name), 0);
        ASSERT_EQ(other.points.size(), text.points.size());
        // Text carries 16 significant digits, binary every bit.
        double apart = 0;
        for (std::size_t i = 0; i < text.points.size(); ++i)
            apart = std::max({apart, std::abs(other.points[i].x - text.points[i].x),
                              std::abs(other.points[i].y - text.points[i].y),
                              std::abs(other.points[i].z - text.points[i].z)});
        EXPECT_LT(apart, 1e-14);
        EXPECT_EQ(other.triangles, text.triangles);
        ASSERT_EQ(other.groups.size(), text.groups.size());
        for (std::size_t g = 0; g < text.groups.size(); ++g) {
            const PointGroup &a = other.groups[g], &b = text.groups[g];
            EXPECT_EQ(std::tie(a.name, a.dimension, a.points, a.lines, a.triangles),
                      std::tie(b.name, b.dimension, b.points, b.lines, b.triangles));
        }
    }
}

TEST(SurfaceImport, GroupsAreHeldAtTheirSurfaceHeightOrAGivenOne) {
    const auto centre = [](const Imported& imported) {
        for (std::size_t i = 0; i < imported.plan.nodes.size(); ++i)
            if (imported.plan.nodes[i].x == 2.0 && imported.plan.nodes[i].y == 2.0) return i;
        return imported.plan.nodes.size();
    };
    const auto free = ImportAndRead(ImportData("square_v4.msh"));
    const auto held = ImportAndRead(ImportData("square_v4.msh"), HeldChoice{{"mast"}, {}});
    const auto raised = ImportAndRead(ImportData("square_v4.msh"), HeldChoice{{}, {{"mast", 3.0}}});
    const std::size_t mast = centre(*free);
    ASSERT_LT(mast, free->plan.nodes.size());
    EXPECT_FALSE(free->plan.held[mast]);
    EXPECT_EQ(free->plan.heights[mast], 0.5);  // the surface's own height is the start
    EXPECT_TRUE(held->plan.held[mast]);
    EXPECT_EQ(held->plan.heights[mast], 0.5);
    EXPECT_TRUE(raised->plan.held[mast]);
    EXPECT_EQ(raised->plan.heights[mast], 3.0);
    EXPECT_EQ(std::count(raised->plan.held.begin(), raised->plan.held.end(), true),
              std::count(free->plan.held.begin(), free->plan.held.end(), true) + 1);
}

TEST(SurfaceImport, CoincidentPointsMergeAndTrianglesTurnCounterClockwise) {
    TempDir dir;
    // Two triangles with points of their own (as STL stores them), one a hair off and
    // both clockwise in plan; and a quadrilateral split along its shorter diagonal (3-5).
    WriteFile(dir / "s.obj",
              "v 0 0 0\nv 0 1 0\nv 1 0 0\n"
              "v 1 0 0\nv 0 1 1e-12\nv 1 1 0\n"
              "v 1 0 0\nv 2 0 0\nv 3 1 0\nv 1 1 0\n"
              "f 1 2 3\nf 4 5 6\nf 7 8 9 10\n");
    SurfaceMesh surface = ReadSurface(dir / "s.obj", 0);
    EXPECT_EQ(surface.triangles[2], (std::array<std::uint32_t, 3>{6, 7, 9}));
    EXPECT_EQ(surface.triangles[3], (std::array<std::uint32_t, 3>{7, 8, 9}));
    const PlanModel plan = MakePlanModel(surface, {});
    EXPECT_EQ(plan.nodes.size(), 6u);
    EXPECT_EQ(plan.mergedPoints, 4u);
    for (const auto& t : plan.triangles) {
        const SurfacePoint &a = plan.nodes[t[0]], &b = plan.nodes[t[1]], &c = plan.nodes[t[2]];
        EXPECT_GT((b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y), 0);
    }
}

// A long strip of 2000 x 1 squares: its points lie 1/2000 of its size apart, and none of
// them coincide, so every one is kept.
TEST(SurfaceImport, LongFineStripKeepsEveryPoint) {
    SurfaceMesh strip;
    constexpr std::uint32_t kSquares = 2000;
    for (std::uint32_t i = 0; i <= kSquares; ++i) {
        strip.points.push_back({double(i), 0.0, 0.0});
        strip.points.push_back({double(i), 1.0, 0.0});
    }
    for (std::uint32_t i = 0; i < kSquares; ++i) {
        strip.triangles.push_back({2 * i, 2 * i + 2, 2 * i + 3});
        strip.triangles.push_back({2 * i, 2 * i + 3, 2 * i + 1});
    }
    const PlanModel plan = MakePlanModel(strip, {});
    EXPECT_EQ(plan.nodes.size(), 4002u);
    EXPECT_EQ(plan.triangles.size(), 4000u);
    EXPECT_EQ(plan.mergedPoints, 0u);
}

ImportRequest Request(const std::string& surface, const std::string& model) {
    ImportRequest request;
    request.surface = surface;
    request.model = model;
    return request;
}

// Import, run, export OBJ, import the OBJ: its heights are the membrane's, so the run from
// there stops after one step at the same heights.
TEST(SurfaceImport, MembraneGoesOutAsObjAndBackUnchanged) {
    TempDir dir;
    ImportSurface(Request(std::string(MEMBRANE_EXAMPLES) + "/hypar.geo", dir / "first.DAT"));
    const RecordedRun first(Settings{}, dir / "first.DAT");
    ASSERT_EQ(first.result.outcome, RunOutcome::Success);
    ExportSurface(dir / "first.obj", LiftSurface(first.model(), first.solution().liftedZ));
    ImportSurface(Request(dir / "first.obj", dir / "second.DAT"));
    const RecordedRun second(Settings{}, dir / "second.DAT");
    ASSERT_EQ(second.result.outcome, RunOutcome::Success);
    EXPECT_EQ(second.solution().iterations, 1);
    // The import numbers the nodes afresh: matched by their plan points (OBJ keeps every
    // digit).
    ASSERT_EQ(second.solution().heights.size(), first.solution().heights.size());
    std::map<std::pair<double, double>, double> firstHeights;
    for (std::size_t i = 0; i < first.solution().heights.size(); ++i) {
        const NodeEntry& node = first.model().nodes.Nodes()[i];
        firstHeights[{node.x, node.y}] = first.solution().heights[i];
    }
    for (std::size_t i = 0; i < second.solution().heights.size(); ++i) {
        const NodeEntry& node = second.model().nodes.Nodes()[i];
        const auto found = firstHeights.find({node.x, node.y});
        ASSERT_NE(found, firstHeights.end()) << node.number;
        EXPECT_NEAR(second.solution().heights[i], found->second, 1e-9);
    }
}

struct BadSurface {
    const char* what;
    std::string file;  // written into the test's directory unless empty
    std::string contents;
    std::string options;  // after "import FILE -o out.DAT"
    std::string message;  // part of what stderr says
};

TEST(SurfaceImport, BadSurfacesAreRefusedWithoutAFile) {
    std::string garbage(4096, '\0');
    std::uint32_t x = 7;
    for (char& c : garbage) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    const std::string square = ImportData("square_v4.msh");
    const std::string plyHead =
        "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
        "property float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n"
        "0 0 0\n1 0 0\n0 1 0\n";
    // Five triangles of 108 degrees about the origin, rising as a helix: 540 degrees.
    std::string fan = "v 0 0 0\n";
    for (int k = 0; k <= 5; ++k)
        fan += "v " + std::to_string(std::cos(k * 0.6 * M_PI)) + " " +
               std::to_string(std::sin(k * 0.6 * M_PI)) + " " + std::to_string(k) + "\n";
    for (int k = 0; k < 5; ++k)
        fan += "f 1 " + std::to_string(k + 2) + " " + std::to_string(k + 3) + "\n";
    const std::vector<BadSurface> catalogue = {
        {"unknown format", "plan.txt", "v 0 0 0", "", "is none of them"},
        {"missing file", "", "", "", "Can not read the surface file"},
        {"binary garbage as Gmsh mesh", "g.msh", garbage, "", "is not a Gmsh mesh file"},
        {"mesh claiming more nodes than it holds", "n.msh",
         "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n$Nodes\n1 99999999999 1 99999999999\n", "",
         "it claims 99999999999 nodes, more than the rest of the file holds"},
        {"mesh naming a node it lacks", "e.msh",
         "$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n1\n1 0 0 0\n$EndNodes\n"
         "$Elements\n1\n1 2 0 1 1 9\n$EndElements\n",
         "", "names node 9, which it does not define"},
        {"binary garbage as STL", "g.stl", garbage, "", "The binary STL file states"},
        {"binary garbage as PLY", "g.ply", garbage, "", "PLY file: the first line is not"},
        {"OBJ without faces", "p.obj", "v 0 0 0\nv 1 0 0\n", "", "holds no triangles"},
        {"OBJ coordinate not a number", "p.obj", "v 0 0 0\nv 1 x 0\n", "",
         "OBJ line 2: a coordinate is missing or not a number"},
        {"OBJ corner out of range", "p.obj", "v 0 0 0\nv 1 0 0\nf 1 2 3\n", "",
         "OBJ line 3: a vertex 3"},
        {"coordinate not finite", "p.obj", "v 0 0 0\nv 1 0 0\nv 0 nan 0\nf 1 2 3\n", "",
         "not a number"},
        {"geometry without a surface", "p.geo", "Point(1) = {0, 0, 0};\n", "",
         "holds no triangles"},
        {"folded plan", "f.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0.2 0.2 1\nf 1 2 3\nf 3 2 4\n", "",
         "folds over itself in plan: triangle 2, with the corners (0, 1), (0.2, 0.2) and (1, 0)"},
        {"upright triangle", "u.obj", "v 0 0 0\nv 1 0 0\nv 0.5 0 1\nv 0 1 0\nf 1 2 3\nf 1 2 4\n",
         "", "Triangle 1, with the corners (0, 0), (1, 0) and (0.5, 0), stands upright"},
        {"two heights over one plan point", "t.obj",
         "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nv 1 1 1\nv -1 1 1\nf 1 2 3\nf 4 5 6\n", "",
         "passes twice over the point (0, 0) of the plan, at the heights 0 and 1"},
        {"missing group", "", "", "--held nope", "There is no group \"nope\""},
        {"group off the membrane", "", "", "--held off", "The group \"off\" holds no node"},
        {"group of a file without groups", "p.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
         "--held-height a=1", "(it has no groups)"},
        // Files that are no surface files at all: refused on the descriptor, never read.
        {"FIFO", "f.ply", "<fifo>", "", "a FIFO, not a regular file"},
        {"endless device", "zero.obj", "<link /dev/zero>", "",
         "a character device, not a regular file"},
        {"directory", "d.stl", "<directory>", "", "a directory, not a regular file"},
        // Counts and indices of binary and text formats checked before use.
        {"PLY corner out of range", "p.ply", plyHead + "4 0 1 2 99999999\n", "",
         "face 1 names vertex 99999999, and there are 3"},
        {"PLY negative corner", "p.ply", plyHead + "3 0 1 -1\n", "", "face 1 names vertex -1"},
        {"PLY face without corners", "p.ply", plyHead + "0\n", "", "fewer than three corners"},
        {"PLY header without end", "p.ply", "ply\nformat ascii 1.0\nelement vertex 3\n", "",
         "no \"end_header\""},
        {"PLY count beyond the file", "p.ply",
         "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
         "property float y\nproperty float z\nend_header\n" +
             std::string(40, '\0'),
         "", "more than the file can hold"},
        {"PLY binary cut short", "p.ply",
         "ply\nformat binary_big_endian 1.0\nelement vertex 3\nproperty double x\n"
         "property double y\nproperty double z\nelement face 1\n"
         "property list uchar int vertex_indices\nend_header\n" +
             std::string(72, '\0') + "\x03",
         "", "the data ends before the last element"},
        {"binary STL cut short", "s.stl",
         std::string(80, ' ') + std::string("\x05\0\0\0", 4) + std::string(60, '\0'), "",
         "states 5 triangles, which take 334 bytes; it has 144"},
        {"STL facet of two corners", "s.stl",
         "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nendloop\n"
         "endfacet\nendsolid s\n",
         "", "STL line 7: a facet without three corners"},
        // Plans that overlap themselves, with or without shared points, and one whose meshes
        // do not meet at their nodes.
        {"stacked triangles", "s.obj",
         "v 0 0 0\nv 2 0 0\nv 0 2 0\nv 0.2 0.2 1\nv 1 0.2 1\nv 0.2 1 1\nf 1 2 3\nf 4 5 6\n", "",
         "triangle 1 ((0, 0), (2, 0), (0, 2)) and triangle 2 ((0.2, 0.2), (1, 0.2), (0.2, 1)) "
         "overlap in the XY plane"},
        {"bow-tie on one corner", "b.obj",
         "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 3 0.2 1\nv 3 0.8 1\nf 1 2 3\nf 1 4 5\n", "",
         "triangle 1 ((0, 0), (2, 0), (2, 1)) and triangle 2"},
        {"fan of 540 degrees", "f.obj", fan, "", "overlap in the XY plane"},
        {"T-junction", "t.obj",
         "v 0 0 0\nv 2 0 0\nv 1 -1 0\nv 1 0 0\nv 0.5 1 0\nv 1.5 1 0\nf 1 3 2\nf 1 4 5\n"
         "f 4 2 6\n",
         "", "lies inside the side from (2, 0) to (0, 0) of triangle 1"},
    };
    for (const BadSurface& bad : catalogue) {
        SCOPED_TRACE(bad.what);
        TempDir dir;
        std::string surface =
            bad.file.empty() ? (bad.options.empty() ? dir / "absent.msh" : square) : dir / bad.file;
        if (bad.contents == "<fifo>")
            ASSERT_EQ(::mkfifo(surface.c_str(), 0600), 0);
        else if (bad.contents == "<directory>")
            std::filesystem::create_directory(surface);
        else if (bad.contents.starts_with("<link "))
            std::filesystem::create_symlink(bad.contents.substr(6, bad.contents.size() - 7),
                                            surface);
        else if (!bad.file.empty())
            WriteFile(surface, bad.contents);
        const CliResult result =
            RunCli("import '" + surface + "' -o '" + dir / "out.DAT" + "' " + bad.options);
        // A file that cannot be read: 5, as for every command.
        const bool unreadable = bad.message.find("not a regular file") != std::string::npos ||
                                std::string(bad.what) == "missing file";
        EXPECT_EQ(result.status, unreadable ? 5 : 2);
        EXPECT_NE(result.output.find(bad.message), std::string::npos) << result.output;
        // Nothing written: neither the model file nor a temporary beside it.
        std::vector<std::string> expected;
        if (!bad.file.empty()) expected.push_back(bad.file);
        EXPECT_EQ(FileNames(dir.Path()), expected);
    }
}

// Gmsh files written as an attacker would: whatever the script tries, no command runs
// (the marker file stays absent) and no file is written; the import is refused with a
// message (exit status 2) or, for what is harmless, goes through.
TEST(SurfaceImport, GmshFilesRunNoCommandAndWriteNoFile) {
    const std::string square =
        "Point(1) = {0, 0, 0, 0.5}; Point(2) = {1, 0, 0, 0.5}; Point(3) = {1, 1, 0, 0.5};\n"
        "Point(4) = {0, 1, 0, 0.5}; Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4};\n"
        "Line(4) = {4, 1}; Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};\n";
    const std::string touch = "SystemCall \"touch marker\";\n";
    const std::string wrote = "tried to write a file; refused";
    const std::string ran = "tried to run a program";
    struct Hostile {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;  // the first is imported
        std::string options;
        int status;
        std::string message;
    };
    const std::vector<Hostile> catalogue = {
        {"command in a generated include",
         {{"a.geo",
           "Printf(StrCat(\"Sys\", \"temCall 'touch marker';\")) > \"gen.inc\";\n"
           "Include \"gen.inc\";\n" +
               square}},
         "",
         2,
         wrote},
        {"command", {{"a.geo", touch + square}}, "", 2, ran},
        {"script named .msh", {{"a.msh", touch}}, "", 2, "is not a Gmsh mesh file"},
        {"option file beside a geometry", {{"a.geo", square}, {"a.geo.opt", touch}}, "", 2, ran},
        {"option file beside a mesh",
         {{"a.msh", ReadFile(ImportData("square_v4.msh"))}, {"a.msh.opt", touch}},
         "",
         0,
         ""},
        {"include of a computed name",
         {{"a.geo", "Include StrCat(\"inc_\", \"sys.inc\");\n" + square}, {"inc_sys.inc", touch}},
         "",
         2,
         ran},
        {"merge of another script",
         {{"a.geo", "Merge \"b.geo\";\n" + square}, {"b.geo", touch}},
         "",
         2,
         ran},
        {"printf to a file", {{"a.geo", "Printf(\"x\") > \"out.txt\";\n" + square}}, "", 2, wrote},
        {"printf appended to a file",
         {{"a.geo", "Printf(\"x\") >> \"out.txt\";\n" + square}},
         "",
         2,
         wrote},
        {"exit", {{"a.geo", square + "Exit;\n"}}, "", 2, "it ended before it gave a mesh"},
        {"error with abort",
         {{"a.geo", "General.AbortOnError = 4; Error(\"boom\");\n" + square}},
         "",
         2,
         "boom"},
        {"sleep",
         {{"a.geo", "Sleep 1e9;\n" + square}},
         "--time-limit 2",
         2,
         "it took longer than the limit of 2 s"},
        {"endless loop",
         {{"a.geo", "For i In {1:1e15}\nEndFor\n" + square}},
         "--time-limit 2",
         2,
         "Gmsh can not mesh"},
        {"tiny elements on a 100 m square",
         {{"a.geo",
           "Mesh.MeshSizeMax = 1e-3;\nPoint(1) = {0, 0, 0}; Point(2) = {100, 0, 0};\n"
           "Point(3) = {100, 100, 0}; Point(4) = {0, 100, 0}; Line(1) = {1, 2};\n"
           "Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};\n"
           "Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};\n"}},
         "--time-limit 2",
         2,
         "Gmsh can not mesh"},
        {"a harmless comment", {{"a.geo", "// Save a copy\n" + square}}, "", 0, ""},
    };
    for (const Hostile& hostile : catalogue) {
        SCOPED_TRACE(hostile.what);
        TempDir dir;
        std::vector<std::string> expected;
        for (const auto& [name, contents] : hostile.files) {
            WriteFile(dir / name, contents);
            expected.push_back(name);
        }
        if (hostile.status == 0) expected.push_back("out.DAT");
        std::sort(expected.begin(), expected.end());
        const CliResult result =
            RunCli("import '" + dir / hostile.files[0].first + "' -o out.DAT -q " + hostile.options,
                   dir.Path());
        EXPECT_EQ(result.status, hostile.status) << result.output;
        EXPECT_NE(result.output.find(hostile.message), std::string::npos) << result.output;
        EXPECT_EQ(FileNames(dir.Path()), expected);
    }
}

// Sizes and times are finite numbers above 0.
TEST(SurfaceImport, SizeAndTimeLimitMustBeFinitePositiveNumbers) {
    TempDir dir;
    for (const char* option : {"--size nan", "--size inf", "--size -1", "--time-limit nan"}) {
        SCOPED_TRACE(option);
        const CliResult result = RunCli("import '" + ImportData("square.geo") + "' -o '" +
                                        dir / "out.DAT" + "' " + option);
        EXPECT_EQ(result.status, 64);
        EXPECT_NE(result.output.find("a finite number above 0"), std::string::npos)
            << result.output;
        EXPECT_TRUE(FileNames(dir.Path()).empty());
    }
}

}  // namespace
}  // namespace membrane
