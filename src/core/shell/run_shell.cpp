#include "shell/run_shell.h"

#include <cctype>
#include <optional>

#include "common/file_lock.h"
#include "common/file_names.h"
#include "common/io_error.h"
#include "common/stopwatch.h"
#include "shell/peak_memory.h"
#include "shell/run_boundary.h"

namespace membrane {
namespace {

class Shell {
  public:
    Shell(const RunFrame& frame, RunRecord& record, MessageSink& messages, RunView* view)
        : frame_(frame), record_(record), messages_(messages), view_(view) {}

    void Run(const MakeAnalysisRun& make) {
        if (!frame_.modelFile.empty()) Progress("Open " + frame_.modelFile);
        std::unique_ptr<AnalysisRun> run;
        std::optional<RunFailure> failure;
        try {
            const FileLock lock(frame_.modelFile, [this] {
                Progress("waiting for another run of this model to end");
            });
            run = make();
            found_ = run->Found();
            Sequence(*run);
        } catch (...) {
            failure = CurrentFailure();
        }
        if (failure && run) run->Withdraw();
        // The analysis's objects (a factor of gigabytes, threads, temporary files) are
        // gone before the user reads a message.
        run.reset();
        if (failure) {
            Fail(failure->outcome, failure->reason);
            messages_.Show(failure->text, MessageKind::Error, failure->caption);
        } else if (pending_) {
            messages_.Show(*pending_);
        }
        record_.timings.peakMemoryMb = PeakMemoryMb();
        if (!frame_.loadOnly) Conclude();
    }

  private:
    void Sequence(AnalysisRun& run) {
        const bool writes = frame_.writeFiles && !frame_.loadOnly;
        if (writes && Refused(run)) return;
        Stopwatch clock;
        const LoadResult loaded = run.Load();
        record_.timings.load = clock.Seconds();
        if (loaded != LoadResult::Loaded)
            return Fail(loaded == LoadResult::Unreadable ? RunOutcome::OutputFailure
                                                         : RunOutcome::InputErrors,
                        "input errors");
        if (frame_.loadOnly) {
            record_.outcome = RunOutcome::Success;
            return;
        }
        if (writes && Refused(run)) return;
        run.Compute();
        if (record_.outcome == RunOutcome::Success) {
            FiniteFigures figures;
            run.ListFigures(figures);
            if (!figures.AllFinite()) {
                run.Withdraw();
                return Fail(RunOutcome::Diverged,
                            "the results are not finite numbers: " + figures.FirstNotFinite());
            }
        }
        run.Publish();
        if (record_.outcome == RunOutcome::Success && writes) Write(run);
    }

    bool Refused(const AnalysisRun& run) {
        const std::string refused = RefusedOutputs(run.Files());
        if (refused.empty()) return false;
        pending_ = UserMessage{"Output files", refused, MessageKind::Error, {}};
        Fail(RunOutcome::OutputFailure, "output file refused");
        return true;
    }

    // The results stay handed on when their files cannot be written: nothing computed is
    // lost (the caller may still export them, or write the files elsewhere).
    void Write(AnalysisRun& run) {
        Stopwatch clock;
        try {
            OutputSet files;
            run.Write(files);
            files.Commit();
            run.Written(files);
        } catch (const IoError& error) {
            pending_ = UserMessage{"Input/output error", error.what(), MessageKind::Error, {}};
            record_.reportFile.clear();
            Fail(RunOutcome::OutputFailure,
                 found_ + " is computed, but its files could not be written");
        }
        record_.timings.write += clock.Seconds();
    }

    void Conclude() {
        const bool success = record_.outcome == RunOutcome::Success;
        if (success)
            Progress(record_.reportFile.empty()
                         ? "READY"
                         : "READY, output to file : " + ExtractFileName(record_.reportFile));
        else
            Progress("ERRORS reported " + record_.reason);
        if (!success || record_.warnings.empty()) return;
        std::string text = "The files are written, but:";
        if (record_.reportFile.empty()) {
            text = found_ + " is found, but:";
            text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        }
        for (const std::string& warning : record_.warnings) text += "\n- " + warning;
        messages_.Show(text, MessageKind::Warning, "Warnings");
    }

    void Fail(RunOutcome outcome, std::string reason) {
        record_.outcome = outcome;
        record_.reason = std::move(reason);
    }

    void Progress(const std::string& text) {
        if (view_) view_->ShowMessage(text);
    }

    const RunFrame& frame_;
    RunRecord& record_;
    MessageSink& messages_;
    RunView* view_;
    std::string found_ = "the results";
    // The message of a run the shell ended itself, shown once the analysis's objects are
    // gone.
    std::optional<UserMessage> pending_;
};

}  // namespace

void RunInShell(const RunFrame& frame, const MakeAnalysisRun& make, RunRecord& record,
                MessageSink& messages, RunView* view) {
    Shell(frame, record, messages, view).Run(make);
}

}  // namespace membrane
