// Whole runs through the run layer: the progress lines, convergence and its limits,
// divergence, a failing solver, cancelling, the files a run leaves (and those a failed
// run does not leave), and every exception stopping at the run's boundary.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <new>
#include <set>
#include <stdexcept>

#include "heightfield/mesh_area.h"
#include "heightfield/model_generator.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/newton_system.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

// The classic iteration (full Newton steps), whose limits these tests pin.
Settings With(double accuracy, int maxIterations, SolverChoice solver = SolverChoice::Elimination) {
    Settings settings;
    settings.newton = NewtonStep::Pure;
    settings.accuracy = accuracy;
    settings.maxIterations = maxIterations;
    settings.solver = solver;
    return settings;
}

const auto kZero = [](double, double) { return 0.0; };
const auto kSaddle = [](double x, double y) { return (x - 1) * (x - 1) - (y - 1) * (y - 1); };

std::set<std::string> FilesIn(const TempDir& dir) {
    const std::vector<std::string> names = FileNames(dir.Path());
    return {names.begin(), names.end()};
}

TEST(NewtonRun, FlatModelConvergesInOneIteration) {
    RecordedRun r(Grid(3, 2.0, kZero, kZero).Text());
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    EXPECT_EQ(r.result.iterations, 1);
    EXPECT_EQ(r.view.messages,
              (std::vector<std::string>{"Open " + r.File("MODEL.DAT"), "ITERATION 1 : Assemble",
                                        "ITERATION 1 : Elimination",
                                        "READY, output to file : MODEL.OUT"}));
    EXPECT_EQ(r.view.flatArea, "Flat mesh surface : 4.000");
    EXPECT_EQ(r.view.finalArea, "Final surface : 4.000");
    EXPECT_EQ(r.view.solution, r.result.solution);
    EXPECT_EQ(r.solution().iterations, 1);
    EXPECT_TRUE(r.result.modelLoaded);
    EXPECT_EQ(r.result.reportFile, r.File("MODEL.OUT"));
    EXPECT_EQ(r.result.trussFile, r.File("MODEL.TRS"));
    EXPECT_TRUE(r.sink.messages.empty());
    // Nothing but the outputs is left in the directory (no temporary files).
    EXPECT_EQ(FilesIn(r.dir),
              (std::set<std::string>{"BNDRYPTS.txt", "MODEL.DAT", "MODEL.OUT", "MODEL.TRS"}));
}

TEST(NewtonRun, PlaneWithBoundaryOnItIsReproducedInside) {
    const auto plane = [](double x, double y) { return 0.3 * x - 0.7 * y + 1.0; };
    RecordedRun r(Grid(5, 4.0, plane, kZero).Text(), With(1e-12, 30));
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    const auto& nodes = r.model().nodes.Nodes();
    for (std::size_t k = 0; k < nodes.size(); ++k)
        EXPECT_NEAR(r.solution().liftedZ[k], plane(nodes[k].x, nodes[k].y), 1e-9)
            << nodes[k].number;
}

TEST(NewtonRun, CurvedBoundaryGivesTheLeastArea) {
    RecordedRun r(Grid(6, 2.0, kSaddle, [](double, double) { return 0.5; }).Text(), With(1e-9, 50));
    ASSERT_EQ(r.result.outcome, RunOutcome::Success);
    EXPECT_EQ(r.result.iterations, 6);
    const Model& m = r.model();
    const std::vector<double> heights = r.solution().heights;
    const double area = ComputeMeshAreas(m.nodes, m.elements, r.solution().liftedZ).total;
    EXPECT_EQ(r.result.finalArea, area);
    EXPECT_EQ(r.view.finalArea, "Final surface : " + FormatFixed(area, 12, 3));
    // A minimum: moving any free node up or down increases the area.
    for (std::size_t k = 0; k < heights.size(); ++k) {
        const auto& held = m.constraints.Entries();
        if (std::any_of(held.begin(), held.end(),
                        [&](auto& e) { return e.value == m.nodes.Nodes()[k].number; }))
            continue;
        for (double delta : {1e-4, -1e-4}) {
            std::vector<double> moved = heights;
            moved[k] += delta;
            EXPECT_GT(ComputeMeshAreas(m.nodes, m.elements, moved).total, area) << k;
        }
    }
}

