// Output files are replaced whole or not at all: when the directory cannot be written or
// a write fails half-way, the run ends as an input/output error, the files of the previous
// run (report, truss model, boundary points, scene) stay as they were and no temporary
// file is left behind.
//
// Root writes through any permission bits, so an unwritable directory is made with a
// small tmpfs mounted read-only, and a full disk with a tmpfs filled to the last byte;
// both are skipped where mounting is not allowed. A file size limit (RLIMIT_FSIZE) gives
// a failing write without any of that.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>

#include "common/text_file.h"
#include "heightfield/vrml_export.h"
#include "support/file_size_limit.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

std::string GridModel() {
    return SmallGrid().Text();
}

const char* const kOutputNames[] = {"MODEL.OUT", "MODEL.TRS", "MODEL.wrl", "BNDRYPTS.txt"};

// A directory holding a model and the outputs of an earlier run, each with recognisable
// old contents.
class PreviousRun {
  public:
    explicit PreviousRun(std::filesystem::path dir) : dir_(std::move(dir)) {
        WriteFile(Model(), GridModel());
        for (const char* name : kOutputNames) {
            old_[name] = std::string("old ") + name + "\r\n";
            WriteFile(File(name), old_[name]);
        }
    }
    std::string File(const std::string& name) const { return (dir_ / name).string(); }
    std::string Model() const { return File("MODEL.DAT"); }

    void ExpectOldOutputsAndNoTemporaryFiles() const {
        for (const auto& [name, text] : old_) EXPECT_EQ(ReadFile(File(name)), text) << name;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            const std::string name = entry.path().filename().string();
            EXPECT_NE(name.front(), '.') << name;  // no temporary file
        }
    }

  private:
    std::filesystem::path dir_;
    std::map<std::string, std::string> old_;
};

struct OutputRun {
    RecordingMessageSink sink;
    RecordingView view;
    RunResult result;

    OutputRun(const std::string& model, const std::string& boundaryPointsPath) : model_(model) {
        result = RunModel(RunRequest{model, Settings{}, boundaryPointsPath}, sink, &view);
    }
    // "Show" after the run: the scene of the model as it stands (as loaded without a run
    // when the run refused its outputs before reading it).
    VrmlExportResult Scene() {
        if (!result.model) {
            RecordingMessageSink ignored;
            result.model = LoadModelOnly(RunRequest(model_, Settings{}), ignored).model;
        }
        return ExportVrml(*result.model, result.solution.get(), VrmlOptions{}, sink);
    }
    std::string model_;
};

