#include "heightfield/run_model.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "common/file_names.h"
#include "common/number_format.h"
#include "common/stopwatch.h"
#include "heightfield/area_along_line.h"
#include "heightfield/fill_ordering.h"
#include "heightfield/harmonic_start.h"
#include "heightfield/line_search.h"
#include "heightfield/model_loading.h"
#include "heightfield/newton_system.h"
#include "heightfield/output_files.h"
#include "heightfield/output_targets.h"
#include "heightfield/truss_format.h"
#include "linalg/cholmod_system.h"
#include "shell/run_shell.h"

namespace membrane {
namespace {

// An increment larger than this in size is taken for a solution running off to infinity.
constexpr double kDivergenceLimit = 1e10;

// A pure step of auto that raises the area by more than this share is taken for the
// iteration running off: the rounding of the area sum stays far below it even at 1e7
// triangles.
constexpr double kAreaRiseTolerance = 1e-9;

// The size of the model: the diagonal of the box around its plan and its start heights.
// The minimal surface lies within the held heights, so no step of a converging iteration
// moves a node by more.
double ModelExtent(const Model& model, std::span<const double> heights) {
    const PlanExtent& plan = model.nodes.Extent();
    double low = 0.0, high = 0.0;
    if (!heights.empty()) {
        const auto [lowest, highest] = std::minmax_element(heights.begin(), heights.end());
        low = *lowest;
        high = *highest;
    }
    return std::hypot(plan.xMax - plan.xMin, plan.yMax - plan.yMin, high - low);
}

// "17, 18, 19 and 93 more": the first few numbers of a list.
std::string FirstNumbers(const std::vector<std::int32_t>& numbers) {
    constexpr std::size_t kShown = 5;
    std::string text;
    for (std::size_t k = 0; k < numbers.size() && k < kShown; ++k)
        text += (k > 0 ? ", " : "") + std::to_string(numbers[k]);
    if (numbers.size() > kShown)
        text += " and " + std::to_string(numbers.size() - kShown) + " more";
    return text;
}

// Where the membrane stands as a wall, and what helps.
std::string WallWarning(const Model& model, const SteepWalls& walls, double area) {
    std::string text = "near-vertical walls: " + std::to_string(walls.elements.size()) +
                       " triangles steeper than " + FormatGeneral(kWallSlopeDegrees, 3) +
                       " degrees (up to " + FormatFixed(walls.steepest, 3, 1) + "; elements ";
    std::vector<std::int32_t> numbers;
    for (const std::int32_t k : walls.elements)
        numbers.push_back(model.elements.Elements()[k].number);
    text += FirstNumbers(numbers) + "), " +
            FormatFixed(area > 0 ? 100.0 * walls.area / area : 0.0, 3, 1) + " % of the area";
    if (!walls.heldNodes.empty()) text += ", next to held nodes " + FirstNumbers(walls.heldNodes);
    return text +
           ": the shape asked for probably does not exist as a membrane over this plan; lower "
           "masts, larger mast rings or 3D form-finding (membrane form) help";
}

// The largest and the smallest increment, taken from the last node to the first: a NaN
// where the scan starts is kept by the largest, passed over by the smallest.
double LargestIncrement(std::span<const double> increments) {
    double result = increments.back();
    for (auto it = increments.rbegin(); it != increments.rend(); ++it)
        if (!(*it < result)) result = *it;
    return result;
}

double SmallestIncrement(std::span<const double> increments) {
    double result = increments.back();
    for (auto it = increments.rbegin(); it != increments.rend(); ++it)
        if (*it < result) result = *it;
    return result;
}

// Newton's method on the total lifted area A(h) of the free heights h: each step solves
// K du = r, with K the Hessian of A and r = -grad A (the held nodes pinned), and adds du,
// until |max du| + |min du| <= 2 accuracy. One object per run: it owns the run's model,
// solver, output files and heights, and reports through the result, the sink and the view.
class NewtonRun final : public AnalysisRun {
  public:
    // `loadOnly`: the model is read and checked, nothing prepared for a solve.
    NewtonRun(const RunRequest& request, MessageSink& messages, ResultsView* view,
              RunResult& result, bool loadOnly = false)
        : request_(request),
          settings_(request.settings),
          messages_(messages),
          view_(view),
          result_(result),
          loadOnly_(loadOnly) {}

    std::string Found() const override { return "the membrane"; }
    RunFiles Files() const override { return RunFilesOf(request_); }

    LoadResult Load() override {
        if (!LoadModel())
            return modelUnreadable_ ? LoadResult::Unreadable : LoadResult::InputErrors;
        if (!loadOnly_) output_ = std::make_unique<OutputFiles>(model_);
        return LoadResult::Loaded;
    }

