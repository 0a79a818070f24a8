#include "heightfield/output_files.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <future>
#include <system_error>
#include <thread>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/text_file.h"
#include "heightfield/report_format.h"
#include "heightfield/truss_format.h"

namespace membrane {
namespace {

// A run must not end as a success with no report at all: a file that cannot be created is
// an input/output error of the run.
std::unique_ptr<TextFileWriter> CreateOrThrow(AtomicFile& file) {
    auto writer = file.Create();
    if (!writer) throw IoError("cannot create " + file.Error());
    return writer;
}

// Appends the whole of the file at `path` to `out`.
void CopyInto(TextSink& out, const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
    if (!in) throw IoError("cannot read " + path + ": " + std::strerror(errno));
    std::string chunk(1 << 20, '\0');
    while (const std::size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get()))
        out.Write(std::string_view(chunk.data(), got));
    if (std::ferror(in.get())) throw IoError("cannot read " + path);
}

}  // namespace

struct OutputFiles::Impl {
    Impl(std::shared_ptr<const Model> m, const std::string& stem)
        : model(std::move(m)),
          reportName(ChangeFileExt(stem.empty() ? model->fileName : stem, ".OUT")),
          trussName(ChangeFileExt(stem.empty() ? model->fileName : stem, ".TRS")),
          report(std::make_unique<AtomicFile>(reportName)),
          truss(std::make_unique<AtomicFile>(trussName)),
          barsAhead(trussName + ".bars") {}

    std::shared_ptr<const Model> model;
    std::string reportName, trussName;
    // Handed to the run's output set when complete (Finish).
    std::unique_ptr<AtomicFile> report;
    std::unique_ptr<AtomicFile> truss;
    // The bar section rendered ahead goes to a scratch file beside the truss model file's
    // (never put in place, removed with this object): at a million nodes it is some 100 MB
    // of text that would otherwise be held in memory through every factorization.
    AtomicFile barsAhead;
    std::unique_ptr<TextFileWriter> reportFile;

    // What WriteAhead's thread has done, read only after it has been joined.
    std::thread ahead;
    std::atomic<bool> stop{false};
    bool tablesWritten = false;
    bool barsOnDisk = false;
    std::exception_ptr aheadError;

    void Join() {
        if (ahead.joinable()) ahead.join();
    }

    void WriteTruss(const Solution& solution, const std::shared_future<std::string>& tail) {
        auto file = CreateOrThrow(*truss);
        RenderTrussHeader(*file, model->fileName);
        RenderTrussNodes(*file, model->nodes, solution.liftedZ);
        if (barsOnDisk)
            CopyInto(*file, barsAhead.TempPath());
        else
            RenderTrussBars(*file, model->bars);
        file->Write(tail.get());
        file->Close();
    }
};

OutputFiles::OutputFiles(std::shared_ptr<const Model> model, const std::string& stem)
    : impl_(std::make_unique<Impl>(std::move(model), stem)) {}

OutputFiles::~OutputFiles() {
    impl_->stop = true;
    impl_->Join();
}

const std::string& OutputFiles::ReportFileName() const {
    return impl_->reportName;
}
const std::string& OutputFiles::TrussFileName() const {
    return impl_->trussName;
}

void OutputFiles::WriteAhead() {
    Impl& f = *impl_;
    if (f.ahead.joinable() || f.tablesWritten) return;
    const auto work = [&f] {
        try {
            f.reportFile = CreateOrThrow(*f.report);
            RenderReportTables(*f.reportFile, *f.model, f.reportName, f.stop);
            f.tablesWritten = !f.stop;
            if (f.tablesWritten) {
                // Most of the report, on the disk before the run ends.
                f.reportFile->Flush();
                f.report->SyncTemp();
            }
            if (f.stop) return;
            // Without a scratch file beside the target (its directory refuses one more
            // file), the bars are rendered straight into the truss model file at the end.
            if (auto scratch = f.barsAhead.Create()) {
                RenderTrussBars(*scratch, f.model->bars);
                scratch->Close();
                f.barsOnDisk = true;
            }
        } catch (...) {
            f.aheadError = std::current_exception();
        }
    };
    try {
        f.ahead = std::thread(work);
    } catch (const std::system_error&) {
        // No second thread: Finish writes everything.
    }
}

void OutputFiles::Finish(const Solution& solution, double accuracy, double weight) {
    OutputSet files;
    Finish(solution, accuracy, weight, files);
    files.Commit();
}

void OutputFiles::Finish(const Solution& solution, double accuracy, double weight,
                         OutputSet& files) {
    Impl& f = *impl_;
    f.Join();
    // Written one after the other, nothing would follow a report that failed: its error
    // is the one to tell.
    if (f.aheadError) std::rethrow_exception(f.aheadError);
    if (!f.reportFile) f.reportFile = CreateOrThrow(*f.report);

    // The truss model file needs nothing of the report: it is written on a second thread
    // at the same time, while this one renders its last sections. Both threads only read
    // the model and the solution.
    std::promise<std::string> tailPromise;
    const std::shared_future<std::string> tail = tailPromise.get_future().share();
    std::exception_ptr trussError;
    const auto writeTruss = [&f, &solution, &tail, &trussError] {
        try {
            f.WriteTruss(solution, tail);
        } catch (...) {
            trussError = std::current_exception();
        }
    };
    std::thread trussThread;
    try {
        trussThread = std::thread(writeTruss);
    } catch (const std::system_error&) {
        // No second thread: the truss model file follows the report below.
    }
    std::exception_ptr reportError;
    try {
        if (!f.tablesWritten) RenderReportTables(*f.reportFile, *f.model, f.reportName, f.stop);
        RenderReportResults(*f.reportFile, solution.iterations, accuracy, solution.heights);
        f.reportFile->Close();
    } catch (...) {
        reportError = std::current_exception();
    }
    try {
        StringSink text;
        RenderTrussLoadsAndSupports(text,
                                    TrussLoads(f.model->elements, solution.elementAreas, weight),
                                    f.model->constraints);
        tailPromise.set_value(text.Take());
    } catch (...) {
        tailPromise.set_exception(std::current_exception());
    }
    if (trussThread.joinable())
        trussThread.join();
    else if (!reportError)
        writeTruss();

    if (reportError) std::rethrow_exception(reportError);
    if (trussError) std::rethrow_exception(trussError);
    // Both files are complete: the set puts them in place, with the run's other files.
    files.Add(std::move(f.report));
    files.Add(std::move(f.truss));
}

}  // namespace membrane
