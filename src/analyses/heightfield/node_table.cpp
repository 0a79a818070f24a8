#include "heightfield/node_table.h"

#include <algorithm>

#include "heightfield/field_reader.h"
#include "heightfield/table_reading.h"

namespace membrane {

const NodeEntry* NodeTable::Find(std::int32_t number) const {
    const std::int32_t position = index_.Find(number);
    return position == KeyIndex::kNone ? nullptr : &nodes_[position];
}

void NodeTable::Add(std::int32_t number, double x, double y) {
    PlanExtent& e = extent_;
    if (nodes_.empty()) {
        e.xMin = e.xMax = x;
        e.yMin = e.yMax = y;
    } else {
        if (x > e.xMax) e.xMax = x;
        if (x < e.xMin) e.xMin = x;
        if (y > e.yMax) e.yMax = y;
        if (y < e.yMin) e.yMin = y;
    }
    index_.Set(number, static_cast<std::int32_t>(nodes_.size()));
    nodes_.push_back(NodeEntry{number, x, y});
    maxNumber_ = std::max(maxNumber_, number);
}

NodeTable NodeTable::Read(std::string_view modelText, MessageSink& messages) {
    NodeTable table;
    TextStream stream(modelText, messages);
    const auto count = OpenTable(stream, "&COORDINATES");
    if (!count) return table;
    RecordGuard guard(stream, "&COORDINATES", *count);
    for (std::int32_t i = 1; i <= *count; ++i) {
        if (!guard.FieldAvailable()) break;
        const std::int32_t number = ReadInteger(stream);
        if (!guard.FieldAvailable()) break;
        const double x = ReadReal(stream);
        if (!guard.FieldAvailable()) break;
        const double y = ReadReal(stream);
        table.Add(number, x, y);
        guard.RecordDone();
    }
    return table;
}

}  // namespace membrane