TEST(NewtonRun, PoorStartDivergesWithoutOutputFiles) {
    for (SolverChoice solver : {SolverChoice::Elimination, SolverChoice::Cholmod}) {
        if (solver == SolverChoice::Cholmod && !CholmodSystem::Available()) continue;
        RecordedRun r(Grid(3, 2.0, kZero, [](double, double) { return 1e5; }).Text(),
                      With(0.001, 10, solver));
        ASSERT_EQ(r.result.outcome, RunOutcome::Diverged);
        const std::string reason =
            "iteration 1, solution to infinity: try the line search: --newton damped, or "
            "Newton step in the settings";
        EXPECT_EQ(r.result.reason, reason);
        EXPECT_EQ(r.view.messages.back(), "ERRORS reported " + reason);
        EXPECT_EQ(r.result.solution, nullptr);
        EXPECT_EQ(r.view.solution, nullptr);
        EXPECT_EQ(FilesIn(r.dir), (std::set<std::string>{"BNDRYPTS.txt", "MODEL.DAT"}));
    }
    // Not a number ends as diverged or failed, never as a success.
    RecordedRun nan(Grid(3, 2.0, kZero, [](double, double) { return 1e300; }).Text());
    EXPECT_NE(nan.result.outcome, RunOutcome::Success);
    EXPECT_FALSE(Exists(nan.File("MODEL.OUT")));
}

TEST(NewtonRun, DivergenceLimitIsTenToTheTen) {
    // The free centre of a pyramid started at height h takes a first Newton step of about
    // -1.26 h^3: from 2100 that is beyond 1e10, from 1900 not yet.
    auto run = [](double start) {
        return RecordedRun(Grid(3, 2.0, kZero, [start](double, double) { return start; }).Text(),
                           With(0.001, 1))
            .result;
    };
    const RunResult beyond = run(2100), within = run(1900);
    EXPECT_EQ(beyond.outcome, RunOutcome::Diverged);
    EXPECT_EQ(beyond.reason.rfind("iteration 1, solution to infinity:", 0), 0u) << beyond.reason;
    ASSERT_EQ(within.outcome, RunOutcome::Success);
    const double step = std::fabs(within.solution->heights[4] - 1900);
    EXPECT_GT(step, 1e9);
    EXPECT_LT(step, 1e10);
}

TEST(NewtonRun, IterationLimits) {
    const std::string text = Grid(4, 2.0, kSaddle, [](double, double) { return 0.5; }).Text();
    {
        RecordedRun r(
            text, With(0.001, 1));  // one step, not converged: applied, success with 1 iteration
        ASSERT_EQ(r.result.outcome, RunOutcome::Success);
        EXPECT_EQ(r.result.iterations, 1);
        EXPECT_NE(r.solution().heights[5], 0.5);
        EXPECT_NE(ReadFile(r.File("MODEL.OUT")).find("number of iterations :   1     "),
                  std::string::npos);
    }
    for (int limit : {0, -3}) {
        RecordedRun r(text, With(0.001, limit));  // no Newton step at all
        ASSERT_EQ(r.result.outcome, RunOutcome::Success) << limit;
        EXPECT_EQ(r.result.iterations, 0);
        EXPECT_EQ(r.solution().heights[5], 0.5);
        EXPECT_NE(ReadFile(r.File("MODEL.OUT"))
                      .find("number of iterations :   0     accurracy : 0.0010000000"),
                  std::string::npos);
        EXPECT_TRUE(Exists(r.File("MODEL.TRS")));
        for (const auto& m : r.view.messages) EXPECT_EQ(m.find("ITERATION"), std::string::npos);
    }
    RecordedRun unlimited(text, With(0.0, 4));  // accuracy 0: only the limit ends it
    ASSERT_EQ(unlimited.result.outcome, RunOutcome::Success);
    EXPECT_EQ(unlimited.result.iterations, 4);
}

