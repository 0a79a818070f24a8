#include "heightfield/element_table.h"

#include <algorithm>

#include "heightfield/field_reader.h"
#include "heightfield/table_reading.h"

namespace membrane {

const ElementEntry* ElementTable::Find(std::int32_t number) const {
    const std::int32_t position = index_.Find(number);
    return position == KeyIndex::kNone ? nullptr : &elements_[position];
}

void ElementTable::Add(std::int32_t number, std::int32_t type,
                       std::span<const std::int32_t> nodes) {
    const auto position = static_cast<std::int32_t>(elements_.size());
    elements_.push_back(ElementEntry{number, type, static_cast<std::uint32_t>(nodes_.size()),
                                     static_cast<std::uint32_t>(nodes.size())});
    nodes_.insert(nodes_.end(), nodes.begin(), nodes.end());
    index_.Set(number, position);
    maxNumber_ = std::max(maxNumber_, number);
}

void ElementTable::Reserve(std::size_t elements, std::size_t nodes) {
    elements_.reserve(elements);
    nodes_.reserve(nodes);
}

ElementTable ElementTable::Read(std::string_view modelText, MessageSink& messages) {
    ElementTable table;
    TextStream stream(modelText, messages);
    const auto count = OpenTable(stream, "&ELEMENTS");
    if (!count) return table;
    RecordGuard guard(stream, "&ELEMENTS", *count);
    for (std::int32_t i = 1; i <= *count; ++i) {
        if (!guard.FieldAvailable()) break;
        const std::int32_t number = ReadInteger(stream);
        std::int32_t corner[3];
        bool complete = true;
        for (auto& node : corner) {
            if (!guard.FieldAvailable()) {
                complete = false;
                break;
            }
            node = ReadInteger(stream);
        }
        if (!complete) break;
        table.Add(number, 1, corner);
        guard.RecordDone();
    }
    return table;
}

}  // namespace membrane
