// Generated models: mesh shape and counts, the written file as the model loader reads it,
// the exact areas, a Newton run against the exact surface, and the command line.
#include "heightfield/model_generator.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <regex>

#include "heightfield/mesh_area.h"
#include "heightfield/model_loader.h"
#include "support/files.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

// Reads and checks a model file the way a run does.
struct LoadedModel {
    RecordingMessageSink sink;
    std::shared_ptr<const Model> model;
    bool loaded = false;

    LoadedModel(const TempDir&, const std::string& path) {
        model = ReadModel(*ReadModelFile(path), sink);
        loaded = model->complete && CheckModel(*model).empty();
    }
    const Model& M() const { return *model; }
};

TEST(ModelGenerator, CountsComeCloseToTheTargetAndTheTopologyIsAClosedGrid) {
    for (std::int64_t target : {1000, 10000, 100000}) {
        const GeneratedModel annulus = GenerateModel(GeneratedShape::Catenoid, target);
        EXPECT_NEAR(annulus.NodeCount(), target, 0.03 * target);
        // nt nodes on each of nr + 1 rings, two triangles per cell, both circles held.
        const auto held = std::count(annulus.held.begin(), annulus.held.end(), true);
        ASSERT_EQ(held % 2, 0);
        const std::int64_t perRing = held / 2;
        EXPECT_EQ(annulus.NodeCount() % perRing, 0);
        EXPECT_EQ(annulus.TriangleCount(), 2 * (annulus.NodeCount() - perRing));

        const GeneratedModel square = GenerateModel(GeneratedShape::Scherk, target);
        const auto n = static_cast<std::int32_t>(std::lround(std::sqrt(square.NodeCount())));
        EXPECT_EQ(square.NodeCount(), n * n);
        EXPECT_NEAR(square.NodeCount(), target, 0.03 * target);
        EXPECT_EQ(square.TriangleCount(), 2 * (n - 1) * (n - 1));
        EXPECT_EQ(std::count(square.held.begin(), square.held.end(), true), 4 * (n - 1));
    }
    // Out-of-range requests are clamped, never an empty or overflowing grid.
    EXPECT_GE(GenerateModel(GeneratedShape::FlatSquare, 0).NodeCount(), kMinGeneratedNodes);
}

TEST(ModelGenerator, ExactAreas) {
    // Closed form of the half catenoid between r = 1.2 and r = 3 (neck radius 1), and a
    // 20-digit quadrature of Scherk's surface over [-1.2, 1.2]^2.
    EXPECT_NEAR(CatenoidExactArea(), 27.739245553244832, 1e-12);
    EXPECT_NEAR(ScherkExactArea(), 9.9498249987075541, 1e-12);
    EXPECT_EQ(ExactArea(GeneratedShape::FlatSquare), 1.0);
    // A near-flat Scherk square: the area tends to the plan area 4 L^2 (1 + L^2 / 3 ...).
    const double l = 1e-3;
    EXPECT_NEAR(ScherkExactArea({l}), 4 * l * l * (1 + l * l / 3), 1e-16);
    // The P1 interpolant of the exact surface approaches the exact area as the mesh
    // is refined (O(h^2): about ten times closer for ten times the nodes).
    for (GeneratedShape shape : {GeneratedShape::Catenoid, GeneratedShape::Scherk}) {
        double previous = 0.0;
        for (std::int64_t target : {1000, 10000}) {
            const GeneratedModel m = GenerateModel(shape, target);
            std::vector<double> exact(m.x.size());
            for (std::size_t k = 0; k < exact.size(); ++k)
                exact[k] = ExactHeight(shape, m.x[k], m.y[k]);
            const double error = std::fabs(LiftedArea(m, exact) - ExactArea(shape));
            if (previous > 0.0) {
                EXPECT_LT(error, previous / 7);
            }
            EXPECT_LT(error, 0.03);
            previous = error;
        }
    }
}