    void Compute() override {
        // A limit of 0 or less makes no Newton step: the outputs carry the start heights.
        if (settings_.maxIterations > 0 && Prepare() &&
            (settings_.start == StartHeights::File || HarmonicStart())) {
            Iterate(settings_.newton == NewtonStep::Damped);
            if (settings_.newton == NewtonStep::Auto && result_.outcome == RunOutcome::Diverged)
                RestartWithLineSearch();
        }
        // The solver's factor is the largest thing a run holds: given back before the writing.
        if (solver_) result_.solves = solver_->Counts();
        solver_.reset();
        if (!failed_) Lift();
    }

    // What the report, the truss model file and the summary show of the membrane.
    void ListFigures(FiniteFigures& figures) const override {
        figures.Add("a computed height", solution_->heights);
        figures.Add("a lifted height", solution_->liftedZ);
        figures.Add("the area of a triangle", solution_->elementAreas);
        figures.Add("the final area", solution_->area);
        for (const NodalLoad& load :
             TrussLoads(model_->elements, solution_->elementAreas, settings_.weight))
            figures.Add("a load of the truss model", load.load);
    }

    // The membrane is the run's work: it is handed on before its files are written, so
    // that a file that cannot be written loses nothing that was computed (the caller may
    // still export it, or write the files elsewhere).
    void Publish() override {
        if (result_.outcome != RunOutcome::Success) return;
        result_.finalArea = solution_->area;
        result_.solution = solution_;
        if (view_) {
            view_->SetFinalArea("Final surface : " + FormatFixed(solution_->area, 12, 3));
            view_->ShowResults(solution_);
        }
    }

    void Withdraw() override { result_.solution.reset(); }

    void Write(OutputSet& files) override {
        output_->Finish(*solution_, settings_.accuracy, settings_.weight, files);
    }

    void Written(const OutputSet&) override {
        result_.reportFile = output_->ReportFileName();
        result_.trussFile = output_->TrussFileName();
    }

  private:
    void Iterate(bool damped) {
        damped_ = damped;
        while (result_.iterations < settings_.maxIterations) {
            ++result_.iterations;
            if (!Assemble() || !Solve() || Apply() || CancelledAfterStep()) break;
        }
    }

    // The pure iteration ran off (an increment to infinity or beyond the model's size, or
    // a step that raised the area): once more from the harmonic start, each step damped by
    // a line search on the area (which cannot run off: it never rises).
    void RestartWithLineSearch() {
        Progress(runningOff_.empty() ? "solution to infinity: starting again with a line search"
                                     : runningOff_ + ": starting again with a line search");
        failed_ = false;
        result_.outcome = RunOutcome::InputErrors;
        result_.reason.clear();
        result_.iterationsBeforeRestart = result_.iterations;
        result_.iterations = 0;
        restarting_ = true;
        if (HarmonicStart()) Iterate(true);
    }

    bool LoadModel() {
        const std::shared_ptr<const ModelFile> file =
            OpenModelFile(request_.modelFileName, messages_, result_);
        modelUnreadable_ = !file;
        if (!file) return false;
        // The sparse Cholesky solver's ordering is worked out beside the loading (for auto,
        // when the file is large enough for the elimination's work to be large and small
        // enough for the multigrid solver not to be chosen; otherwise the solver works it
        // out itself if it runs).
        if (!loadOnly_ && MayUseCholmod(settings_, file->text.size()) &&
            settings_.maxIterations > 0 && CholmodSystem::Available())
            ordering_ = FillOrdering::Start(file);
        if (!LoadCheckedModel(*file, request_, messages_, view_, result_)) return false;
        model_ = result_.model;
        heights_ = model_->startHeights;
        increments_.assign(heights_.size(), 0.0);
        return true;
    }

    // The solver's unknowns and pattern, once for all Newton steps.
    bool Prepare() {
        clock_.Restart();
        NewtonSystem::Made made;
        solver_ = NewtonSystem::Create(settings_.solver, *model_, settings_.accuracy, made,
                                       std::move(ordering_), request_.cancel);
        result_.solver = made.solver;
        if (!made.note.empty()) Progress(made.note);
        ordering_.reset();  // not needed by the other solvers
        result_.timings.solve += clock_.Seconds();
        if (!solver_) return SolverFailed(made.status);
        area_ = std::make_unique<LiftedArea>(*model_);
        startArea_ = area_->Area(heights_);
        lastArea_ = startArea_;
        extent_ = ModelExtent(*model_, heights_);
        return true;
    }