TEST(NewtonRun, ElementsAreAssembledInAscendingNumber) {
    const ModelText base = Grid(4, 2.0, kSaddle, [](double, double) { return 0.5; });
    // The same triangles, numbered with gaps and listed in reverse: assembled by number
    // they are added in the same order as the base numbering, so the results agree bit
    // for bit.
    ModelText renumbered = base;
    renumbered.elements.clear();
    for (std::size_t k = base.elements.size(); k-- > 0;) {
        const std::string& record = base.elements[k];
        const std::size_t blank = record.find(' ');
        renumbered.elements.push_back(std::to_string(std::stoi(record.substr(0, blank)) * 10 + 3) +
                                      record.substr(blank));
    }
    RecordedRun a(base.Text(), With(1e-9, 20)), b(renumbered.Text(), With(1e-9, 20));
    ASSERT_EQ(a.result.outcome, RunOutcome::Success);
    ASSERT_EQ(b.result.outcome, RunOutcome::Success);
    EXPECT_EQ(a.result.iterations, b.result.iterations);
    EXPECT_EQ(a.solution().heights, b.solution().heights);
}

TEST(NewtonRun, SolverFailureEndsTheRunWithoutOutputs) {
    // The only held node belongs to no triangle: the free triangle has no fixed height and
    // its system is singular (exactly so: its terms are halves).
    ModelText m;
    m.coordinates = {"1 0 0", "2 1 0", "3 0 1", "4 5 5"};
    m.elements = {"1 1 2 3"};
    m.constraints = {"4"};
    m.initial = {"1 0", "2 0", "3 0"};
    for (SolverChoice solver : {SolverChoice::Elimination, SolverChoice::Cholmod}) {
        if (solver == SolverChoice::Cholmod && !CholmodSystem::Available()) continue;
        RecordedRun r(m.Text(), With(0.001, 10, solver));
        ASSERT_EQ(r.result.outcome, RunOutcome::SolverFailure);
        EXPECT_EQ(r.sink.Texts(), (std::vector<std::string>{"Matrix has a row dependance. "}));
        EXPECT_EQ(r.view.messages.back(), "ERRORS reported Matrix has a row dependance.");
        EXPECT_EQ(FilesIn(r.dir), (std::set<std::string>{"BNDRYPTS.txt", "MODEL.DAT"}));
    }
}

