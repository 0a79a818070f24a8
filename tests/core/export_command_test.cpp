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

}  // namespace
}  // namespace membrane
