#include "heightfield/cholmod_solver.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

#include "common/key_index.h"
#include "heightfield/assembly.h"
#include "heightfield/element_rounds.h"
#include "linalg/conjugate_gradients.h"

#ifdef MEMBRANE_HAVE_CHOLMOD
#include <cholmod.h>

#include "linalg/serial_openmp.h"
#endif

namespace membrane {

#ifdef MEMBRANE_HAVE_CHOLMOD
namespace {}  // namespace

struct CholmodSolver::Impl {
    cholmod_common common{};
    cholmod_sparse* matrix = nullptr;  // upper triangle, compressed columns
    cholmod_factor* factor = nullptr;
    cholmod_dense* rhs = nullptr;
    std::vector<double> solution;

    // An element as the assembly needs it in every Newton step: its corners' unknowns and
    // where its three entries off the diagonal (21 31 32) go among the values; those on
    // the diagonal go to the corners' diagonal entries. The plan terms (D, eta, xi) are
    // worked out again from the node coordinates in every assembly: a few subtractions,
    // against 72 bytes more an element (some 150 MB at a million nodes, held while the
    // factor is).
    struct Element {
        std::int32_t corner[3];
        std::int32_t offDiagonal[3];
    };

    KeyIndex unknownOf;                     // node number -> unknown index
    std::vector<std::int32_t> heightEntry;  // unknown -> its node's index in the heights
    std::vector<Element> elements;          // elements assembled, in order
    std::vector<std::int32_t> diagonal;     // value position of every unknown's diagonal
    std::vector<std::int32_t> pinned;       // unknowns of held nodes

    ElementRounds rounds;  // the assembly's second thread and its buffers

    // The factor of the last numeric factorization that succeeded, for the next steps.
    bool factorUsable = false;
    std::vector<double> factoredDiagonal;  // the diagonal of the factorized system
    SolveCounts counts;
    cholmod_dense* solved = nullptr;  // the preconditioner's result and workspaces,
    cholmod_dense* workY = nullptr;   // allocated by CHOLMOD at the first use, reused
    cholmod_dense* workE = nullptr;

    Impl() { cholmod_start(&common); }
    ~Impl() {
        for (cholmod_dense** dense : {&solved, &workY, &workE})
            if (*dense) cholmod_free_dense(dense, &common);
        if (rhs) cholmod_free_dense(&rhs, &common);
        if (factor) cholmod_free_factor(&factor, &common);
        if (matrix) cholmod_free_sparse(&matrix, &common);
        cholmod_finish(&common);
    }

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

    // The unknowns in the order of the given node numbers (nodes that are no unknown
    // skipped, repeats dropped), then every unknown they did not name: always a
    // permutation of all unknowns. Empty when no node numbers are given.
    std::vector<std::int32_t> Permutation(const std::vector<std::int32_t>& nodes) const {
        if (nodes.empty()) return {};
        const std::size_t n = diagonal.size();
        std::vector<std::int32_t> perm;
        perm.reserve(n);
        std::vector<char> placed(n, 0);
        for (std::int32_t node : nodes) {
            const std::int32_t id = unknownOf.Find(node);
            if (id == KeyIndex::kNone || placed[id]) continue;
            placed[id] = 1;
            perm.push_back(id);
        }
        for (std::size_t id = 0; id < n; ++id)
            if (!placed[id]) perm.push_back(static_cast<std::int32_t>(id));
        return perm;
    }

    // How far the system has moved from the one factorized, measured on the diagonal
    // (the pinned entries left out): |d - d_f| / |d_f|. Where it is large, conjugate
    // gradients on the old factor do not reach the step in the few iterations allowed.
    double DiagonalChange() const {
        const auto* value = static_cast<const double*>(matrix->x);
        double change = 0.0, size = 0.0;
        for (std::size_t k = 0; k < factoredDiagonal.size(); ++k) {
            const double before = factoredDiagonal[k], now = value[diagonal[k]];
            if (before == kConstraintStiffness) continue;
            change += (now - before) * (now - before);
            size += before * before;
        }
        return size > 0.0 ? std::sqrt(change / size) : 0.0;
    }

