// What a run tells its caller: the exit status of every outcome (0 only for a clean,
// converged run), the warnings the summary names, --strict, the option values refused,
// and model paths that are no regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <random>
#include <sstream>

#include "common/file_names.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

struct OutcomeCase {
    const char* name;
    std::function<std::string(const TempDir&)> model;  // writes the model, gives its path
    std::string options;
    int status;
    std::vector<std::string> said;  // in stdout or stderr
    bool filesWritten;
};

bool HasHiddenFiles(const TempDir& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        if (entry.path().filename().string().front() == '.') return true;
    return false;
}

std::string Example(const TempDir& dir) {
    return CopyExample(dir);
}

// The example with `from` replaced by `to` (the first time only).
std::function<std::string(const TempDir&)> ExampleWith(std::string from, std::string to) {
    return [from, to](const TempDir& dir) {
        std::string text = ReadFile(CopyExample(dir));
        const auto at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
        WriteFile(dir.File("TEST3.DAT"), text);
        return dir.File("TEST3.DAT");
    };
}

std::function<std::string(const TempDir&)> GridWith(std::function<void(ModelText&)> change) {
    return [change](const TempDir& dir) {
        ModelText m = SmallGrid();
        change(m);
        return m.WriteTo(dir.File("GRID.DAT"));
    };
}

TEST(HonestOutcomes, ExitStatusAndWarnings) {
    const std::vector<OutcomeCase> cases = {
        {"clean",
         Example,
         "--solver elimination",
         0,
         {"model        : ", "solver       : elimination", "outcome      : converged"},
         true},
        {"table cut short",
         ExampleWith("&CONSTRAINTS 53", "&CONSTRAINTS 99"),
         "",
         1,
         {"warning      : 1 table ended before the records announced", "Warnings: "},
         true},
        {"decimal comma",
         GridWith([](ModelText& m) { m.initial[4] = "5 0,3"; }),
         "",
         1,
         {"error reading double 0,3", "warning      : the model file gave 1 reader message"},
         true},
        {"held node missing",
         GridWith([](ModelText& m) { m.constraints.push_back("99"); }),
         "",
         1,
         {"warning      : &CONSTR names node 99, which is not in &COORDINATES"},
         true},
        {"start height of a missing node",
         GridWith([](ModelText& m) { m.initial.push_back("77 1"); }),
         "",
         1,
         {"&INITIAL names node 77"},
         true},
        {"iteration limit",
         Example,
         "--max-iterations 2",
         1,
         {"outcome      : iteration limit reached, not converged",
          "warning      : the iteration limit (2) was reached"},
         true},
        {"real beyond long double",
         GridWith([](ModelText& m) { m.coordinates[0] = "1 1e5000 0"; }),
         "",
         1,
         {"error reading double 1e5000 at position :7"},
         true},
        {"huge exponent",
         GridWith([](ModelText& m) { m.initial[4] = "5 -1e99999999999"; }),
         "",
         1,
         {"error reading double -1e99999999999"},
         true},
        {"strict: reader message",
         GridWith([](ModelText& m) { m.initial[4] = "5 0,3"; }),
         "--strict",
         2,
         {"Warnings are input errors in a strict run"},
         false},
        {"strict: iteration limit",
         Example,
         "--strict --max-iterations 2",
         2,
         {"ERRORS reported strict run: the iteration limit (2)"},
         false},
        {"mesh too small for doubles",
         GridWith([](ModelText& m) {
             m.coordinates = {"1 0 0",      "2 1e-100 0",      "3 2e-100 0",
                              "4 0 1e-100", "5 1e-100 1e-100", "6 2e-100 1e-100",
                              "7 0 2e-100", "8 1e-100 2e-100", "9 2e-100 2e-100"};
         }),
         "",
         2,
         {"element 1: the triangle 1 2 5 is too small"},
         false},
        {"quiet still tells errors",
         GridWith([](ModelText& m) { m.initial[4] = "5 100000"; }),
         "--quiet --newton pure",
         3,
         {"ERRORS reported iteration 1, solution to infinity"},
         false},
    };
    for (const OutcomeCase& c : cases) {
        TempDir dir;
        const std::string path = c.model(dir);
        const CliResult run = RunCli("run '" + path + "' " + c.options);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.output;
        for (const std::string& text : c.said)
            EXPECT_NE(run.output.find(text), std::string::npos) << c.name << ": " << text << "\n"
                                                                << run.output;
        EXPECT_EQ(Exists(ChangeFileExt(path, ".OUT")), c.filesWritten) << c.name;
        // A strict run that is not clean writes no file at all.
        EXPECT_EQ(Exists(dir.File("BNDRYPTS.txt")), c.options.find("--strict") == std::string::npos)
            << c.name;
    }
}

TEST(HonestOutcomes, ModelPathsThatAreNoRegularFile) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("FIFO.DAT").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("DIR.DAT"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {dir.File("absent.DAT"), "Inputfile not found: " + dir.File("absent.DAT")},
        {"/dev/zero", "/dev/zero (a character device, not a regular file)"},
        {dir.File("FIFO.DAT"), "(a FIFO, not a regular file)"},
        {dir.File("DIR.DAT"), "(a directory, not a regular file)"},
    };
    for (const auto& [path, said] : cases) {
        // A model that hangs the reader would hang the test: the shell ends it.
        const CliResult run =
            RunProgram("timeout", "20 '" + std::string(MEMBRANE_CLI) + "' run '" + path + "'");
        EXPECT_EQ(run.status, 5) << path << "\n" << run.output;
        EXPECT_NE(run.output.find(said), std::string::npos) << run.output;
    }
}