    // The free heights start at the discrete harmonic extension of the held ones.
    bool HarmonicStart() {
        Progress("HARMONIC START : " + SolvePhase());
        clock_.Restart();
        const SolveStatus status = HarmonicStartHeights(*model_, *solver_, heights_);
        result_.timings.solve += clock_.Seconds();
        return status == SolveStatus::Ok || SolverFailed(status);
    }

    bool Assemble() {
        clock_.Restart();
        Progress("ITERATION " + std::to_string(result_.iterations) + " : Assemble");
        solver_->Assemble(heights_);
        result_.timings.assemble += clock_.Seconds();
        if (!CancelRequested()) return true;
        Fail(RunOutcome::Cancelled,
             "cancelled by the user in iteration " + std::to_string(result_.iterations));
        return false;
    }

    bool Solve() {
        Progress("ITERATION " + std::to_string(result_.iterations) + " : " + SolvePhase());
        // From here on the output files' first parts are written beside the solution
        // (after the first assembly, so as not to take a core from the ordering before the
        // solver has to wait for it).
        if (!wroteAhead_) output_->WriteAhead();
        wroteAhead_ = true;
        clock_.Restart();
        const SolveStatus status = solver_->Solve();
        if (status == SolveStatus::Ok) return true;
        result_.timings.solve += clock_.Seconds();
        if (status != SolveStatus::Cancelled) return SolverFailed(status);
        Fail(RunOutcome::Cancelled,
             "cancelled by the user in iteration " + std::to_string(result_.iterations));
        return false;
    }

    // The solve as the progress lines name it: the classic word for the elimination.
    std::string SolvePhase() const {
        return result_.solver == SolverChoice::Cholmod ? "Cholesky" : "Elimination";
    }

    // Takes over the increments; true when the run stops here: converged, diverged or at
    // the iteration limit. A converged pure step is not applied (the classic rule); a
    // converged damped step is.
    bool Apply() {
        solver_->Increments(increments_);
        bool notANumber = false;
        for (const double increment : increments_) notANumber = notANumber || std::isnan(increment);
        NewtonStepRecord step{result_.iterations,
                              LargestIncrement(increments_),
                              SmallestIncrement(increments_),
                              0.0,
                              0.0,
                              restarting_};
        restarting_ = false;
        bool stop = 2 * settings_.accuracy >= std::fabs(step.largest) + std::fabs(step.smallest);
        result_.converged = stop;
        // A damped step cannot run off: it never raises the area, however large du is.
        const bool tooLarge = std::fabs(step.largest) > kDivergenceLimit ||
                              std::fabs(step.smallest) > kDivergenceLimit;
        if (notANumber || (tooLarge && !damped_)) {
            stop = true;
            Fail(RunOutcome::Diverged, "iteration " + std::to_string(result_.iterations) +
                                           ", solution to infinity" + DivergenceHint());
        } else if (!stop) {
            stop = !TakeStep(step);
        } else if (damped_) {
            // Converged: the step is solved already, and taking it (damped as any other)
            // makes the heights as exact as one more Newton step would.
            TakeStep(step, /*mayFail=*/false);
        }
        step.area = area_->Area(heights_);
        result_.history.push_back(step);
        if (!stop) stop = RunningOff(step);
        lastArea_ = step.area;
        result_.timings.solve += clock_.Seconds();
        return stop || result_.iterations == settings_.maxIterations;
    }

    // Auto's pure phase stops at the first sign of running off, long before an increment
    // reaches the divergence limit: a step larger than the model itself, or one that
    // raised the area (which Newton's method near a minimum does not do).
    bool RunningOff(const NewtonStepRecord& step) {
        if (settings_.newton != NewtonStep::Auto || damped_) return false;
        const std::string iteration = "iteration " + std::to_string(step.iteration);
        if (std::max(std::fabs(step.largest), std::fabs(step.smallest)) > extent_)
            runningOff_ = iteration + " moved a node further than the model's size";
        else if (step.area > lastArea_ * (1 + kAreaRiseTolerance))
            runningOff_ = iteration + " raised the area";
        else
            return false;
        Fail(RunOutcome::Diverged, iteration + ", running off");
        return true;
    }

    // Adds alpha du to the heights: alpha = 1 in a pure step, the line search's choice in
    // a damped one. False when no step along du lowers the area.
    bool TakeStep(NewtonStepRecord& step, bool mayFail = true) {
        step.stepLength = 1.0;
        if (damped_) {
            const auto found = MinimizingStep(*area_, heights_, increments_);
            if (!found && !mayFail) return true;  // left as it is: only rounding was left
            if (!found) {
                Fail(RunOutcome::Diverged, "iteration " + std::to_string(result_.iterations) +
                                               ", no step along the increments lowers the area");
                return false;
            }
            step.stepLength = found->alpha;
        }
        if (step.stepLength == 1.0)
            for (std::size_t k = 0; k < heights_.size(); ++k) heights_[k] += increments_[k];
        else
            for (std::size_t k = 0; k < heights_.size(); ++k)
                heights_[k] += step.stepLength * increments_[k];
        return true;
    }