// A tmpfs of `size` mounted on a fresh directory, unmounted again at the end.
class SmallTmpfs {
  public:
    explicit SmallTmpfs(const std::string& size) : point_(holder_.File("mnt")) {
        std::filesystem::create_directory(point_);
        mounted_ = ::mount("tmpfs", point_.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
    }
    ~SmallTmpfs() {
        if (mounted_) ::umount2(point_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount(nullptr, point_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    std::filesystem::path Path() const { return point_; }

  private:
    TempDir holder_;
    std::string point_;
    bool mounted_ = false;
};

// Fills the file system holding `path` up to the last byte.
void FillUp(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::setvbuf(f, nullptr, _IONBF, 0);
    const std::string block(4096, 'f');
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size()) {
    }
    while (std::fputc('f', f) != EOF) {
    }
    std::fclose(f);
}

TEST(OutputAtomicity, ReadOnlyDirectoryIsAnOutputFailureAndKeepsThePreviousFiles) {
    SmallTmpfs fs("1m");
    if (!fs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    PreviousRun previous(fs.Path());
    ASSERT_TRUE(fs.MakeReadOnly());

    OutputRun run(previous.Model(), previous.File("BNDRYPTS.txt"));
    EXPECT_EQ(run.result.outcome, RunOutcome::OutputFailure);
    EXPECT_EQ(run.result.solution, nullptr);
    ASSERT_EQ(run.sink.messages.size(), 1u);
    // Found before anything is written.
    EXPECT_EQ(run.sink.messages[0].caption, "Output files");
    EXPECT_EQ(run.sink.messages[0].text,
              previous.File("MODEL.OUT") + ": Read-only file system; it is not replaced");
    EXPECT_EQ(run.view.messages.back(), "ERRORS reported output file refused");

    EXPECT_EQ(run.Scene(), VrmlExportResult::NotCreated);
    previous.ExpectOldOutputsAndNoTemporaryFiles();
}

// A read-only folder found only when the files are written: the membrane is computed and
// kept; the command line exits 5 and still exports it to a writable place.
TEST(OutputAtomicity, ReadOnlyFolderKeepsTheMembraneAndItsExport) {
    SmallTmpfs fs("1m");
    if (!fs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::string model = (fs.Path() / "MODEL.DAT").string();
    WriteFile(model, GridModel());
    ASSERT_TRUE(fs.MakeReadOnly());
    TempDir elsewhere;

    OutputRun run(model, "");
    EXPECT_EQ(run.result.outcome, RunOutcome::OutputFailure);
    EXPECT_EQ(run.result.reason, kFilesNotWrittenReason);
    ASSERT_NE(run.result.solution, nullptr);
    EXPECT_FALSE(run.view.finalArea.empty());
    ASSERT_FALSE(run.sink.messages.empty());
    EXPECT_NE(run.sink.messages.back().text.find("Read-only file system"), std::string::npos);

    const CliResult cli = RunCli("run '" + model + "' --export '" + elsewhere.File("m.obj") + "'");
    EXPECT_EQ(cli.status, 5);
    EXPECT_NE(cli.output.find(std::string("ERRORS reported ") + kFilesNotWrittenReason),
              std::string::npos);
    EXPECT_TRUE(Exists(elsewhere.File("m.obj")));
}

TEST(OutputAtomicity, FullDiskIsAnOutputFailureAndKeepsThePreviousFiles) {
    SmallTmpfs fs("256k");
    if (!fs.Mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
    PreviousRun previous(fs.Path());
    TempDir elsewhere;
    FillUp(previous.File("filler"));

    // The boundary points file goes elsewhere, so the load succeeds and the report fails.
    OutputRun run(previous.Model(), elsewhere.File("BNDRYPTS.txt"));
    EXPECT_EQ(run.result.outcome, RunOutcome::OutputFailure);
    ASSERT_EQ(run.sink.messages.size(), 1u);
    EXPECT_EQ(run.sink.messages[0].caption, "Input/output error");
    EXPECT_NE(run.sink.messages[0].text.find("No space left on device"), std::string::npos);
    EXPECT_TRUE(Exists(elsewhere.File("BNDRYPTS.txt")));
    EXPECT_EQ(run.Scene(), VrmlExportResult::WriteFailed);

    // The boundary points file on the full disk: the load itself fails.
    OutputRun load(previous.Model(), previous.File("BNDRYPTS.txt"));
    EXPECT_EQ(load.result.outcome, RunOutcome::OutputFailure);
    EXPECT_FALSE(load.result.modelLoaded);

    std::filesystem::remove(previous.File("filler"));
    previous.ExpectOldOutputsAndNoTemporaryFiles();
}

TEST(OutputAtomicity, WriteFailingHalfWayKeepsThePreviousFiles) {
    TempDir dir;
    PreviousRun previous(dir.Path());
    RunResult result;
    RecordingMessageSink sink;
    VrmlExportResult scene;
    {
        FileSizeLimit limit;
        OutputRun run(previous.Model(), previous.File("BNDRYPTS.txt"));
        scene = run.Scene();
        result = run.result;
        sink = run.sink;
    }
    // The boundary points file (a few hundred bytes) fits; the report does not.
    EXPECT_EQ(result.outcome, RunOutcome::OutputFailure);
    ASSERT_GE(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].caption, "Input/output error");
    EXPECT_NE(sink.messages[0].text.find("File too large"), std::string::npos);
    EXPECT_EQ(scene, VrmlExportResult::WriteFailed);
    EXPECT_NE(ReadFile(previous.File("BNDRYPTS.txt")).find("&CONSTRAINTS 8 "), std::string::npos);
    WriteFile(previous.File("BNDRYPTS.txt"), "old BNDRYPTS.txt\r\n");
    previous.ExpectOldOutputsAndNoTemporaryFiles();
}

// When the truss model file cannot be written (a directory has its name), that is the
// run's error, found before anything is written: neither file is replaced.
TEST(OutputAtomicity, TrussFileThatCannotBeCreatedKeepsThePreviousFiles) {
    TempDir dir;
    PreviousRun previous(dir.Path());
    TempDir elsewhere;
    const std::string truss = previous.File("MODEL.TRS");
    const std::string old = ReadFile(truss);
    std::filesystem::remove(truss);
    std::filesystem::create_directory(truss);
    WriteFile(truss + "/keep", "x");

    OutputRun run(previous.Model(), elsewhere.File("BNDRYPTS.txt"));
    EXPECT_EQ(run.result.outcome, RunOutcome::OutputFailure);
    ASSERT_EQ(run.sink.messages.size(), 1u);
    EXPECT_EQ(run.sink.messages[0].text, truss + ": is a directory, not a file to write");
    EXPECT_TRUE(run.view.finalArea.empty());
    EXPECT_EQ(run.result.solution, nullptr);

    std::filesystem::remove_all(truss);
    WriteFile(truss, old);
    previous.ExpectOldOutputsAndNoTemporaryFiles();
}

// The truss model file's bar section is written ahead into a scratch file beside it: a
// successful run leaves no such file, and where none can be made (a directory has the
// scratch file's name) the section is held in memory and the truss model file is the same.
TEST(OutputAtomicity, SuccessfulRunLeavesNoScratchFileAndTheSameTrussFileWithoutOne) {
    TempDir dir;
    PreviousRun previous(dir.Path());
    const std::string truss = previous.File("MODEL.TRS");
    OutputRun first(previous.Model(), previous.File("BNDRYPTS.txt"));
    ASSERT_EQ(first.result.outcome, RunOutcome::Success);
    const std::string written = ReadFile(truss);
    EXPECT_NE(written.find("[elements]"), std::string::npos);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path();

    std::filesystem::create_directory(truss + ".bars");
    WriteFile(truss, "old\r\n");
    OutputRun second(previous.Model(), previous.File("BNDRYPTS.txt"));
    EXPECT_EQ(second.result.outcome, RunOutcome::Success);
    EXPECT_EQ(ReadFile(truss), written);
}

// A file (or a link) already there under the next temporary name is neither opened nor
// changed: the writer takes the name after it.
TEST(OutputAtomicity, FilePlantedUnderTheTemporaryNameIsLeftAlone) {
    TempDir dir;
    WriteFile(dir / ".mbrplanted01", "planted\n");
    std::filesystem::create_symlink(dir / "victim", dir / ".mbrplanted02");
    WriteFile(dir / "victim", "victim\n");
    int call = 0;
    AtomicFile::SetTempLettersForTesting(
        [&call] { return std::string("planted0") + std::to_string(++call); });
    {
        AtomicFile file(dir / "OUT.txt");
        auto writer = file.Create();
        ASSERT_TRUE(writer) << file.Error();
        EXPECT_EQ(file.TempPath(), dir / ".mbrplanted03");
        writer->Write("new\n");
        writer->Close();
        file.Commit();
    }
    AtomicFile::SetTempLettersForTesting(nullptr);
    EXPECT_EQ(ReadFile(dir / ".mbrplanted01"), "planted\n");
    EXPECT_EQ(ReadFile(dir / "victim"), "victim\n");
    EXPECT_EQ(ReadFile(dir / "OUT.txt"), "new\n");
}

}  // namespace
}  // namespace membrane