// Reads the written catenoid back: every triangle counter-clockwise, the held nodes
// exactly the nodes on the two circles, with the exact heights; the free nodes start
// linear in r between them.
TEST(ModelGenerator, WrittenCatenoidLoadsWithTrianglesCounterClockwiseAndBoundaryOnTheCircles) {
    TempDir dir;
    const std::string path = dir.File("CAT.DAT");
    const GeneratedModel generated = GenerateModel(GeneratedShape::Catenoid, 3000);
    ASSERT_TRUE(WriteGeneratedModel(generated, path));
    LoadedModel loaded(dir, path);
    ASSERT_TRUE(loaded.loaded);
    EXPECT_TRUE(loaded.sink.messages.empty());
    const Model& m = loaded.M();
    ASSERT_EQ(m.nodes.Count(), generated.NodeCount());
    ASSERT_EQ(m.elements.Count(), generated.TriangleCount());

    for (const ElementEntry& e : m.elements.Elements()) {
        const auto corners = m.elements.NodesOf(e);
        ASSERT_EQ(corners.size(), 3u);
        const NodeEntry* p[3];
        for (int k = 0; k < 3; ++k) ASSERT_NE(p[k] = m.nodes.Find(corners[k]), nullptr);
        EXPECT_GT(TwiceSignedArea(p[0]->x, p[0]->y, p[1]->x, p[1]->y, p[2]->x, p[2]->y), 0.0)
            << "element " << e.number;
    }

    const CatenoidParameters c;
    const double inner = std::acosh(c.innerRadius), outer = std::acosh(c.outerRadius);
    std::vector<bool> held(m.nodes.Count() + 1, false);
    for (const auto& entry : m.constraints.Entries()) held.at(entry.value) = true;
    int onCircles = 0;
    for (const NodeEntry& node : m.nodes.Nodes()) {
        const double r = std::hypot(node.x, node.y);
        const bool onInner = std::fabs(r - c.innerRadius) < 1e-11;
        const bool onOuter = std::fabs(r - c.outerRadius) < 1e-11;
        EXPECT_EQ(held[node.number], onInner || onOuter) << "node " << node.number << " r " << r;
        const double start = m.initial.ValueOf(node.number);
        if (onInner) {
            EXPECT_NEAR(start, inner, 1e-12);
        }
        if (onOuter) {
            EXPECT_NEAR(start, outer, 1e-12);
        }
        if (!onInner && !onOuter) {
            EXPECT_GT(r, c.innerRadius);
            EXPECT_LT(r, c.outerRadius);
            const double linear =
                inner + (r - c.innerRadius) / (c.outerRadius - c.innerRadius) * (outer - inner);
            EXPECT_NEAR(start, linear, 1e-11);
        }
        onCircles += onInner || onOuter;
    }
    EXPECT_EQ(onCircles, m.constraints.Count());
    EXPECT_EQ(m.initial.Count(), m.nodes.Count());
    // The boundary analysis finds the two circles and nothing else.
    EXPECT_EQ(static_cast<std::int32_t>(m.boundary.nodes.size()), m.constraints.Count());
}

TEST(ModelGenerator, SquaresAreCounterClockwiseWithTheEdgesHeld) {
    for (GeneratedShape shape : {GeneratedShape::Scherk, GeneratedShape::FlatSquare}) {
        const GeneratedModel m = GenerateModel(shape, 400);
        for (const auto& t : m.triangles)
            EXPECT_GT(
                TwiceSignedArea(m.x[t[0]], m.y[t[0]], m.x[t[1]], m.y[t[1]], m.x[t[2]], m.y[t[2]]),
                0.0);
        const double half = shape == GeneratedShape::Scherk ? ScherkParameters{}.halfSide : 0.5;
        const double centre = shape == GeneratedShape::Scherk ? 0.0 : 0.5;
        for (std::size_t k = 0; k < m.x.size(); ++k) {
            const double dx = std::fabs(m.x[k] - centre), dy = std::fabs(m.y[k] - centre);
            EXPECT_EQ(bool(m.held[k]), dx == half || dy == half) << k;
            EXPECT_LE(std::max(dx, dy), half);
            if (m.held[k]) {
                EXPECT_DOUBLE_EQ(m.start[k], ExactHeight(shape, m.x[k], m.y[k]));
            }
        }
        EXPECT_NEAR(PlanArea(m), 4 * half * half, 1e-12);
    }
}

