// The run shell with a scripted analysis: every way a run can end, with its outcome, exit
// status, messages and files; the files of a run written all or none, also when the disk
// fills; every figure checked to be finite before anything is written.
#include "shell/run_shell.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <new>
#include <stdexcept>

#include "common/io_error.h"
#include "shell/exit_status.h"
#include "shell/output_set.h"
#include "support/file_size_limit.h"
#include "support/files.h"
#include "support/recording.h"

namespace membrane {
namespace {

using namespace test;

enum class Fault { None, MemoryInCompute, DiskFullAtSecondFile, ProgramErrorInWrite };

struct Script {
    explicit Script(const char* caseName) : name(caseName) {}
    Script& Loads(LoadResult result) { return load = result, *this; }
    Script& NoEquilibrium() { return equilibrium = false, *this; }
    Script& Figure(double value) { return figure = value, *this; }
    Script& Fails(Fault where) { return fault = where, *this; }
    Script& Warns(std::vector<std::string> texts) { return warnings = std::move(texts), *this; }
    Script& OutputIsModel() { return outputIsModel = true, *this; }

    const char* name;
    LoadResult load = LoadResult::Loaded;
    bool equilibrium = true;
    double figure = 1.0;
    Fault fault = Fault::None;
    std::vector<std::string> warnings;
    bool outputIsModel = false;
};

struct FakeResult : RunRecord {
    std::shared_ptr<const int> results;
};

// Writes "new a" and "new b" over the files of an earlier run; tells whether it is alive.
class FakeRun final : public AnalysisRun {
  public:
    FakeRun(const Script& script, const TempDir& dir, FakeResult& result, bool& alive, bool& loaded)
        : script_(script), dir_(dir), result_(result), alive_(alive), loaded_(loaded) {
        alive_ = true;
    }
    ~FakeRun() override { alive_ = false; }

    std::string Found() const override { return "the shape"; }
    RunFiles Files() const override {
        RunFiles files;
        files.inputs.push_back({dir_.File("model.txt"), "the model file"});
        files.outputs = {dir_.File(script_.outputIsModel ? "model.txt" : "a.txt"),
                         dir_.File("b.txt")};
        return files;
    }
    LoadResult Load() override {
        loaded_ = true;
        return script_.load;
    }
    void Compute() override {
        if (script_.fault == Fault::MemoryInCompute) throw std::bad_alloc();
        result_.warnings = script_.warnings;
        result_.outcome = script_.equilibrium ? RunOutcome::Success : RunOutcome::Diverged;
        if (!script_.equilibrium) result_.reason = "no equilibrium";
    }
    void ListFigures(FiniteFigures& figures) const override {
        figures.Add("the figure", {1.0, script_.figure});
    }
    void Publish() override {
        if (result_.outcome == RunOutcome::Success) result_.results = std::make_shared<int>(1);
    }
    void Withdraw() override { result_.results.reset(); }
    void Write(OutputSet& files) override {
        files.Render(dir_.File("a.txt"), [](TextSink& out) { out.Write("new a"); });
        files.Render(dir_.File("b.txt"), [this](TextSink& out) {
            if (script_.fault == Fault::DiskFullAtSecondFile)
                throw IoError("write error in b.txt: No space left on device");
            if (script_.fault == Fault::ProgramErrorInWrite) throw std::logic_error("a bug");
            out.Write("new b");
        });
    }
    void Written(const OutputSet&) override { result_.reportFile = dir_.File("a.txt"); }

  private:
    const Script& script_;
    const TempDir& dir_;
    FakeResult& result_;
    bool& alive_;
    bool& loaded_;
};

// Records, with each message, whether the analysis's objects were still alive.
class WatchingSink final : public MessageSink {
  public:
    explicit WatchingSink(const bool& alive) : alive_(alive) {}
    using MessageSink::Show;
    void Show(const UserMessage& message) override {
        messages.push_back(message);
        if (alive_) shownWhileAlive = true;
    }
    std::vector<UserMessage> messages;
    bool shownWhileAlive = false;

  private:
    const bool& alive_;
};

struct ShellRun {
    explicit ShellRun(const Script& script, bool writeFiles = true) : sink(alive) {
        WriteFile(dir.File("model.txt"), "model");
        WriteFile(dir.File("a.txt"), "old a");
        WriteFile(dir.File("b.txt"), "old b");
        RunFrame frame;
        frame.modelFile = dir.File("model.txt");
        frame.writeFiles = writeFiles;
        RunInShell(
            frame, [&] { return std::make_unique<FakeRun>(script, dir, result, alive, loaded); },
            result, sink, &view);
    }
    std::string Captions() const {
        std::string captions;
        for (const UserMessage& m : sink.messages) captions += "[" + m.caption + "]";
        return captions;
    }

