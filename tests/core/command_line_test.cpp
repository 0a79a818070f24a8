// The command-line program as a user meets it: the progress lines and the summary, and
// the exit status of every way a run ends.
#include <gtest/gtest.h>

#include "support/files.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

TEST(CommandLine, ProgressSummaryAndQuiet) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    const CliResult ok = RunCli("run '" + path + "' --solver elimination");
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_EQ(ok.output.rfind(
                  "Open " + path + "\nITERATION 1 : Assemble\nITERATION 1 : Elimination\n", 0),
              0u)
        << ok.output;
    EXPECT_NE(
        ok.output.find("READY, output to file : TEST3.OUT\n\nmodel        : " + path +
                       "\nsolver       : elimination\noutcome      : converged\n"
                       "nodes        : 137\ntriangles    : 220\n"
                       "bars         : 356\niterations   : 4\nflat area    : 1408.206759\n"
                       "final area   : 1703.144525\nreport       : " +
                       dir.File("TEST3.OUT") + "\ntruss model  : " + dir.File("TEST3.TRS") + "\n"),
        std::string::npos)
        << ok.output;
    const CliResult quiet = RunCli("run --quiet '" + path + "'");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output, "");
}

TEST(CommandLine, ExitStatusOfEveryOutcome) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    const CliResult missing = RunCli("run '" + dir.File("absent.DAT") + "'");
    EXPECT_EQ(missing.status, 5) << missing.output;
    EXPECT_NE(missing.output.find(
                  "Read Coordinates From File: Inputfile not found: " + dir.File("absent.DAT") +
                  " (No such file or directory)\nerror in input\n"),
              std::string::npos)
        << missing.output;
    EXPECT_NE(missing.output.find("ERRORS reported input errors"), std::string::npos);

    // A free node started far above its held neighbours: the full Newton step blows up,
    // and the message says what helps.
    ModelText poor = SmallGrid();
    poor.initial[4] = "5 100000";
    const std::string poorPath = poor.WriteTo(dir.File("POOR.DAT"));
    const CliResult diverged = RunCli("run --newton pure '" + poorPath + "'");
    EXPECT_EQ(diverged.status, 3) << diverged.output;
    EXPECT_NE(diverged.output.find("ERRORS reported iteration 1, solution to infinity: try the "
                                   "line search: --newton damped, or Newton step in the settings"),
              std::string::npos)
        << diverged.output;
    EXPECT_FALSE(Exists(dir.File("POOR.OUT")));
    EXPECT_EQ(RunCli("run --newton fast '" + poorPath + "'").status, 64);
    // By default the run starts again with a line search, and --history shows where.
    const CliResult recovered = RunCli("run --history '" + poorPath + "'");
    EXPECT_EQ(recovered.status, 0) << recovered.output;
    EXPECT_NE(recovered.output.find("solution to infinity: starting again with a line search\n"
                                    "HARMONIC START : Elimination\n"),
              std::string::npos)
        << recovered.output;
    EXPECT_NE(recovered.output.find("iteration     largest du    smallest du    step"),
              std::string::npos);
    // The example's first two steps, column by column (the elimination gives the same bits
    // on every machine): the largest increment first, then the smallest.
    const TempDir exampleDir;
    const CliResult example =
        RunCli("run -q --history --solver elimination '" + CopyExample(exampleDir) + "'");
    EXPECT_NE(
        example.output.find("        1   5.505994e-12  -5.932969e+00  1.0000        1707.89992\n"
                            "        2   1.864873e+00  -9.293542e-13  1.0000       1703.160474\n"),
        std::string::npos)
        << example.output;
    EXPECT_NE(recovered.output.find(
                  "(started again from the harmonic start, with a line search)\n        1 "),
              std::string::npos)
        << recovered.output;

    // From the arches' ruled surface the full steps overshoot: auto starts again at the
    // first that raises the area, and the summary counts the steps of both phases.
    const std::string arches = dir.File("arches.DAT");
    std::filesystem::copy_file(std::string(MEMBRANE_EXAMPLES) + "/arches.DAT", arches);
    const CliResult restarted = RunCli("run '" + arches + "'");
    EXPECT_EQ(restarted.status, 0) << restarted.output;
    EXPECT_NE(restarted.output.find("\niteration 3 raised the area: starting again with a line "
                                    "search\nHARMONIC START : "),
              std::string::npos)
        << restarted.output;
    EXPECT_NE(restarted.output.find("\niterations   : 3 after a restart, 3 before\n"),
              std::string::npos);

    // The only held node is in no triangle: the system is singular, for either solver.
    ModelText singular;
    singular.coordinates = {"1 0 0", "2 1 0", "3 0 1", "4 5 5"};
    singular.elements = {"1 1 2 3"};
    singular.constraints = {"4"};
    singular.initial = {"1 0", "2 0", "3 0"};
    singular.WriteTo(dir.File("SINGULAR.DAT"));
    for (const char* solver : {"elimination", "cholmod"}) {
        const CliResult failed =
            RunCli("run '" + dir.File("SINGULAR.DAT") + "' --solver " + solver);
        EXPECT_EQ(failed.status, 4) << failed.output;
        EXPECT_NE(failed.output.find("Matrix has a row dependance. \n"), std::string::npos)
            << failed.output;
    }

    // The report cannot be put in place: a directory has its name.
    std::filesystem::create_directory(dir.File("TEST3.OUT"));
    EXPECT_EQ(RunCli("run -q '" + path + "'").status, 5);

    EXPECT_EQ(RunCli("").status, 64);
    EXPECT_EQ(RunCli("run").status, 64);
    EXPECT_EQ(RunCli("run '" + path + "' --accuracy -1").status, 64);
    EXPECT_EQ(RunCli("run '" + path + "' --max-iterations -3").status, 64);
    EXPECT_EQ(RunCli("run '" + path + "' --solver fast").status, 64);
}

// Each command's help ends with the exit statuses of that command.
TEST(CommandLine, EachCommandsHelpHasItsOwnExitTable) {
    const std::vector<std::pair<std::string, std::string>> commands = {
        {"run", "Exit status: 0 converged, no warnings;"},
        {"import", "Exit status: 0 model file written;"},
        {"export", "Exit status: 0 every file written; 1 written, but the report's heights"},
        {"generate", "Exit status: 0 model file and sidecar written;"},
        {"vrml", "Exit status: 0 scene written (and opened);"},
        {"form", "Exit status: 0 converged, no warnings; 1 files written, with warnings (the"},
    };
    for (const auto& [command, table] : commands) {
        const CliResult help = RunCli(command + " --help");
        EXPECT_EQ(help.status, 0);
        EXPECT_NE(help.output.find(table), std::string::npos) << help.output;
        EXPECT_EQ(help.output.find("Exit status"), help.output.rfind("Exit status")) << command;
    }
}

TEST(CommandLine, EverySceneOptionWritesTheScene) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    for (const char* option : {"--scale 2", "--numbering", "--no-axes", "--undeformed", "--vrml"}) {
        std::filesystem::remove(dir.File("TEST3.wrl"));
        const CliResult run = RunCli("run -q '" + path + "' " + option);
        EXPECT_EQ(run.status, 0) << option << run.output;
        EXPECT_TRUE(Exists(dir.File("TEST3.wrl"))) << option;
    }
}

}  // namespace
}  // namespace membrane
