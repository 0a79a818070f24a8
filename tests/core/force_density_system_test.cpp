// The force-density system through each back-end: a chain of bars between two held ends
// whose equilibrium is known (densities q_k: the free nodes divide the chord in the
// ratio of the bars' 1/q), loads and held ends entering the right-hand sides, a floating
// part reported, and the three back-ends agreeing on a membrane's network.
#include "form/force_density_system.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "form/form_bars.h"
#include "form/form_generator.h"
#include "linalg/amg_system.h"
#include "linalg/cholmod_system.h"

namespace membrane {
namespace {

class ForceDensityBackEnd : public ::testing::TestWithParam<SolverChoice> {
  protected:
    void SetUp() override {
        if (GetParam() == SolverChoice::Cholmod && !CholmodSystem::Available())
            GTEST_SKIP() << "built without CHOLMOD";
        if (GetParam() == SolverChoice::Amg && !AmgSystem::Available())
            GTEST_SKIP() << "hypre not available";
    }
};

// Nodes 0 .. 4 on a chain, 0 at (0, 0, 0) and 4 at (10, 0, 0) held; densities 1, 2, 2, 1
// and a load of (0, 0, -3) on node 2. Equilibrium: x at 0, 10/3, 5, 20/3, 10 (the bars'
// lengths in the ratio of their 1/q); in z each side of node 2 is two springs in series
// (1 and 2: 2/3), both sides 4/3, so z_2 = -3 / (4/3) = -2.25 and z_1 = z_3 = 2/3 z_2.
TEST_P(ForceDensityBackEnd, ChainBetweenHeldEnds) {
    const std::vector<std::array<std::int32_t, 2>> bars{{0, 1}, {1, 2}, {2, 3}, {3, 4}};
    const std::vector<char> held{1, 0, 0, 0, 1};
    SolveStatus status = SolveStatus::Ok;
    auto system = ForceDensitySystem::Create(bars, held, GetParam(), nullptr, status);
    ASSERT_TRUE(system) << SolveStatusText(status);
    EXPECT_EQ(system->UnknownCount(), 3);
    const std::vector<double> q{1, 2, 2, 1};
    const std::vector<Vec3> loads{{0, 0, 0}, {0, 0, 0}, {0, 0, -3}, {0, 0, 0}, {0, 0, 0}};
    std::vector<Vec3> x{{0, 0, 0}, {1, 1, 1}, {2, 0, 0}, {3, 0, 0}, {10, 0, 0}};
    ASSERT_EQ(system->Solve(q, loads, x, x), SolveStatus::Ok);
    const double expectX[5] = {0, 10.0 / 3, 5, 20.0 / 3, 10};
    const double expectZ[5] = {0, -1.5, -2.25, -1.5, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(x[i].x, expectX[i], 1e-12) << i;
        EXPECT_NEAR(x[i].y, 0.0, 1e-12) << i;
        EXPECT_NEAR(x[i].z, expectZ[i], 1e-12) << i;
    }
}

// A free pair of nodes tied to nothing held cannot be in equilibrium.
TEST_P(ForceDensityBackEnd, FloatingPartIsReported) {
    const std::vector<std::array<std::int32_t, 2>> bars{{0, 1}, {2, 3}};
    const std::vector<char> held{1, 0, 0, 0};
    SolveStatus status = SolveStatus::Ok;
    auto system = ForceDensitySystem::Create(bars, held, GetParam(), nullptr, status);
    ASSERT_TRUE(system);
    std::vector<Vec3> x(4, Vec3{1, 2, 3});
    const std::vector<Vec3> loads(4, Vec3{0, 0, 0});
    EXPECT_EQ(system->Solve(std::vector<double>{1, 1}, loads, x, x), SolveStatus::RowDependence);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, ForceDensityBackEnd,
                         ::testing::Values(SolverChoice::Elimination, SolverChoice::Cholmod,
                                           SolverChoice::Amg),
                         [](const auto& info) { return std::string(ChoiceName(info.param)); });

// One equilibrium of a catenoid's network (its cotangent densities are not all positive)
// from the three back-ends: the same positions to 1e-10 of the extent.
TEST(ForceDensitySystem, BackEndsAgreeOnAMembraneNetwork) {
    if (!CholmodSystem::Available() || !AmgSystem::Available())
        GTEST_SKIP() << "built without CHOLMOD or hypre";
    const FormModel model = GenerateCatenoidForm(CatenoidForm{}, 3000);
    const FormBars bars = BuildFormBars(model);
    std::vector<double> q(bars.ends.size(), 0.0);
    for (std::size_t t = 0; t < model.triangles.size(); ++t)
        for (int k = 0; k < 3; ++k) {  // sigma cot(angle at corner k) / 2 on the opposite side
            const auto& c = model.triangles[t];
            const Vec3 a = model.start[c[(k + 1) % 3]] - model.start[c[k]];
            const Vec3 b = model.start[c[(k + 2) % 3]] - model.start[c[k]];
            q[bars.ofTriangle[t][k]] += 0.5 * Dot(a, b) / Norm(Cross(a, b));
        }
    const std::vector<Vec3> loads(model.NodeCount(), Vec3{0, 0, 0});
    std::vector<std::vector<Vec3>> shapes;
    for (const SolverChoice choice :
         {SolverChoice::Elimination, SolverChoice::Cholmod, SolverChoice::Amg}) {
        SolveStatus status = SolveStatus::Ok;
        auto system = ForceDensitySystem::Create(bars.ends, model.held, choice, nullptr, status);
        ASSERT_TRUE(system);
        std::vector<Vec3> x = model.start;
        ASSERT_EQ(system->Solve(q, loads, x, x), SolveStatus::Ok) << ChoiceName(choice);
        shapes.push_back(x);
    }
    for (std::size_t s = 1; s < shapes.size(); ++s) {
        double difference = 0.0;
        for (std::size_t i = 0; i < shapes[0].size(); ++i)
            difference = std::max(difference, MaxAbs(shapes[s][i] - shapes[0][i]));
        EXPECT_LE(difference, 1e-10 * model.extent) << "back-end " << s;
    }
}

}  // namespace
}  // namespace membrane