TEST(NewtonRun, InputErrorsAndUnwritableOutputs) {
    RecordedRun none("nothing here\r\n");
    EXPECT_EQ(none.result.outcome, RunOutcome::InputErrors);
    EXPECT_EQ(none.view.messages.back(), "ERRORS reported input errors");
    EXPECT_FALSE(none.result.modelLoaded);
    EXPECT_FALSE(Exists(none.File("MODEL.OUT")));

    // The truss model file cannot be put in place (a directory has its name).
    TempDir dir;
    const std::string path = Grid(3, 1.0, kZero, kZero).WriteTo(dir.File("MODEL.DAT"));
    std::filesystem::create_directory(dir.File("MODEL.TRS"));
    RecordedRun r(Settings{}, path);
    EXPECT_EQ(r.result.outcome, RunOutcome::OutputFailure);
    EXPECT_EQ(r.result.solution, nullptr);
    ASSERT_EQ(r.sink.messages.size(), 1u);
    EXPECT_EQ(r.sink.messages[0].caption, "Output files");  // before anything is written
    EXPECT_EQ(r.view.messages.back(), "ERRORS reported output file refused");
    for (const std::string& name : FileNames(dir.Path()))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

// A fault of the program, for the run to catch.
struct Fault : std::logic_error {
    Fault() : std::logic_error("a fault") {}
};

// Asks to stop once the given iteration has been assembled (never for 0), or throws
// `Thrown` at a given progress line.
template <typename Thrown = void>
class ScriptedView final : public ResultsView {
  public:
    ScriptedView(int cancelAt, std::string throwAt = {})
        : cancelAt_("ITERATION " + std::to_string(cancelAt) + " : Assemble"),
          throwAt_(std::move(throwAt)) {}
    void ShowMessage(const std::string& text) override {
        seen_ = seen_ || text == cancelAt_;
        if constexpr (!std::is_void_v<Thrown>)
            if (text == throwAt_) throw Thrown();
        last = text;
    }
    void ShowInput(std::shared_ptr<const Model>, bool) override {}
    void SetFlatArea(const std::string&) override {}
    void SetFinalArea(const std::string&) override {}
    void ShowResults(std::shared_ptr<const Solution>) override {}
    bool CancelRequested() override { return seen_; }
    std::string last;

  private:
    std::string cancelAt_, throwAt_;
    bool seen_ = false;
};

// A 4 x 4 grid held at its edge at 0; interior start heights `start`.
std::string HeldGrid(double start) {
    return Grid(4, 3.0, kZero, [start](double, double) { return start; }).Text();
}

TEST(NewtonRun, UnsuccessfulRunsLeaveNoFilesBehind) {
    struct Case {
        std::string name;
        double start;
        int cancelAt;  // 0: not cancelled
        RunOutcome outcome;
        std::string reason;
    };
    const Case cases[] = {
        {"diverged", 1e5, 0, RunOutcome::Diverged,
         "iteration 1, solution to infinity: try the line search: --newton damped, or Newton "
         "step in the settings"},
        {"cancelled in the second iteration", 0.5, 2, RunOutcome::Cancelled,
         "cancelled by the user in iteration 2"},
        {"cancelled in the first iteration", 0.5, 1, RunOutcome::Cancelled,
         "cancelled by the user in iteration 1"},
    };
    for (const Case& c : cases)
        for (SolverChoice solver : {SolverChoice::Elimination, SolverChoice::Cholmod}) {
            if (solver == SolverChoice::Cholmod && !CholmodSystem::Available()) continue;
            TempDir dir;
            WriteFile(dir.File("MODEL.DAT"), HeldGrid(c.start));
            RecordingMessageSink sink;
            ScriptedView<> view(c.cancelAt);
            const RunRequest request{dir.File("MODEL.DAT"), With(1e-12, 30, solver),
                                     dir.File("BNDRYPTS.txt")};
            const RunResult result = RunModel(request, sink, &view);
            EXPECT_EQ(result.outcome, c.outcome) << c.name;
            EXPECT_EQ(result.reason, c.reason) << c.name;
            EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"BNDRYPTS.txt", "MODEL.DAT"})) << c.name;
        }
}

// Threads of this process.
int ThreadCount() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("Threads:")) return std::stoi(line.substr(8));
    return -1;
}

// The cancel flag of another thread stops a solve: each solver ends a solve under the set
// flag with Cancelled; a run whose flag is raised as its second solve begins (the run's
// own cancel question answered no) ends as cancelled in that iteration, with no message
// box, no output file, no temporary file and no thread of its own left. How soon a solve
// under way answers the flag is a figure of bench/responsiveness_bench.cpp.
TEST(NewtonRun, CancelFlagStopsTheSolve) {
    for (SolverChoice choice : {SolverChoice::Elimination, SolverChoice::Cholmod}) {
        if (choice == SolverChoice::Cholmod && !CholmodSystem::Available()) continue;
        SCOPED_TRACE(std::string(ChoiceName(choice)));
        RecordedRun loaded(HeldGrid(0.5), With(1e-12, 0));
        const Model& model = loaded.model();
        std::atomic<bool> cancel{true};
        const auto solver = test::MakeNewton(choice, model, 1e-12, &cancel);
        solver->Assemble(model.startHeights);
        EXPECT_EQ(solver->Solve(), SolveStatus::Cancelled);

        TempDir dir;
        ASSERT_TRUE(
            WriteGeneratedModel(GenerateModel(GeneratedShape::Scherk, 3000), dir.File("BIG.DAT")));
        RunRequest request{dir.File("BIG.DAT"), With(1e-12, 30, choice), dir.File("BNDRYPTS.txt")};
        cancel = false;
        request.cancel = &cancel;
        RecordingMessageSink sink;
        RecordingView view;
        // The second solve's line, whichever solver names it.
        view.onMessage = [&cancel](const std::string& line) {
            if (line.starts_with("ITERATION 2 : ") && line != "ITERATION 2 : Assemble")
                cancel = true;
        };
        const int threadsBefore = ThreadCount();
        const RunResult result = RunModel(request, sink, &view);
        EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
        EXPECT_EQ(result.reason, "cancelled by the user in iteration 2");
        EXPECT_EQ(view.messages.back(), "ERRORS reported cancelled by the user in iteration 2");
        EXPECT_TRUE(sink.messages.empty());
        EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"BIG.DAT", "BNDRYPTS.txt"}));
        EXPECT_EQ(ThreadCount(), threadsBefore);
    }
}

