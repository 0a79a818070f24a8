// The iteration of a form-finding run (form_run.h gives the method and why).
#include "form/form_finding.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "common/number_format.h"
#include "common/stopwatch.h"
#include "form/force_density_system.h"
#include "form/form_bars.h"
#include "form/form_mechanics.h"
#include "linalg/anderson_acceleration.h"
#include "mesh/topology.h"

namespace membrane {
namespace {

// A shape whose step moves a node by more than this many times the model's extent has run
// away: no equilibrium near it.
constexpr double kRunAwayFactor = 1e3;
// A triangle that has shrunk to this share of its area at the start has collapsed.
constexpr double kCollapsedShare = 1e-6;
// Steps remembered by the Anderson acceleration.
constexpr std::size_t kAccelerationDepth = 5;

std::string Position(const Vec3& p) {
    return "(" + FormatFixed(p.x, 15, 2) + ", " + FormatFixed(p.y, 15, 2) + ", " +
           FormatFixed(p.z, 15, 2) + ") m";
}

class FormFinding {
  public:
    FormFinding(const FormModel& model, MessageSink& messages, FormView* view,
                const std::atomic<bool>* cancel, FormRunResult& result)
        : model_(model), messages_(messages), view_(view), cancel_(cancel), result_(result) {}

    void Execute() {
        if (!Prepare()) return;
        WarnOfPointSupports();
        Iterate();
        result_.solves = system_->Counts();
        result_.factorizations = result_.solves.factorizations;
    }

  private:
    bool Prepare() {
        bars_ = BuildFormBars(model_);
        SolveStatus status = SolveStatus::Ok;
        system_ = ForceDensitySystem::Create(bars_.ends, model_.held, model_.settings.solver,
                                             cancel_, status, model_.settings.accuracy);
        if (!system_) {
            SolverFailed(status);
            return false;
        }
        result_.solver = system_->Solver();
        const std::size_t n = model_.NodeCount();
        x_ = model_.start;
        y_.resize(n);
        loads_.resize(n);
        startDoubleArea_.reserve(model_.triangles.size());
        for (const auto& c : model_.triangles)
            startDoubleArea_.push_back(Norm(Cross(x_[c[1]] - x_[c[0]], x_[c[2]] - x_[c[0]])));
        for (std::size_t i = 0; i < n; ++i)
            if (!model_.held[i]) free_.push_back(static_cast<std::int32_t>(i));
        FindBoundary();
        return true;
    }

    // The nodes on the mesh's boundary (sides of one triangle only) or on a cable.
    void FindBoundary() {
        onLine_ = BoundaryNodes(BuildEdges(model_.triangles), model_.NodeCount());
        for (const CableSpec& cable : model_.cables)
            for (std::int32_t node : cable.nodes) onLine_[node] = 1;
        // A cable node's neighbours along its cable, for the cable's tangent there.
        alongCable_.assign(model_.NodeCount(), {-1, -1});
        for (const CableSpec& cable : model_.cables) {
            const std::size_t m = cable.nodes.size();
            for (std::size_t k = 0; k < m; ++k) {
                std::int32_t before = k > 0 ? cable.nodes[k - 1] : -1;
                std::int32_t after = k + 1 < m ? cable.nodes[k + 1] : -1;
                if (cable.Closed() && (k == 0 || k + 1 == m)) {
                    before = cable.nodes[m - 2];
                    after = cable.nodes[1];
                }
                if (before >= 0 && after >= 0) alongCable_[cable.nodes[k]] = {before, after};
            }
        }
    }

    // A held node inside the membrane with no held node beside it is a point support (a
    // mast tip): a membrane of constant stress cannot hang from a point.
    void WarnOfPointSupports() {
        std::vector<char> heldNeighbour(model_.NodeCount(), 0), inMesh(model_.NodeCount(), 0);
        for (const auto& [a, b] : bars_.ends) {
            inMesh[a] = inMesh[b] = 1;
            if (model_.held[b]) heldNeighbour[a] = 1;
            if (model_.held[a]) heldNeighbour[b] = 1;
        }
        std::vector<std::string> tips;
        for (std::size_t i = 0; i < model_.NodeCount(); ++i)
            if (model_.held[i] && !onLine_[i] && !heldNeighbour[i] && inMesh[i])
                tips.push_back(std::to_string(model_.labels[i]));
        if (tips.empty()) return;
        std::string list;
        for (std::size_t k = 0; k < tips.size() && k < 5; ++k) list += (k ? ", " : "") + tips[k];
        if (tips.size() > 5) list += " and " + std::to_string(tips.size() - 5) + " more";
        result_.warnings.push_back(
            "node" + std::string(tips.size() > 1 ? "s " : " ") + list +
            (tips.size() > 1 ? " are" : " is") +
            " held alone inside the membrane (a mast tip): a membrane of constant prestress "
            "cannot hang from a point, so the triangles around it grow long and thin and the "
            "shape there depends on the mesh; hold a ring of nodes (a mast head) instead");
    }

