// The Gmsh files this program writes, read back by its own reader: the mesh a geometry
// script's child hands back, every coordinate to the bit and every group with its
// dimension and members; and a form-finding's results with their fields.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "form/form_generator.h"
#include "form/form_results.h"
#include "formats/msh_format.h"

namespace membrane {
namespace {

TEST(MshWriter, AMeshReadsBackAsItWasWritten) {
    SurfaceMesh mesh;
    const double awkward[] = {
        0.1, -1.0 / 3.0, 1e-300, 123456789.123456789, std::numeric_limits<double>::denorm_min(),
        -0.0};
    for (int i = 0; i < 6; ++i)
        mesh.points.push_back({awkward[i], awkward[(i + 1) % 6], awkward[(i + 2) % 6]});
    mesh.triangles = {{0, 1, 2}, {2, 3, 0}, {3, 4, 5}};
    PointGroup held{"held \"tip\"", {5}, 0, {}, {}};
    PointGroup edge{"edge\nline", {0, 1, 2}, 1, {{{0, 1}}, {{1, 2}}}, {}};
    PointGroup sail{"sail", {0, 1, 2, 3}, 2, {}, {0, 1}};
    mesh.groups = {held, edge, sail};

    const SurfaceMesh read = ParseMsh(RenderMsh(mesh), "mesh.msh");
    ASSERT_EQ(read.points.size(), mesh.points.size());
    for (std::size_t i = 0; i < mesh.points.size(); ++i) {
        const SurfacePoint &a = mesh.points[i], &b = read.points[i];
        for (const auto& [x, y] : {std::pair{a.x, b.x}, {a.y, b.y}, {a.z, b.z}}) {
            EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0) << i << ": " << x << " read as " << y;
        }
    }
    EXPECT_EQ(read.triangles, mesh.triangles);
    ASSERT_EQ(read.groups.size(), 3u);
    EXPECT_EQ(read.groups[0].name, "held 'tip'");
    EXPECT_EQ(read.groups[0].dimension, 0);
    EXPECT_EQ(read.groups[0].points, std::vector<std::uint32_t>{5});
    EXPECT_EQ(read.groups[1].name, "edge line");
    EXPECT_EQ(read.groups[1].dimension, 1);
    EXPECT_EQ(read.groups[1].lines, edge.lines);
    EXPECT_EQ(read.groups[2].name, "sail");
    EXPECT_EQ(read.groups[2].dimension, 2);
    EXPECT_EQ(read.groups[2].triangles, sail.triangles);
}

// The results file of a form-finding is a mesh the import reads too: the shape, its
// triangles and the model's regions, cables and supports as groups; the fields beside
// them are passed over.
TEST(MshWriter, FormResultsAreAMeshTheImportReads) {
    const FormModel model = GenerateCableSquareForm({}, 25);
    FormSolution solution;
    solution.shape = model.start;
    for (Vec3& p : solution.shape) p.z = 0.1 * p.x + 1.0 / 7.0;
    solution.reactions.assign(model.NodeCount(), Vec3{1.0, 2.0, 3.0});
    solution.stresses.assign(model.triangles.size(), PrincipalStresses{2.0, 1.5});
    solution.cables.assign(model.cables.size(), CableResult{20.0, 20.0, 10.0, 1.0});
    StringSink text;
    RenderFormMsh(text, model, solution);

    const SurfaceMesh read = ParseMsh(text.Text(), "m.form.msh");
    ASSERT_EQ(read.points.size(), model.NodeCount());
    for (std::size_t i = 0; i < read.points.size(); ++i)
        EXPECT_EQ(read.points[i].z, solution.shape[i].z) << i;
    EXPECT_EQ(read.triangles.size(), model.triangles.size());
    ASSERT_EQ(read.groups.size(),
              model.regions.size() + model.cables.size() + model.supports.size());
    EXPECT_EQ(read.groups.back().name, model.regions.back().name);  // surfaces come last
    EXPECT_EQ(read.groups.front().name, model.supports.front().name);
}

}  // namespace
}  // namespace membrane
