#include "model/coor_table.h"

#include <algorithm>

#include "common/file_names.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "model/field_reader.h"
#include "model/table_reading.h"

namespace membrane {

TCoorClass::TCoorClass(bool readNow, std::string modelFileName, MessageSink* messages)
    : modelFileName_(std::move(modelFileName)),
      reportFileName_(ChangeFileExt(modelFileName_, ".OUT")),
      trussFileName_(ChangeFileExt(modelFileName_, ".TRS")) {
    if (readNow) {
        NullMessageSink quiet;
        ReadTable(messages != nullptr ? *messages : quiet);
    }
}

const NodeEntry* TCoorClass::FindNode(std::int32_t number) const {
    const std::int32_t position = index_.Find(number);
    return position == KeyIndex::kNone ? nullptr : &nodes_[position];
}

NodeEntry* TCoorClass::FindNode(std::int32_t number) {
    const std::int32_t position = index_.Find(number);
    return position == KeyIndex::kNone ? nullptr : &nodes_[position];
}

std::int32_t TCoorClass::Add(std::int32_t number, double x, double y, double z) {
    if (nodes_.empty()) {
        xMin = xMax = x;
        yMin = yMax = y;
    } else {
        if (x > xMax) xMax = x;
        if (x < xMin) xMin = x;
        if (y > yMax) yMax = y;
        if (y < yMin) yMin = y;
    }
    index_.Set(number, static_cast<std::int32_t>(nodes_.size()));
    nodes_.push_back(NodeEntry{number, x, y, z});
    maxNumber_ = std::max(maxNumber_, number);
    return maxNumber_;
}

bool TCoorClass::ReadTable(MessageSink& messages) {
    auto table = OpenTable(modelFileName_, "&COORDINATES", messages,
                           {"Read Coordinates From File", "Inputfile not found", MessageKind::Error});
    if (!table) return false;
    TextStream* stream = table->stream.get();
    const std::int32_t n = table->count;
    RecordGuard guard(*stream, "&COORDINATES", n);
    for (std::int32_t i = 1; i <= n; ++i) {
        if (!guard.FieldAvailable()) break;
        const std::int32_t number = ReadInteger(*stream);
        if (!guard.FieldAvailable()) break;
        const double x = ReadReal(*stream);
        if (!guard.FieldAvailable()) break;
        const double y = ReadReal(*stream);
        Add(number, x, y, 0.0);
        guard.RecordDone();
    }
    return true;
}

bool TCoorClass::EchoToReport(const std::string& path) const {
    if (nodes_.empty()) return false;
    auto file = TextFileWriter::OpenAppend(path);
    if (!file) return false;
    file->Line("&COORDINATES  " + std::to_string(nodes_.size()) + " ");
    for (const NodeEntry& node : nodes_)
        file->Line("   NODE " + FormatInt(node.number, 4) + " " + FormatScientific(node.x) + " " +
                   FormatScientific(node.y) + " " + FormatScientific(node.z));
    file->Line();
    file->Close();
    return true;
}

bool TCoorClass::WriteTrussSection(const std::string& path) const {
    if (nodes_.empty()) return false;
    auto file = TextFileWriter::OpenAppend(path);
    if (!file) return false;
    file->Line("[coordinates]");
    for (const NodeEntry& node : nodes_)
        file->Line(std::to_string(node.number) + "=" + FormatGeneral(node.x) + "@" +
                   FormatGeneral(node.y) + "@" + FormatGeneral(node.z));
    file->Line();
    file->Close();
    return true;
}

}  // namespace membrane
