#include "heightfield/amg_solver.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "common/key_index.h"
#include "heightfield/assembly.h"
#include "heightfield/element_rounds.h"
#include "linalg/conjugate_gradients.h"

#ifdef MEMBRANE_HAVE_HYPRE
#include <_hypre_parcsr_mv.h>

#include "linalg/hypre_library.h"
#endif

namespace membrane {

#ifdef MEMBRANE_HAVE_HYPRE
namespace {

// The relative tolerance of the exact step, as the sparse Cholesky solver's conjugate
// gradients on an earlier factor: the energy-norm error 1e-10 of the increments'.
constexpr double kExactTolerance = 1e-10;
// Eisenstat & Walker's choice 2: eta_k = gamma (|F_k| / |F_k-1|)^alpha, not below
// gamma eta_k-1^alpha where that is above 0.1, and never above kLoosest. A looser bound
// (1e-2, 1e-4) left errors of 1e-7 and 1e-9 of the extent in the converged heights of a
// Scherk surface at accuracy 1e-6, whose early Newton steps contract slowly; 1e-5 left
// 5e-11 (bench/README.md).
constexpr double kForcingGamma = 0.9;
constexpr double kForcingAlpha = 2.0;
constexpr double kFirstForcing = 1e-5;
constexpr double kLoosest = 1e-5;
// Conjugate gradients preconditioned with one V-cycle reduce the error tenfold in one to
// two iterations on these systems; more than this many means the preconditioner does not
// fit the system.
constexpr int kMaxIterations = 200;
// The hierarchy is set up again when the system's diagonal has moved by more than this
// since its set-up.
constexpr double kReuseLimit = 0.05;

// Keeps hypre's objects' lifetimes with the solver's; every call into hypre holds the lock.
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

struct AmgSolver::Impl {
    HypreObjects hypre;
    hypre_ParCSRMatrix* parMatrix = nullptr;
    hypre_CSRMatrix* rows = nullptr;  // the whole matrix: one process, so all in its diag
    double* cycleRhs = nullptr;       // the data of hypre's vectors, for the V-cycles
    double* cycleSolution = nullptr;

    // An element as the assembly needs it: its corners' unknowns and where its entries off
    // the diagonal go among the values, (21 12) (31 13) (32 23); those on the diagonal go
    // to the corners' diagonal entries.
    struct Element {
        std::int32_t corner[3];
        std::int32_t offDiagonal[6];
    };

    KeyIndex unknownOf;                     // node number -> unknown index
    std::vector<std::int32_t> heightEntry;  // unknown -> its node's index in the heights
    std::vector<Element> elements;          // elements assembled, in order
    std::vector<std::int32_t> diagonal;     // value position of every unknown's diagonal
    std::vector<std::int32_t> pinned;       // unknowns of held nodes
    bool singular = false;                  // a part of the mesh without a held node
    double extent = 0.0;                    // the larger side of the plan's bounding box
    ElementRounds rounds;

    std::vector<double> rhs, solution;
    // The hierarchy's system, by its diagonal (the pinned entries left out).
    std::vector<double> setupDiagonal;
    bool hierarchyUsable = false;
    // The forcing term's memory: the gradient norm and forcing term of the last step.
    double lastNorm = 0.0, lastForcing = 0.0;
    SolveCounts counts;

    std::int32_t Unknown(std::int32_t node) {
        std::int32_t id = unknownOf.Find(node);
        if (id == KeyIndex::kNone) {
            id = static_cast<std::int32_t>(diagonal.size());
            unknownOf.Set(node, id);
            diagonal.push_back(-1);
            heightEntry.push_back(-1);
        }
        return id;
    }

    std::int32_t Position(std::int32_t row, std::int32_t column) const {
        const HYPRE_Int* start = hypre_CSRMatrixI(rows);
        const HYPRE_Int* col = hypre_CSRMatrixJ(rows);
        for (HYPRE_Int k = start[row]; k < start[row + 1]; ++k)
            if (col[k] == column) return k;
        return -1;
    }

