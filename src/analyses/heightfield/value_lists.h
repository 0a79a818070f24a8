// Keyed lists of the model: an integer key with an integer value (`IntList`, the held
// nodes) or a real value (`RealList`, the start heights).
//
// Order rules: lookups find the newest entry with a key, so when a key repeats the newest
// entry wins; iteration is oldest first, which for a table read from the model file is
// file order. Entries are kept oldest first in a vector with an index beside it, so
// lookups cost O(1) while the orders stay exactly as stated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/key_index.h"
#include "common/messages.h"

namespace membrane {

template <typename Value>
struct KeyedEntry {
    std::int32_t key;
    Value value;
};

// Whether a table's records begin with their key or hold the value alone, the keys then
// counting the records 1, 2, ...
enum class KeyColumn { Explicit, Implicit };

template <typename Value>
class KeyedValueList {
  public:
    using Entry = KeyedEntry<Value>;

    // An empty list named after its table's title ("&INITIAL", "&CONSTR"): the title is
    // what finds the table in a model file and heads its echo in the report.
    KeyedValueList(KeyColumn keys, std::string title) : keys_(keys), title_(std::move(title)) {}

    // The titled table of a model text (records added to what is there). Conversion
    // failures and a table cut short are told to `messages`; no table leaves it as it is.
    void ReadTable(std::string_view modelText, MessageSink& messages);

    std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    const std::string& Title() const { return title_; }

    // Newest entry with this key, or null.
    const Entry* FindKey(std::int32_t key) const;
    // Value of the newest entry with this key; an absent key gives 0.
    Value ValueOf(std::int32_t key) const;
    void Add(std::int32_t key, Value value);

    // Oldest first (file order).
    const std::vector<Entry>& Entries() const { return entries_; }

  protected:
    std::vector<Entry> entries_;
    KeyIndex keyIndex_;
    KeyColumn keys_;
    std::string title_;
};

using IntList = KeyedValueList<std::int32_t>;
using RealList = KeyedValueList<double>;

}  // namespace membrane
