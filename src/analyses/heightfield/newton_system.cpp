#include "heightfield/newton_system.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "heightfield/elimination_cost.h"
#include "linalg/sparse_system_factory.h"

namespace membrane {
namespace {

// The relative tolerance of an exact step: the energy-norm error 1e-10 of the increments'.
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
// Sparse Cholesky keeps the factor of an earlier step while the diagonal has moved by at
// most a tenth: measured on catenoid, Scherk, saddle and sine meshes from 1e3 to 1e6
// nodes, every step whose diagonal had moved by more needed a new factor.
constexpr double kFactorReuseLimit = 0.1;

// The element matrix row after row and the element vector, as the second assembly thread
// hands them over. All nine entries: the matrix is symmetric only to round-off (its terms
// multiply in the order i, j), and the built-in elimination takes every entry as
// computed; the sparse Cholesky and multigrid back-ends take the lower triangle.
using Terms = std::array<double, 12>;

}  // namespace

NewtonSystem::NewtonSystem(const Model& model, double accuracy)
    : model_(model), accuracy_(accuracy) {}

std::shared_ptr<SparsePattern> NewtonSystem::Number() {
    const NodeTable& nodes = model_.nodes;
    const ElementTable& elements = model_.elements;
    const std::vector<std::int32_t> order = AssemblyOrder(elements);
    // The unknowns as the corners are first met in assembly order, then the held nodes not
    // met before: the numbering the factorization's ordering and the multigrid hierarchy
    // have always seen.
    const auto number = [this](std::int32_t node) {
        if (unknownOf_.Find(node) == KeyIndex::kNone) {
            unknownOf_.Set(node, static_cast<std::int32_t>(nodeOf_.size()));
            nodeOf_.push_back(node);
        }
    };
    for (const std::int32_t numberOfElement : order) {
        const ElementEntry* element = elements.Find(numberOfElement);
        if (element == nullptr || element->nodeCount < 3) continue;
        const auto corners = elements.NodesOf(*element);
        for (int k = 0; k < 3; ++k) number(corners[k]);
    }
    for (const auto& entry : model_.constraints.Entries()) number(entry.value);

    auto pattern = std::make_shared<SparsePattern>(static_cast<std::int32_t>(nodeOf_.size()));
    for (const std::int32_t number : order) {
        const ElementEntry* element = elements.Find(number);
        if (element == nullptr || element->nodeCount < 3) continue;
        const auto corners = elements.NodesOf(*element);
        Element e{};
        double x[3], y[3];
        bool complete = true;
        for (int k = 0; k < 3; ++k) {
            e.unknown[k] = UnknownOf(corners[k]);
            e.entry[k] = nodes.IndexOf(corners[k]);
            complete = complete && e.entry[k] >= 0;
            if (e.entry[k] >= 0) {
                x[k] = nodes.Nodes()[e.entry[k]].x;
                y[k] = nodes.Nodes()[e.entry[k]].y;
            }
        }
        pattern->AddElement(e.unknown);
        ElementGeometry geometry;
        if (complete && ComputeGeometry(x, y, geometry)) elements_.push_back(e);
    }
    unknownOfEntry_.resize(nodes.Nodes().size());
    for (std::size_t k = 0; k < unknownOfEntry_.size(); ++k)
        unknownOfEntry_[k] = UnknownOf(nodes.Nodes()[k].number);
    if (!nodes.Nodes().empty()) {
        const auto [left, right] =
            std::minmax_element(nodes.Nodes().begin(), nodes.Nodes().end(),
                                [](const NodeEntry& a, const NodeEntry& b) { return a.x < b.x; });
        const auto [bottom, top] =
            std::minmax_element(nodes.Nodes().begin(), nodes.Nodes().end(),
                                [](const NodeEntry& a, const NodeEntry& b) { return a.y < b.y; });
        extent_ = std::max(right->x - left->x, top->y - bottom->y);
    }
    return pattern->Finish() ? pattern : nullptr;
}

std::unique_ptr<NewtonSystem> NewtonSystem::Create(SolverChoice choice, const Model& model,
                                                   double accuracy, Made& made,
                                                   std::unique_ptr<FillOrdering> ordering,
                                                   const std::atomic<bool>* cancel) {
    std::unique_ptr<NewtonSystem> newton(new NewtonSystem(model, accuracy));
    std::shared_ptr<const SparsePattern> pattern = newton->Number();
    made.solver = choice;
    if (pattern && choice == SolverChoice::Auto) {
        // Counted before any number is computed, and at most up to the limit.
        const double work = PredictEliminationCost(model, kAutoEliminationWork).multiplyAdds;
        made.solver = ResolveSolverChoice(choice, *pattern, &made.note, work);
    }
    if (!pattern) {
        made.status = UnavailableStatus(made.solver);
        return nullptr;
    }
    SystemOptions options;
    options.cancel = cancel;
    options.numbers = newton->nodeOf_;
    if (made.solver == SolverChoice::Cholmod) options.reuseLimit = kFactorReuseLimit;
    if (ordering) {
        std::shared_ptr<FillOrdering> shared(std::move(ordering));
        const NewtonSystem* self = newton.get();
        options.ordering = [shared, self] { return self->Permutation(shared->Take()); };
    }
    newton->system_ = CreateSparseSystem(made.solver, std::move(pattern), std::move(options));
    if (!newton->system_) {
        made.status = UnavailableStatus(made.solver);
        return nullptr;
    }
    return newton;
}

std::int32_t NewtonSystem::UnknownOf(std::int32_t node) const {
    const std::int32_t u = unknownOf_.Find(node);
    return u == KeyIndex::kNone ? -1 : u;
}

std::vector<std::int32_t> NewtonSystem::Permutation(const std::vector<std::int32_t>& nodes) const {
    if (nodes.empty()) return {};
    const std::size_t n = nodeOf_.size();
    std::vector<std::int32_t> perm;
    perm.reserve(n);
    std::vector<char> placed(n, 0);
    for (const std::int32_t node : nodes) {
        const std::int32_t u = UnknownOf(node);
        if (u < 0 || placed[u]) continue;
        placed[u] = 1;
        perm.push_back(u);
    }
    for (std::size_t u = 0; u < n; ++u)
        if (!placed[u]) perm.push_back(static_cast<std::int32_t>(u));
    return perm;
}

void NewtonSystem::Assemble(std::span<const double> heights) {
    SparseSystem& system = *system_;
    system.Zero();
    const auto& nodes = model_.nodes.Nodes();
    // The plan terms from the node coordinates, the terms at the corners' heights.
    const auto compute = [&](std::size_t e, Terms& terms) {
        const Element& element = elements_[e];
        double x[3], y[3], h[3], matrix[3][3], vector[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = nodes[element.entry[k]].x;
            y[k] = nodes[element.entry[k]].y;
            h[k] = heights[element.entry[k]];
        }
        ElementGeometry geometry;
        ComputeGeometry(x, y, geometry);
        ComputeTerms(geometry, h, matrix, vector);
        std::copy(&matrix[0][0], &matrix[0][0] + 9, terms.begin());
        std::copy(vector, vector + 3, terms.begin() + 9);
    };
    const auto add = [&](std::size_t e, const Terms& terms) {
        system.AddLocal(elements_[e].unknown, std::span<const double>(terms.data(), 9),
                        std::span<const double>(terms.data() + 9, 3));
    };
    AddInElementOrder(elements_.size(), rounds_, compute, add);
    PinHeldNodes();
}

// The Dirichlet energy is the second-order part of the area at a flat membrane: its
// Hessian is the area's at h = 0 (slopes 0, S = 1), and the load of the held heights h_H
// on the free ones is -K h_H, so that the Newton step from free heights 0 is the
// extension.
void NewtonSystem::AssembleHarmonic(std::span<const double> heights) {
    SparseSystem& system = *system_;
    system.Zero();
    std::vector<char> held(heights.size(), 0);
    for (const auto& entry : model_.constraints.Entries())
        if (const auto index = model_.nodes.IndexOf(entry.value); index >= 0) held[index] = 1;
    const auto& nodes = model_.nodes.Nodes();
    for (const Element& element : elements_) {
        double x[3], y[3], flat[3] = {0, 0, 0}, h[3], ke[3][3], vector[3], fe[3];
        for (int k = 0; k < 3; ++k) {
            x[k] = nodes[element.entry[k]].x;
            y[k] = nodes[element.entry[k]].y;
            h[k] = held[element.entry[k]] ? heights[element.entry[k]] : 0.0;
        }
        ElementGeometry geometry;
        ComputeGeometry(x, y, geometry);
        ComputeTerms(geometry, flat, ke, vector);
        for (int i = 0; i < 3; ++i) fe[i] = -(ke[i][0] * h[0] + ke[i][1] * h[1] + ke[i][2] * h[2]);
        system.AddLocal(element.unknown, std::span<const double>(&ke[0][0], 9), fe);
    }
    PinHeldNodes();
}

void NewtonSystem::PinHeldNodes() {
    const std::span<double> rhs = system_->RightHandSide();
    for (const auto& entry : model_.constraints.Entries()) {
        const std::int32_t u = UnknownOf(entry.value);
        rhs[u] = 0.0;
        system_->SetDiagonal(u, kConstraintStiffness);
    }
}

double NewtonSystem::Forcing(double norm) {
    double eta = kFirstForcing;
    if (lastNorm_ > 0.0) {
        eta = kForcingGamma * std::pow(norm / lastNorm_, kForcingAlpha);
        const double floor = kForcingGamma * std::pow(lastForcing_, kForcingAlpha);
        if (floor > 0.1) eta = std::max(eta, floor);
    }
    eta = std::min(eta, kLoosest);
    lastNorm_ = norm;
    lastForcing_ = eta;
    return eta;
}

SolveStatus NewtonSystem::Solve() {
    SparseSystem& system = *system_;
    if (!system.Iterative()) {
        const SolveStatus status = system.Factorize();
        return status == SolveStatus::Ok ? system.Solve() : status;
    }
    const std::span<const double> rhs = system.RightHandSide();
    const double forcing =
        Forcing(std::sqrt(std::inner_product(rhs.begin(), rhs.end(), rhs.begin(), 0.0)));
    SolveStatus status = system.Factorize();
    if (status == SolveStatus::Ok) status = system.Solve({.tolerance = forcing});
    if (status != SolveStatus::Ok || forcing <= kExactTolerance) return status;
    // Near the convergence test the step is solved on to the exact one, from where the
    // inexact solve stopped.
    const std::span<const double> du = system.Solution();
    if (!du.empty()) {
        const auto [low, high] = std::minmax_element(du.begin(), du.end());
        const double measure = std::fabs(std::max(*high, 0.0)) + std::fabs(std::min(*low, 0.0));
        if (measure > kTightMargin * 2 * accuracy_ &&
            measure > std::sqrt(kPredictedMargin * 2 * accuracy_ * extent_))
            return status;
    }
    return system.Solve({.tolerance = kExactTolerance, .refine = true});
}

void NewtonSystem::Increments(std::span<double> increments) const {
    const std::span<const double> du = system_->Solution();
    for (std::size_t k = 0; k < increments.size() && k < unknownOfEntry_.size(); ++k)
        increments[k] = unknownOfEntry_[k] < 0 ? 0.0 : du[unknownOfEntry_[k]];
}

double NewtonSystem::SystemEntry(std::int32_t rowNode, std::int32_t columnNode) const {
    const std::int32_t a = UnknownOf(rowNode), b = UnknownOf(columnNode);
    return a < 0 || b < 0 ? 0.0 : system_->Entry(a, b);
}

double NewtonSystem::RightHandSide(std::int32_t node) const {
    const std::int32_t u = UnknownOf(node);
    return u < 0 ? 0.0 : system_->RightHandSide()[u];
}

double NewtonSystem::Increment(std::int32_t node) const {
    const std::int32_t u = UnknownOf(node);
    return u < 0 ? 0.0 : system_->Solution()[u];
}

}  // namespace membrane
