#include "heightfield/value_lists.h"

#include <algorithm>
#include <type_traits>

#include "heightfield/field_reader.h"
#include "heightfield/table_reading.h"

namespace membrane {

template <typename Value>
const typename KeyedValueList<Value>::Entry* KeyedValueList<Value>::FindKey(
    std::int32_t key) const {
    const std::int32_t position = keyIndex_.Find(key);
    return position == KeyIndex::kNone ? nullptr : &entries_[position];
}

template <typename Value>
Value KeyedValueList<Value>::ValueOf(std::int32_t key) const {
    const Entry* entry = FindKey(key);
    return entry == nullptr ? Value{} : entry->value;
}

template <typename Value>
void KeyedValueList<Value>::Add(std::int32_t key, Value value) {
    keyIndex_.Set(key, static_cast<std::int32_t>(entries_.size()));
    entries_.push_back(Entry{key, value});
}

template <typename Value>
void KeyedValueList<Value>::ReadTable(std::string_view modelText, MessageSink& messages) {
    TextStream stream(modelText, messages);
    const auto count = OpenTable(stream, title_);
    if (!count) return;
    RecordGuard guard(stream, title_, *count);
    for (std::int32_t i = 1; i <= *count; ++i) {
        std::int32_t key = i;
        if (keys_ == KeyColumn::Explicit) {
            if (!guard.FieldAvailable()) break;
            key = ReadInteger(stream);
        }
        if (!guard.FieldAvailable()) break;
        if constexpr (std::is_same_v<Value, double>)
            Add(key, ReadReal(stream));
        else
            Add(key, ReadInteger(stream));
        guard.RecordDone();
    }
}

template class KeyedValueList<std::int32_t>;
template class KeyedValueList<double>;

}  // namespace membrane