    // Only where the user chose the pure iteration: auto starts again by itself.
    std::string DivergenceHint() const {
        if (settings_.newton != NewtonStep::Pure) return {};
        return ": try the line search: --newton damped, or Newton step in the settings";
    }

    bool CancelledAfterStep() {
        if (!CancelRequested()) return false;
        Fail(RunOutcome::Cancelled,
             "cancelled by the user after iteration " + std::to_string(result_.iterations));
        return true;
    }

    // Lifts the mesh by the heights and tells what the files will not show; Success
    // unless a strict run has warnings.
    void Lift() {
        if (!result_.converged)
            result_.warnings.push_back("the iteration limit (" +
                                       std::to_string(settings_.maxIterations) +
                                       ") was reached before the accuracy test was met");
        clock_.Restart();
        solution_ = std::make_shared<const Solution>(
            LiftMembrane(*model_, std::move(heights_), result_.iterations));
        if (!solution_->walls.Empty())
            result_.warnings.push_back(WallWarning(*model_, solution_->walls, solution_->area));
        result_.timings.write = clock_.Seconds();
        if (request_.strict && !result_.warnings.empty())
            return Fail(RunOutcome::InputErrors, "strict run: " + result_.warnings.back());
        if (request_.strict) WriteBoundaryPoints(*model_, request_, result_);
        result_.outcome = RunOutcome::Success;
    }

    bool SolverFailed(SolveStatus status) {
        // Heights running off make the Hessian numerically singular before an increment
        // passes the divergence limit: in auto's pure phase a failure after steps that
        // raised the area is that same divergence (a singular model fails from any start).
        if (settings_.newton == NewtonStep::Auto && !damped_ && !result_.history.empty() &&
            result_.history.back().area > startArea_) {
            Fail(RunOutcome::Diverged,
                 "iteration " + std::to_string(result_.iterations) + ", solution to infinity");
            return false;
        }
        messages_.Show(SolveStatusText(status), MessageKind::Error);
        Fail(RunOutcome::SolverFailure, SolveFailureReason(status));
        return false;
    }

    void Fail(RunOutcome outcome, std::string reason) {
        failed_ = true;
        result_.outcome = outcome;
        result_.reason = std::move(reason);
    }

    void Progress(const std::string& text) {
        if (view_) view_->ShowMessage(text);
    }
    bool CancelRequested() {
        const bool flagged = request_.cancel && request_.cancel->load(std::memory_order_relaxed);
        return (view_ && view_->CancelRequested()) || flagged;
    }

    const RunRequest& request_;
    const Settings& settings_;
    MessageSink& messages_;
    ResultsView* view_;
    RunResult& result_;
    const bool loadOnly_;
    bool failed_ = false;
    bool wroteAhead_ = false;
    bool modelUnreadable_ = false;
    Stopwatch clock_;

    std::unique_ptr<FillOrdering> ordering_;
    std::shared_ptr<const Model> model_;
    std::unique_ptr<OutputFiles> output_;
    std::unique_ptr<NewtonSystem> solver_;
    std::unique_ptr<LiftedArea> area_;  // the objective, for the line search and the history
    std::shared_ptr<const Solution> solution_;  // the membrane lifted after the last step
    bool damped_ = false;
    double startArea_ = 0.0;  // the area at the file's start heights
    double lastArea_ = 0.0;   // the area before the step being taken
    double extent_ = 0.0;     // the model's size (ModelExtent)
    std::string runningOff_;  // why auto's pure phase stopped early; empty: it did not
    bool restarting_ = false;
    std::vector<double> heights_;     // the Newton state: one height per node
    std::vector<double> increments_;  // and the last step's increments
};

}  // namespace

RunResult RunModel(const RunRequest& request, MessageSink& messages, ResultsView* view) {
    RunResult result;
    result.settings = request.settings;
    RunInShell(
        {.modelFile = request.modelFileName},
        [&] { return std::make_unique<NewtonRun>(request, messages, view, result); }, result,
        messages, view);
    return result;
}

RunResult LoadModelOnly(const RunRequest& request, MessageSink& messages) {
    RunResult result;
    RunInShell(
        {.modelFile = request.modelFileName, .loadOnly = true},
        [&] { return std::make_unique<NewtonRun>(request, messages, nullptr, result, true); },
        result, messages, nullptr);
    return result;
}

}  // namespace membrane
