#include "heightfield/assembly.h"

#include <gtest/gtest.h>

#include <cmath>

#include "linalg/sparse_matrix.h"

namespace membrane {
namespace {

struct Triangle {
    double x[3], y[3], h[3];
};

// The tables the element terms are computed from, and the heights (one per node).
struct Tables {
    NodeTable nodes;
    ElementTable elements;
    std::vector<double> heights;
};

bool Compute(const Tables& t, std::int32_t number, ElementTerms& terms) {
    return ComputeElement(t.nodes, t.elements, t.heights, number, terms);
}

// One triangle (element 1, nodes 1, 2, 3 in the given order).
void Fill(Tables& tables, const Triangle& t, const std::int32_t order[3] = nullptr) {
    static const std::int32_t identity[3] = {1, 2, 3};
    if (order == nullptr) order = identity;
    tables = Tables{};
    for (int k = 0; k < 3; ++k) {
        tables.nodes.Add(k + 1, t.x[k], t.y[k]);
        tables.heights.push_back(t.h[k]);
    }
    tables.elements.Add(1, 1, std::span<const std::int32_t>(order, 3));
}

double LiftedArea(const Triangle& t) {
    const double ux = t.x[1] - t.x[0], uy = t.y[1] - t.y[0], uz = t.h[1] - t.h[0];
    const double vx = t.x[2] - t.x[0], vy = t.y[2] - t.y[0], vz = t.h[2] - t.h[0];
    const double cx = uy * vz - uz * vy, cy = uz * vx - ux * vz, cz = ux * vy - uy * vx;
    return 0.5 * std::sqrt(cx * cx + cy * cy + cz * cz);
}

TEST(Assembly, RightTriangleAtRest) {
    Tables tables;
    Fill(tables, Triangle{{0, 1, 0}, {0, 0, 1}, {0, 0, 0}});
    ElementTerms terms{};
    ASSERT_TRUE(Compute(tables, 1, terms));
    const double expected[3][3] = {{1.0, -0.5, -0.5}, {-0.5, 0.5, 0.0}, {-0.5, 0.0, 0.5}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(terms.vector[i], 0.0);
        for (int j = 0; j < 3; ++j) EXPECT_DOUBLE_EQ(terms.matrix[i][j], expected[i][j]);
    }
}

TEST(Assembly, TermsAreTheExactDerivativesOfTheLiftedArea) {
    const Triangle base{{0.3, 2.1, 0.7}, {-0.2, 0.4, 1.9}, {0.5, -1.2, 2.3}};
    Tables tables;
    Fill(tables, base);
    ElementTerms terms{};
    ASSERT_TRUE(Compute(tables, 1, terms));
    const double step = 1e-5;
    for (int i = 0; i < 3; ++i) {
        Triangle plus = base, minus = base;
        plus.h[i] += step;
        minus.h[i] -= step;
        const double gradient = (LiftedArea(plus) - LiftedArea(minus)) / (2 * step);
        EXPECT_NEAR(terms.vector[i], -gradient, 1e-8) << i;
        // The Hessian column i from central differences of the analytic gradient.
        Tables sp, sm;
        Fill(sp, plus);
        Fill(sm, minus);
        ElementTerms tp{}, tm{};
        ASSERT_TRUE(Compute(sp, 1, tp));
        ASSERT_TRUE(Compute(sm, 1, tm));
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(terms.matrix[j][i], -(tp.vector[j] - tm.vector[j]) / (2 * step), 1e-7)
                << j << "," << i;
            EXPECT_DOUBLE_EQ(terms.matrix[i][j], terms.matrix[j][i]);
        }
    }
}

TEST(Assembly, VertexOrderDoesNotChangeANodesContribution) {
    const Triangle t{{0.0, 3.0, 1.0}, {0.0, 0.5, 2.0}, {1.0, -0.5, 2.5}};
    Tables a, b;
    Fill(a, t);
    const std::int32_t swapped[3] = {2, 1, 3};
    Fill(b, t, swapped);
    SparseMatrix ka, ra, kb, rb;
    ElementTerms terms{};
    ASSERT_TRUE(Compute(a, 1, terms));
    AccumulateElement(ka, ra, terms);
    ASSERT_TRUE(Compute(b, 1, terms));
    AccumulateElement(kb, rb, terms);
    for (std::int32_t i = 1; i <= 3; ++i) {
        EXPECT_NEAR(ra.GetEntry(i, 1), rb.GetEntry(i, 1), 1e-15);
        for (std::int32_t j = 1; j <= 3; ++j)
            EXPECT_NEAR(ka.GetEntry(i, j), kb.GetEntry(i, j), 1e-15);
    }
}

TEST(Assembly, SharedEdgesAddUpAndConstraintsPin) {
    Tables tables;
    const double xy[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int k = 0; k < 4; ++k) {
        tables.nodes.Add(k + 1, xy[k][0], xy[k][1]);
        tables.heights.push_back(0.0);
    }
    const std::int32_t t1[] = {1, 2, 3}, t2[] = {1, 3, 4};
    tables.elements.Add(1, 1, t1);
    tables.elements.Add(2, 1, t2);
    SparseMatrix k, r;
    ElementTerms e1{}, e2{};
    ASSERT_TRUE(Compute(tables, 1, e1));
    ASSERT_TRUE(Compute(tables, 2, e2));
    AccumulateElement(k, r, e1);
    AccumulateElement(k, r, e2);
    // Nodes 1 and 3 are corners 1 and 3 of element 1 and corners 1 and 2 of element 2.
    EXPECT_DOUBLE_EQ(k.GetEntry(1, 3), e1.matrix[0][2] + e2.matrix[0][1]);
    EXPECT_DOUBLE_EQ(k.GetEntry(3, 3), e1.matrix[2][2] + e2.matrix[1][1]);
    EXPECT_EQ(k.GetEntry(2, 4), 0.0);
    EXPECT_TRUE(r.Empty() || r.EntryCount() == 0);  // flat surface: no gradient

    // Pinning replaces the diagonal; a node listed twice gives the same system.
    SparseMatrix once = k, twice = k, ro = r, rt = r;
    ro.SetEntry(2, 1, 0.25);
    rt.SetEntry(2, 1, 0.25);
    IntList held(KeyColumn::Implicit, "&CONSTR");
    held.Add(1, 2);
    ImposeConstraints(held, once, ro);
    held.Add(2, 2);
    ImposeConstraints(held, twice, rt);
    EXPECT_EQ(once.GetEntry(2, 2), kConstraintStiffness);
    EXPECT_EQ(ro.GetEntry(2, 1), 0.0);
    EXPECT_EQ(once.GetEntry(2, 1), k.GetEntry(2, 1));  // couplings stay
    for (std::int32_t i = 1; i <= 4; ++i)
        for (std::int32_t j = 1; j <= 4; ++j) EXPECT_EQ(once.GetEntry(i, j), twice.GetEntry(i, j));
}

TEST(Assembly, MissingOrFlatElementsAreRefused) {
    Tables tables;
    Fill(tables, Triangle{{0, 1, 2}, {0, 1, 2}, {0, 0, 0}});  // collinear
    ElementTerms terms{};
    EXPECT_FALSE(Compute(tables, 1, terms));
    EXPECT_FALSE(Compute(tables, 2, terms));
    Tables empty;
    EXPECT_FALSE(Compute(empty, 1, terms));
}

}  // namespace
}  // namespace membrane