    // q = K p from the upper triangle: every stored entry off the diagonal stands for two.
    void Multiply(std::span<const double> p, std::span<double> q) const {
        const auto* start = static_cast<const std::int32_t*>(matrix->p);
        const auto* row = static_cast<const std::int32_t*>(matrix->i);
        const auto* value = static_cast<const double*>(matrix->x);
        const auto n = static_cast<std::int32_t>(matrix->ncol);
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

    // z = (L L')^-1 r with the kept factor.
    bool ApplyFactor(std::span<const double> r, std::span<double> z) {
        cholmod_dense residual = *rhs;  // a header over r, which CHOLMOD only reads
        residual.x = const_cast<double*>(r.data());
        if (!cholmod_solve2(CHOLMOD_A, factor, &residual, nullptr, &solved, nullptr, &workY, &workE,
                            &common))
            return false;
        const auto* x = static_cast<const double*>(solved->x);
        std::copy(x, x + z.size(), z.begin());
        return true;
    }

    // Position of entry (row, column), row <= column, in the compressed columns (whose
    // positions CHOLMOD keeps in 32-bit integers too).
    std::int32_t Position(std::int32_t row, std::int32_t column) const {
        const auto* p = static_cast<const std::int32_t*>(matrix->p);
        const auto* i = static_cast<const std::int32_t*>(matrix->i);
        const std::int32_t* begin = i + p[column];
        const std::int32_t* end = i + p[column + 1];
        return static_cast<std::int32_t>(std::lower_bound(begin, end, row) - i);
    }
};

CholmodSolver::CholmodSolver(const Model& model, std::unique_ptr<FillOrdering> ordering)
    : model_(model), ordering_(std::move(ordering)) {}
CholmodSolver::~CholmodSolver() = default;

bool CholmodSolver::Available() {
    return true;
}

std::unique_ptr<CholmodSolver> CholmodSolver::Create(const Model& model,
                                                     std::unique_ptr<FillOrdering> ordering) {
    std::unique_ptr<CholmodSolver> solver(new CholmodSolver(model, std::move(ordering)));
    if (!solver->Setup()) return nullptr;
    return solver;
}

bool CholmodSolver::Setup() {
    impl_ = std::make_unique<Impl>();
    Impl& s = *impl_;
    const NodeTable& nodes = model_.nodes;
    const ElementTable& elements = model_.elements;

    // Unknowns and the upper-triangle pattern as (column, row) pairs. The elements that
    // give terms (what ComputeElement accepts) are kept.
    std::vector<std::uint64_t> pairs;
    s.elements.reserve(elements.Elements().size());
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
            if (index >= 0) {
                x[k] = nodes.Nodes()[index].x;
                y[k] = nodes.Nodes()[index].y;
                s.heightEntry[id[k]] = index;
            }
        }
        if (!complete) continue;
        ElementGeometry geometry;
        if (ComputeGeometry(x, y, geometry)) {
            Impl::Element assembled{};
            std::copy(id, id + 3, assembled.corner);
            s.elements.push_back(assembled);
        }
        for (int a = 0; a < 3; ++a)
            for (int b = 0; b <= a; ++b) {
                const std::uint32_t row = static_cast<std::uint32_t>(std::min(id[a], id[b]));
                const std::uint32_t column = static_cast<std::uint32_t>(std::max(id[a], id[b]));
                pairs.push_back(static_cast<std::uint64_t>(column) << 32 | row);
            }
    }
    for (const auto& entry : model_.constraints.Entries())
        s.pinned.push_back(s.Unknown(entry.value));
    const auto n = static_cast<std::int32_t>(s.diagonal.size());
    for (std::int32_t k = 0; k < n; ++k)
        pairs.push_back(static_cast<std::uint64_t>(k) << 32 | static_cast<std::uint32_t>(k));
    std::sort(pairs.begin(), pairs.end());
    pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());
    if (pairs.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        return false;

    s.matrix = cholmod_allocate_sparse(n, n, pairs.size(), 1, 1, 1, CHOLMOD_REAL, &s.common);
    if (s.matrix == nullptr) return false;
    auto* p = static_cast<std::int32_t*>(s.matrix->p);
    auto* i = static_cast<std::int32_t*>(s.matrix->i);
    std::fill(p, p + n + 1, 0);
    for (std::size_t k = 0; k < pairs.size(); ++k) {
        ++p[(pairs[k] >> 32) + 1];
        i[k] = static_cast<std::int32_t>(pairs[k] & 0xffffffffu);
    }
    for (std::int32_t c = 0; c < n; ++c) p[c + 1] += p[c];
    pairs.clear();
    pairs.shrink_to_fit();

    for (std::int32_t k = 0; k < n; ++k) s.diagonal[k] = s.Position(k, k);
    for (Impl::Element& e : s.elements) {
        const std::int32_t* id = e.corner;
        e.offDiagonal[0] = s.Position(std::min(id[1], id[0]), std::max(id[1], id[0]));
        e.offDiagonal[1] = s.Position(std::min(id[2], id[0]), std::max(id[2], id[0]));
        e.offDiagonal[2] = s.Position(std::min(id[2], id[1]), std::max(id[2], id[1]));
    }
    s.rhs = cholmod_zeros(n, 1, CHOLMOD_REAL, &s.common);
    return s.rhs != nullptr;
}

