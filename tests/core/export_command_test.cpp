// "membrane export" as the user meets it: the membrane of the report that belongs to the
// model, a warning for heights that are not converged, a progress line and a time for
// every file, and the exit status of each way it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/files.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

TEST(ExportCommand, OnlyTheModelsOwnConvergedReport) {
    TempDir dir;
    const std::string model = CopyExample(dir);
    const std::string obj = dir.File("m.obj");
    ASSERT_EQ(RunCli("run -q '" + model + "'").status, 0);
    const CliResult fresh = RunCli("export '" + model + "' '" + obj + "' --timings");
    EXPECT_EQ(fresh.status, 0) << fresh.output;
    EXPECT_NE(fresh.output.find("writing      : " + obj + " ...\nsurface      : " + obj + "\n"),
              std::string::npos)
        << fresh.output;
    EXPECT_NE(fresh.output.find(" s  " + obj + "\n"), std::string::npos) << fresh.output;

    // Stopped at the iteration limit: written, with a warning.
    ASSERT_EQ(RunCli("run -q '" + model + "' --max-iterations 2").status, 1);
    std::filesystem::remove(dir.File("BNDRYPTS.txt"));  // the run's; the export writes none
    const CliResult unconverged = RunCli("export -q '" + model + "' '" + obj + "'");
    EXPECT_EQ(unconverged.status, 1) << unconverged.output;
    EXPECT_NE(unconverged.output.find("TEST3.OUT are not converged"), std::string::npos)
        << unconverged.output;

    // The model changed after its run: the report's heights are another model's.
    namespace fs = std::filesystem;
    fs::last_write_time(model,
                        fs::last_write_time(dir.File("TEST3.OUT")) + std::chrono::seconds(2));
    fs::remove(obj);
    const CliResult stale = RunCli("export -q '" + model + "' '" + obj + "'");
    EXPECT_EQ(stale.status, 2) << stale.output;
    EXPECT_NE(stale.output.find("TEST3.OUT (written "), std::string::npos) << stale.output;
    EXPECT_NE(stale.output.find(") is older than its model " + model + " (changed "),
              std::string::npos)
        << stale.output;
    EXPECT_FALSE(Exists(obj));

    // A file that cannot be read: 5, as for every command.
    fs::remove(dir.File("TEST3.OUT"));
    EXPECT_EQ(RunCli("export -q '" + model + "' '" + obj + "'").status, 5);
    EXPECT_EQ(RunCli("export -q '" + dir.File("absent.DAT") + "' '" + obj + "'").status, 5);
    EXPECT_FALSE(Exists(dir.File("BNDRYPTS.txt")));
}

// A report edited or damaged, and targets that are the export's own inputs: refused before
// anything is written, the inputs unchanged.
TEST(ExportCommand, RefusesHarmfulReportsAndTargets) {
    struct Case {
        const char* what;
        std::string solution;  // replaces the report's "&SOLUTION" table when not empty
        std::string target;    // a link of this name to the report when it ends in ".obj"
        int status;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"count beyond reason", "&SOLUTION 99999999999999999\r\n0.0\r\n", "m.obj", 2,
         "holds no computed heights"},
        {"height not a number", "", "m.obj", 2, "which is not a number"},
        {"the report as target", "", "report.obj", 5, "is the model or its report"},
        {"the model as target", "", "TEST3.obj", 5, "is the model or its report"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::string model = CopyExample(dir);
        if (c.target == "TEST3.obj") {
            std::filesystem::rename(model, dir.File("TEST3.obj"));
            model = dir.File("TEST3.obj");
        }
        ASSERT_EQ(RunCli("run -q '" + model + "'").status, 0);
        std::string report = ReadFile(dir.File("TEST3.OUT"));
        const std::size_t table = report.find("\n&SOLUTION ") + 1;
        if (!c.solution.empty())
            report = report.substr(0, table) + c.solution;
        else if (c.target == "m.obj") {  // the first height
            const std::size_t line = report.find("\n", table) + 1;
            report.replace(line, report.find("\r", line) - line, "  nan");
        }
        WriteFile(dir.File("TEST3.OUT"), report);
        std::filesystem::last_write_time(
            dir.File("TEST3.OUT"),
            std::filesystem::last_write_time(model) + std::chrono::seconds(1));
        if (c.target == "report.obj")
            std::filesystem::create_symlink("TEST3.OUT", dir.File(c.target));
        const std::string modelBytes = ReadFile(model);
        const std::vector<std::string> before = FileNames(dir.Path());
        const CliResult result = RunCli("export -q '" + model + "' '" + dir.File(c.target) + "'");
        EXPECT_EQ(result.status, c.status) << result.output;
        EXPECT_NE(result.output.find(c.message), std::string::npos) << result.output;
        EXPECT_EQ(FileNames(dir.Path()), before);
        EXPECT_EQ(ReadFile(model), modelBytes);
        EXPECT_EQ(ReadFile(dir.File("TEST3.OUT")), report);
    }
}

}  // namespace
}  // namespace membrane