TEST(HonestOutcomes, CommandLineRefusesValuesThatAreNoFiniteNumbers) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    for (const char* option : {"--weight nan", "--weight inf", "--weight 1e308", "--scale inf",
                               "--scale nan", "--accuracy nan", "--accuracy 1e308"}) {
        const CliResult run = RunCli("run '" + path + "' " + option);
        EXPECT_EQ(run.status, 64) << option << "\n" << run.output;
    }
    const CliResult negative = RunCli("run '" + path + "' --accuracy -1");
    EXPECT_EQ(negative.status, 64);
    EXPECT_LT(negative.output.size(), 200u) << negative.output;
    EXPECT_FALSE(Exists(dir.File("TEST3.OUT")));

    const CliResult version = RunCli("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("membrane ", 0), 0u) << version.output;
    // The exit statuses of --help are those of README.md.
    const CliResult help = RunCli("--help");
    const std::string readme = ReadFile(std::string(MEMBRANE_EXAMPLES) + "/../README.md");
    for (const char* status : {"| 1 |", "| 5 |", "| 64 |"})
        EXPECT_NE(readme.find(status), std::string::npos);
    for (const char* text : {"1 files written, with warnings", "5 a file could not be read",
                             "64 wrong usage", "130/143"})
        EXPECT_NE(help.output.find(text), std::string::npos) << text << "\n" << help.output;
}

}  // namespace
}  // namespace membrane

namespace membrane {
namespace {

using namespace test;

// A 100 x 100 grid numbered at random: eliminated in the order of the numbers, its fill
// needs far more memory than the limits below allow. The guard, which takes the limits
// into account, ends the run as a solver failure with its message instead of an
// allocation failure deep in the elimination (or the out-of-memory killer).
std::string ShuffledGrid(const TempDir& dir) {
    ModelText grid = Grid(
        100, 99.0, [](double, double) { return 0.0; }, [](double, double) { return 0.0; });
    std::vector<int> numbers(100 * 100);
    for (std::size_t k = 0; k < numbers.size(); ++k) numbers[k] = static_cast<int>(k) + 1;
    std::shuffle(numbers.begin(), numbers.end(), std::mt19937(17));
    const auto renumber = [&](std::vector<std::string>& records, int from, int count) {
        for (std::string& record : records) {
            std::istringstream in(record);
            std::vector<std::string> fields{std::istream_iterator<std::string>(in), {}};
            for (int k = from; k < from + count; ++k)
                fields[k] = std::to_string(numbers[std::stoi(fields[k]) - 1]);
            record.clear();
            for (const std::string& field : fields) record += (record.empty() ? "" : " ") + field;
        }
    };
    renumber(grid.coordinates, 0, 1);
    renumber(grid.elements, 1, 3);
    renumber(grid.constraints, 0, 1);
    renumber(grid.initial, 0, 1);
    return grid.WriteTo(dir.File("SHUFFLED.DAT"));
}

// Under an address-space limit (ulimit -v) and under a control group's memory limit (a
// tree of the test's own with memory.max at its root, given by the seam
// MEMBRANE_CGROUP_ROOT): the same exit status and message, no file left behind.
TEST(HonestOutcomes, MemoryLimitEndsTheRunAsASolverFailure) {
    for (const bool cgroup : {false, true}) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        if (!cgroup) continue;  // a sanitizer's shadow memory does not fit under ulimit -v
#endif
        TempDir dir;
        const std::string path = ShuffledGrid(dir);
        std::string limit = "ulimit -v 1000000; ";
        if (cgroup) {
            std::filesystem::create_directories(dir.File("cgroup"));
            WriteFile(dir.File("cgroup/memory.max"), "200000000\n");
            limit = "MEMBRANE_CGROUP_ROOT=\"" + dir.File("cgroup") + "\" ";
        }
        const CliResult run =
            RunProgram("bash", "-c '" + limit + "exec \"" + std::string(MEMBRANE_CLI) +
                                   "\" run -q --solver elimination \"" + path + "\"'");
        EXPECT_EQ(run.status, 4) << run.output;
        EXPECT_NE(run.output.find("Matrix is too large for the built-in elimination"),
                  std::string::npos)
            << run.output;
        std::filesystem::remove_all(dir.File("cgroup"));
        EXPECT_FALSE(HasHiddenFiles(dir));
    }
}

}  // namespace
}  // namespace membrane

namespace membrane {
namespace {

// The desktop program learns of the warnings from the run itself: READY stays the
// results window's last line, and one message box after it names every warning.
TEST(HonestOutcomes, WarningsFollowReadyAsOneMessage) {
    test::ModelText model = test::SmallGrid();
    model.constraints.push_back("42");
    Settings settings;
    settings.maxIterations = 1;
    settings.accuracy = 0;
    test::RecordedRun run(model.Text(), settings);
    ASSERT_EQ(run.result.outcome, RunOutcome::Success);
    EXPECT_FALSE(run.result.converged);
    EXPECT_EQ(run.view.messages.back(), "READY, output to file : MODEL.OUT");
    ASSERT_FALSE(run.sink.messages.empty());
    EXPECT_EQ(run.sink.messages.back().caption, "Warnings");
    EXPECT_EQ(run.sink.messages.back().kind, MessageKind::Warning);
    EXPECT_EQ(run.sink.messages.back().text,
              "The files are written, but:\n"
              "- &CONSTR names node 42, which is not in &COORDINATES\n"
              "- the iteration limit (1) was reached before the accuracy test was met");
}

}  // namespace
}  // namespace membrane
