#include "linalg/amg_system.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "linalg/conjugate_gradients.h"

#ifdef MEMBRANE_HAVE_HYPRE
#include <_hypre_parcsr_mv.h>

#include "linalg/hypre_library.h"
#endif

namespace membrane {

#ifdef MEMBRANE_HAVE_HYPRE
namespace {

// Conjugate gradients preconditioned with one V-cycle reduce the error tenfold in one to
// two iterations on these systems; more than this many means the preconditioner does not
// fit the system.
constexpr int kMaxIterations = 200;
// The hierarchy is set up again when the system's diagonal has moved by more than this
// since its set-up, unless the client gives its own limit.
constexpr double kDefaultReuseLimit = 0.05;

// Keeps hypre's objects' lifetimes with the system's; every call into hypre holds the lock.
struct HypreObjects {
    const HypreLibrary* lib = nullptr;
    HYPRE_IJMatrix matrix = nullptr;
    HYPRE_IJVector rhs = nullptr, solution = nullptr;
    HYPRE_Solver amg = nullptr;

    ~HypreObjects() {
        if (lib == nullptr) return;
        std::lock_guard<std::mutex> lock(HypreLock());
        if (amg) lib->amgDestroy(amg);
        if (solution) lib->vectorDestroy(solution);
        if (rhs) lib->vectorDestroy(rhs);
        if (matrix) lib->matrixDestroy(matrix);
        lib->clearAllErrors();
    }
};

}  // namespace

struct AmgSystem::Impl {
    HypreObjects hypre;
    hypre_CSRMatrix* rows = nullptr;  // the whole matrix: one process, so all in its diag
    double* cycleRhs = nullptr;       // the data of hypre's vectors, for the V-cycles
    double* cycleSolution = nullptr;
    int block = 1;

    bool hierarchyUsable = false, reusePending = false;
    std::vector<double> setupDiagonal;  // the diagonal the hierarchy was set up for
    std::vector<double> reference;      // per right-hand side: r.z at x = 0 of its last solve

    double* Values() { return hypre_CSRMatrixData(rows); }
    const double* Values() const { return hypre_CSRMatrixData(rows); }

    // Position of (row, column) in the rows: the diagonal first, the others ascending.
    std::int32_t Position(std::int32_t row, std::int32_t column) const {
        const HYPRE_Int* start = hypre_CSRMatrixI(rows);
        const HYPRE_Int* col = hypre_CSRMatrixJ(rows);
        if (row == column) return start[row];
        const HYPRE_Int* begin = col + start[row] + 1;
        const HYPRE_Int* end = col + start[row + 1];
        const HYPRE_Int* found = std::lower_bound(begin, end, column);
        return found != end && *found == column ? static_cast<std::int32_t>(found - col) : -1;
    }

    // z = M^-1 r: one V-cycle from z = 0.
    bool Cycle(std::span<const double> r, std::span<double> z) {
        std::copy(r.begin(), r.end(), cycleRhs);
        std::fill(cycleSolution, cycleSolution + z.size(), 0.0);
        std::lock_guard<std::mutex> lock(HypreLock());
        HYPRE_ParCSRMatrix a = nullptr;
        HYPRE_ParVector b = nullptr, x = nullptr;
        const HypreLibrary& h = *hypre.lib;
        h.matrixGetObject(hypre.matrix, reinterpret_cast<void**>(&a));
        h.vectorGetObject(hypre.rhs, reinterpret_cast<void**>(&b));
        h.vectorGetObject(hypre.solution, reinterpret_cast<void**>(&x));
        const bool ok = h.amgSolve(hypre.amg, a, b, x) == 0;
        h.clearAllErrors();
        std::copy(cycleSolution, cycleSolution + z.size(), z.begin());
        return ok;
    }