TEST(ModelGenerator, FileLayout) {
    TempDir dir;
    const std::string path = dir.File("SQ.DAT");
    ASSERT_TRUE(WriteGeneratedModel(GenerateModel(GeneratedShape::FlatSquare, 9), path));
    const std::string text = ReadFile(path);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'),
              std::count(text.begin(), text.end(), '\r'));
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 1 + 1 + 9 + 1 + 8 + 1 + 9 + 1 + 8u);
    EXPECT_EQ(lines[0], "FILE SQ.DAT");
    EXPECT_EQ(lines[1], "&COORDINATES 9  ");
    EXPECT_EQ(lines[2], "       1       0.000000000000       0.000000000000");
    EXPECT_EQ(lines[6], "       5       0.500000000000       0.500000000000");
    EXPECT_EQ(lines[11], "&ELEMENTS 8  ");
    EXPECT_EQ(lines[12], "       1          1          2          5");
    EXPECT_EQ(lines[20], "&INITIAL 9  ");
    EXPECT_EQ(lines[30], "&CONSTRAINTS 8  ");
    EXPECT_EQ(lines[31], "       1");
    for (std::size_t k = 1; k < lines.size(); ++k)
        if (lines[k][0] != '&') {
            EXPECT_NE(lines[k].back(), ' ') << "line " << k;
        }
    // Negative zeros do not appear: the Scherk start heights on the axes are 0.
    ASSERT_TRUE(WriteGeneratedModel(GenerateModel(GeneratedShape::Scherk, 25), path));
    EXPECT_EQ(ReadFile(path).find("-0.000000000000"), std::string::npos);

    EXPECT_FALSE(WriteGeneratedModel(GenerateModel(GeneratedShape::FlatSquare, 9),
                                     dir.File("no/such/dir.DAT")));
}

TEST(ModelGenerator, SidecarNamesTheExactSurfaceAndArea) {
    TempDir dir;
    const GeneratedModel m = GenerateModel(GeneratedShape::Catenoid, 1000);
    ASSERT_TRUE(WriteGeneratedSidecar(m, dir.File("CAT.DAT"), dir.File("CAT.json")));
    const std::string json = ReadFile(dir.File("CAT.json"));
    EXPECT_NE(json.find("\"nodes\": " + std::to_string(m.NodeCount()) + ","), std::string::npos);
    EXPECT_NE(json.find("\"triangles\": " + std::to_string(m.TriangleCount()) + ","),
              std::string::npos);
    EXPECT_NE(json.find("\"exact_z\": \"catenoid\","), std::string::npos);
    EXPECT_NE(json.find("\"exact_area\": 27.73924555324483"), std::string::npos);
    EXPECT_NE(json.find("\"file\": \"CAT.DAT\","), std::string::npos);
}

// The Newton run on a generated model converges and lands near the exact surface: the
// discretisation error at a thousand nodes is about 2e-2 in area (much of it the
// polygonal domain) and a few 1e-4 in height.
TEST(ModelGenerator, GeneratedModelsConvergeToTheExactSurface) {
    for (GeneratedShape shape : {GeneratedShape::Catenoid, GeneratedShape::Scherk}) {
        TempDir dir;
        const std::string path = dir.File("GEN.DAT");
        ASSERT_TRUE(WriteGeneratedModel(GenerateModel(shape, 1000), path));
        Settings settings;
        settings.accuracy = 1e-10;
        settings.maxIterations = 20;
        RecordedRun run(settings, path);
        const RunResult& result = run.result;
        ASSERT_EQ(result.outcome, RunOutcome::Success) << result.reason;
        EXPECT_LT(result.iterations, 10);  // converged, not stopped by the limit
        EXPECT_NEAR(result.finalArea, ExactArea(shape), 0.025);
        EXPECT_LT(std::fabs(result.finalArea - ExactArea(shape)) / ExactArea(shape), 1e-3);
        double worst = 0.0;
        const auto& nodes = run.model().nodes.Nodes();
        for (std::size_t k = 0; k < nodes.size(); ++k)
            worst = std::max(worst, std::fabs(run.solution().heights[k] -
                                              ExactHeight(shape, nodes[k].x, nodes[k].y)));
        EXPECT_LT(worst, 5e-4);

        const RunTimings& t = result.timings;
        EXPECT_GT(t.load, 0.0);
        EXPECT_GT(t.assemble, 0.0);
        EXPECT_GT(t.solve, 0.0);
        EXPECT_GT(t.write, 0.0);
        EXPECT_GT(t.peakMemoryMb, 1.0);
    }
}

