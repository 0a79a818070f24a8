// The bundled example model, run end to end, and the command-line runner on it.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"
#include "solver/iteration.h"
#include "test_support.h"

namespace membrane {
namespace {

using test::Lines;
using test::ReadFile;
using test::RecordingView;
using test::TempDir;

std::string CopyExample(const TempDir& dir) {
    const std::string path = dir.File("TEST3.DAT");
    std::filesystem::copy_file(MEMBRANE_EXAMPLES "/TEST3.DAT", path);
    return path;
}

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return lines.size();
}

TEST(ExampleModel, RunsEndToEnd) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    RunState state;
    RecordingMessageSink sink;
    RecordingView view;
    state.messages = &sink;
    state.view = &view;
    state.boundaryPointsPath = dir.File("BNDRYPTS.txt");
    const RunResult result = RunModel(state, path, state.settings.accuracy);
    ASSERT_EQ(result.outcome, RunOutcome::Success);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(state.model.nodes->Count(), 137);
    EXPECT_EQ(state.model.elements->Count(), 220);
    EXPECT_EQ(state.model.constraints->Count(), 53);
    EXPECT_EQ(state.model.initial->Count(), 137);
    EXPECT_GE(result.iterations, 1);
    EXPECT_EQ(view.messages.back(), "READY, output to file : TEST3.OUT");
    EXPECT_GE(result.finalArea, result.flatArea);  // lifting never shrinks a triangle

    const std::vector<std::string> report = Lines(ReadFile(dir.File("TEST3.OUT")));
    ASSERT_GT(report.size(), 2u);
    EXPECT_EQ(report[0], "OUTPUT FILE : TEST3.OUT");
    EXPECT_EQ(report[1], "");
    char iterationLine[80];
    std::snprintf(iterationLine, sizeof iterationLine, "number of iterations : %3d     accurracy : 0.0010000000",
                  result.iterations);
    const std::size_t at = IndexOf(report, iterationLine);
    ASSERT_LT(at, report.size());
    EXPECT_EQ(report[at - 1], "");
    EXPECT_EQ(report[at + 1], "");
    EXPECT_EQ(report[at + 2], "&SOLUTION 137 ");
    EXPECT_EQ(report.size(), at + 3 + 137 + 1);
    const std::regex value(R"(   [ -]\d\.\d{14}E[+-]\d{4})");
    for (std::size_t i = at + 3; i < at + 3 + 137; ++i) EXPECT_TRUE(std::regex_match(report[i], value)) << report[i];
    EXPECT_LT(IndexOf(report, "&COORDINATES  137 "), IndexOf(report, "&ELEMENTS  220 "));
    EXPECT_LT(IndexOf(report, "&ELEMENTS  220 "), IndexOf(report, "&CONSTR 53 "));
    EXPECT_LT(IndexOf(report, "&CONSTR 53 "), IndexOf(report, "&INITIAL 137 "));
    EXPECT_LT(IndexOf(report, "&INITIAL 137 "), at);

    const std::vector<std::string> truss = Lines(ReadFile(dir.File("TEST3.TRS")));
    std::vector<std::size_t> sections;
    for (const char* s : {"[properties]", "[barproperties]", "[coordinates]", "[elements]", "[loads]", "[supports]"})
        sections.push_back(IndexOf(truss, s));
    for (std::size_t k = 1; k < sections.size(); ++k) EXPECT_LT(sections[k - 1], sections[k]) << k;
    EXPECT_EQ(sections[3] - sections[2], 1u + 137 + 1);                      // nodes and an empty line
    EXPECT_EQ(sections[4] - sections[3], 1u + state.model.bars->Count() + 2);  // bars, two empty lines
    EXPECT_EQ(truss.size(), sections[5] + 1 + 3 * 53 + 1);
    EXPECT_EQ(truss[sections[5] + 1].rfind("1=", 0), 0u);
    EXPECT_EQ(truss[sections[5] + 3 * 53].rfind("159=", 0), 0u);

