#include "output/report_writer.h"

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
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

// How far the truss model file got, and what it computed on the way: the node table
// lifted by the heights and the truss loads. It works on copies, so that the report can
// be written from the model at the same time; the model takes over the results when both
// files are done (or when the truss model file fails, as far as it got).
struct TrussOutcome {
    bool lifted = false;                 // the lifted node table and the final area exist
    std::unique_ptr<TdoubleList> loads;  // the truss loads, once computed
    std::exception_ptr error;
};

void WriteTruss(const RunState& state, const std::string& path, const std::string* barSection,
                TrussOutcome& outcome) {
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
    // Every element's area on the lifted mesh, as ComputeMeshArea stores it.
    std::vector<double> areas;
    areas.reserve(m.elements->Elements().size());
    for (const ElementEntry& element : m.elements->Elements()) areas.push_back(m.elements->ElementArea(element, &lifted));
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

    auto loads = m.trussLoads ? std::make_unique<TdoubleList>(*m.trussLoads) : std::make_unique<TdoubleList>();
    ComputeLoads(*m.elements, areas, state.settings.weight, *loads);
    const TdoubleList& computed = *loads;
    outcome.loads = std::move(loads);
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Line();
        file->Line("[loads]");
        int k = 0;
        for (const auto& entry : computed.Entries())
            file->Line(std::to_string(++k) + "=" + std::to_string(entry.key) + "@z@" + FormatGeneral(entry.value));
        file->Line();
        file->Close();
    }
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Line();
        file->Line("[supports]");
        int k = 0;
        for (const auto& entry : m.constraints->Entries()) {
            const std::string node = std::to_string(entry.value);
            file->Line(std::to_string(++k) + "=" + node + "@x");
            file->Line(std::to_string(++k) + "=" + node + "@y");
            file->Line(std::to_string(++k) + "=" + node + "@z");
        }
        file->Line();
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
    const std::string* bars = f.barsRendered ? &f.barSection : nullptr;
    const auto writeTruss = [&state, &f, bars, &trussOutcome] {
        try {
            CreateOrThrow(f.truss);
            WriteTruss(state, f.truss.TempPath(), bars, trussOutcome);
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
    if (trussThread.joinable())
        trussThread.join();
    else if (complete && !reportError)
        writeTruss();

    // Otherwise the model takes over what the truss model file computed, as far as it
    // got.
    if (reportError) std::rethrow_exception(reportError);
    if (trussOutcome.lifted) {
        LiftNodes(*m.nodes, *m.heights);
        const double area = m.elements->ComputeMeshArea(m.nodes.get());
        if (state.view) state.view->SetFinalArea("Final surface : " + FormatFixed(area, 12, 3));
    }
    if (trussOutcome.loads) m.trussLoads = std::move(trussOutcome.loads);
    if (trussOutcome.error) std::rethrow_exception(trussOutcome.error);

    // Both files are complete: put them in place.
    if (f.report.TempExists()) f.report.Commit();
    if (complete && f.truss.TempExists()) f.truss.Commit();
}

void WriteOutput(RunState& state, int iterationCount, const std::string& reportFileName, double accuracy) {
    OutputFiles(state, reportFileName).Finish(state, iterationCount, accuracy);
}

}  // namespace membrane
