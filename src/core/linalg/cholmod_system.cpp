#include "linalg/cholmod_system.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "linalg/conjugate_gradients.h"

#ifdef MEMBRANE_HAVE_CHOLMOD
#include <cholmod.h>

#include "linalg/serial_openmp.h"
#endif

namespace membrane {

#ifdef MEMBRANE_HAVE_CHOLMOD

struct CholmodSystem::Impl {
    cholmod_common common{};
    cholmod_sparse* matrix = nullptr;  // upper triangle, compressed columns
    cholmod_factor* factor = nullptr;
    // The factor of the last numeric factorization that succeeded, for later solves.
    bool factorUsable = false;
    bool reusePending = false;             // Factorize kept the old factor for the next Solve
    std::vector<double> factoredDiagonal;  // the diagonal the factor was made from
    cholmod_dense* solved = nullptr;       // the preconditioner's result and workspaces,
    cholmod_dense* workY = nullptr;        // allocated by CHOLMOD at the first use, reused
    cholmod_dense* workE = nullptr;

    Impl() { cholmod_start(&common); }
    ~Impl() {
        for (cholmod_dense** dense : {&solved, &workY, &workE})
            if (*dense) cholmod_free_dense(dense, &common);
        if (factor) cholmod_free_factor(&factor, &common);
        if (matrix) cholmod_free_sparse(&matrix, &common);
        cholmod_finish(&common);
    }

    double* Values() { return static_cast<double*>(matrix->x); }
    const double* Values() const { return static_cast<const double*>(matrix->x); }

    // A dense header over n x columns values that CHOLMOD only reads.
    static cholmod_dense Header(const double* values, std::size_t n, std::size_t columns) {
        cholmod_dense b{};
        b.nrow = n;
        b.ncol = columns;
        b.nzmax = n * columns;
        b.d = n;
        b.x = const_cast<double*>(values);
        b.xtype = CHOLMOD_REAL;
        b.dtype = CHOLMOD_DOUBLE;
        return b;
    }

    // z = (L L')^-1 r with the kept factor.
    bool ApplyFactor(std::span<const double> r, std::span<double> z) {
        cholmod_dense residual = Header(r.data(), r.size(), 1);
        if (!cholmod_solve2(CHOLMOD_A, factor, &residual, nullptr, &solved, nullptr, &workY, &workE,
                            &common))
            return false;
        const auto* x = static_cast<const double*>(solved->x);
        std::copy(x, x + z.size(), z.begin());
        return true;
    }
};

bool CholmodSystem::Available() {
    return true;
}

CholmodSystem::CholmodSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options)
    : SparseSystem(std::move(pattern), std::move(options)), impl_(std::make_unique<Impl>()) {}

CholmodSystem::~CholmodSystem() = default;

std::unique_ptr<CholmodSystem> CholmodSystem::Create(std::shared_ptr<const SparsePattern> pattern,
                                                     SystemOptions options) {
    std::unique_ptr<CholmodSystem> system(
        new CholmodSystem(std::move(pattern), std::move(options)));
    if (!system->Allocate()) return nullptr;
    return system;
}

bool CholmodSystem::Allocate() {
    const SparsePattern& pattern = Pattern();
    const auto n = static_cast<std::size_t>(pattern.Size());
    Impl& s = *impl_;
    s.matrix = cholmod_allocate_sparse(n, n, pattern.EntryCount(), /*sorted=*/1, /*packed=*/1,
                                       /*stype=*/1, CHOLMOD_REAL, &s.common);
    if (s.matrix == nullptr) return false;
    std::copy(pattern.ColumnStart().begin(), pattern.ColumnStart().end(),
              static_cast<std::int32_t*>(s.matrix->p));
    std::copy(pattern.RowIndex().begin(), pattern.RowIndex().end(),
              static_cast<std::int32_t*>(s.matrix->i));
    ZeroMatrix();
    return true;
}

void CholmodSystem::ZeroMatrix() {
    std::fill(impl_->Values(), impl_->Values() + Pattern().EntryCount(), 0.0);
}

