// A run writes the parts of its output files that the Newton steps do not change while
// they go on. A run that does not succeed must still leave nothing behind: no report, no
// truss model file, no temporary file, whichever solver, however it ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "common/results_view.h"
#include "solver/cholmod_solver.h"
#include "solver/iteration.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::ModelText;

// A 4 x 4 grid held at its edge; interior start heights `start`.
ModelText HeldGrid(const std::string& start) {
    ModelText m;
    for (int j = 0, id = 1; j < 4; ++j)
        for (int i = 0; i < 4; ++i, ++id) {
            m.coordinates.push_back(std::to_string(id) + " " + std::to_string(i) + " " +
                                    std::to_string(j));
            const bool edge = i == 0 || j == 0 || i == 3 || j == 3;
            if (edge) m.constraints.push_back(std::to_string(id));
            m.initial.push_back(std::to_string(id) + " " + (edge ? "0" : start));
        }
    for (int j = 0, e = 0; j < 3; ++j)
        for (int i = 0; i < 3; ++i) {
            const int a = 4 * j + i + 1;
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(a) + " " +
                                 std::to_string(a + 1) + " " + std::to_string(a + 5));
            m.elements.push_back(std::to_string(++e) + " " + std::to_string(a) + " " +
                                 std::to_string(a + 5) + " " + std::to_string(a + 4));
        }
    return m;
}

// Asks to stop once the given iteration has been assembled (never for 0).
class CancellingView final : public ResultsView {
  public:
    explicit CancellingView(int iteration)
        : stopAt_("ITERATION " + std::to_string(iteration) + " : Assemble") {}
    void ShowMessage(const std::string& text) override { seen_ = seen_ || text == stopAt_; }
    void FillCoordGrid(const RunState&) override {}
    void FillElemGrid(const RunState&) override {}
    void FillConstrGrid(const RunState&) override {}
    void FillInitGrid(const RunState&) override {}
    void SetFlatArea(const std::string&) override {}
    void SetFinalArea(const std::string&) override {}
    void ShowResultHeights(const RunState&, int) override {}
    bool CancelRequested() override { return seen_; }

  private:
    std::string stopAt_;
    bool seen_ = false;
};

std::set<std::string> FilesIn(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(OutputAhead, UnsuccessfulRunsLeaveNoFilesBehind) {
    struct Case {
        std::string name;
        std::string start;
        int cancelAfter;  // 0: not cancelled
        RunOutcome outcome;
    };
    const Case cases[] = {
        {"diverged", "1e5", 0, RunOutcome::Diverged},
        {"cancelled in the second iteration", "0.5", 2, RunOutcome::Cancelled},
        {"cancelled in the first iteration", "0.5", 1, RunOutcome::Cancelled},
    };
    for (const Case& c : cases)
        for (bool cholmod : {false, true}) {
            if (cholmod && !CholmodSolver::Available()) continue;
            test::TempDir dir;
            RunState state;
            RecordingMessageSink sink;
            CancellingView view(c.cancelAfter);
            state.messages = &sink;
            state.view = &view;
            state.settings.useCholmod = cholmod;
            state.settings.maxIterations = 30;
            const std::string path = test::PrepareModel(dir, state, HeldGrid(c.start).Text());
            EXPECT_EQ(RunModel(state, path, 1e-12).outcome, c.outcome) << c.name;
            EXPECT_EQ(FilesIn(dir.Path()), (std::set<std::string>{"MODEL.DAT", "BNDRYPTS.txt"}))
                << c.name << (cholmod ? ", cholmod" : "");
        }
}

TEST(OutputAhead, SameFilesWithAndWithoutWritingAhead) {
    test::TempDir dir;
    const std::string text = HeldGrid("0.5").Text();
    std::string out[2], trs[2];
    for (int ahead = 0; ahead < 2; ++ahead) {
        RunState state;
        const std::string path = test::PrepareModel(dir, state, text);
        state.settings.maxIterations = ahead ? 5 : 0;  // no Newton step: nothing written ahead
        ASSERT_EQ(RunModel(state, path, 1e-3).outcome, RunOutcome::Success);
        out[ahead] = test::ReadFile(dir.File("MODEL.OUT"));
        trs[ahead] = test::ReadFile(dir.File("MODEL.TRS"));
    }
    // Up to the iteration count and the heights, the report is the same; the truss model
    // file's bars are.
    const std::size_t results = out[0].find("number of iterations");
    ASSERT_NE(results, std::string::npos);
    EXPECT_EQ(out[1].substr(0, results), out[0].substr(0, results));
    auto barSection = [](const std::string& text) {
        const std::size_t bars = text.find("[elements]");
        return bars == std::string::npos ? std::string()
                                         : text.substr(bars, text.find("[loads]") - bars);
    };
    EXPECT_NE(barSection(trs[0]).find("33=16@15@1"), std::string::npos);
    EXPECT_EQ(barSection(trs[1]), barSection(trs[0]));
}

}  // namespace
}  // namespace membrane