    // BoomerAMG for the current values, tuned for a 2D elliptic system of P1 elements
    // (bench/README.md has the measurements): HMIS coarsening (one pass of Ruge-Stueben,
    // then PMIS), aggressive on the first level (half the hierarchy's memory and set-up
    // time for more, cheaper iterations), extended+i interpolation with at most 4 entries
    // a row, strength threshold 0.25, one V-cycle with one l1 Gauss-Seidel sweep forward
    // on the way down and backward on the way up (so the cycle is symmetric, as conjugate
    // gradients need), Gaussian elimination on the coarsest level. Unknowns that come in
    // blocks (x, y, z of a node) are coarsened as a system of that many functions.
    bool SetUpHierarchy(std::int32_t n, const std::function<std::int32_t(std::int32_t)>& diagonal) {
        std::lock_guard<std::mutex> lock(HypreLock());
        const HypreLibrary& h = *hypre.lib;
        if (hypre.amg) h.amgDestroy(hypre.amg);
        hypre.amg = nullptr;
        hierarchyUsable = false;
        if (h.amgCreate(&hypre.amg) != 0) {
            h.clearAllErrors();
            return false;
        }
        HYPRE_Solver amg = hypre.amg;
        h.amgSetPrintLevel(amg, 0);
        h.amgSetMaxIter(amg, 1);
        h.amgSetTol(amg, 0.0);
        h.amgSetCoarsenType(amg, 10);
        h.amgSetInterpType(amg, 6);
        h.amgSetPMaxElmts(amg, 4);
        h.amgSetStrongThreshold(amg, 0.25);
        h.amgSetAggNumLevels(amg, 1);
        h.amgSetNumSweeps(amg, 1);
        h.amgSetCycleRelaxType(amg, 13, 1);
        h.amgSetCycleRelaxType(amg, 14, 2);
        h.amgSetCycleRelaxType(amg, 9, 3);
        if (block > 1) h.amgSetNumFunctions(amg, block);
        HYPRE_ParCSRMatrix a = nullptr;
        HYPRE_ParVector b = nullptr, x = nullptr;
        h.matrixGetObject(hypre.matrix, reinterpret_cast<void**>(&a));
        h.vectorGetObject(hypre.rhs, reinterpret_cast<void**>(&b));
        h.vectorGetObject(hypre.solution, reinterpret_cast<void**>(&x));
        const bool ok = h.amgSetup(amg, a, b, x) == 0;
        h.clearAllErrors();
        if (!ok) return false;
        setupDiagonal.resize(static_cast<std::size_t>(n));
        for (std::int32_t k = 0; k < n; ++k) setupDiagonal[k] = Values()[diagonal(k)];
        hierarchyUsable = true;
        return true;
    }
};

AmgSystem::AmgSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options)
    : SparseSystem(std::move(pattern), std::move(options)), impl_(std::make_unique<Impl>()) {}

AmgSystem::~AmgSystem() = default;

void AmgSystem::PrepareProcess() {
    KeepMpiToItself();
}

bool AmgSystem::Available(std::string* why) {
    std::string reason;
    const bool loaded = LoadHypreLibrary(reason) != nullptr;
    if (why) *why = reason;
    return loaded;
}

std::unique_ptr<AmgSystem> AmgSystem::Create(std::shared_ptr<const SparsePattern> pattern,
                                             SystemOptions options) {
    std::unique_ptr<AmgSystem> system(new AmgSystem(std::move(pattern), std::move(options)));
    if (!system->Setup()) return nullptr;
    return system;
}

// hypre's matrix with the pattern's entries, all zero: every row its diagonal first, then
// its neighbours ascending.
bool AmgSystem::Setup() {
    std::string why;
    const HypreLibrary* lib = LoadHypreLibrary(why);
    if (lib == nullptr) return false;
    Impl& s = *impl_;
    s.block = Pattern().Block();
    const std::int32_t n = Size();
    const SparsePattern::Graph graph = Pattern().Adjacency();
    if (n == 0 || graph.neighbours.size() + static_cast<std::size_t>(n) >
                      static_cast<std::size_t>(std::numeric_limits<HYPRE_Int>::max()))
        return false;
    std::vector<HYPRE_Int> length(n), none(n, 0);
    for (std::int32_t k = 0; k < n; ++k) length[k] = 1 + graph.start[k + 1] - graph.start[k];
    s.hypre.lib = lib;
    std::lock_guard<std::mutex> lock(HypreLock());
    HypreObjects& o = s.hypre;
    if (lib->matrixCreate(lib->self, 0, n - 1, 0, n - 1, &o.matrix) != 0 ||
        lib->matrixSetObjectType(o.matrix, HYPRE_PARCSR) != 0 ||
        lib->matrixSetDiagOffdSizes(o.matrix, length.data(), none.data()) != 0 ||
        lib->matrixInitialize(o.matrix) != 0) {
        lib->clearAllErrors();
        return false;
    }
    // The pattern in blocks of rows, so that the zeros handed over stay few.
    constexpr std::int32_t kBlock = 1 << 15;
    std::vector<HYPRE_Int> rowIndex(kBlock), columns;
    std::vector<double> zeros;
    for (std::int32_t first = 0; first < n; first += kBlock) {
        const std::int32_t last = std::min(n, first + kBlock);
        columns.clear();
        for (std::int32_t k = first; k < last; ++k) {
            rowIndex[k - first] = k;
            columns.push_back(k);
            columns.insert(columns.end(), graph.neighbours.begin() + graph.start[k],
                           graph.neighbours.begin() + graph.start[k + 1]);
        }
        zeros.assign(columns.size(), 0.0);
        if (lib->matrixSetValues(o.matrix, last - first, length.data() + first, rowIndex.data(),
                                 columns.data(), zeros.data()) != 0) {
            lib->clearAllErrors();
            return false;
        }
    }
    if (lib->matrixAssemble(o.matrix) != 0 || lib->vectorCreate(lib->self, 0, n - 1, &o.rhs) != 0 ||
        lib->vectorSetObjectType(o.rhs, HYPRE_PARCSR) != 0 || lib->vectorInitialize(o.rhs) != 0 ||
        lib->vectorAssemble(o.rhs) != 0 ||
        lib->vectorCreate(lib->self, 0, n - 1, &o.solution) != 0 ||
        lib->vectorSetObjectType(o.solution, HYPRE_PARCSR) != 0 ||
        lib->vectorInitialize(o.solution) != 0 || lib->vectorAssemble(o.solution) != 0) {
        lib->clearAllErrors();
        return false;
    }
    HYPRE_ParCSRMatrix a = nullptr;
    HYPRE_ParVector b = nullptr, x = nullptr;
    lib->matrixGetObject(o.matrix, reinterpret_cast<void**>(&a));
    lib->vectorGetObject(o.rhs, reinterpret_cast<void**>(&b));
    lib->vectorGetObject(o.solution, reinterpret_cast<void**>(&x));
    s.rows = hypre_ParCSRMatrixDiag(a);
    s.cycleRhs = hypre_VectorData(hypre_ParVectorLocalVector(b));
    s.cycleSolution = hypre_VectorData(hypre_ParVectorLocalVector(x));
    return hypre_CSRMatrixNumRows(s.rows) == n;
}