void CholmodSystem::AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) {
    const SparsePattern& pattern = Pattern();
    double* values = impl_->Values();
    const std::size_t n = unknowns.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t a = unknowns[i];
        if (a < 0) continue;
        values[pattern.DiagonalPosition(a)] += ke[i * n + i];
        for (std::size_t j = 0; j < i; ++j)
            if (unknowns[j] >= 0) values[pattern.Position(a, unknowns[j])] += ke[i * n + j];
    }
}

void CholmodSystem::ReplaceDiagonal(std::int32_t unknown, double value) {
    impl_->Values()[Pattern().DiagonalPosition(unknown)] = value;
}

double CholmodSystem::Entry(std::int32_t row, std::int32_t column) const {
    const std::int32_t at = Pattern().Position(row, column);
    return at < 0 ? 0.0 : impl_->Values()[at];
}

// q = K p from the upper triangle: every stored entry off the diagonal stands for two.
void CholmodSystem::Multiply(std::span<const double> p, std::span<double> q) const {
    const auto start = Pattern().ColumnStart();
    const auto row = Pattern().RowIndex();
    const double* value = impl_->Values();
    const std::int32_t n = Size();
    std::fill(q.begin(), q.end(), 0.0);
    for (std::int32_t column = 0; column < n; ++column) {
        double sum = 0.0;
        for (std::int32_t k = start[column]; k < start[column + 1]; ++k) {
            const std::int32_t i = row[k];
            if (i == column) {
                sum += value[k] * p[column];
            } else {
                q[i] += value[k] * p[column];
                sum += value[k] * p[i];
            }
        }
        q[column] += sum;
    }
}

bool CholmodSystem::Analyze() {
    Impl& s = *impl_;
    if (s.factor != nullptr) return true;
    s.common.supernodal = CHOLMOD_SUPERNODAL;
    SerialOpenMp serial;
    if (Options().ordering) {
        std::vector<std::int32_t> perm = Options().ordering();
        if (perm.size() == static_cast<std::size_t>(Size()) && !perm.empty()) {
            s.common.nmethods = 1;
            s.common.method[0].ordering = CHOLMOD_GIVEN;
            s.factor = cholmod_analyze_p(s.matrix, perm.data(), nullptr, 0, &s.common);
            s.common.status = CHOLMOD_OK;
        }
    }
    if (s.factor == nullptr) {
        s.common.nmethods = 1;
        s.common.method[0].ordering = CHOLMOD_METIS;
        s.factor = cholmod_analyze(s.matrix, &s.common);
    }
    if (s.factor == nullptr) {  // no METIS in the library: CHOLMOD's own choice
        s.common.nmethods = 0;
        s.common.status = CHOLMOD_OK;
        s.factor = cholmod_analyze(s.matrix, &s.common);
    }
    return s.factor != nullptr;
}

double CholmodSystem::FactorEntries() const {
    return impl_->factor ? impl_->common.lnz : 0.0;
}

SolveStatus CholmodSystem::Factorize() {
    // CHOLMOD's phases cannot be broken off: a cancel is answered between them.
    if (Cancelled()) return SolveStatus::Cancelled;
    if (!Options().grounded.empty() && Floating()) return SolveStatus::RowDependence;
    if (!Analyze()) return SolveStatus::Unavailable;
    if (Cancelled()) return SolveStatus::Cancelled;
    Impl& s = *impl_;
    s.reusePending = false;
    if (Options().reuseLimit > 0.0 && s.factorUsable) {
        // How far the system has moved from the one factorized, on the diagonal (pinned
        // entries left out): |d - d_f| / |d_f|.
        const double* value = s.Values();
        double change = 0.0, size = 0.0;
        for (std::int32_t k = 0; k < Size(); ++k) {
            if (Pinned()[k]) continue;
            const double before = s.factoredDiagonal[k];
            const double now = value[Pattern().DiagonalPosition(k)];
            change += (now - before) * (now - before);
            size += before * before;
        }
        if ((size > 0.0 ? std::sqrt(change / size) : 0.0) <= Options().reuseLimit) {
            s.reusePending = true;
            return SolveStatus::Ok;
        }
    }
    return FactorizeNow();
}