    // Boundary points: ascending, once each, as a constraint table.
    const std::vector<std::string> boundary = Lines(ReadFile(dir.File("BNDRYPTS.txt")));
    ASSERT_GE(boundary.size(), 8u);
    EXPECT_EQ(boundary[0], "TEXT FILE");
    EXPECT_EQ(boundary[3], "- model   : " + path);
    const std::int32_t count = state.model.boundaryNodes->Count();
    EXPECT_GT(count, 3);
    EXPECT_EQ(boundary[6], "&CONSTRAINTS " + std::to_string(count) + " ");
    ASSERT_EQ(boundary.size(), 7u + count);
    int previous = 0;
    for (std::size_t i = 7; i < boundary.size(); ++i) {
        ASSERT_EQ(boundary[i].rfind("   ", 0), 0u);
        const int node = std::stoi(boundary[i].substr(3));
        EXPECT_GT(node, previous);
        previous = node;
    }
}

struct CliResult {
    int status = -1;
    std::string output;
};

CliResult RunCli(const std::string& arguments) {
    CliResult result;
    const std::string command = std::string("'") + MEMBRANE_CLI + "' " + arguments + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int raw = ::pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

TEST(CommandLine, ExitStatusesAndSummary) {
    TempDir dir;
    const std::string path = CopyExample(dir);
    const CliResult ok = RunCli("run '" + path + "'");
    EXPECT_EQ(ok.status, 0) << ok.output;
    EXPECT_NE(ok.output.find("Open " + path + "\n"), std::string::npos) << ok.output;
    EXPECT_NE(ok.output.find("ITERATION 1 : Assemble\n"), std::string::npos);
    EXPECT_NE(ok.output.find("READY, output to file : TEST3.OUT\n"), std::string::npos);
    EXPECT_NE(ok.output.find("nodes        : 137\n"), std::string::npos);
    EXPECT_NE(ok.output.find("triangles    : 220\n"), std::string::npos);
    EXPECT_NE(ok.output.find("report       : " + dir.File("TEST3.OUT") + "\n"), std::string::npos);
    EXPECT_NE(ok.output.find("truss model  : " + dir.File("TEST3.TRS") + "\n"), std::string::npos);
    EXPECT_TRUE(test::Exists(dir.File("TEST3.OUT")));

    const CliResult quiet = RunCli("run --quiet '" + path + "'");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.output, "");

    const CliResult missing = RunCli("run '" + dir.File("absent.DAT") + "'");
    EXPECT_EQ(missing.status, 2) << missing.output;
    EXPECT_NE(missing.output.find("Read Coordinates From File: Inputfile not found"), std::string::npos);
    EXPECT_NE(missing.output.find("ERRORS reported input errors"), std::string::npos);

    // A free node started far above its held neighbours: the Newton step blows up.
    test::ModelText poor;
    poor.coordinates = {"1 0 0", "2 2 0", "3 2 2", "4 0 2", "5 1 1"};
    poor.elements = {"1 1 2 5", "2 2 3 5", "3 3 4 5", "4 4 1 5"};
    poor.constraints = {"1", "2", "3", "4"};
    poor.initial = {"1 0", "2 0", "3 0", "4 0", "5 100000"};
    test::WriteFile(dir.File("POOR.DAT"), poor.Text());
    const CliResult diverged = RunCli("run '" + dir.File("POOR.DAT") + "'");
    EXPECT_EQ(diverged.status, 3) << diverged.output;
    EXPECT_NE(diverged.output.find("ERRORS reported iteration 1, solution to infinity"), std::string::npos)
        << diverged.output;
    EXPECT_FALSE(test::Exists(dir.File("POOR.OUT")));

    EXPECT_EQ(RunCli("").status, 64);
    EXPECT_EQ(RunCli("run").status, 64);
    EXPECT_EQ(RunCli("run '" + path + "' --accuracy -1").status, 64);
}

}  // namespace
}  // namespace membrane
