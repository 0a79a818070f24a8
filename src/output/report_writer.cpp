#include "output/report_writer.h"

#include <cerrno>
#include <cmath>
#include <cstring>

#include "common/file_names.h"
#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/value_lists.h"

namespace membrane {
namespace {

void WriteReport(RunState& state, int iterationCount, const std::string& reportFileName,
                 const std::string& path, double accuracy) {
    ModelObjects& m = state.model;
    if (auto file = TextFileWriter::Create(path)) {
        file->Line("OUTPUT FILE : " + ExtractFileName(reportFileName));
        file->Line();
        file->Close();
        if (m.nodes) m.nodes->EchoToReport(path);
        if (m.elements) m.elements->EchoToReport(path);
        if (m.constraints) m.constraints->EchoToReport(path);
        if (m.initial) m.initial->EchoToReport(path);
    }
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Line();
        file->Line("number of iterations : " + FormatInt(iterationCount, 3) +
                   "     accurracy : " + FormatFixedWidth(accuracy, 12, 10));
        file->Line();
        file->Close();
    }
    if (m.heights) m.heights->EchoToReport(path);
}

void LiftNodes(ModelObjects& m) {
    for (NodeEntry& node : m.nodes->MutableNodes()) {
        const auto* height = m.heights->FindKey(node.number);
        if (height == nullptr) continue;
        node.z = node.z + height->value;
        if (std::fabs(node.z) < 1e-10) node.z = 0.0;
    }
}

void ComputeLoads(ModelObjects& m, double weight) {
    if (!m.trussLoads) m.trussLoads = std::make_unique<TdoubleList>();
    TdoubleList& loads = *m.trussLoads;
    for (const ElementEntry& element : m.elements->Elements()) {
        // One third of the triangle's weight on each corner, in extended precision.
        const double load = static_cast<double>(1.0L / 3.0L * static_cast<long double>(element.area) *
                                                static_cast<long double>(weight));
        for (std::int32_t node : m.elements->NodesOf(element)) {
            if (const auto* entry = loads.FindKey(node))
                loads.SetValue(node, entry->value + load);
            else
                loads.Add(node, load);
        }
    }
}

void WriteTruss(RunState& state, const std::string& path) {
    ModelObjects& m = state.model;
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
    LiftNodes(m);
    const double area = m.elements->ComputeMeshArea(m.nodes.get());
    if (state.view) state.view->SetFinalArea("Final surface : " + FormatFixed(area, 12, 3));
    m.nodes->WriteTrussSection(path);
    if (m.bars) m.bars->WriteTrussSection(path);

    ComputeLoads(m, state.settings.weight);
    if (auto file = TextFileWriter::OpenAppend(path)) {
        file->Line();
        file->Line("[loads]");
        int k = 0;
        for (const auto& entry : m.trussLoads->Entries())
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

}  // namespace

void WriteOutput(RunState& state, int iterationCount, const std::string& reportFileName, double accuracy) {
    ModelObjects& m = state.model;
    AtomicFile report(reportFileName);
    CreateOrThrow(report);
    WriteReport(state, iterationCount, reportFileName, report.TempPath(), accuracy);

    const bool complete = m.nodes && m.elements && m.constraints && m.heights;
    AtomicFile truss(ChangeFileExt(state.inputName, ".TRS"));
    if (complete) CreateOrThrow(truss);
    if (complete) WriteTruss(state, truss.TempPath());

    // Both files are complete: put them in place.
    if (report.TempExists()) report.Commit();
    if (complete && truss.TempExists()) truss.Commit();
}

}  // namespace membrane