SolveStatus CholmodSystem::FactorizeNow() {
    Impl& s = *impl_;
    SerialOpenMp serial;
    s.factorUsable = false;
    const bool factored = cholmod_factorize(s.matrix, s.factor, &s.common) != 0;
    if (!factored || s.common.status == CHOLMOD_NOT_POSDEF || s.factor->minor < s.factor->n)
        return SolveStatus::RowDependence;
    s.factorUsable = true;
    ++counts_.factorizations;
    s.factoredDiagonal.resize(static_cast<std::size_t>(Size()));
    for (std::int32_t k = 0; k < Size(); ++k)
        s.factoredDiagonal[k] = s.Values()[Pattern().DiagonalPosition(k)];
    return Cancelled() ? SolveStatus::Cancelled : SolveStatus::Ok;
}

SolveStatus CholmodSystem::Solve(const SolveOptions&) {
    Impl& s = *impl_;
    if (!s.factorUsable) return SolveStatus::Unavailable;
    if (s.reusePending) {
        s.reusePending = false;
        if (SolveOnEarlierFactor()) {
            ++counts_.reusedFactorSolves;
            return SolveStatus::Ok;
        }
        if (Cancelled()) return SolveStatus::Cancelled;
        const SolveStatus status = FactorizeNow();
        if (status != SolveStatus::Ok) return status;
    }
    if (Cancelled()) return SolveStatus::Cancelled;
    return SolveDirect();
}

SolveStatus CholmodSystem::SolveDirect() {
    Impl& s = *impl_;
    const auto n = static_cast<std::size_t>(Size());
    const auto columns = static_cast<std::size_t>(Columns());
    cholmod_dense b = Impl::Header(RightHandSide(0).data(), n, columns);
    SerialOpenMp serial;
    cholmod_dense* x = cholmod_solve(CHOLMOD_A, s.factor, &b, &s.common);
    if (x == nullptr) return SolveStatus::DivisionByZero;
    std::memcpy(SolutionStorage(0).data(), x->x, sizeof(double) * n * columns);
    cholmod_free_dense(&x, &s.common);
    return SolveStatus::Ok;
}

bool CholmodSystem::SolveOnEarlierFactor() {
    Impl& s = *impl_;
    SerialOpenMp serial;
    for (int column = 0; column < Columns(); ++column) {
        const ConjugateGradientResult result = PreconditionedConjugateGradients(
            [this](std::span<const double> p, std::span<double> q) { Multiply(p, q); },
            [&s](std::span<const double> r, std::span<double> z) { return s.ApplyFactor(r, z); },
            RightHandSide(column), SolutionStorage(column), ConjugateGradientLimits{},
            [this] { return Cancelled(); });
        counts_.conjugateGradientIterations += result.iterations;
        if (!result.converged) return false;
    }
    return true;
}

#else  // built without CHOLMOD

struct CholmodSystem::Impl {};
bool CholmodSystem::Available() {
    return false;
}
CholmodSystem::CholmodSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options)
    : SparseSystem(std::move(pattern), std::move(options)) {}
CholmodSystem::~CholmodSystem() = default;
std::unique_ptr<CholmodSystem> CholmodSystem::Create(std::shared_ptr<const SparsePattern>,
                                                     SystemOptions) {
    return nullptr;
}
bool CholmodSystem::Allocate() {
    return false;
}
void CholmodSystem::ZeroMatrix() {}
void CholmodSystem::AddMatrix(std::span<const std::int32_t>, std::span<const double>) {}
void CholmodSystem::ReplaceDiagonal(std::int32_t, double) {}
double CholmodSystem::Entry(std::int32_t, std::int32_t) const {
    return 0.0;
}
void CholmodSystem::Multiply(std::span<const double>, std::span<double> q) const {
    std::fill(q.begin(), q.end(), 0.0);
}
bool CholmodSystem::Analyze() {
    return false;
}
double CholmodSystem::FactorEntries() const {
    return 0.0;
}
SolveStatus CholmodSystem::Factorize() {
    return SolveStatus::Unavailable;
}
SolveStatus CholmodSystem::FactorizeNow() {
    return SolveStatus::Unavailable;
}
SolveStatus CholmodSystem::Solve(const SolveOptions&) {
    return SolveStatus::Unavailable;
}
SolveStatus CholmodSystem::SolveDirect() {
    return SolveStatus::Unavailable;
}
bool CholmodSystem::SolveOnEarlierFactor() {
    return false;
}

#endif

}  // namespace membrane