TEST(NewtonRun, ExceptionsEndTheRunAsFailedWithAMessage) {
    for (const char* at : {"ITERATION 1 : Assemble", "ITERATION 2 : Elimination"}) {
        TempDir dir;
        WriteFile(dir.File("MODEL.DAT"), HeldGrid(0.5));
        const RunRequest request{dir.File("MODEL.DAT"), With(1e-12, 30), dir.File("BNDRYPTS.txt")};
        RecordingMessageSink sink;
        ScriptedView<std::bad_alloc> noMemory(0, at);
        const RunResult result = RunModel(request, sink, &noMemory);
        EXPECT_EQ(result.outcome, RunOutcome::OutOfMemory) << at;
        EXPECT_EQ(result.reason, "out of memory");
        EXPECT_EQ(noMemory.last, "ERRORS reported out of memory");
        ASSERT_EQ(sink.messages.size(), 1u);
        EXPECT_EQ(sink.messages[0].caption, "Out of memory");
        EXPECT_EQ(sink.messages[0].text, "There is not enough memory for this run.");
        EXPECT_EQ(result.solution, nullptr);
        EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"BNDRYPTS.txt", "MODEL.DAT"})) << at;

        RecordingMessageSink sink2;
        ScriptedView<Fault> fault(0, at);
        EXPECT_EQ(RunModel(request, sink2, &fault).outcome, RunOutcome::InternalError);
        ASSERT_EQ(sink2.messages.size(), 1u);
        EXPECT_EQ(sink2.messages[0].caption, "Internal error");
        EXPECT_EQ(sink2.messages[0].text, "The run stopped on an error of the program: a fault");
    }
}

TEST(NewtonRun, FilesAreTheSameWithAndWithoutWritingAhead) {
    // Without a Newton step nothing is written ahead; with one, the report's echo and the
    // truss model file's bars are written beside the Newton steps.
    std::string out[2], trs[2];
    for (int ahead = 0; ahead < 2; ++ahead) {
        RecordedRun r(HeldGrid(0.5), With(1e-3, ahead ? 5 : 0));
        ASSERT_EQ(r.result.outcome, RunOutcome::Success);
        out[ahead] = ReadFile(r.File("MODEL.OUT"));
        trs[ahead] = ReadFile(r.File("MODEL.TRS"));
    }
    const std::size_t results = out[0].find("number of iterations");
    ASSERT_NE(results, std::string::npos);
    EXPECT_EQ(out[1].substr(0, results), out[0].substr(0, results));
    auto bars = [](const std::string& text) {
        const std::size_t at = text.find("[elements]");
        return at == std::string::npos ? std::string() : text.substr(at, text.find("[loads]") - at);
    };
    EXPECT_NE(bars(trs[0]).find("33=16@15@1"), std::string::npos);
    EXPECT_EQ(bars(trs[1]), bars(trs[0]));
}

}  // namespace
}  // namespace membrane