bool CholmodSolver::Analyze() {
    if (!impl_ || impl_->matrix == nullptr) return false;
    Impl& s = *impl_;
    if (s.factor != nullptr) return true;
    s.common.supernodal = CHOLMOD_SUPERNODAL;
    SerialOpenMp serial;
    // The ordering worked out while the model was loading, when there is one.
    if (ordering_) {
        std::vector<std::int32_t> perm = s.Permutation(ordering_->Take());
        if (!perm.empty()) {
            s.common.nmethods = 1;
            s.common.method[0].ordering = CHOLMOD_GIVEN;
            s.factor = cholmod_analyze_p(s.matrix, perm.data(), nullptr, 0, &s.common);
            s.common.status = CHOLMOD_OK;
        }
    }
    // Nested dissection (METIS) gives the least fill on a 2D mesh; trying AMD first, as
    // CHOLMOD does by default, costs time for an ordering it then drops. Without METIS in
    // the library, fall back to the default choice.
    if (s.factor == nullptr) {
        s.common.nmethods = 1;
        s.common.method[0].ordering = CHOLMOD_METIS;
        s.factor = cholmod_analyze(s.matrix, &s.common);
    }
    if (s.factor == nullptr) {
        s.common.nmethods = 0;
        s.common.status = CHOLMOD_OK;
        s.factor = cholmod_analyze(s.matrix, &s.common);
    }
    return s.factor != nullptr;
}

void CholmodSolver::Assemble(std::span<const double> heights) {
    Impl& s = *impl_;
    auto* values = static_cast<double*>(s.matrix->x);
    auto* b = static_cast<double*>(s.rhs->x);
    const auto nnz =
        static_cast<std::size_t>(static_cast<std::int32_t*>(s.matrix->p)[s.matrix->ncol]);
    const std::vector<Impl::Element>& elements = s.elements;
    const auto& nodes = model_.nodes.Nodes();
    // The element's plan terms as Setup found them (the same coordinates, the same
    // arithmetic) and its terms at the current heights.
    auto termsOf = [&](const Impl::Element& e, StoredTerms& terms) {
        CornerTerms(nodes, s.heightEntry, e.corner, heights, terms);
    };
    auto add = [&](const Impl::Element& e, const StoredTerms& terms) {
        for (int k = 0; k < 3; ++k) values[s.diagonal[e.corner[k]]] += terms.value[k];
        for (int k = 0; k < 3; ++k) values[e.offDiagonal[k]] += terms.value[3 + k];
        for (int k = 0; k < 3; ++k) b[e.corner[k]] += terms.value[6 + k];
    };

    // The same terms as ComputeElement gives, from the node coordinates and the current
    // heights, added in element order (on two threads, bit for bit as in one pass).
    std::fill(values, values + nnz, 0.0);
    std::fill(b, b + s.rhs->nrow, 0.0);
    AddInElementOrder(
        elements.size(), s.rounds,
        [&](std::size_t e, StoredTerms& terms) { termsOf(elements[e], terms); },
        [&](std::size_t e, const StoredTerms& terms) { add(elements[e], terms); });
    for (std::int32_t k : s.pinned) {
        values[s.diagonal[k]] = kConstraintStiffness;
        b[k] = 0.0;
    }
}

SolveStatus CholmodSolver::Solve() {
    // CHOLMOD's phases cannot be broken off: a cancel is answered between them.
    if (CancelSet()) return SolveStatus::Cancelled;
    if (!Analyze()) return SolveStatus::Unavailable;
    if (CancelSet()) return SolveStatus::Cancelled;
    Impl& s = *impl_;
    SerialOpenMp serial;
    if (s.factorUsable && SolveOnEarlierFactor()) {
        ++s.counts.reusedFactorSolves;
        return SolveStatus::Ok;
    }
    if (CancelSet()) return SolveStatus::Cancelled;
    s.factorUsable = false;
    const bool factored = cholmod_factorize(s.matrix, s.factor, &s.common) != 0;
    if (!factored || s.common.status == CHOLMOD_NOT_POSDEF || s.factor->minor < s.factor->n)
        return SolveStatus::RowDependence;
    s.factorUsable = true;
    ++s.counts.factorizations;
    const auto* values = static_cast<const double*>(s.matrix->x);
    s.factoredDiagonal.resize(s.diagonal.size());
    for (std::size_t k = 0; k < s.diagonal.size(); ++k)
        s.factoredDiagonal[k] = values[s.diagonal[k]];
    if (CancelSet()) return SolveStatus::Cancelled;
    cholmod_dense* x = cholmod_solve(CHOLMOD_A, s.factor, s.rhs, &s.common);
    if (x == nullptr) return SolveStatus::DivisionByZero;
    const auto* xv = static_cast<const double*>(x->x);
    s.solution.assign(xv, xv + x->nrow);
    cholmod_free_dense(&x, &s.common);
    return SolveStatus::Ok;
}