    TempDir dir;
    bool alive = false, loaded = false;
    WatchingSink sink;
    RecordingView view;
    FakeResult result;
};

TEST(RunShell, EveryEndOfARun) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        Script script;
        RunOutcome outcome;
        int exit;
        std::string reason;    // the start of it
        std::string captions;  // of the messages shown
        bool newFiles;         // both files written; otherwise both as they were
        bool resultsKept;
    };
    const std::vector<Case> cases = {
        {Script("clean"), RunOutcome::Success, 0, "", "", true, true},
        {Script("warnings").Warns({"w1", "w2"}), RunOutcome::Success, 1, "", "[Warnings]", true,
         true},
        {Script("unreadable model").Loads(LoadResult::Unreadable), RunOutcome::OutputFailure, 5,
         "input errors", "", false, false},
        {Script("faulty model").Loads(LoadResult::InputErrors), RunOutcome::InputErrors, 2,
         "input errors", "", false, false},
        {Script("no equilibrium").NoEquilibrium(), RunOutcome::Diverged, 3, "no equilibrium", "",
         false, false},
        {Script("infinite figure").Figure(inf), RunOutcome::Diverged, 3,
         "the results are not finite numbers: the figure is inf", "", false, false},
        {Script("figure not a number").Figure(std::nan("")).Warns({"w"}), RunOutcome::Diverged, 3,
         "the results are not finite numbers: the figure is nan", "", false, false},
        {Script("disk full at the second file").Fails(Fault::DiskFullAtSecondFile),
         RunOutcome::OutputFailure, 5, "the shape is computed, but its files could not be written",
         "[Input/output error]", false, true},
        {Script("memory runs out").Fails(Fault::MemoryInCompute), RunOutcome::OutOfMemory, 4,
         "out of memory", "[Out of memory]", false, false},
        {Script("error of the program while writing").Fails(Fault::ProgramErrorInWrite),
         RunOutcome::InternalError, 6, "internal error", "[Internal error]", false, false},
        {Script("an output is the model file").OutputIsModel(), RunOutcome::OutputFailure, 5,
         "output file refused", "[Output files]", false, false},
    };
    for (const Case& c : cases) {
        const ShellRun run(c.script);
        const char* name = c.script.name;
        EXPECT_EQ(run.result.outcome, c.outcome) << name;
        EXPECT_EQ(ExitStatusOf(run.result), c.exit) << name;
        EXPECT_EQ(run.result.reason.rfind(c.reason, 0), 0u) << name << ": " << run.result.reason;
        EXPECT_EQ(run.Captions(), c.captions) << name;
        EXPECT_FALSE(run.sink.shownWhileAlive) << name;
        EXPECT_EQ(ReadFile(run.dir.File("a.txt")), c.newFiles ? "new a" : "old a") << name;
        EXPECT_EQ(ReadFile(run.dir.File("b.txt")), c.newFiles ? "new b" : "old b") << name;
        EXPECT_EQ(ReadFile(run.dir.File("model.txt")), "model") << name;
        EXPECT_EQ(FileNames(run.dir.Path()).size(), 3u) << name << ": a temporary file is left";
        EXPECT_EQ(run.result.results != nullptr, c.resultsKept) << name;
        EXPECT_EQ(run.result.reportFile.empty(), !c.newFiles) << name;
        // A refused output stops the run before the model is read.
        EXPECT_EQ(run.loaded, !c.script.outputIsModel) << name;
        ASSERT_FALSE(run.view.messages.empty()) << name;
        EXPECT_EQ(run.view.messages.front(), "Open " + run.dir.File("model.txt")) << name;
        EXPECT_EQ(run.view.messages.back(), c.outcome == RunOutcome::Success
                                                ? "READY, output to file : a.txt"
                                                : "ERRORS reported " + run.result.reason)
            << name;
    }
}

// A run that writes no files (the desktop program's "run again") tells its warnings as
// such, and reads nothing it would refuse.
TEST(RunShell, WarningsOfARunWithoutFiles) {
    const ShellRun withFiles(Script("files").Warns({"w1", "w2"}));
    ASSERT_EQ(withFiles.sink.messages.size(), 1u);
    EXPECT_EQ(withFiles.sink.messages[0].text, "The files are written, but:\n- w1\n- w2");
    const ShellRun without(Script("no files").Warns({"w1"}).OutputIsModel(), false);
    EXPECT_EQ(without.result.outcome, RunOutcome::Success);
    ASSERT_EQ(without.sink.messages.size(), 1u);
    EXPECT_EQ(without.sink.messages[0].text, "The shape is found, but:\n- w1");
    EXPECT_EQ(without.view.messages.back(), "READY");
    EXPECT_EQ(ReadFile(without.dir.File("a.txt")), "old a");
}

// A write that fails half-way through the second file names that file (not its temporary
// stand-in) and leaves the first as it was.
TEST(OutputSet, AFullDiskNamesTheTargetAndWritesNothing) {
    TempDir dir;
    WriteFile(dir.File("a.txt"), "old a");
    std::string message;
    {
        const FileSizeLimit limit(4096);
        OutputSet files;
        files.Render(dir.File("a.txt"), [](TextSink& out) { out.Write("new a"); });
        try {
            files.Render(dir.File("b.txt"),
                         [](TextSink& out) { out.Write(std::string(1 << 16, 'b')); });
            files.Commit();
        } catch (const IoError& error) {
            message = error.what();
        }
    }
    EXPECT_NE(message.find(dir.File("b.txt")), std::string::npos) << message;
    EXPECT_EQ(message.find(".mbr"), std::string::npos) << message;
    EXPECT_EQ(ReadFile(dir.File("a.txt")), "old a");
    EXPECT_EQ(FileNames(dir.Path()), std::vector<std::string>{"a.txt"});
}

// A target that became a directory after the files were rendered: no file of the set is
// put in place.
TEST(OutputSet, ATargetRefusedAtTheEndStopsEveryFile) {
    TempDir dir;
    WriteFile(dir.File("a.txt"), "old a");
    OutputSet files;
    files.Render(dir.File("a.txt"), [](TextSink& out) { out.Write("new a"); });
    files.Render(dir.File("b.txt"), [](TextSink& out) { out.Write("new b"); });
    std::filesystem::create_directory(dir.File("b.txt"));
    EXPECT_THROW(files.Commit(), IoError);
    EXPECT_EQ(ReadFile(dir.File("a.txt")), "old a");
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("b.txt")));
}

}  // namespace
}  // namespace membrane
