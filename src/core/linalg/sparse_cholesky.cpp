#include "linalg/sparse_cholesky.h"

#include <algorithm>
#include <cstring>

#ifdef MEMBRANE_HAVE_CHOLMOD
#include <cholmod.h>

#include "linalg/serial_openmp.h"
#endif

namespace membrane {

#ifdef MEMBRANE_HAVE_CHOLMOD

struct SparseCholesky::Impl {
    cholmod_common common{};
    cholmod_sparse* matrix = nullptr;
    cholmod_factor* factor = nullptr;

    Impl() { cholmod_start(&common); }
    ~Impl() {
        if (factor) cholmod_free_factor(&factor, &common);
        if (matrix) cholmod_free_sparse(&matrix, &common);
        cholmod_finish(&common);
    }
};

bool SparseCholesky::Available() {
    return true;
}

SparseCholesky::SparseCholesky(UpperPattern pattern)
    : pattern_(std::move(pattern)), impl_(std::make_unique<Impl>()) {
    Impl& s = *impl_;
    const auto n = static_cast<std::size_t>(pattern_.n);
    s.matrix = cholmod_allocate_sparse(n, n, pattern_.rowIndex.size(), /*sorted=*/1,
                                       /*packed=*/1, /*stype=*/1, CHOLMOD_REAL, &s.common);
    if (s.matrix == nullptr) return;
    std::copy(pattern_.columnStart.begin(), pattern_.columnStart.end(),
              static_cast<std::int32_t*>(s.matrix->p));
    std::copy(pattern_.rowIndex.begin(), pattern_.rowIndex.end(),
              static_cast<std::int32_t*>(s.matrix->i));
}

SparseCholesky::~SparseCholesky() = default;

std::span<double> SparseCholesky::Values() {
    if (impl_->matrix == nullptr) return {};
    return {static_cast<double*>(impl_->matrix->x), pattern_.rowIndex.size()};
}

SolveStatus SparseCholesky::Factorize() {
    Impl& s = *impl_;
    if (s.matrix == nullptr) return SolveStatus::Unavailable;
    if (Cancelled()) return SolveStatus::Cancelled;
    SerialOpenMp serial;
    if (s.factor == nullptr) {
        s.factor = cholmod_analyze(s.matrix, &s.common);
        if (s.factor == nullptr) return SolveStatus::Unavailable;
        if (Cancelled()) return SolveStatus::Cancelled;
    }
    const bool factored = cholmod_factorize(s.matrix, s.factor, &s.common) != 0;
    if (!factored || s.common.status == CHOLMOD_NOT_POSDEF || s.factor->minor < s.factor->n)
        return SolveStatus::RowDependence;
    ++factorizations_;
    return Cancelled() ? SolveStatus::Cancelled : SolveStatus::Ok;
}

SolveStatus SparseCholesky::Solve(std::span<double> rhs, int columns) {
    Impl& s = *impl_;
    if (s.factor == nullptr || s.matrix == nullptr) return SolveStatus::Unavailable;
    const auto n = static_cast<std::size_t>(pattern_.n);
    cholmod_dense b{};
    b.nrow = n;
    b.ncol = static_cast<std::size_t>(columns);
    b.nzmax = n * b.ncol;
    b.d = n;
    b.x = rhs.data();
    b.xtype = CHOLMOD_REAL;
    b.dtype = CHOLMOD_DOUBLE;
    SerialOpenMp serial;
    cholmod_dense* x = cholmod_solve(CHOLMOD_A, s.factor, &b, &s.common);
    if (x == nullptr) return SolveStatus::DivisionByZero;
    std::memcpy(rhs.data(), x->x, sizeof(double) * n * b.ncol);
    cholmod_free_dense(&x, &s.common);
    return SolveStatus::Ok;
}

#else

struct SparseCholesky::Impl {};
bool SparseCholesky::Available() {
    return false;
}
SparseCholesky::SparseCholesky(UpperPattern pattern) : pattern_(std::move(pattern)) {}
SparseCholesky::~SparseCholesky() = default;
std::span<double> SparseCholesky::Values() {
    return {};
}
SolveStatus SparseCholesky::Factorize() {
    return SolveStatus::Unavailable;
}
SolveStatus SparseCholesky::Solve(std::span<double>, int) {
    return SolveStatus::Unavailable;
}

#endif

}  // namespace membrane
