// Whole runs through the command-line program, both solvers: the report, the truss model
// file, the boundary points file and what the program prints, against the stored files in
// tests/data/runs (see the README there): byte for byte for the built-in elimination, to
// round-off in the last digits for sparse Cholesky.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/files.h"
#include "support/golden.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

struct GoldenCase {
    std::string name;   // the model file is NAME.DAT
    std::string model;  // where it comes from
    std::string options;
};

std::vector<GoldenCase> Cases() {
    return {
        {"TEST3", MEMBRANE_EXAMPLES "/TEST3.DAT", ""},
        {"GAPS", DataFile("runs/GAPS.DAT"), "--weight 2.5 --accuracy 1e-6"},
        {"HOLE", DataFile("runs/HOLE.DAT"), ""},
    };
}

// The run's directory and time as the stored files write them.
std::string Normalized(std::string text, const TempDir& dir) {
    text = Replace(text, dir.Path().string() + "/", "<DIR>/");
    return std::regex_replace(text, std::regex("- created : [^\r\n]*"), "- created : <TIME>");
}

class GoldenRun : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenRun, FilesAndOutputAsStored) {
    const std::string solver = GetParam();
    for (const GoldenCase& c : Cases()) {
        SCOPED_TRACE(c.name + " " + solver);
        TempDir dir;
        // The boundary points file goes beside the program: a copy of it in the directory.
        std::filesystem::copy_file(MEMBRANE_CLI, dir.File("membrane"));
        std::filesystem::copy_file(c.model, dir.File(c.name + ".DAT"));
        const CliResult run =
            RunProgram(dir.File("membrane"), "run '" + dir.File(c.name + ".DAT") + "' --solver " +
                                                 solver + " " + c.options);
        const std::string& output = run.output;
        // GAPS holds a node and starts a height of nodes that are not in its node table:
        // its files are written, with warnings.
        EXPECT_EQ(run.status, c.name == "GAPS" ? 1 : 0) << output;

        const std::string stored = "runs/" + c.name + "/";
        // The built-in elimination gives the same bits on every machine; sparse Cholesky
        // sums in the order of the processor's BLAS kernels.
        const GoldenMatch match = solver == "cholmod" ? GoldenMatch::RoundOff : GoldenMatch::Exact;
        ExpectGolden(stored + solver + "/stdout.txt", Normalized(output, dir), match);
        for (const char* extension : {".OUT", ".TRS"})
            ExpectGolden(stored + solver + "/" + c.name + extension,
                         Normalized(ReadFile(dir.File(c.name + extension)), dir), match);
        ExpectGolden(stored + "BNDRYPTS.txt", Normalized(ReadFile(dir.File("BNDRYPTS.txt")), dir));
    }
}

INSTANTIATE_TEST_SUITE_P(Solvers, GoldenRun, ::testing::Values("elimination", "cholmod"));

}  // namespace
}  // namespace membrane
