// The buffers and the camera of the 3D view, without OpenGL: the colour map's ends, the box
// and the heights of the colour bar, normals turned up whatever the corner order, the
// thinned-out surface of a large model keeping its outline, supports and extent, and the
// camera keeping the framed box in sight.
#include "heightfield/shaded_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "heightfield/model_file.h"
#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"
#include "support/model_text.h"
#include "support/recording.h"

namespace membrane {
namespace {

std::shared_ptr<Model> Load(const std::string& path) {
    test::RecordingMessageSink sink;
    return ReadModel(*ReadModelFile(path), sink);
}

// The heights of the model's nodes: its start heights (exact on the generated models).
std::vector<double> Heights(const Model& model) {
    return model.startHeights;
}

TEST(ShadedSurfaceTest, ColourMapRunsFromBlueToRedAndClamps) {
    auto same = [](Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
    EXPECT_TRUE(same(HeightColour(0), {0, 0, 1}));
    EXPECT_TRUE(same(HeightColour(1), {1, 0, 0}));
    EXPECT_TRUE(same(HeightColour(0.5), {0, 1, 0}));
    EXPECT_TRUE(same(HeightColour(-3), HeightColour(0)));
    EXPECT_TRUE(same(HeightColour(7), HeightColour(1)));
    EXPECT_TRUE(same(HeightColour(std::nan("")), HeightColour(0)));
}

TEST(ShadedSurfaceTest, BoxHeightsAndUpwardNormalsWhateverTheCornerOrder) {
    // A hypar over a 5 x 5 grid, every other triangle given clockwise.
    test::TempDir dir;
    test::ModelText text = test::Grid(
        5, 4.0, [](double x, double y) { return (x - 2) * (y - 2) / 2; },
        [](double x, double y) { return (x - 2) * (y - 2) / 2; });
    for (std::size_t k = 0; k < text.elements.size(); k += 2) {
        std::string& e = text.elements[k];  // "e a b c" -> "e a c b"
        const auto first = e.find(' ', e.find(' ') + 1), second = e.rfind(' ');
        e = e.substr(0, first) + e.substr(second) + e.substr(first, second - first);
    }
    auto model = Load(text.WriteTo(dir / "HYPAR.DAT"));
    ASSERT_TRUE(model->complete);
    const ShadedSurface mesh = BuildShadedSurface(*model, Heights(*model));

    EXPECT_EQ(mesh.modelTriangles, 32);
    EXPECT_FALSE(mesh.Thinned());
    EXPECT_EQ(mesh.vertices.size(), 25u * ShadedSurface::kFloatsPerVertex);
    EXPECT_EQ(mesh.triangles.size(), 32u * 3);
    EXPECT_EQ(mesh.lines.size(), 56u * 2);  // 16 cells: 40 grid lines + 16 diagonals
    EXPECT_EQ(mesh.heldNodes.size(), 16u);  // the boundary
    EXPECT_EQ(mesh.box.min, (std::array<double, 3>{0, 0, -2}));
    EXPECT_EQ(mesh.box.max, (std::array<double, 3>{4, 4, 2}));
    EXPECT_EQ(mesh.origin, (std::array<double, 3>{2, 2, 0}));
    EXPECT_EQ(mesh.zMin, -2);
    EXPECT_EQ(mesh.zMax, 2);
    for (std::size_t v = 0; v < mesh.vertices.size(); v += ShadedSurface::kFloatsPerVertex) {
        const float* n = &mesh.vertices[v + 3];
        EXPECT_GT(n[2], 0.2f);
        EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f);
    }
    // The saddle's centre (x = y = 2) is flat, and it is green: halfway up.
    for (std::size_t v = 0; v < mesh.vertices.size(); v += ShadedSurface::kFloatsPerVertex) {
        const float* p = &mesh.vertices[v];
        if (p[0] != 0 || p[1] != 0) continue;
        EXPECT_NEAR(p[5], 1.0f, 1e-6f);
        EXPECT_EQ(p[7], 1.0f);  // green
    }
}

TEST(ShadedSurfaceTest, ThinnedSurfaceKeepsOutlineSupportsAndExtent) {
    test::TempDir dir;
    const GeneratedModel generated = GenerateModel(GeneratedShape::Catenoid, 20'000);
    ASSERT_TRUE(WriteGeneratedModel(generated, dir / "CAT.DAT"));
    auto model = Load(dir / "CAT.DAT");
    ASSERT_TRUE(model->complete);
    const ShadedSurface full = BuildShadedSurface(*model, Heights(*model));
    const ShadedSurface thin = BuildShadedSurface(*model, Heights(*model), 5'000);

    EXPECT_EQ(thin.modelTriangles, full.modelTriangles);
    EXPECT_TRUE(thin.Thinned());
    EXPECT_LE(thin.drawnTriangles, 5'000);
    EXPECT_GE(thin.drawnTriangles, 1'000);
    EXPECT_EQ(thin.box.min, full.box.min);
    EXPECT_EQ(thin.box.max, full.box.max);
    ASSERT_EQ(thin.heldNodes.size(), full.heldNodes.size());  // both circles, in place
    for (std::size_t k = 0; k < full.heldNodes.size(); ++k)
        EXPECT_EQ(thin.Position(thin.heldNodes[k]), full.Position(full.heldNodes[k]));

    // Every boundary side is still a side of the drawing.
    auto sides = [](const ShadedSurface& mesh) {
        std::vector<std::array<float, 6>> all;
        for (std::size_t k = 0; k < mesh.lines.size(); k += 2) {
            const auto a = mesh.Position(mesh.lines[k]), b = mesh.Position(mesh.lines[k + 1]);
            all.push_back({a[0], a[1], a[2], b[0], b[1], b[2]});
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    const auto thinSides = sides(thin);
    int boundarySides = 0;
    for (const BoundarySide& side : model->boundary.sides) {
        auto at = [&](std::int32_t number) {
            const NodeEntry* node = model->nodes.Find(number);
            const double z = model->startHeights[model->nodes.IndexOf(number)];
            return std::array<float, 3>{float(node->x - thin.origin[0]),
                                        float(node->y - thin.origin[1]), float(z - thin.origin[2])};
        };
        auto a = at(side.first), b = at(side.second);
        std::array<float, 6> line{a[0], a[1], a[2], b[0], b[1], b[2]};
        std::array<float, 6> reversed{b[0], b[1], b[2], a[0], a[1], a[2]};
        const bool found = std::binary_search(thinSides.begin(), thinSides.end(), line) ||
                           std::binary_search(thinSides.begin(), thinSides.end(), reversed);
        EXPECT_TRUE(found) << side.first << "-" << side.second;
        ++boundarySides;
    }
    EXPECT_GT(boundarySides, 100);
}

TEST(ShadedSurfaceTest, ColourBarLabelsSpanTheHeights) {
    EXPECT_EQ(ColourBarLabels(0, 20),
              (std::vector<std::string>{"0.00", "5.00", "10.00", "15.00", "20.00"}));
    EXPECT_EQ(ColourBarLabels(-4e-7, 0.5, 2), (std::vector<std::string>{"0.0000", "0.5000"}));
    EXPECT_EQ(ColourBarLabels(3, 3, 2), (std::vector<std::string>{"3.000", "3.000"}));
}

TEST(ShadedSurfaceTest, CameraKeepsTheFramedBoxInSight) {
    const Box3 box{{-10, -5, -1}, {10, 5, 19}};
    OrbitCamera camera;
    camera.Frame(box);
    EXPECT_EQ(camera.target, box.Centre());
    auto corners = [&] {
        std::vector<std::array<double, 3>> all;
        for (int k = 0; k < 8; ++k)
            all.push_back({k & 1 ? box.max[0] : box.min[0], k & 2 ? box.max[1] : box.min[1],
                           k & 4 ? box.max[2] : box.min[2]});
        return all;
    };
    auto allInSight = [&](double aspect) {
        const Matrix4 m = camera.ViewProjection(aspect);
        for (const auto& corner : corners()) {
            const auto p = Project(m, corner);
            if (std::fabs(p[0]) > 1 || std::fabs(p[1]) > 1 || std::fabs(p[2]) > 1) return false;
        }
        return true;
    };
    for (int turn = 0; turn < 12; ++turn) {
        EXPECT_TRUE(allInSight(4.0 / 3)) << "turn " << turn;
        camera.Orbit(60, 25);
    }
    EXPECT_EQ(camera.pitch, 89);  // never over the top

    // The target follows the mouse: 100 pixels right and down move it that far on screen.
    camera.Frame(box);
    camera.Pan(100, 50, 400);
    const auto centre = Project(camera.ViewProjection(1), box.Centre());
    EXPECT_NEAR(centre[0], 0.5, 1e-6);    // 100 of 200 pixels from the middle to the edge
    EXPECT_NEAR(centre[1], -0.25, 1e-6);  // down is negative

    camera.Frame(box);
    camera.Zoom(10);
    EXPECT_FALSE(allInSight(1));
    camera.Zoom(-1000);
    EXPECT_EQ(camera.distance, camera.radius * 100);
}

}  // namespace
}  // namespace membrane