    void Iterate() {
        const FormSettings& settings = model_.settings;
        AndersonAcceleration acceleration(kAccelerationDepth);
        std::vector<double> flatX(3 * free_.size()), flatY(flatX.size()), flatNext(flatX.size());
        std::vector<Vec3> next(x_.size());
        for (int iteration = 1; iteration <= settings.maxIterations; ++iteration) {
            result_.iterations = iteration;
            Progress("ITERATION " + std::to_string(iteration) + " : Force densities");
            Stopwatch clock;
            ForceDensities(x_);
            PressureLoads(model_, x_, loads_);
            result_.timings.assemble += clock.Seconds();
            if (Cancelled()) return;
            Progress("ITERATION " + std::to_string(iteration) + " : Solve");
            clock.Restart();
            const SolveStatus status = system_->Solve(q_, loads_, x_, y_);
            result_.timings.solve += clock.Seconds();
            if (status == SolveStatus::Cancelled || Cancelled()) return Cancel();
            if (status != SolveStatus::Ok) return SolverFailed(status);
            if (const std::int32_t t = CollapsedTriangle(x_, y_); t >= 0)
                return Collapsed(t, iteration);

            FormStepRecord step{iteration, MovementAcross(x_, y_), FormEnergy(model_, y_), false};
            movement_ = step.movement;
            if (!std::isfinite(step.movement) || step.movement > kRunAwayFactor * model_.extent)
                return RanAway(iteration);
            converged_ = step.movement <= settings.accuracy;
            if (converged_ || iteration == settings.maxIterations) {
                result_.history.push_back(step);
                return Equilibrium(iteration);
            }
            // The next shape: the plain iterate y, or Anderson's extrapolation from it.
            Flatten(x_, flatX);
            Flatten(y_, flatY);
            acceleration.Next(flatX, flatY, flatNext);
            next = y_;
            Unflatten(flatNext, next);
            if (next == y_) {
                x_ = y_;  // nothing to extrapolate from yet
            } else if (CollapsedTriangle(y_, next) < 0 &&
                       FormEnergy(model_, next) <= step.energy + 1e-12 * std::fabs(step.energy)) {
                step.accelerated = true;
                step.energy = FormEnergy(model_, next);
                x_.swap(next);
            } else {
                acceleration.Reset();
                x_ = y_;
            }
            result_.history.push_back(step);
            if (Cancelled()) return Cancel();
        }
    }

    // The bar densities that carry the prestress and the cable forces at shape x; the
    // triangles' own shares are kept for their stresses.
    void ForceDensities(const std::vector<Vec3>& x) {
        q_.assign(bars_.ends.size(), 0.0);
        triangleQ_.resize(model_.triangles.size());
        for (std::size_t t = 0; t < model_.triangles.size(); ++t) {
            const auto& c = model_.triangles[t];
            const double sigma = model_.regions[model_.triangleRegion[t]].stress;
            const TriangleShape shape = MeasureTriangle(x[c[0]], x[c[1]], x[c[2]]);
            for (int k = 0; k < 3; ++k) {
                triangleQ_[t][k] = 0.5 * sigma * shape.cot[k];
                q_[bars_.ofTriangle[t][k]] += triangleQ_[t][k];
            }
        }
        segmentQ_.resize(model_.cables.size());
        for (std::size_t c = 0; c < model_.cables.size(); ++c) {
            const CableSpec& cable = model_.cables[c];
            segmentQ_[c].resize(bars_.ofCable[c].size());
            for (std::size_t k = 0; k < bars_.ofCable[c].size(); ++k) {
                const double length = Norm(x[cable.nodes[k + 1]] - x[cable.nodes[k]]);
                segmentQ_[c][k] = cable.force / length;
                q_[bars_.ofCable[c][k]] += segmentQ_[c][k];
            }
        }
    }

    // The first triangle that turns over or shrinks to nothing from shape `from` to `to`,
    // or -1.
    std::int32_t CollapsedTriangle(const std::vector<Vec3>& from,
                                   const std::vector<Vec3>& to) const {
        for (std::size_t t = 0; t < model_.triangles.size(); ++t) {
            const auto& c = model_.triangles[t];
            const Vec3 before = Cross(from[c[1]] - from[c[0]], from[c[2]] - from[c[0]]);
            const Vec3 after = Cross(to[c[1]] - to[c[0]], to[c[2]] - to[c[0]]);
            const double size = Norm(after);
            if (!(Dot(before, after) > 0.0) || !(size > kCollapsedShare * startDoubleArea_[t]))
                return static_cast<std::int32_t>(t);
        }
        return -1;
    }