void AmgSystem::ZeroMatrix() {
    std::fill(impl_->Values(), impl_->Values() + hypre_CSRMatrixNumNonzeros(impl_->rows), 0.0);
}

// The lower triangle of ke, each term off the diagonal added to both of its entries, so
// that the matrix stays symmetric to the bit.
void AmgSystem::AddMatrix(std::span<const std::int32_t> unknowns, std::span<const double> ke) {
    Impl& s = *impl_;
    double* values = s.Values();
    const std::size_t n = unknowns.size();
    for (std::size_t i = 0; i < n; ++i) {
        const std::int32_t a = unknowns[i];
        if (a < 0) continue;
        values[s.Position(a, a)] += ke[i * n + i];
        for (std::size_t j = 0; j < i; ++j) {
            const std::int32_t b = unknowns[j];
            if (b < 0) continue;
            values[s.Position(a, b)] += ke[i * n + j];
            values[s.Position(b, a)] += ke[i * n + j];
        }
    }
}

void AmgSystem::ReplaceDiagonal(std::int32_t unknown, double value) {
    impl_->Values()[impl_->Position(unknown, unknown)] = value;
}

double AmgSystem::Entry(std::int32_t row, std::int32_t column) const {
    const std::int32_t at = impl_->Position(row, column);
    return at < 0 ? 0.0 : impl_->Values()[at];
}

bool AmgSystem::SetEntry(std::int32_t row, std::int32_t column, double value) {
    Impl& s = *impl_;
    const std::int32_t ab = s.Position(row, column), ba = s.Position(column, row);
    if (ab < 0 || ba < 0) return false;
    s.Values()[ab] = value;
    s.Values()[ba] = value;
    s.hierarchyUsable = false;
    return true;
}

void AmgSystem::Multiply(std::span<const double> p, std::span<double> q) const {
    const hypre_CSRMatrix* rows = impl_->rows;
    const HYPRE_Int* start = hypre_CSRMatrixI(rows);
    const HYPRE_Int* col = hypre_CSRMatrixJ(rows);
    const double* value = hypre_CSRMatrixData(rows);
    for (std::size_t i = 0; i < q.size(); ++i) {
        double sum = 0.0;
        for (HYPRE_Int k = start[i]; k < start[i + 1]; ++k) sum += value[k] * p[col[k]];
        q[i] = sum;
    }
}

