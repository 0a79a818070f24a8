#include "linalg/elimination_system.h"

#include "common/key_index.h"

namespace membrane {

EliminationSystem::EliminationSystem(std::shared_ptr<const SparsePattern> pattern,
                                     SystemOptions options)
    : SparseSystem(std::move(pattern), std::move(options)) {}

std::int32_t EliminationSystem::Key(std::int32_t unknown) const {
    return Options().numbers.empty() ? unknown : Options().numbers[unknown];
}

void EliminationSystem::AddMatrix(std::span<const std::int32_t> unknowns,
                                  std::span<const double> ke) {
    const std::size_t n = unknowns.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (unknowns[i] < 0) continue;
        for (std::size_t j = 0; j < n; ++j)
            if (unknowns[j] >= 0)
                matrix_.AddToEntry(Key(unknowns[i]), Key(unknowns[j]), ke[i * n + j]);
    }
}

void EliminationSystem::ReplaceDiagonal(std::int32_t unknown, double value) {
    matrix_.SetEntry(Key(unknown), Key(unknown), value);
}

SolveStatus EliminationSystem::Factorize() {
    if (Cancelled()) return SolveStatus::Cancelled;
    if (!Options().grounded.empty() && Floating()) return SolveStatus::RowDependence;
    return SolveStatus::Ok;
}

SolveStatus EliminationSystem::Solve(const SolveOptions&) {
    const std::int32_t n = Size();
    for (int column = 0; column < Columns(); ++column) {
        if (Cancelled()) return SolveStatus::Cancelled;
        // The right-hand side as a one-column matrix: a row for every unknown that has a
        // value, and (for the first) for every unknown a term was ever added to, even
        // where the terms cancelled, as the elimination has always been given it.
        SparseMatrix rhs;
        const std::span<const double> b = RightHandSide(column);
        const std::vector<char>& touched = RightHandSideTouched();
        for (std::int32_t u = 0; u < n; ++u) {
            if (b[u] != 0.0)
                rhs.SetEntry(Key(u), 1, b[u]);
            else if (column == 0 && touched[u])
                rhs.EnsureRow(Key(u));
        }
        SparseMatrix system = column + 1 < Columns() ? matrix_ : std::move(matrix_);
        const SolveStatus status = membrane::Solve(
            system, rhs, EliminationOptions{.workspace = &workspace_, .cancel = Options().cancel});
        if (status != SolveStatus::Ok) return status;
        const std::span<double> x = SolutionStorage(column);
        for (std::int32_t u = 0; u < n; ++u) x[u] = rhs.GetEntry(Key(u), 1);
    }
    return SolveStatus::Ok;
}

double EliminationSystem::Entry(std::int32_t row, std::int32_t column) const {
    return matrix_.GetEntry(Key(row), Key(column));
}

void EliminationSystem::Multiply(std::span<const double> p, std::span<double> q) const {
    KeyIndex unknownOf;
    for (std::int32_t u = 0; u < Size(); ++u) unknownOf.Set(Key(u), u);
    for (std::int32_t i = 0; i < Size(); ++i) {
        double sum = 0.0;
        for (const MatrixEntry& entry : matrix_.RowEntries(Key(i)))
            sum += entry.value * p[unknownOf.Find(entry.column)];
        q[i] = sum;
    }
}

}  // namespace membrane