    // The largest movement of a free node from `from` to `to` across the shape: along the
    // surface's normal inside the membrane, across the cable on a cable. A membrane of
    // isotropic stress is in equilibrium in any parametrisation of its surface, so the
    // nodes may go on sliding within it long after the shape has settled (the discrete
    // minimal surface's tangential freedom); that sliding changes no shape and is not
    // waited for. A node on a free edge without a cable counts with its whole movement.
    double MovementAcross(const std::vector<Vec3>& from, const std::vector<Vec3>& to) const {
        const std::vector<Vec3> normal = VertexNormals(model_, to);
        double largest = 0.0;
        for (std::int32_t i : free_) {
            const Vec3 d = to[i] - from[i];
            double moved;
            if (const auto [before, after] = alongCable_[i]; before >= 0) {
                const Vec3 tangent = to[after] - to[before];
                const double length = Norm(tangent);
                moved = length > 0.0 ? Norm(d - (Dot(d, tangent) / (length * length)) * tangent)
                                     : Norm(d);
            } else if (!onLine_[i]) {
                moved = std::fabs(Dot(d, normal[i]));
            } else {
                moved = Norm(d);
            }
            if (!(moved <= largest)) largest = moved;  // NaN is kept
        }
        return largest;
    }

    void Flatten(const std::vector<Vec3>& x, std::vector<double>& flat) const {
        for (std::size_t k = 0; k < free_.size(); ++k)
            for (int d = 0; d < 3; ++d) flat[3 * k + d] = x[free_[k]][d];
    }
    void Unflatten(const std::vector<double>& flat, std::vector<Vec3>& x) const {
        for (std::size_t k = 0; k < free_.size(); ++k)
            for (int d = 0; d < 3; ++d) x[free_[k]][d] = flat[3 * k + d];
    }

    // The shape y_ with the bar forces it was solved for: its stresses, cable forces and
    // reactions.
    void Equilibrium(int iteration) {
        auto solution = std::make_shared<FormSolution>();
        FormSolution& s = *solution;
        s.iterations = iteration;
        s.converged = converged_;
        s.movement = movement_;
        s.shape = y_;
        s.loads = loads_;
        const std::size_t n = model_.NodeCount();
        std::vector<Vec3> force(n);  // the bars' pull on every node
        for (std::size_t b = 0; b < bars_.ends.size(); ++b) {
            const auto& [i, j] = bars_.ends[b];
            const Vec3 pull = q_[b] * (y_[j] - y_[i]);
            force[i] += pull;
            force[j] -= pull;
        }
        s.reactions.assign(n, Vec3{});
        for (std::size_t i = 0; i < n; ++i) {
            const Vec3 total = force[i] + loads_[i];
            if (model_.held[i])
                s.reactions[i] = -total;
            else
                s.residual = std::max(s.residual, Norm(total));
        }
        std::vector<Vec3> prescribed(n);
        PrescribedOutOfBalance(model_, y_, prescribed);
        for (std::int32_t i : free_)
            s.prescribedResidual = std::max(s.prescribedResidual, Norm(prescribed[i]));

        s.stresses.resize(model_.triangles.size());
        s.triangleAreas.resize(model_.triangles.size());
        s.smallestAngleBefore = s.smallestAngleAfter = 180.0;
        for (std::size_t t = 0; t < model_.triangles.size(); ++t) {
            const auto& c = model_.triangles[t];
            const double sigma = model_.regions[model_.triangleRegion[t]].stress;
            s.stresses[t] =
                StressOfForceDensities(y_[c[0]], y_[c[1]], y_[c[2]], triangleQ_[t].data());
            s.stressDeviation = std::max({s.stressDeviation, std::fabs(s.stresses[t].major - sigma),
                                          std::fabs(s.stresses[t].minor - sigma)});
            s.triangleAreas[t] = 0.5 * Norm(Cross(y_[c[1]] - y_[c[0]], y_[c[2]] - y_[c[0]]));
            s.area += s.triangleAreas[t];
            const auto& p = model_.start;
            s.smallestAngleBefore =
                std::min(s.smallestAngleBefore, SmallestAngleDegrees(p[c[0]], p[c[1]], p[c[2]]));
            s.smallestAngleAfter =
                std::min(s.smallestAngleAfter, SmallestAngleDegrees(y_[c[0]], y_[c[1]], y_[c[2]]));
        }
        for (std::size_t c = 0; c < model_.cables.size(); ++c) {
            const CableSpec& cable = model_.cables[c];
            CableResult& r = s.cables.emplace_back();
            r.smallestForce = INFINITY;
            r.largestForce = -INFINITY;
            for (std::size_t k = 0; k + 1 < cable.nodes.size(); ++k) {
                const double length = Norm(y_[cable.nodes[k + 1]] - y_[cable.nodes[k]]);
                const double segmentForce = segmentQ_[c][k] * length;
                r.length += length;
                r.smallestForce = std::min(r.smallestForce, segmentForce);
                r.largestForce = std::max(r.largestForce, segmentForce);
                s.cableDeviation =
                    std::max(s.cableDeviation, std::fabs(segmentForce - cable.force));
            }
            if (!cable.Closed()) r.sag = LargestSag(cable);
        }
        result_.solution = solution;
        result_.outcome = RunOutcome::Success;
        if (!converged_)
            result_.warnings.push_back("the iteration limit (" +
                                       std::to_string(model_.settings.maxIterations) +
                                       ") was reached before the accuracy test was met");
    }

