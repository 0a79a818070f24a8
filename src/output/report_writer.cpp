#include "output/report_writer.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <future>
#include <system_error>
#include <thread>
#include <vector>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"

namespace membrane {
namespace {

// The report's first part: its header and the echo of the model tables, which the Newton
// steps do not change. Stops between tables when `stop` is set.
void WriteReportTables(const RunState& state, const std::string& reportFileName, const std::string& path,
                       const std::atomic<bool>& stop) {
    const ModelObjects& m = state.model;
    if (auto file = TextFileWriter::Create(path)) {
        file->Line("OUTPUT FILE : " + ExtractFileName(reportFileName));
        file->Line();
        file->Close();
        if (m.nodes && !stop) m.nodes->EchoToReport(path);
        if (m.elements && !stop) m.elements->EchoToReport(path);
        if (m.constraints && !stop) m.constraints->EchoToReport(path);
        if (m.initial && !stop) m.initial->EchoToReport(path);
    }
}

// The rest of the report: the iteration count, the accuracy and the heights.
void WriteReportResults(const RunState& state, int iterationCount, const std::string& path, double accuracy) {
    const ModelObjects& m = state.model;
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Line();
        file->Line("number of iterations : " + FormatInt(iterationCount, 3) +
                   "     accurracy : " + FormatFixedWidth(accuracy, 12, 10));
        file->Line();
        file->Close();
    }
    if (m.heights) m.heights->EchoToReport(path);
}

// The node table lifted by the heights.
void LiftNodes(TCoorClass& nodes, const TdoubleList& heights) {
    for (NodeEntry& node : nodes.MutableNodes()) {
        const auto* height = heights.FindKey(node.number);
        if (height == nullptr) continue;
        node.z = node.z + height->value;
        if (std::fabs(node.z) < 1e-10) node.z = 0.0;
    }
}

// One third of each triangle's weight on each of its corners, added to `loads`.
void ComputeLoads(const TElemClass& elements, const std::vector<double>& areas, double weight, TdoubleList& loads) {
    const auto& all = elements.Elements();
    for (std::size_t e = 0; e < all.size(); ++e) {
        // One third of the triangle's weight on each corner, in extended precision.
        const double load = static_cast<double>(1.0L / 3.0L * static_cast<long double>(areas[e]) *
                                                static_cast<long double>(weight));
        for (std::int32_t node : elements.NodesOf(all[e])) {
            if (const auto* entry = loads.FindKey(node))
                loads.SetValue(node, entry->value + load);
            else
                loads.Add(node, load);
        }
    }
}

// The end of the truss model file, "[loads]" and "[supports]", rendered while the truss
// model file's thread writes the nodes and bars; and the loads themselves.
struct TrussTail {
    std::unique_ptr<TdoubleList> loads;
    std::string text;
};

TrussTail RenderTrussTail(const RunState& state) {
    const ModelObjects& m = state.model;
    TCoorClass lifted = *m.nodes;
    LiftNodes(lifted, *m.heights);
    // Every element's area on the lifted mesh, as ComputeMeshArea stores it.
    std::vector<double> areas;
    areas.reserve(m.elements->Elements().size());
    for (const ElementEntry& element : m.elements->Elements()) areas.push_back(m.elements->ElementArea(element, &lifted));
    TrussTail tail;
    tail.loads = m.trussLoads ? std::make_unique<TdoubleList>(*m.trussLoads) : std::make_unique<TdoubleList>();
    ComputeLoads(*m.elements, areas, state.settings.weight, *tail.loads);

    std::string& text = tail.text;
    text = "\r\n[loads]\r\n";
    int k = 0;
    for (const auto& entry : tail.loads->Entries()) {
        text += std::to_string(++k);
        text += '=';
        text += std::to_string(entry.key);
        text += "@z@";
        text += FormatGeneral(entry.value);
        text += "\r\n";
    }
    text += "\r\n\r\n[supports]\r\n";
    k = 0;
    for (const auto& entry : m.constraints->Entries()) {
        const std::string node = std::to_string(entry.value);
        for (const char* axis : {"@x", "@y", "@z"}) {
            text += std::to_string(++k);
            text += '=';
            text += node;
            text += axis;
            text += "\r\n";
        }
    }
    text += "\r\n";
    return tail;
}

// How far the truss model file got. It works on a copy of the node table, so that the
// report can be written from the model at the same time; the model takes over the lifted
// heights and the loads when both files are done (or, when the truss model file fails,
// as far as it got).
struct TrussOutcome {
    bool lifted = false;       // the lifted node table and the final area exist
    bool tailReached = false;  // the loads have been computed
    std::exception_ptr error;
};

// `tail` is read once `tailReady` is.
void WriteTruss(const RunState& state, const std::string& path, const std::string* barSection,
                const std::shared_future<void>& tailReady, const TrussTail& tail, TrussOutcome& outcome) {
    const ModelObjects& m = state.model;
    if (auto file = TextFileWriter::Create(path)) {
        file->Line("; data from BRIMEL.EXE");
        file->Line("; project :" + state.inputName);
        file->Line();
        file->Line("[properties]");
        file->Line("E=10000");
        file->Line("A=1");
        file->Line();
        file->Line("[barproperties]");
        file->Line("1=10000@1");
        file->Line();
        file->Close();
    }
    TCoorClass lifted = *m.nodes;
    LiftNodes(lifted, *m.heights);
    outcome.lifted = true;
    lifted.WriteTrussSection(path);
    if (barSection != nullptr) {
        if (!barSection->empty())
            if (auto file = TextFileWriter::OpenAppend(path)) {
                file->Write(*barSection);
                file->Close();
            }
    } else if (m.bars) {
        m.bars->WriteTrussSection(path);
    }
    tailReady.get();
    outcome.tailReached = true;
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Write(tail.text);
        file->Close();
    }
}

