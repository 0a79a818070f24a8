// What a run may overwrite: only regular files the user may write, never the model file
// or another output of the same run; temporary files that nobody can plant or predict and
// that an interrupt removes; one run of a model at a time; names written without control
// characters; the boundary points file beside the model.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/file_names.h"
#include "common/text_file.h"
#include "heightfield/vrml_export.h"
#include "support/files.h"
#include "support/model_text.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;
namespace fs = std::filesystem;

bool HasHiddenFile(const TempDir& dir) {
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        if (entry.path().filename().string().front() == '.') return true;
    return false;
}

TEST(SafeFiles, TargetsThatAreNotReplaced) {
    struct Case {
        const char* name;
        std::function<std::string(const TempDir&)> prepare;  // gives the extra options
        std::string untouched;                               // a file that must stay as it was
    };
    const std::vector<Case> cases = {
        {"FIFO as picture",
         [](const TempDir& d) {
             ::mkfifo(d.File("PIC.svg").c_str(), 0600);
             return "--svg '" + d.File("PIC.svg") + "'";
         },
         ""},
        {"write-protected report",
         [](const TempDir& d) {
             WriteFile(d.File("TEST3.OUT"), "keep\r\n");
             ::chmod(d.File("TEST3.OUT").c_str(), 0444);
             return std::string();
         },
         "TEST3.OUT"},
        {"picture onto the report",
         [](const TempDir& d) { return "--svg '" + d.File("TEST3.OUT") + "'"; }, ""},
        {"picture onto the model",
         [](const TempDir& d) { return "--svg '" + d.File("TEST3.DAT") + "'"; }, "TEST3.DAT"},
        {"scene onto the model (a model named .wrl)",
         [](const TempDir& d) {
             fs::rename(d.File("TEST3.DAT"), d.File("TEST3.wrl"));
             return std::string("--vrml");
         },
         "TEST3.wrl"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CopyExample(dir);
        const std::string options = c.prepare(dir);
        const std::string model =
            Exists(dir.File("TEST3.DAT")) ? dir.File("TEST3.DAT") : dir.File("TEST3.wrl");
        const std::string before = c.untouched.empty() ? "" : ReadFile(dir.File(c.untouched));
        const CliResult run = RunCli("run '" + model + "' " + options);
        EXPECT_EQ(run.status, 5) << c.name << "\n" << run.output;
        EXPECT_NE(run.output.find("Output files: "), std::string::npos) << c.name << run.output;
        if (!c.untouched.empty()) {
            EXPECT_EQ(ReadFile(dir.File(c.untouched)), before) << c.name;
        }
        // Refused before anything was written.
        EXPECT_FALSE(Exists(dir.File("TEST3.TRS"))) << c.name;
        EXPECT_FALSE(Exists(dir.File("BNDRYPTS.txt"))) << c.name;
        EXPECT_FALSE(HasHiddenFile(dir)) << c.name;
    }
    TempDir dir;
    ::mkfifo(dir.File("PIC.svg").c_str(), 0600);
    CopyExample(dir);
    RunCli("run '" + dir.File("TEST3.DAT") + "' --svg '" + dir.File("PIC.svg") + "'");
    struct stat info {};
    ASSERT_EQ(::stat(dir.File("PIC.svg").c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    // The write-protected report keeps its mode.
    TempDir protectedDir;
    CopyExample(protectedDir);
    WriteFile(protectedDir.File("TEST3.OUT"), "keep\r\n");
    ::chmod(protectedDir.File("TEST3.OUT").c_str(), 0444);
    RunCli("run '" + protectedDir.File("TEST3.DAT") + "'");
    ASSERT_EQ(::stat(protectedDir.File("TEST3.OUT").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

TEST(SafeFiles, TemporaryNamesAreShortUnpredictableAndExclusive) {
    TempDir dir;
    AtomicFile first(dir.File("A.OUT")), second(dir.File("A.OUT"));
    auto a = first.Create();
    auto b = second.Create();
    ASSERT_TRUE(a && b);
    EXPECT_NE(first.TempPath(), second.TempPath());
    EXPECT_EQ(ExtractFilePath(first.TempPath()), dir.File(""));
    EXPECT_LE(ExtractFileName(first.TempPath()).size(), 14u);
    EXPECT_EQ(first.TempPath().find(std::to_string(::getpid())), std::string::npos);
    // A model name as long as a name may be: the temporary names are not longer.
    const std::string longName(250, 'm');
    CopyExample(dir);
    fs::rename(dir.File("TEST3.DAT"), dir.File(longName + ".DAT"));
    const CliResult run = RunCli("run -q '" + dir.File(longName + ".DAT") + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Exists(dir.File(longName + ".OUT")));
}

// A run caught while its files are being written ahead: the program stops itself at each
// Newton step (a seam of the command line, MEMBRANE_TEST_STOP_AT) until a temporary file
// is there; then the signal, and nothing may be left.
TEST(SafeFiles, SignalsRemoveTheTemporaryFiles) {
    for (const int signal : {SIGTERM, SIGINT}) {
        TempDir dir;
        ASSERT_EQ(RunCli("generate catenoid --nodes 3000 -q '" + dir.File("BIG.DAT") + "'").status,
                  0);
        const pid_t child = ::fork();
        if (child == 0) {
#ifdef __SANITIZE_THREAD__
            // The signal ends the process on purpose while the writer thread may be done
            // but not yet joined: not a leak worth a report (which would change the status).
            const char* options = std::getenv("TSAN_OPTIONS");
            const std::string withoutLeaks =
                std::string(options ? options : "") + " report_thread_leaks=0";
            ::setenv("TSAN_OPTIONS", withoutLeaks.c_str(), 1);
#endif
            ::setenv("MEMBRANE_TEST_STOP_AT", "ITERATION", 1);
            ::execl(MEMBRANE_CLI, MEMBRANE_CLI, "run", "--solver", "elimination", "--newton",
                    "pure", "--accuracy", "1e-30", "--max-iterations", "100",
                    dir.File("BIG.DAT").c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        bool caught = false;
        while (!caught && ::waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status)) {
            caught = HasHiddenFile(dir);  // the process stands still: what is there stays
            if (caught) ::kill(child, signal);
            ::kill(child, SIGCONT);
        }
        ASSERT_TRUE(caught) << "the run ended before a temporary file appeared";
        // A sanitizer's runtime may hold the signal back until the process calls into the
        // C library again, so it can stop at a progress line once more before its handler
        // runs: let it go on until it has ended.
        while (::waitpid(child, &status, WUNTRACED) == child && WIFSTOPPED(status))
            ::kill(child, SIGCONT);
        ASSERT_TRUE(WIFEXITED(status)) << signal;
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_FALSE(HasHiddenFile(dir)) << signal;
    }
}

// Whether process `pid` waits for a lock (the kernel's table of locks marks a waiter "->").
bool WaitsForALock(pid_t pid) {
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        std::istringstream fields(line);
        std::string number, arrow, kind, advisory, mode, owner;
        fields >> number >> arrow >> kind >> advisory >> mode >> owner;
        if (arrow == "->" && owner == std::to_string(pid)) return true;
    }
    return false;
}

// A run, or an import onto the model, waits while another run holds the model's lock.
TEST(SafeFiles, ASecondRunOfTheSameModelWaits) {
    for (const bool import : {false, true}) {
        SCOPED_TRACE(import ? "import" : "run");
        TempDir dir;
        const std::string model = CopyExample(dir);
        const std::string surface = dir.File("s.obj");
        WriteFile(surface, "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        const std::string before = ReadFile(model);
        const int fd = ::open(model.c_str(), O_RDONLY);
        ASSERT_EQ(::flock(fd, LOCK_EX), 0);  // as a first run holds it
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(fd);
            if (import)
                ::execl(MEMBRANE_CLI, MEMBRANE_CLI, "import", "-q", surface.c_str(), "-o",
                        model.c_str(), static_cast<char*>(nullptr));
            else
                ::execl(MEMBRANE_CLI, MEMBRANE_CLI, "run", "-q", model.c_str(),
                        static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Until the second run waits on the lock (or has ended without waiting: a fault).
        int status = 0;
        bool ended = false;
        while (!WaitsForALock(child) && !(ended = ::waitpid(child, &status, WNOHANG) == child))
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        EXPECT_FALSE(ended) << "the second run did not wait";
        EXPECT_FALSE(Exists(dir.File("TEST3.OUT")));
        EXPECT_EQ(ReadFile(model), before);
        ::close(fd);
        if (!ended) {
            ASSERT_EQ(::waitpid(child, &status, 0), child);
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(Exists(dir.File("TEST3.OUT")), !import);
        EXPECT_EQ(ReadFile(model) != before, import);
    }
}

// The temporary files of a writer killed outright: removed by the next run in their
// directory unless a live process holds them; other names are left alone.
TEST(SafeFiles, StaleTemporaryFilesAreRemovedByTheNextRun) {
    TempDir dir;
    const std::string model = CopyExample(dir);
    const std::vector<std::string> names = {".mbr0123456789", ".mbrabcdefghij", ".mbrTOOLONG0000",
                                            ".other"};
    for (const std::string& name : names) {
        WriteFile(dir.File(name), "left over");
        // Older than any process that looks at it.
        std::filesystem::last_write_time(
            dir.File(name), std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    }
    const int held = ::open(dir.File(".mbrabcdefghij").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);  // a live writer's
    ASSERT_EQ(RunCli("run -q '" + model + "'").status, 0);
    ::close(held);
    EXPECT_FALSE(Exists(dir.File(".mbr0123456789")));
    for (std::size_t k = 1; k < names.size(); ++k) EXPECT_TRUE(Exists(dir.File(names[k])));
}

TEST(SafeFiles, ControlCharactersInTheModelNameAreWrittenAsBlanks) {
    RecordedRun run(SmallGrid().Text(), {}, "A\nB\r[supports].DAT");
    ASSERT_EQ(run.result.outcome, RunOutcome::Success);
    const std::vector<std::string> truss = Lines(ReadFile(run.File("A\nB\r[supports].TRS")));
    ASSERT_GE(truss.size(), 2u);
    EXPECT_EQ(truss[1], "; project :" + run.File("A B [supports].DAT"));
    EXPECT_EQ(Lines(ReadFile(run.File("A\nB\r[supports].OUT")))[0],
              "OUTPUT FILE : A B [supports].OUT");
    EXPECT_NE(
        ReadFile(run.File("BNDRYPTS.txt")).find("- model   : " + run.File("A B [supports].DAT")),
        std::string::npos);
}

TEST(SafeFiles, BoundaryPointsBesideTheModelAndNamed) {
    TempDir dir, elsewhere;
    const std::string model = CopyExample(dir);
    const CliResult run = RunCli("run '" + model + "'", elsewhere.Path().string());
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(Exists(dir.File("BNDRYPTS.txt")));
    EXPECT_NE(run.output.find("boundary     : " + dir.File("BNDRYPTS.txt")), std::string::npos)
        << run.output;
}

}  // namespace
}  // namespace membrane

namespace membrane {
namespace {

// "Show" in the desktop program writes the scene of a loaded model: not over the model.
TEST(SafeFiles, SceneIsNotWrittenOverAModelNamedWrl) {
    TempDir dir;
    const std::string model = SmallGrid().WriteTo(dir.File("DOME.wrl"));
    const std::string before = ReadFile(model);
    RecordingMessageSink sink;
    const RunResult loaded = LoadModelOnly(RunRequest(model, Settings{}), sink);
    ASSERT_EQ(loaded.outcome, RunOutcome::Success);
    EXPECT_EQ(ExportVrml(*loaded.model, nullptr, VrmlOptions{}, sink),
              VrmlExportResult::NotCreated);
    EXPECT_EQ(ReadFile(model), before);
    ASSERT_FALSE(sink.messages.empty());
    EXPECT_EQ(sink.messages.back().text,
              model + ": is the model file itself; it is not overwritten");
}

}  // namespace
}  // namespace membrane