    // q = K p.
    void Multiply(std::span<const double> p, std::span<double> q) const {
        const HYPRE_Int* start = hypre_CSRMatrixI(rows);
        const HYPRE_Int* col = hypre_CSRMatrixJ(rows);
        const double* value = hypre_CSRMatrixData(rows);
        const std::size_t n = q.size();
        for (std::size_t i = 0; i < n; ++i) {
            double sum = 0.0;
            for (HYPRE_Int k = start[i]; k < start[i + 1]; ++k) sum += value[k] * p[col[k]];
            q[i] = sum;
        }
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

    // How far the system has moved from the one the hierarchy was set up for, on the
    // diagonal: |d - d_s| / |d_s|.
    double DiagonalChange() const {
        const double* value = hypre_CSRMatrixData(rows);
        double change = 0.0, size = 0.0;
        for (std::size_t k = 0; k < setupDiagonal.size(); ++k) {
            const double before = setupDiagonal[k], now = value[diagonal[k]];
            if (before == kConstraintStiffness) continue;
            change += (now - before) * (now - before);
            size += before * before;
        }
        return size > 0.0 ? std::sqrt(change / size) : 0.0;
    }

    // BoomerAMG for the current system, tuned for a 2D scalar elliptic system of P1
    // elements (bench/README.md has the measurements): HMIS coarsening (one pass of
    // Ruge-Stueben, then PMIS), aggressive on the first level (half the hierarchy's
    // memory and set-up time for more, cheaper iterations), extended+i interpolation with
    // at most 4 entries a row, strength threshold 0.25, one V-cycle with one l1
    // Gauss-Seidel sweep forward on the way down and backward on the way up (so the cycle
    // is symmetric, as conjugate gradients need), Gaussian elimination on the coarsest
    // level.
    bool SetUpHierarchy() {
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
        HYPRE_ParCSRMatrix a = nullptr;
        HYPRE_ParVector b = nullptr, x = nullptr;
        h.matrixGetObject(hypre.matrix, reinterpret_cast<void**>(&a));
        h.vectorGetObject(hypre.rhs, reinterpret_cast<void**>(&b));
        h.vectorGetObject(hypre.solution, reinterpret_cast<void**>(&x));
        const bool ok = h.amgSetup(amg, a, b, x) == 0;
        h.clearAllErrors();
        if (!ok) return false;
        const double* value = hypre_CSRMatrixData(rows);
        setupDiagonal.resize(diagonal.size());
        for (std::size_t k = 0; k < diagonal.size(); ++k) setupDiagonal[k] = value[diagonal[k]];
        hierarchyUsable = true;
        return true;
    }

    // The forcing term of this step from the gradient norms (Eisenstat & Walker, choice 2).
    double Forcing(double norm) {
        double eta = kFirstForcing;
        if (lastNorm > 0.0) {
            eta = kForcingGamma * std::pow(norm / lastNorm, kForcingAlpha);
            const double floor = kForcingGamma * std::pow(lastForcing, kForcingAlpha);
            if (floor > 0.1) eta = std::max(eta, floor);
        }
        eta = std::min(eta, kLoosest);
        lastNorm = norm;
        lastForcing = eta;
        return eta;
    }
};

AmgSolver::AmgSolver(const Model& model, double accuracy) : model_(model), accuracy_(accuracy) {}
AmgSolver::~AmgSolver() = default;

void AmgSolver::PrepareProcess() {
    KeepMpiToItself();
}

bool AmgSolver::Available(std::string* why) {
    std::string reason;
    const bool loaded = LoadHypreLibrary(reason) != nullptr;
    if (why) *why = reason;
    return loaded;
}

std::unique_ptr<AmgSolver> AmgSolver::Create(const Model& model, double accuracy) {
    std::unique_ptr<AmgSolver> solver(new AmgSolver(model, accuracy));
    if (!solver->Setup()) return nullptr;
    return solver;
}

bool AmgSolver::Setup() {
    std::string why;
    const HypreLibrary* lib = LoadHypreLibrary(why);
    if (lib == nullptr) return false;
    impl_ = std::make_unique<Impl>();
    Impl& s = *impl_;
    const NodeTable& nodes = model_.nodes;
    const ElementTable& elements = model_.elements;

    // Unknowns as the sparse Cholesky solver numbers them, and the triangles' corners as
    // unknowns. Elements whose triangle has no plan area add to the pattern but give no
    // terms, as in the other solvers.
    std::vector<std::int32_t> triangles;  // three unknowns a triangle
    std::vector<std::int32_t> parent;     // union-find over unknowns: parts of the mesh
    const auto root = [&parent](std::int32_t k) {
        while (parent[k] != k) k = parent[k] = parent[parent[k]];
        return k;
    };
    s.elements.reserve(elements.Elements().size());
    triangles.reserve(3 * elements.Elements().size());
    for (std::int32_t number : AssemblyOrder(elements)) {
        const ElementEntry* element = elements.Find(number);
        if (element == nullptr || element->nodeCount < 3) continue;
        const auto corners = elements.NodesOf(*element);
        std::int32_t id[3];
        double x[3], y[3];
        bool complete = true;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t index = nodes.IndexOf(corners[k]);
            complete = complete && index >= 0;
            id[k] = s.Unknown(corners[k]);
            if (parent.size() < s.diagonal.size()) parent.push_back(id[k]);
            if (index >= 0) {
                x[k] = nodes.Nodes()[index].x;
                y[k] = nodes.Nodes()[index].y;
                s.heightEntry[id[k]] = index;
            }
        }
        parent[root(id[1])] = root(id[0]);
        parent[root(id[2])] = root(id[0]);
        triangles.insert(triangles.end(), id, id + 3);
        if (!complete) continue;
        ElementGeometry geometry;
        if (ComputeGeometry(x, y, geometry)) {
            Impl::Element assembled{};
            std::copy(id, id + 3, assembled.corner);
            s.elements.push_back(assembled);
        }
    }
    for (const auto& entry : model_.constraints.Entries()) {
        s.pinned.push_back(s.Unknown(entry.value));
        if (parent.size() < s.diagonal.size()) parent.push_back(s.pinned.back());
    }
    const auto n = static_cast<std::int32_t>(s.diagonal.size());
    if (!nodes.Nodes().empty()) {
        const auto [left, right] =
            std::minmax_element(nodes.Nodes().begin(), nodes.Nodes().end(),
                                [](const NodeEntry& a, const NodeEntry& b) { return a.x < b.x; });
        const auto [bottom, top] =
            std::minmax_element(nodes.Nodes().begin(), nodes.Nodes().end(),
                                [](const NodeEntry& a, const NodeEntry& b) { return a.y < b.y; });
        s.extent = std::max(right->x - left->x, top->y - bottom->y);
    }
    // The system is singular where a part of the mesh holds no held node.
    std::vector<char> held(n, 0);
    for (std::int32_t k : s.pinned) held[root(k)] = 1;
    for (std::int32_t k = 0; k < n; ++k) s.singular = s.singular || !held[root(k)];
    parent = {};
    held = {};
    if (n == 0 ||
        triangles.size() * 2 + n > static_cast<std::size_t>(std::numeric_limits<HYPRE_Int>::max()))
        return false;