// The sections are appended by their owners, each opening the file by name and skipping
// itself silently when that fails. A run must not end as a success with no report at all,
// so the two files are created here first and a file that cannot be created is an
// input/output error of the run.
void CreateOrThrow(const AtomicFile& file) {
    if (!TextFileWriter::Create(file.TempPath()))
        throw IoError("cannot create " + file.Target() + ": " + std::strerror(errno));
}

bool Complete(const ModelObjects& m) { return m.nodes && m.elements && m.constraints && m.heights; }

}  // namespace

struct OutputFiles::Impl {
    Impl(const RunState& state, std::string reportFileName)
        : reportName(std::move(reportFileName)),
          report(reportName),
          truss(ChangeFileExt(state.inputName, ".TRS")) {}

    std::string reportName;
    AtomicFile report;
    AtomicFile truss;

    // What WriteAhead's thread has done, read only after it has been joined.
    std::thread ahead;
    std::atomic<bool> stop{false};
    bool reportCreated = false;
    bool tablesWritten = false;
    bool barsRendered = false;
    std::string barSection;
    std::exception_ptr aheadError;

    void Join() {
        if (ahead.joinable()) ahead.join();
    }
};

OutputFiles::OutputFiles(const RunState& state, const std::string& reportFileName)
    : impl_(std::make_unique<Impl>(state, reportFileName)) {}

OutputFiles::~OutputFiles() {
    impl_->stop = true;
    impl_->Join();
}

void OutputFiles::WriteAhead(const RunState& state) {
    Impl& f = *impl_;
    if (f.ahead.joinable() || f.tablesWritten) return;
    const auto work = [&f, &state] {
        try {
            CreateOrThrow(f.report);
            f.reportCreated = true;
            WriteReportTables(state, f.reportName, f.report.TempPath(), f.stop);
            f.tablesWritten = !f.stop;
            if (f.tablesWritten) f.report.SyncTemp();  // most of the report, on the disk before the end
            if (Complete(state.model) && state.model.bars && !f.stop) {
                f.barSection = state.model.bars->TrussSectionText();
                f.barsRendered = true;
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

void OutputFiles::Finish(RunState& state, int iterationCount, double accuracy) {
    Impl& f = *impl_;
    f.Join();
    // Written one after the other, nothing would follow a report that failed: its error
    // is the one to tell, and the model stays as it was.
    if (f.aheadError) std::rethrow_exception(f.aheadError);
    ModelObjects& m = state.model;
    if (!f.reportCreated) {
        CreateOrThrow(f.report);
        f.reportCreated = true;
    }

    // The truss model file needs nothing of the report: it is written on a second
    // thread at the same time, from copies of what it changes. Both threads only read
    // the model; neither touches the results view or the messages.
    const bool complete = Complete(m);
    TrussOutcome trussOutcome;
    TrussTail tail;
    std::promise<void> tailPromise;
    const std::shared_future<void> tailReady = tailPromise.get_future().share();
    const std::string* bars = f.barsRendered ? &f.barSection : nullptr;
    const auto writeTruss = [&state, &f, bars, &tailReady, &tail, &trussOutcome] {
        try {
            CreateOrThrow(f.truss);
            WriteTruss(state, f.truss.TempPath(), bars, tailReady, tail, trussOutcome);
        } catch (...) {
            trussOutcome.error = std::current_exception();
        }
    };
    std::thread trussThread;
    if (complete) {
        try {
            trussThread = std::thread(writeTruss);
        } catch (const std::system_error&) {
            // No second thread: the truss model file follows the report below.
        }
    }
    std::exception_ptr reportError;
    try {
        if (!f.tablesWritten) WriteReportTables(state, f.reportName, f.report.TempPath(), f.stop);
        WriteReportResults(state, iterationCount, f.report.TempPath(), accuracy);
    } catch (...) {
        reportError = std::current_exception();
    }
    // The end of the truss model file, while its thread writes the nodes and bars.
    try {
        if (complete) tail = RenderTrussTail(state);
        tailPromise.set_value();
    } catch (...) {
        tailPromise.set_exception(std::current_exception());
    }
    if (trussThread.joinable())
        trussThread.join();
    else if (complete && !reportError)
        writeTruss();

    // Written one after the other, the truss model file would not have been begun after
    // a failed report: the report's error is the one to tell, and the model stays as it
    // was. Otherwise the model takes over what the truss model file computed, as far as
    // it got.
    if (reportError) std::rethrow_exception(reportError);
    if (trussOutcome.lifted) {
        LiftNodes(*m.nodes, *m.heights);
        const double area = m.elements->ComputeMeshArea(m.nodes.get());
        if (state.view) state.view->SetFinalArea("Final surface : " + FormatFixed(area, 12, 3));
    }
    if (trussOutcome.tailReached) m.trussLoads = std::move(tail.loads);
    if (trussOutcome.error) std::rethrow_exception(trussOutcome.error);

    // Both files are complete: put them in place.
    if (f.report.TempExists()) f.report.Commit();
    if (complete && f.truss.TempExists()) f.truss.Commit();
}

void WriteOutput(RunState& state, int iterationCount, const std::string& reportFileName, double accuracy) {
    OutputFiles(state, reportFileName).Finish(state, iterationCount, accuracy);
}

}  // namespace membrane