// Near convergence the Hessian changes little from one Newton step to the next, so the
// factor of an earlier step is a preconditioner good enough for conjugate gradients to
// reach the exact step in a few iterations, each a pair of triangular solves and a product
// with K: far less than a new factorization. When the iterations would take too many
// (the rate of the first ones tells, or the system has moved too far from the factorized
// one), the system is factorized after all.
bool CholmodSolver::SolveOnEarlierFactor() {
    Impl& s = *impl_;
    // Measured on catenoid, Scherk, saddle and sine meshes from 1e3 to 1e6 nodes: every
    // step whose diagonal had moved by more than a tenth needed a new factor.
    if (s.DiagonalChange() > 0.1) return false;
    const std::size_t n = s.rhs->nrow;
    s.solution.resize(n);
    const std::span<const double> b(static_cast<const double*>(s.rhs->x), n);
    const ConjugateGradientResult result = PreconditionedConjugateGradients(
        [&s](std::span<const double> p, std::span<double> q) { s.Multiply(p, q); },
        [&s](std::span<const double> r, std::span<double> z) { return s.ApplyFactor(r, z); }, b,
        s.solution, ConjugateGradientLimits{}, [this] { return CancelSet(); });
    s.counts.conjugateGradientIterations += result.iterations;
    return result.converged;
}

SolveCounts CholmodSolver::Counts() const {
    return impl_ ? impl_->counts : SolveCounts{};
}

void CholmodSolver::Increments(std::span<double> increments) const {
    const auto& nodes = model_.nodes.Nodes();
    for (std::size_t k = 0; k < nodes.size(); ++k) increments[k] = Increment(nodes[k].number);
}

double CholmodSolver::Increment(std::int32_t node) const {
    const std::int32_t id = impl_ ? impl_->unknownOf.Find(node) : KeyIndex::kNone;
    if (id == KeyIndex::kNone || static_cast<std::size_t>(id) >= impl_->solution.size()) return 0.0;
    return impl_->solution[id];
}

double CholmodSolver::FactorEntries() const {
    return impl_ && impl_->factor ? impl_->common.lnz : 0.0;
}

double CholmodSolver::SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const {
    if (!impl_ || impl_->matrix == nullptr) return 0.0;
    const std::int32_t a = impl_->unknownOf.Find(rowNode), b = impl_->unknownOf.Find(columnNode);
    if (a == KeyIndex::kNone || b == KeyIndex::kNone) return 0.0;
    const std::int32_t row = std::min(a, b), column = std::max(a, b);
    const std::int32_t at = impl_->Position(row, column);
    if (at >= static_cast<const std::int32_t*>(impl_->matrix->p)[column + 1] ||
        static_cast<const std::int32_t*>(impl_->matrix->i)[at] != row)
        return 0.0;
    return static_cast<const double*>(impl_->matrix->x)[at];
}

double CholmodSolver::RightHandSide(std::int32_t node) const {
    const std::int32_t id = impl_ ? impl_->unknownOf.Find(node) : KeyIndex::kNone;
    if (id == KeyIndex::kNone || impl_->rhs == nullptr) return 0.0;
    return static_cast<const double*>(impl_->rhs->x)[id];
}

#else  // built without CHOLMOD

struct CholmodSolver::Impl {};
CholmodSolver::CholmodSolver(const Model& model, std::unique_ptr<FillOrdering> ordering)
    : model_(model), ordering_(std::move(ordering)) {}
CholmodSolver::~CholmodSolver() = default;
bool CholmodSolver::Available() {
    return false;
}
std::unique_ptr<CholmodSolver> CholmodSolver::Create(const Model&, std::unique_ptr<FillOrdering>) {
    return nullptr;
}
bool CholmodSolver::Setup() {
    return false;
}
bool CholmodSolver::Analyze() {
    return false;
}
void CholmodSolver::Assemble(std::span<const double>) {}
SolveStatus CholmodSolver::Solve() {
    return SolveStatus::Unavailable;
}
bool CholmodSolver::SolveOnEarlierFactor() {
    return false;
}
SolveCounts CholmodSolver::Counts() const {
    return {};
}
void CholmodSolver::Increments(std::span<double>) const {}
double CholmodSolver::Increment(std::int32_t) const {
    return 0.0;
}
double CholmodSolver::FactorEntries() const {
    return 0.0;
}
double CholmodSolver::SystemEntry(std::int32_t, std::int32_t) const {
    return 0.0;
}
double CholmodSolver::RightHandSide(std::int32_t) const {
    return 0.0;
}

#endif

}  // namespace membrane