// Runs the command-line program in `dir`; its exit status, and what it printed.
int Membrane(const TempDir& dir, const std::string& arguments, std::string* output = nullptr) {
    const CliResult result = RunCli(arguments, dir.Path().string());
    if (output) *output = result.output;
    return result.status;
}

TEST(ModelGeneratorCommandLine, GenerateThenRunWithTimings) {
    TempDir dir;
    ASSERT_EQ(Membrane(dir, "generate scherk --nodes 1e3 SCH.DAT -q"), 0);
    EXPECT_TRUE(test::Exists(dir.File("SCH.DAT")));
    EXPECT_NE(ReadFile(dir.File("SCH.json")).find("\"exact_z\": \"scherk\""), std::string::npos);

    std::string plain, timed;
    // The elimination factorizes every step: no line of factorization counts.
    ASSERT_EQ(Membrane(dir, "run SCH.DAT --accuracy 1e-6 --solver elimination", &plain), 0);
    ASSERT_EQ(Membrane(dir, "run SCH.DAT --accuracy 1e-6 --solver elimination --timings", &timed),
              0);
    // The timings follow the unchanged summary, one "name : value" line each.
    ASSERT_EQ(timed.substr(0, plain.size()), plain);
    const std::string tail = timed.substr(plain.size());
    EXPECT_TRUE(std::regex_match(tail, std::regex("load         : [0-9]+\\.[0-9]{4} s\n"
                                                  "assemble     : [0-9]+\\.[0-9]{4} s\n"
                                                  "solve        : [0-9]+\\.[0-9]{4} s\n"
                                                  "write        : [0-9]+\\.[0-9]{4} s\n"
                                                  "peak memory  : [0-9]+\\.[0-9] MB\n")))
        << tail;
    // The sparse Cholesky solver also tells how often it factorized.
    ASSERT_EQ(Membrane(dir, "run SCH.DAT --accuracy 1e-6 --solver cholmod --timings", &timed), 0);
    EXPECT_TRUE(std::regex_search(
        timed, std::regex("solve        : [0-9.]+ s\n"
                          "factorized   : [1-9][0-9]* times; [0-9]+ steps by conjugate "
                          "gradients \\([0-9]+ iterations\\)\n")))
        << timed;
}

TEST(ModelGeneratorCommandLine, WrongUsageAndUnwritableOutput) {
    TempDir dir;
    EXPECT_EQ(Membrane(dir, "generate torus --nodes 1e3 T.DAT"), 64);
    EXPECT_EQ(Membrane(dir, "generate catenoid --nodes 2 T.DAT"), 64);
    EXPECT_EQ(Membrane(dir, "generate catenoid --nodes 1e9 T.DAT"), 64);
    EXPECT_EQ(Membrane(dir, "generate catenoid --nodes nan T.DAT"), 64);
    EXPECT_EQ(Membrane(dir, "generate form-catenoid --height nan T.toml"), 64);
    EXPECT_EQ(Membrane(dir, "generate catenoid"), 64);
    EXPECT_EQ(Membrane(dir, "generate catenoid --nodes 100 no/such/dir/T.DAT"), 5);
    EXPECT_FALSE(test::Exists(dir.File("T.DAT")));
}

}  // namespace
}  // namespace membrane
