// The report of a form-finding run as the user reads it, against a stored copy: the
// square with edge cables (100 nodes) run through the command line to an accuracy of
// 1e-10 m, so that every printed digit of its tables is settled. The lines that tell how
// the iteration went (counts, the last movement, what round-off left over) are set aside:
// they differ in their last digits with the processor's BLAS.
#include <gtest/gtest.h>

#include <regex>

#include "support/files.h"
#include "support/golden.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

TEST(FormReport, TablesAsStored) {
    TempDir dir;
    const std::string model = dir.File("square.toml");
    ASSERT_EQ(RunCli("generate form-cable-square --nodes 100 -q '" + model + "'").status, 0);
    const CliResult run = RunCli("form -q --accuracy 1e-10 '" + model + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    std::string report = ReadFile(dir.File("square.form.txt"));
    report = Replace(report, dir.Path().string() + "/", "<DIR>/");
    report = std::regex_replace(report, std::regex("converged in [0-9]+ iterations"),
                                "converged in <N> iterations");
    report = std::regex_replace(
        report, std::regex("\n  (largest movement|residual|the stresses are|with exactly)[^\n]*"),
        "");
    report = report.substr(0, report.find("\r\nITERATIONS"));
    ExpectGolden("form/square.form.txt", report, GoldenMatch::RoundOff);
}

}  // namespace
}  // namespace membrane
