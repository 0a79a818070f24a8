// A form-finding run through the run shell: results that are not finite numbers are no
// success and write no file; the three result files are written all or none when the disk
// fills; a model file that cannot be read and option values that are no finite numbers end
// with the exit statuses of README.md.
#include "form/form_run.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "form/form_generator.h"
#include "form/form_model_writer.h"
#include "support/file_size_limit.h"
#include "support/files.h"
#include "support/recording.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

bool AnyResultFile(const TempDir& dir) {
    for (const std::string& name : FileNames(dir.Path()))
        if (name.find(".form.") != std::string::npos || name.find("shape") == 0) return true;
    return false;
}

// Figures that overflow in the run: no exit status of a success, no file with them in it
// (exit status 2 where the reader bounds the value already, 3 where the run finds it).
TEST(FormRun, ResultsThatAreNotFiniteAreNoSuccess) {
    struct Case {
        const char* name;
        FormModel model;
    };
    FormModel cap = GenerateCapForm({5.0, 2.0, 1e300}, 100);
    FormModel cable = GenerateCableSquareForm({10.0, 2.0, 1e305}, 100);
    FormModel prestress = GenerateCapForm({5.0, 1e300, 0.5}, 100);
    for (const auto& [name, model] : {Case{"pressure 1e300", cap}, Case{"cable force 1e305", cable},
                                      Case{"prestress 1e300", prestress}}) {
        TempDir dir;
        WriteFormModelFiles(model, dir.File("m.toml"));
        const CliResult run =
            RunCli("form '" + dir.File("m.toml") + "' --export '" + dir.File("shape.obj") + "'");
        EXPECT_TRUE(run.status == 2 || run.status == 3) << name << "\n" << run.output;
        EXPECT_FALSE(AnyResultFile(dir)) << name;
    }
}

// The disk fills up after the report: neither it nor the other two replace the files of
// the run before, the message names the file and not its temporary stand-in, and the shape
// found is still handed on.
TEST(FormRun, FilesAreWrittenAllOrNoneWhenTheDiskFills) {
    TempDir dir;
    WriteFormModelFiles(GenerateCableSquareForm({}, 100), dir.File("m.toml"));
    RecordingMessageSink sink;
    FormRequest before;
    before.modelFileName = dir.File("m.toml");
    before.maxIterations = 2;
    before.textResults = true;  // a results file larger than the report
    ASSERT_EQ(RunForm(before, sink).outcome, RunOutcome::Success);
    std::vector<std::string> old;
    for (const char* file : {"m.form.txt", "m.form.vtu", "m.form.msh"})
        old.push_back(ReadFile(dir.File(file)));
    ASSERT_LT(old[0].size(), 12000u);  // the report fits below the limit, the rest not
    ASSERT_GT(old[1].size(), 12000u);

    FormRequest request;
    request.modelFileName = dir.File("m.toml");
    request.textResults = true;
    RecordingMessageSink messages;
    FormRunResult result;
    {
        const FileSizeLimit limit(12000);
        result = RunForm(request, messages);
    }
    EXPECT_EQ(result.outcome, RunOutcome::OutputFailure);
    EXPECT_EQ(result.reason, "the shape is computed, but its files could not be written");
    ASSERT_TRUE(result.solution);
    EXPECT_TRUE(result.solution->converged);
    EXPECT_TRUE(result.reportFile.empty());
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string& text = messages.messages[0].text;
    EXPECT_NE(text.find(dir.File("m.form.vtu")), std::string::npos) << text;
    EXPECT_EQ(text.find(".mbr"), std::string::npos) << text;
    EXPECT_EQ(ReadFile(dir.File("m.form.txt")), old[0]);
    EXPECT_EQ(ReadFile(dir.File("m.form.vtu")), old[1]);
    EXPECT_EQ(ReadFile(dir.File("m.form.msh")), old[2]);
    EXPECT_EQ(FileNames(dir.Path()).size(), 5u) << "a temporary file is left";
}

TEST(FormCommand, ExitStatuses) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo.toml").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.File("dir.toml"));
    WriteFormModelFiles(GenerateCableSquareForm({}, 25), dir.File("m.toml"));
    const std::string model = "'" + dir.File("m.toml") + "' ";
    struct Case {
        std::string arguments;
        int status;
        std::string said;  // in the output
    };
    const std::vector<Case> cases = {
        {"'" + dir.File("absent.toml") + "'", 5, "Inputfile not found"},
        {"'" + dir.File("fifo.toml") + "'", 5, "(a FIFO, not a regular file)"},
        {"'" + dir.File("dir.toml") + "'", 5, "(a directory, not a regular file)"},
        {"/dev/zero", 5, "(a character device, not a regular file)"},
        {"'" + dir.File("absent.DAT") + "' --prestress 2", 5, "Inputfile not found"},
        {model + "--accuracy nan", 64, "--accuracy"},
        {model + "--accuracy inf", 64, "--accuracy"},
        {model + "--accuracy -1", 64, "--accuracy"},
        {model + "--accuracy 0", 64, "--accuracy"},
        {model + "--accuracy 1e400", 64, "--accuracy"},
        {model + "--prestress nan", 64, "--prestress"},
        {model + "--prestress 0", 64, "--prestress"},
        {model + "--prestress -2", 64, "--prestress"},
        {model + "--max-iterations 0", 64, "--max-iterations"},
        {model + "--max-iterations 1.5", 64, "--max-iterations"},
    };
    for (const Case& c : cases) {
        // A model that hangs the reader would hang the test: the shell ends it.
        const CliResult run = RunProgram(
            "timeout", "20 '" + std::string(MEMBRANE_CLI) + "' form " + c.arguments + " -q");
        EXPECT_EQ(run.status, c.status) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.said), std::string::npos) << c.arguments << "\n" << run.output;
        // A range is named briefly, not as the largest double in full.
        EXPECT_LT(run.output.size(), 300u) << c.arguments << "\n" << run.output;
    }
    EXPECT_FALSE(AnyResultFile(dir));
}

}  // namespace
}  // namespace membrane
