#include "linalg/sparse_matrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "linalg/elimination.h"

namespace membrane {
namespace {

TEST(SparseMatrix, ZeroValuesAreNeverStored) {
    SparseMatrix m;
    m.SetEntry(3, 4, 0.0);  // missing row: nothing created
    EXPECT_TRUE(m.Empty());
    m.SetEntry(3, 4, std::numeric_limits<double>::quiet_NaN());
    EXPECT_TRUE(m.Empty());
    m.SetEntry(3, 4, 2.5);
    m.SetEntry(3, 5, 1.0);
    EXPECT_EQ(m.GetEntry(3, 4), 2.5);
    m.SetEntry(3, 4, 0.0);
    EXPECT_EQ(m.GetEntry(3, 4), 0.0);
    EXPECT_EQ(m.EntryCount(), 1u);
    m.AddToEntry(3, 5, -1.0);  // a sum of exactly 0 removes the entry, the row stays
    EXPECT_EQ(m.EntryCount(), 0u);
    EXPECT_TRUE(m.HasRow(3));
    EXPECT_EQ(m.GetEntry(9, 9), 0.0);
}

TEST(SparseMatrix, RowsInKeyOrderEntriesNewestFirst) {
    SparseMatrix m;
    m.SetEntry(7, 1, 1.0);
    m.SetEntry(2, 1, 1.0);
    m.SetEntry(5, 1, 1.0);
    EXPECT_EQ(m.RowKeys(), (std::vector<std::int32_t>{2, 5, 7}));
    m.SetEntry(5, 3, 2.0);
    m.SetEntry(5, 9, 3.0);
    m.SetEntry(5, 3, 4.0);  // replacing keeps the place
    const auto entries = m.RowEntries(5);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].column, 9);
    EXPECT_EQ(entries[1].column, 3);
    EXPECT_EQ(entries[1].value, 4.0);
    EXPECT_EQ(entries[2].column, 1);
    m.Clear();
    EXPECT_TRUE(m.Empty());
}

TEST(Elimination, TrivialSystems) {
    SparseMatrix a, b;
    b.SetEntry(1, 1, 5.0);
    EXPECT_EQ(Solve(a, b), SolveStatus::Ok);  // empty A: B untouched
    EXPECT_EQ(b.GetEntry(1, 1), 5.0);

    b.Clear();
    a.SetEntry(6, 6, 4.0);
    b.SetEntry(6, 1, 8.0);
    EXPECT_EQ(Solve(a, b), SolveStatus::Ok);
    EXPECT_EQ(b.GetEntry(6, 1), 2.0);
    EXPECT_TRUE(a.Empty());  // used up

    b.Clear();
    a.SetEntry(1, 1, 2.0);
    a.SetEntry(1, 2, 1.0);
    a.SetEntry(2, 1, 1.0);
    a.SetEntry(2, 2, 3.0);
    EXPECT_EQ(Solve(a, b), SolveStatus::Ok);  // all right-hand sides 0
    EXPECT_EQ(b.GetEntry(1, 1), 0.0);
    EXPECT_EQ(b.GetEntry(2, 1), 0.0);
    EXPECT_EQ(b.EntryCount(), 0u);
}

TEST(Elimination, SolvesASparseSystemKeyedByNodeNumbers) {
    // Tridiagonal system with gaps in the keys; solution x = (1, -2, 3, 0.5).
    const std::int32_t keys[] = {3, 10, 11, 40};
    const double x[] = {1.0, -2.0, 3.0, 0.5};
    const double d[] = {4.0, 5.0, 6.0, 3.0};
    SparseMatrix a, b;
    for (int i = 0; i < 4; ++i) {
        a.SetEntry(keys[i], keys[i], d[i]);
        if (i > 0) a.SetEntry(keys[i], keys[i - 1], -1.0);
        if (i < 3) a.SetEntry(keys[i], keys[i + 1], -1.5);
    }
    for (int i = 0; i < 4; ++i) {
        double sum = d[i] * x[i];
        if (i > 0) sum += -1.0 * x[i - 1];
        if (i < 3) sum += -1.5 * x[i + 1];
        b.SetEntry(keys[i], 1, sum);
    }
    ASSERT_EQ(Solve(a, b), SolveStatus::Ok);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(b.GetEntry(keys[i], 1), x[i], 1e-14) << keys[i];
}

TEST(Elimination, PivotOutsideTheDiagonalDeliversUnderThePivotColumn) {
    // 2 x2 = 6 (row 1), 4 x1 = 8 (row 2): x1 = 2, x2 = 3.
    SparseMatrix a, b;
    a.SetEntry(1, 2, 2.0);
    a.SetEntry(2, 1, 4.0);
    b.SetEntry(1, 1, 6.0);
    b.SetEntry(2, 1, 8.0);
    ASSERT_EQ(Solve(a, b), SolveStatus::Ok);
    EXPECT_EQ(b.GetEntry(1, 1), 2.0);
    EXPECT_EQ(b.GetEntry(2, 1), 3.0);
}

TEST(Elimination, FailuresShowTheirMessageAndEmptyBothMatrices) {
    {
        SparseMatrix a, b;  // row 2 = 2 x row 1
        a.SetEntry(1, 1, 1.0);
        a.SetEntry(1, 2, 2.0);
        a.SetEntry(2, 1, 2.0);
        a.SetEntry(2, 2, 4.0);
        b.SetEntry(1, 1, 1.0);
        EXPECT_EQ(Solve(a, b), SolveStatus::RowDependence);
        EXPECT_EQ(SolveStatusText(SolveStatus::RowDependence), "Matrix has a row dependance. ");
        EXPECT_TRUE(a.Empty());
        EXPECT_TRUE(b.Empty());
    }
    {
        SparseMatrix a, b;  // one equation, two unknowns
        a.SetEntry(1, 1, 1.0);
        a.SetEntry(1, 2, 1.0);
        b.SetEntry(1, 1, 1.0);
        EXPECT_EQ(Solve(a, b), SolveStatus::NotSquare);
        EXPECT_EQ(SolveStatusText(SolveStatus::NotSquare), "Matrix is not square. ");
        EXPECT_TRUE(b.Empty());
    }
    {
        SparseMatrix a, b;  // a pivot that is not a number
        a.SetEntry(1, 1, 1.0);
        a.SetEntry(1, 1, std::numeric_limits<double>::quiet_NaN());
        b.SetEntry(1, 1, 1.0);
        EXPECT_EQ(Solve(a, b), SolveStatus::DivisionByZero);
        EXPECT_EQ(SolveStatusText(SolveStatus::DivisionByZero), "Division by zero. ");
        EXPECT_EQ(SolveStatusText(SolveStatus::Ok), "");
    }
}

}  // namespace
}  // namespace membrane
