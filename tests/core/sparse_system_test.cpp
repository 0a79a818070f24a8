// The sparse system through its one interface, for each of the three back-ends: a
// Laplacian whose solution is known, a block system of three unknowns a node with two
// right-hand sides, a singular and an indefinite system reported, a cancelled
// factorization, and the reuse of a factor or hierarchy counted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <vector>

#include "linalg/amg_system.h"
#include "linalg/cholmod_system.h"
#include "linalg/elimination_cost.h"
#include "linalg/sparse_system_factory.h"

namespace membrane {
namespace {

// An n x n grid of nodes on the unit square, each square cut into two triangles.
struct Grid {
    int n;
    double x(int node) const { return static_cast<double>(node % n) / (n - 1); }
    double y(int node) const { return static_cast<double>(node / n) / (n - 1); }
    bool boundary(int node) const {
        const int i = node % n, j = node / n;
        return i == 0 || j == 0 || i == n - 1 || j == n - 1;
    }
    std::vector<std::array<int, 3>> Triangles() const {
        std::vector<std::array<int, 3>> t;
        for (int j = 0; j + 1 < n; ++j)
            for (int i = 0; i + 1 < n; ++i) {
                const int a = j * n + i;
                t.push_back({a, a + 1, a + n + 1});
                t.push_back({a, a + n + 1, a + n});
            }
        return t;
    }
};

// The P1 stiffness matrix of a triangle: K_ij = (eta_i eta_j + xi_i xi_j) / (2 |D|).
std::array<double, 9> Stiffness(const Grid& g, const std::array<int, 3>& t) {
    double eta[3], xi[3];
    for (int k = 0; k < 3; ++k) {
        const int b = t[(k + 1) % 3], c = t[(k + 2) % 3];
        eta[k] = g.y(b) - g.y(c);
        xi[k] = g.x(c) - g.x(b);
    }
    const double D = xi[2] * eta[1] - xi[1] * eta[2];
    std::array<double, 9> ke;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            ke[i * 3 + j] = (eta[i] * eta[j] + xi[i] * xi[j]) / (2 * std::fabs(D));
    return ke;
}

class SparseSystemTest : public ::testing::TestWithParam<SolverChoice> {
  protected:
    void SetUp() override {
        if (GetParam() == SolverChoice::Cholmod && !CholmodSystem::Available())
            GTEST_SKIP() << "built without CHOLMOD";
        if (GetParam() == SolverChoice::Amg && !AmgSystem::Available())
            GTEST_SKIP() << "hypre not available";
    }
    std::unique_ptr<SparseSystem> Make(std::shared_ptr<const SparsePattern> pattern,
                                       SystemOptions options = {},
                                       std::vector<char> grounded = {}) {
        options.grounded = std::move(grounded);
        auto system = CreateSparseSystem(GetParam(), std::move(pattern), std::move(options));
        EXPECT_NE(system, nullptr);
        return system;
    }
};

// Free nodes numbered in order, boundary nodes left out (-1) with their values moved to
// the right-hand side: the discrete harmonic function with boundary values x + 2y is that
// linear function itself, which P1 elements reproduce exactly.
struct Dirichlet {
    Grid grid;
    std::vector<std::int32_t> unknown;  // per node
    std::vector<char> grounded;         // per unknown: a boundary neighbour
    std::shared_ptr<SparsePattern> pattern;
    static double Exact(double x, double y) { return x + 2 * y; }