    // The largest distance of a cable's nodes from the chord between its ends.
    double LargestSag(const CableSpec& cable) const {
        const Vec3 a = y_[cable.nodes.front()], chord = y_[cable.nodes.back()] - a;
        const double length = Norm(chord);
        double sag = 0.0;
        for (std::int32_t node : cable.nodes) {
            const Vec3 d = y_[node] - a;
            const double along = length > 0.0 ? Dot(d, chord) / length : 0.0;
            sag = std::max(sag, std::sqrt(std::max(0.0, Dot(d, d) - along * along)));
        }
        return sag;
    }

    void Collapsed(std::int32_t t, int iteration) {
        const auto& c = model_.triangles[t];
        const Vec3 centre = (1.0 / 3.0) * (y_[c[0]] + y_[c[1]] + y_[c[2]]);
        KeepLastShape(iteration);
        Fail(RunOutcome::Diverged,
             "no equilibrium: in iteration " + std::to_string(iteration) +
                 " the membrane collapses near " + Position(centre) + " (triangle " +
                 std::to_string(t + 1) + ", nodes " + Label(c[0]) + ", " + Label(c[1]) + ", " +
                 Label(c[2]) + " of region \"" + model_.regions[model_.triangleRegion[t]].name +
                 "\"): no shape with this prestress spans these supports; bring the supports "
                 "closer together, add a support or a cable there, or lower the prestress "
                 "against the cable forces");
    }

    void RanAway(int iteration) {
        KeepLastShape(iteration);
        Fail(RunOutcome::Diverged,
             "no equilibrium: in iteration " + std::to_string(iteration) +
                 " the shape runs away (a node moves by more than " +
                 FormatGeneral(kRunAwayFactor) +
                 " times the model's size): the pressure is too high for the prestress, or a "
                 "part of the membrane is not held");
    }

    // The shape the run ended with, for the view to show where it failed.
    void KeepLastShape(int iteration) {
        auto solution = std::make_shared<FormSolution>();
        solution->iterations = iteration;
        solution->shape = y_;
        solution->movement = movement_;
        result_.solution = solution;
    }

    void SolverFailed(SolveStatus status) {
        messages_.Show(SolveStatusText(status), MessageKind::Error);
        Fail(RunOutcome::SolverFailure, SolveFailureReason(status));
    }

    void Cancel() {
        Fail(RunOutcome::Cancelled,
             "cancelled by the user in iteration " + std::to_string(result_.iterations));
    }

    bool Cancelled() {
        const bool flagged = cancel_ && cancel_->load(std::memory_order_relaxed);
        if (!(flagged || (view_ && view_->CancelRequested()))) return false;
        Cancel();
        return true;
    }

    void Fail(RunOutcome outcome, std::string reason) {
        result_.outcome = outcome;
        result_.reason = std::move(reason);
    }

    std::string Label(std::int32_t node) const { return std::to_string(model_.labels[node]); }
    void Progress(const std::string& text) {
        if (view_) view_->ShowMessage(text);
    }

    const FormModel& model_;
    MessageSink& messages_;
    FormView* view_;
    const std::atomic<bool>* cancel_;
    FormRunResult& result_;

    FormBars bars_;
    std::unique_ptr<ForceDensitySystem> system_;
    std::vector<std::int32_t> free_;
    std::vector<char> onLine_;
    std::vector<double> startDoubleArea_;

    std::vector<Vec3> x_, y_, loads_;  // the shape, its plain iterate, the loads at x_
    std::vector<double> q_;            // per bar, at x_
    std::vector<std::array<double, 3>> triangleQ_;
    std::vector<std::vector<double>> segmentQ_;
    double movement_ = 0.0;
    std::vector<std::array<std::int32_t, 2>> alongCable_;
    bool converged_ = false;
};

}  // namespace

void FindFormOf(const FormModel& model, MessageSink& messages, FormView* view,
                const std::atomic<bool>* cancel, FormRunResult& result) {
    FormFinding finding(model, messages, view, cancel, result);
    finding.Execute();
}

}  // namespace membrane