SolveStatus AmgSystem::Factorize() {
    Impl& s = *impl_;
    if (Cancelled()) return SolveStatus::Cancelled;
    if (Floating()) return SolveStatus::RowDependence;
    const auto diagonal = [&s](std::int32_t k) { return s.Position(k, k); };
    s.reusePending = false;
    if (s.hierarchyUsable) {
        // How far the system has moved from the one the hierarchy was set up for, on the
        // diagonal (pinned entries left out): |d - d_s| / |d_s|.
        double change = 0.0, size = 0.0;
        for (std::int32_t k = 0; k < Size(); ++k) {
            if (Pinned()[k]) continue;
            const double before = s.setupDiagonal[k], now = s.Values()[diagonal(k)];
            change += (now - before) * (now - before);
            size += before * before;
        }
        const double limit = Options().reuseLimit > 0.0 ? Options().reuseLimit : kDefaultReuseLimit;
        if ((size > 0.0 ? std::sqrt(change / size) : 0.0) <= limit) {
            s.reusePending = true;
            ++counts_.multigridReuses;
            return SolveStatus::Ok;
        }
    }
    if (!s.SetUpHierarchy(Size(), diagonal)) return SolveStatus::NotConverged;
    ++counts_.multigridSetups;
    return SolveStatus::Ok;
}

SolveStatus AmgSystem::Solve(const SolveOptions& options) {
    Impl& s = *impl_;
    if (!s.hierarchyUsable)
        return Floating() ? SolveStatus::RowDependence : SolveStatus::NotConverged;
    SolveStatus status = SolveOnHierarchy(options);
    if (status == SolveStatus::NotConverged && s.reusePending) {
        // The kept hierarchy does not serve these values after all: a new one, and the
        // solve again from zero.
        s.reusePending = false;
        if (Cancelled()) return SolveStatus::Cancelled;
        const auto diagonal = [&s](std::int32_t k) { return s.Position(k, k); };
        if (!s.SetUpHierarchy(Size(), diagonal)) return SolveStatus::NotConverged;
        ++counts_.multigridSetups;
        SolveOptions again = options;
        again.refine = false;
        status = SolveOnHierarchy(again);
    }
    if (status == SolveStatus::NotConverged) s.hierarchyUsable = false;
    return status;
}

SolveStatus AmgSystem::SolveOnHierarchy(const SolveOptions& options) {
    Impl& s = *impl_;
    s.reference.resize(static_cast<std::size_t>(Columns()), 0.0);
    for (int column = 0; column < Columns(); ++column) {
        if (Cancelled()) return SolveStatus::Cancelled;
        const ConjugateGradientLimits limits{options.tolerance, kMaxIterations,
                                             options.refine ? s.reference[column] : 0.0};
        const ConjugateGradientResult result = PreconditionedConjugateGradients(
            [this](std::span<const double> p, std::span<double> q) { Multiply(p, q); },
            [&s](std::span<const double> r, std::span<double> z) { return s.Cycle(r, z); },
            RightHandSide(column), SolutionStorage(column), limits, [this] { return Cancelled(); });
        counts_.conjugateGradientIterations += result.iterations;
        s.reference[column] = result.reference;
        if (Cancelled()) return SolveStatus::Cancelled;
        if (!result.converged) return SolveStatus::NotConverged;
    }
    return SolveStatus::Ok;
}

#else  // built without hypre

struct AmgSystem::Impl {};
AmgSystem::AmgSystem(std::shared_ptr<const SparsePattern> pattern, SystemOptions options)
    : SparseSystem(std::move(pattern), std::move(options)) {}
AmgSystem::~AmgSystem() = default;
void AmgSystem::PrepareProcess() {}
bool AmgSystem::Available(std::string* why) {
    if (why) *why = "this build has no hypre";
    return false;
}
std::unique_ptr<AmgSystem> AmgSystem::Create(std::shared_ptr<const SparsePattern>, SystemOptions) {
    return nullptr;
}
bool AmgSystem::Setup() {
    return false;
}
void AmgSystem::ZeroMatrix() {}
void AmgSystem::AddMatrix(std::span<const std::int32_t>, std::span<const double>) {}
void AmgSystem::ReplaceDiagonal(std::int32_t, double) {}
double AmgSystem::Entry(std::int32_t, std::int32_t) const {
    return 0.0;
}
bool AmgSystem::SetEntry(std::int32_t, std::int32_t, double) {
    return false;
}
void AmgSystem::Multiply(std::span<const double>, std::span<double> q) const {
    std::fill(q.begin(), q.end(), 0.0);
}
SolveStatus AmgSystem::Factorize() {
    return SolveStatus::MultigridUnavailable;
}
SolveStatus AmgSystem::Solve(const SolveOptions&) {
    return SolveStatus::MultigridUnavailable;
}
SolveStatus AmgSystem::SolveOnHierarchy(const SolveOptions&) {
    return SolveStatus::MultigridUnavailable;
}

#endif

}  // namespace membrane