    // The rows: every triangle names two neighbours of each corner; each row's columns
    // sorted, repeats dropped, the diagonal put first (where BoomerAMG's smoothers look for
    // it).
    std::vector<HYPRE_Int> start(n + 1, 0), columns;
    for (const std::int32_t id : triangles) start[id + 1] += 2;
    for (std::int32_t k = 0; k < n; ++k) start[k + 1] += start[k] + 1;
    {
        std::vector<HYPRE_Int> fill(start.begin(), start.end() - 1);
        columns.resize(start[n]);
        for (std::int32_t k = 0; k < n; ++k) columns[fill[k]++] = k;
        for (std::size_t t = 0; t < triangles.size(); t += 3)
            for (int a = 0; a < 3; ++a)
                for (int b = 0; b < 3; ++b)
                    if (a != b) columns[fill[triangles[t + a]]++] = triangles[t + b];
    }
    triangles = {};
    std::vector<HYPRE_Int> length(n), none(n, 0);
    HYPRE_Int kept = 0;
    for (std::int32_t k = 0; k < n; ++k) {
        HYPRE_Int* first = columns.data() + start[k];
        HYPRE_Int* last = columns.data() + start[k + 1];
        std::sort(first + 1, last);
        last = std::unique(first + 1, last);
        length[k] = static_cast<HYPRE_Int>(last - first);
        start[k] = kept;
        kept =
            static_cast<HYPRE_Int>(std::copy(first, last, columns.data() + kept) - columns.data());
    }
    start[n] = kept;
    columns.resize(kept);
    columns.shrink_to_fit();
    s.solution.assign(n, 0.0);
    s.rhs.assign(n, 0.0);
    s.hypre.lib = lib;
    {
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
        std::vector<HYPRE_Int> rowIndex(kBlock);
        std::vector<double> zeros;
        for (std::int32_t first = 0; first < n; first += kBlock) {
            const std::int32_t last = std::min(n, first + kBlock);
            std::iota(rowIndex.begin(), rowIndex.begin() + (last - first), first);
            zeros.assign(start[last] - start[first], 0.0);
            if (lib->matrixSetValues(o.matrix, last - first, length.data() + first, rowIndex.data(),
                                     columns.data() + start[first], zeros.data()) != 0) {
                lib->clearAllErrors();
                return false;
            }
        }
        columns = {};
        if (lib->matrixAssemble(o.matrix) != 0 ||
            lib->vectorCreate(lib->self, 0, n - 1, &o.rhs) != 0 ||
            lib->vectorSetObjectType(o.rhs, HYPRE_PARCSR) != 0 ||
            lib->vectorInitialize(o.rhs) != 0 || lib->vectorAssemble(o.rhs) != 0 ||
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
        s.parMatrix = a;
        s.rows = hypre_ParCSRMatrixDiag(a);
        s.cycleRhs = hypre_VectorData(hypre_ParVectorLocalVector(b));
        s.cycleSolution = hypre_VectorData(hypre_ParVectorLocalVector(x));
    }
    if (hypre_CSRMatrixNumRows(s.rows) != n) return false;

    for (std::int32_t k = 0; k < n; ++k) s.diagonal[k] = s.Position(k, k);
    for (Impl::Element& e : s.elements) {
        const std::int32_t* id = e.corner;
        const std::int32_t pairOf[3][2] = {{1, 0}, {2, 0}, {2, 1}};
        for (int k = 0; k < 3; ++k) {
            e.offDiagonal[2 * k] = s.Position(id[pairOf[k][0]], id[pairOf[k][1]]);
            e.offDiagonal[2 * k + 1] = s.Position(id[pairOf[k][1]], id[pairOf[k][0]]);
        }
    }
    return true;
}

void AmgSolver::Assemble(std::span<const double> heights) {
    Impl& s = *impl_;
    double* values = hypre_CSRMatrixData(s.rows);
    double* b = s.rhs.data();
    const std::vector<Impl::Element>& elements = s.elements;
    const auto& nodes = model_.nodes.Nodes();
    // The element's plan terms from the node coordinates and its terms at the heights, as
    // the other solvers compute them.
    auto termsOf = [&](const Impl::Element& e, StoredTerms& terms) {
        CornerTerms(nodes, s.heightEntry, e.corner, heights, terms);
    };
    auto add = [&](const Impl::Element& e, const StoredTerms& terms) {
        for (int k = 0; k < 3; ++k) values[s.diagonal[e.corner[k]]] += terms.value[k];
        for (int k = 0; k < 3; ++k) {
            values[e.offDiagonal[2 * k]] += terms.value[3 + k];
            values[e.offDiagonal[2 * k + 1]] += terms.value[3 + k];
        }
        for (int k = 0; k < 3; ++k) b[e.corner[k]] += terms.value[6 + k];
    };
    std::fill(values, values + hypre_CSRMatrixNumNonzeros(s.rows), 0.0);
    std::fill(s.rhs.begin(), s.rhs.end(), 0.0);
    AddInElementOrder(
        elements.size(), s.rounds,
        [&](std::size_t e, StoredTerms& terms) { termsOf(elements[e], terms); },
        [&](std::size_t e, const StoredTerms& terms) { add(elements[e], terms); });
    for (std::int32_t k : s.pinned) {
        values[s.diagonal[k]] = kConstraintStiffness;
        b[k] = 0.0;
    }
}

SolveStatus AmgSolver::Solve() {
    Impl& s = *impl_;
    if (CancelSet()) return SolveStatus::Cancelled;
    if (s.singular) return SolveStatus::RowDependence;
    const double norm =
        std::sqrt(std::inner_product(s.rhs.begin(), s.rhs.end(), s.rhs.begin(), 0.0));
    const double forcing = s.Forcing(norm);
    // The hierarchy of an earlier step serves while the system has moved little from it;
    // where it does not serve after all, the step is solved again on a new one.
    const bool reuse = s.hierarchyUsable && s.DiagonalChange() <= kReuseLimit;
    SolveStatus status = SolveStatus::NotConverged;
    if (reuse) {
        ++s.counts.multigridReuses;
        status = SolveOnHierarchy(forcing);
    }
    if (status == SolveStatus::NotConverged) {
        if (CancelSet()) return SolveStatus::Cancelled;
        if (!s.SetUpHierarchy()) return SolveStatus::NotConverged;
        ++s.counts.multigridSetups;
        status = SolveOnHierarchy(forcing);
    }
    if (status == SolveStatus::NotConverged) s.hierarchyUsable = false;
    return status;
}

SolveStatus AmgSolver::SolveOnHierarchy(double forcing) {
    Impl& s = *impl_;
    if (CancelSet()) return SolveStatus::Cancelled;
    const auto multiply = [&s](std::span<const double> p, std::span<double> q) {
        s.Multiply(p, q);
    };
    const auto cycle = [&s](std::span<const double> r, std::span<double> z) {
        return s.Cycle(r, z);
    };
    const auto cancelled = [this] { return CancelSet(); };
    ConjugateGradientLimits limits{forcing, kMaxIterations};
    ConjugateGradientResult result =
        PreconditionedConjugateGradients(multiply, cycle, s.rhs, s.solution, limits, cancelled);
    s.counts.conjugateGradientIterations += result.iterations;
    // Near the convergence test the step is solved on to the exact one, from where the
    // inexact solve stopped.
    if (result.converged && limits.tolerance > kExactTolerance) {
        const auto [low, high] = std::minmax_element(s.solution.begin(), s.solution.end());
        const double measure = std::fabs(std::max(*high, 0.0)) + std::fabs(std::min(*low, 0.0));
        if (s.solution.empty() || measure <= kTightMargin * 2 * accuracy_ ||
            measure <= std::sqrt(kPredictedMargin * 2 * accuracy_ * s.extent)) {
            limits = {kExactTolerance, kMaxIterations, result.reference};
            result = PreconditionedConjugateGradients(multiply, cycle, s.rhs, s.solution, limits,
                                                      cancelled);
            s.counts.conjugateGradientIterations += result.iterations;
        }
    }
    if (CancelSet()) return SolveStatus::Cancelled;
    return result.converged ? SolveStatus::Ok : SolveStatus::NotConverged;
}

SolveCounts AmgSolver::Counts() const {
    return impl_ ? impl_->counts : SolveCounts{};
}

void AmgSolver::Increments(std::span<double> increments) const {
    const Impl& s = *impl_;
    const auto& nodes = model_.nodes.Nodes();
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const std::int32_t id = s.unknownOf.Find(nodes[k].number);
        increments[k] = id == KeyIndex::kNone ? 0.0 : s.solution[id];
    }
}

double AmgSolver::SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const {
    if (!impl_) return 0.0;
    const std::int32_t a = impl_->unknownOf.Find(rowNode), b = impl_->unknownOf.Find(columnNode);
    if (a == KeyIndex::kNone || b == KeyIndex::kNone) return 0.0;
    const std::int32_t at = impl_->Position(a, b);
    return at < 0 ? 0.0 : hypre_CSRMatrixData(impl_->rows)[at];
}

double AmgSolver::RightHandSide(std::int32_t node) const {
    const std::int32_t id = impl_ ? impl_->unknownOf.Find(node) : KeyIndex::kNone;
    return id == KeyIndex::kNone ? 0.0 : impl_->rhs[id];
}

bool AmgSolver::SetSystemEntry(std::int32_t rowNode, std::int32_t columnNode, double value) {
    if (!impl_) return false;
    const std::int32_t a = impl_->unknownOf.Find(rowNode), b = impl_->unknownOf.Find(columnNode);
    if (a == KeyIndex::kNone || b == KeyIndex::kNone) return false;
    const std::int32_t ab = impl_->Position(a, b), ba = impl_->Position(b, a);
    if (ab < 0 || ba < 0) return false;
    hypre_CSRMatrixData(impl_->rows)[ab] = value;
    hypre_CSRMatrixData(impl_->rows)[ba] = value;
    impl_->hierarchyUsable = false;
    return true;
}

#else  // built without hypre

struct AmgSolver::Impl {};
AmgSolver::AmgSolver(const Model& model, double accuracy) : model_(model), accuracy_(accuracy) {}
void AmgSolver::PrepareProcess() {}
AmgSolver::~AmgSolver() = default;
bool AmgSolver::Available(std::string* why) {
    if (why) *why = "this build has no hypre";
    return false;
}
std::unique_ptr<AmgSolver> AmgSolver::Create(const Model&, double) {
    return nullptr;
}
bool AmgSolver::Setup() {
    return false;
}
void AmgSolver::Assemble(std::span<const double>) {}
SolveStatus AmgSolver::Solve() {
    return SolveStatus::MultigridUnavailable;
}
SolveCounts AmgSolver::Counts() const {
    return {};
}
void AmgSolver::Increments(std::span<double>) const {}
double AmgSolver::SystemEntry(std::int32_t, std::int32_t) const {
    return 0.0;
}
double AmgSolver::RightHandSide(std::int32_t) const {
    return 0.0;
}
bool AmgSolver::SetSystemEntry(std::int32_t, std::int32_t, double) {
    return false;
}

#endif

}  // namespace membrane