    explicit Dirichlet(int n) : grid{n}, unknown(n * n, -1) {
        std::int32_t count = 0;
        for (int v = 0; v < n * n; ++v)
            if (!grid.boundary(v)) unknown[v] = count++;
        pattern = std::make_shared<SparsePattern>(count);
        grounded.assign(count, 0);
        for (const auto& t : grid.Triangles()) {
            const std::int32_t u[3] = {unknown[t[0]], unknown[t[1]], unknown[t[2]]};
            pattern->AddElement(u);
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    if (u[a] >= 0 && u[b] < 0) grounded[u[a]] = 1;
        }
        EXPECT_TRUE(pattern->Finish());
    }
    void Fill(SparseSystem& system) const {
        system.Zero();
        for (const auto& t : grid.Triangles()) {
            const auto ke = Stiffness(grid, t);
            const std::int32_t u[3] = {unknown[t[0]], unknown[t[1]], unknown[t[2]]};
            double fe[3] = {0, 0, 0};
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j)
                    if (u[j] < 0) fe[i] -= ke[i * 3 + j] * Exact(grid.x(t[j]), grid.y(t[j]));
            system.AddLocal(u, ke, fe);
        }
    }
    double Error(const SparseSystem& system) const {
        double error = 0.0;
        for (int v = 0; v < grid.n * grid.n; ++v)
            if (unknown[v] >= 0)
                error = std::max(
                    error, std::fabs(system.Solution()[unknown[v]] - Exact(grid.x(v), grid.y(v))));
        return error;
    }
};

TEST_P(SparseSystemTest, LaplacianWithAKnownSolution) {
    const Dirichlet problem(12);
    auto system = Make(problem.pattern, {}, problem.grounded);
    ASSERT_TRUE(system);
    problem.Fill(*system);
    // The matrix as filled: the five-point stencil of the Laplacian.
    const std::int32_t u = problem.unknown[5 * 12 + 5];
    EXPECT_DOUBLE_EQ(system->Entry(u, u), 4.0);
    EXPECT_DOUBLE_EQ(system->Entry(u, problem.unknown[5 * 12 + 6]), -1.0);
    EXPECT_EQ(system->Entry(u, problem.unknown[7 * 12 + 7]), 0.0);
    ASSERT_EQ(system->Factorize(), SolveStatus::Ok);
    ASSERT_EQ(system->Solve(), SolveStatus::Ok);
    EXPECT_LT(problem.Error(*system), 1e-9);
}

// Three unknowns a node, coupled within the node by a 3 x 3 matrix C: K = L (x) C with L
// the Laplacian above; two right-hand sides made from known solutions.
TEST_P(SparseSystemTest, BlockSystemWithTwoRightHandSides) {
    const Dirichlet scalar(9);
    const std::int32_t nodes = scalar.pattern->Nodes();
    auto pattern = std::make_shared<SparsePattern>(nodes, 3);
    for (const auto& t : scalar.grid.Triangles()) {
        const std::int32_t u[3] = {scalar.unknown[t[0]], scalar.unknown[t[1]],
                                   scalar.unknown[t[2]]};
        pattern->AddElement(u);
    }
    ASSERT_TRUE(pattern->Finish());
    EXPECT_EQ(pattern->Size(), 3 * nodes);
    std::vector<char> grounded(3 * nodes);
    for (std::int32_t v = 0; v < 3 * nodes; ++v) grounded[v] = scalar.grounded[v / 3];
    auto system = Make(pattern, {}, grounded);
    ASSERT_TRUE(system);
    const double C[9] = {4, 1, 0, 1, 3, 1, 0, 1, 2};
    system->SetColumns(2);
    system->Zero();
    for (const auto& t : scalar.grid.Triangles()) {
        const auto le = Stiffness(scalar.grid, t);
        const std::int32_t u[3] = {scalar.unknown[t[0]], scalar.unknown[t[1]],
                                   scalar.unknown[t[2]]};
        const std::vector<std::int32_t> dofs = BlockUnknowns(u, 3);
        std::array<double, 81> ke{};
        for (int i = 0; i < 9; ++i)
            for (int j = 0; j < 9; ++j)
                ke[i * 9 + j] = le[(i / 3) * 3 + j / 3] * C[(i % 3) * 3 + j % 3];
        system->AddLocal(dofs, ke);
    }
    // Known solutions: column c has x_v = (c + 1) * (v + 1) / n^2 in every component
    // scaled by (1, -2, 3); the right-hand sides are K x.
    const std::int32_t n = system->Size();
    std::vector<double> solution[2];
    for (int c = 0; c < 2; ++c) {
        solution[c].resize(n);
        for (std::int32_t v = 0; v < n; ++v)
            solution[c][v] =
                (c + 1.0) * ((v / 3) + 1.0) / nodes * std::array{1.0, -2.0, 3.0}[v % 3];
        system->Multiply(solution[c], system->RightHandSide(c));
    }
    ASSERT_EQ(system->Factorize(), SolveStatus::Ok);
    ASSERT_EQ(system->Solve(), SolveStatus::Ok);
    for (int c = 0; c < 2; ++c)
        for (std::int32_t v = 0; v < n; ++v)
            ASSERT_NEAR(system->Solution(c)[v], solution[c][v], 1e-9) << "column " << c << " " << v;
}

// A Laplacian with nothing held is singular: told which unknowns are grounded (none), every
// back-end says so and returns no numbers, also where round-off would leave a tiny pivot.
TEST_P(SparseSystemTest, SingularSystemIsReported) {
    const Grid grid{6};
    auto pattern = std::make_shared<SparsePattern>(36);
    for (const auto& t : grid.Triangles()) {
        const std::int32_t u[3] = {t[0], t[1], t[2]};
        pattern->AddElement(u);
    }
    ASSERT_TRUE(pattern->Finish());
    auto system = Make(pattern, {}, std::vector<char>(36, 0));
    ASSERT_TRUE(system);
    system->Zero();
    for (const auto& t : grid.Triangles()) {
        const std::int32_t u[3] = {t[0], t[1], t[2]};
        system->AddLocal(u, Stiffness(grid, t));
    }
    system->RightHandSide()[0] = 1.0;
    system->RightHandSide()[35] = -1.0;
    SolveStatus status = system->Factorize();
    if (status == SolveStatus::Ok) status = system->Solve();
    EXPECT_EQ(status, SolveStatus::RowDependence) << SolveStatusText(status);
}

// A set cancel flag ends the factorization (or the elimination) before any work; cleared,
// the same system goes on.
TEST_P(SparseSystemTest, CancelledFactorization) {
    const Dirichlet problem(8);
    std::atomic<bool> cancel{true};
    SystemOptions options;
    options.cancel = &cancel;
    auto system = Make(problem.pattern, options, problem.grounded);
    ASSERT_TRUE(system);
    problem.Fill(*system);
    SolveStatus status = system->Factorize();
    if (status == SolveStatus::Ok) status = system->Solve();
    EXPECT_EQ(status, SolveStatus::Cancelled);
    EXPECT_EQ(system->Counts().factorizations, 0);
    EXPECT_EQ(system->Counts().conjugateGradientIterations, 0);
    cancel = false;
    ASSERT_EQ(system->Factorize(), SolveStatus::Ok);
    ASSERT_EQ(system->Solve(), SolveStatus::Ok);
    EXPECT_LT(problem.Error(*system), 1e-9);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, SparseSystemTest,
                         ::testing::Values(SolverChoice::Elimination, SolverChoice::Cholmod,
                                           SolverChoice::Amg),
                         [](const auto& info) { return std::string(ChoiceName(info.param)); });

// Sparse Cholesky keeps its factor for values that moved little (conjugate gradients on
// the old factor, counted) and factorizes anew for values that moved much; the solutions
// are the exact ones either way. An indefinite matrix is refused: CHOLMOD's LL' stops at
// the first pivot that is not positive.
TEST(CholmodSystem, KeepsItsFactorWhileTheValuesMoveLittleAndRefusesIndefiniteMatrices) {
    if (!CholmodSystem::Available()) GTEST_SKIP() << "built without CHOLMOD";
    const Dirichlet problem(10);
    SystemOptions options;
    options.reuseLimit = 0.1;
    auto system = CreateSparseSystem(SolverChoice::Cholmod, problem.pattern, options);
    ASSERT_TRUE(system);
    for (const double scale : {1.0, 1.02, 2.0}) {
        problem.Fill(*system);
        for (std::int32_t u = 0; u < system->Size(); ++u)  // a shift of the diagonal
            system->AddLocal(std::array{u}, std::array{scale - 1.0},
                             std::array{(scale - 1.0) * 0.0});
        ASSERT_EQ(system->Factorize(), SolveStatus::Ok);
        ASSERT_EQ(system->Solve(), SolveStatus::Ok);
    }
    EXPECT_EQ(system->Counts().factorizations, 2);  // 1.0 and 2.0
    EXPECT_EQ(system->Counts().reusedFactorSolves, 1);
    EXPECT_GT(system->Counts().conjugateGradientIterations, 0);

    problem.Fill(*system);
    system->SetDiagonal(0, -1.0);
    EXPECT_EQ(system->Factorize(), SolveStatus::RowDependence);
}

// Multigrid keeps its hierarchy for values that moved by less than the reuse limit.
TEST(AmgSystem, KeepsItsHierarchyWhileTheValuesMoveLittle) {
    if (!AmgSystem::Available()) GTEST_SKIP() << "hypre not available";
    const Dirichlet problem(10);
    SystemOptions options;
    options.grounded = problem.grounded;
    auto system = CreateSparseSystem(SolverChoice::Amg, problem.pattern, options);
    ASSERT_TRUE(system);
    for (int step = 0; step < 3; ++step) {
        problem.Fill(*system);
        ASSERT_EQ(system->Factorize(), SolveStatus::Ok);
        ASSERT_EQ(system->Solve(), SolveStatus::Ok);
        EXPECT_LT(problem.Error(*system), 1e-8);
    }
    EXPECT_EQ(system->Counts().multigridSetups, 1);
    EXPECT_EQ(system->Counts().multigridReuses, 2);
}

// The pattern of a block system: two coupled nodes couple all their unknowns; the upper
// triangle holds each pair once; the graph is symmetric.
TEST(SparsePattern, BlocksPositionsAndGraph) {
    SparsePattern pattern(3, 2);
    pattern.AddElement(std::array<std::int32_t, 2>{0, 2});
    pattern.AddElement(std::array<std::int32_t, 2>{2, -1});
    ASSERT_TRUE(pattern.Finish());
    EXPECT_EQ(pattern.Size(), 6);
    // Diagonal blocks 3 entries each (upper triangle of 2 x 2), the block (0, 2) four.
    EXPECT_EQ(pattern.EntryCount(), 3u * 3 + 4);
    EXPECT_GE(pattern.Position(0, 5), 0);
    EXPECT_EQ(pattern.Position(0, 5), pattern.Position(5, 0));
    EXPECT_EQ(pattern.Position(0, 2), -1);  // nodes 0 and 1 do not couple
    EXPECT_EQ(pattern.RowIndex()[pattern.DiagonalPosition(4)], 4);
    const SparsePattern::Graph graph = pattern.Adjacency();
    const std::vector<std::int32_t> ofFirst(graph.neighbours.begin() + graph.start[0],
                                            graph.neighbours.begin() + graph.start[1]);
    EXPECT_EQ(ofFirst, (std::vector<std::int32_t>{1, 4, 5}));
    EXPECT_TRUE(HasFloatingPart(pattern, std::vector<char>{1, 0, 0, 0, 0, 0}));  // node 1 floats
    EXPECT_FALSE(HasFloatingPart(pattern, std::vector<char>{1, 0, 1, 0, 0, 0}));
}

// The elimination's predicted work against an exact count: a path of n unknowns taken
// from its ends fills nothing (each pivot updates one row of one entry), a star taken from
// its centre fills everything.
TEST(EliminationCost, PredictionMatchesExactCounts) {
    constexpr std::int32_t n = 6;
    SparsePattern path(n);
    for (std::int32_t k = 0; k + 1 < n; ++k) path.AddElement(std::array{k, k + 1});
    ASSERT_TRUE(path.Finish());
    const EliminationCost pathCost = PredictEliminationCost(path, 1e9);
    EXPECT_EQ(pathCost.factorEntries, n - 1);
    EXPECT_EQ(pathCost.multiplyAdds, n - 1);

    SparsePattern star(n);
    for (std::int32_t k = 1; k < n; ++k) star.AddElement(std::array{0, k});
    ASSERT_TRUE(star.Finish());
    const SparsePattern::Graph graph = star.Adjacency();
    // The centre first (its label the largest among equal degrees does not matter: it has
    // the most entries, so only an order that forces it first makes the fill).
    const std::vector<std::int32_t> centreFirst{0, 1, 2, 3, 4, 5};
    const EliminationCost full = CountEliminationWork(graph, centreFirst, 1e9);
    EXPECT_EQ(full.factorEntries, (n - 1) * n / 2);  // L is full below the diagonal
    const EliminationCost leavesFirst = PredictEliminationCost(star, 1e9);
    EXPECT_EQ(leavesFirst.factorEntries, n - 1);
    EXPECT_FALSE(leavesFirst.overLimit);
    EXPECT_TRUE(CountEliminationWork(graph, centreFirst, 5.0).overLimit);
}

}  // namespace
}  // namespace membrane
