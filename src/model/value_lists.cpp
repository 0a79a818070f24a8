#include "model/value_lists.h"

#include <algorithm>

#include "common/file_names.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "model/field_reader.h"
#include "model/table_reading.h"

namespace membrane {

// ---------------------------------------------------------------- KeyedValueList

template <typename Value>
KeyedValueList<Value>::KeyedValueList(bool implicitKeys, std::string title,
                                      std::string modelFileName)
    : implicitKeys_(implicitKeys),
      title_(std::move(title)),
      modelFileName_(std::move(modelFileName)),
      reportFileName_(modelFileName_.empty() ? std::string() : ChangeFileExt(modelFileName_, ".OUT")) {}

template <typename Value>
const typename KeyedValueList<Value>::Entry* KeyedValueList<Value>::FindKey(std::int32_t key) const {
    const std::int32_t position = keyIndex_.Find(key);
    return position == KeyIndex::kNone ? nullptr : &entries_[position];
}

template <typename Value>
Value KeyedValueList<Value>::ValueOf(std::int32_t key) const {
    const Entry* entry = FindKey(key);
    return entry == nullptr ? Value{} : entry->value;
}

template <typename Value>
std::int32_t KeyedValueList<Value>::Add(std::int32_t key, Value value) {
    keyIndex_.Set(key, static_cast<std::int32_t>(entries_.size()));
    entries_.push_back(Entry{key, value});
    maxKey_ = std::max(maxKey_, key);
    return maxKey_;
}

template <typename Value>
void KeyedValueList<Value>::Clear() {
    entries_.clear();
    keyIndex_.Clear();
    maxKey_ = 0;
}

template <typename Value>
void KeyedValueList<Value>::RebuildIndex() {
    keyIndex_.Clear();
    maxKey_ = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        keyIndex_.Set(entries_[i].key, static_cast<std::int32_t>(i));
        maxKey_ = std::max(maxKey_, entries_[i].key);
    }
}

template <typename Value>
bool KeyedValueList<Value>::ReadTable(MessageSink& messages) {
    auto table = OpenTable(modelFileName_, title_, messages,
                           {"", "Inputfile not found\rRead " + title_ + " From File", MessageKind::Error});
    if (!table) return false;
    TextStream* stream = table->stream.get();
    const std::int32_t n = table->count;
    RecordGuard guard(*stream, title_, n);
    for (std::int32_t i = 1; i <= n; ++i) {
        std::int32_t key = i;
        if (!implicitKeys_) {
            if (!guard.FieldAvailable()) break;
            key = ReadInteger(*stream);
        }
        if (!guard.FieldAvailable()) break;
        if constexpr (std::is_same_v<Value, double>)
            Add(key, ReadReal(*stream));
        else
            Add(key, ReadInteger(*stream));
        guard.RecordDone();
    }
    return true;
}

template <typename Value>
bool KeyedValueList<Value>::EchoToReport(const std::string& path) const {
    if (entries_.empty()) return false;
    auto file = TextFileWriter::OpenAppend(path);
    if (!file) return false;
    file->Line(title_ + " " + std::to_string(entries_.size()) + " ");
    for (const Entry& entry : entries_) file->Line("   " + FormatValue(entry.value));
    file->Line();
    file->Close();
    return true;
}

template class KeyedValueList<std::int32_t>;
template class KeyedValueList<double>;

// ---------------------------------------------------------------- TIntList

TIntList::TIntList(bool readNow, bool implicitKeys, std::string title, std::string modelFileName,
                   MessageSink* messages)
    : KeyedValueList(implicitKeys, std::move(title), std::move(modelFileName)) {
    if (readNow) {
        NullMessageSink quiet;
        ReadTable(messages != nullptr ? *messages : quiet);
    }
}

std::string TIntList::FormatValue(const std::int32_t& value) const { return std::to_string(value); }

void TIntList::EnsureValueIndex() const {
    if (!valueIndexValid_) {
        valueIndex_.Clear();
        valueIndexed_ = 0;
        valueIndexValid_ = true;
    }
    for (; valueIndexed_ < entries_.size(); ++valueIndexed_)
        valueIndex_.Set(entries_[valueIndexed_].value, static_cast<std::int32_t>(valueIndexed_));
}

const TIntList::Entry* TIntList::FindValue(std::int32_t value) const {
    EnsureValueIndex();
    const std::int32_t position = valueIndex_.Find(value);
    return position == KeyIndex::kNone ? nullptr : &entries_[position];
}

std::int32_t TIntList::InsertSorted(std::int32_t key, std::int32_t value) {
    // Values ascend from the front (the vector's end) to the back (index 0), so along the
    // vector they descend. The first entry from the front with a value >= the new one is
    // the last index whose value is >= it.
    auto firstSmaller = std::partition_point(entries_.begin(), entries_.end(),
                                             [value](const Entry& e) { return e.value >= value; });
    if (firstSmaller != entries_.begin() && std::prev(firstSmaller)->value == value) {
        return maxKey_;  // dropped: the value is in the list already
    }
    entries_.insert(firstSmaller, Entry{key, value});
    valueIndexValid_ = false;
    RebuildIndex();
    return maxKey_;
}

void TIntList::AssignEntries(std::vector<Entry> entriesOldestFirst) {
    entries_ = std::move(entriesOldestFirst);
    valueIndexValid_ = false;
    RebuildIndex();
}

// ---------------------------------------------------------------- TdoubleList

TdoubleList::TdoubleList(bool readNow, bool implicitKeys, std::string title,
                         std::string modelFileName, MessageSink* messages)
    : KeyedValueList(implicitKeys, std::move(title), std::move(modelFileName)) {
    if (readNow) {
        NullMessageSink quiet;
        ReadTable(messages != nullptr ? *messages : quiet);
    }
}

std::string TdoubleList::FormatValue(const double& value) const { return FormatScientific(value); }

void TdoubleList::SetValue(std::int32_t key, double value) {
    const std::int32_t position = keyIndex_.Find(key);
    if (position != KeyIndex::kNone) entries_[position].value = value;
}

double TdoubleList::MaxValue() const {
    if (entries_.empty()) return 0.0;
    double result = entries_.back().value;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (!(it->value < result)) result = it->value;
    return result;
}

double TdoubleList::MinValue() const {
    if (entries_.empty()) return 0.0;
    double result = entries_.back().value;
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (it->value < result) result = it->value;
    return result;
}

void TdoubleList::AddList(const TdoubleList* other) {
    if (other == nullptr || other->entries_.size() != entries_.size()) return;
    for (std::size_t i = 0; i < entries_.size(); ++i) entries_[i].value += other->entries_[i].value;
}

// ---------------------------------------------------------------- TTwoIntList

std::int32_t TTwoIntList::MaxKey() const {
    while (!keyHeap_.empty() && newestByKey_.Find(keyHeap_.front()) == KeyIndex::kNone) {
        std::pop_heap(keyHeap_.begin(), keyHeap_.end());
        keyHeap_.pop_back();
    }
    return keyHeap_.empty() ? 0 : std::max(0, keyHeap_.front());
}

std::optional<TwoIntEntry> TTwoIntList::FindKey(std::int32_t key) const {
    const std::int32_t position = newestByKey_.Find(key);
    if (position == KeyIndex::kNone) return std::nullopt;
    return slots_[position].entry;
}

std::int32_t TTwoIntList::FindPair(std::int32_t a, std::int32_t b) const {
    const std::int32_t position = newestByPair_.Find(PairMap::Key(a, b));
    return position == PairMap::kNone ? 0 : slots_[position].entry.key;
}

std::int32_t TTwoIntList::Add(std::int32_t key, std::int32_t a, std::int32_t b) {
    const auto position = static_cast<std::int32_t>(slots_.size());
    const std::uint64_t pair = PairMap::Key(a, b);
    const std::int32_t sameKey = newestByKey_.Find(key);
    const std::int32_t samePair = newestByPair_.Find(pair);
    slots_.push_back(Slot{TwoIntEntry{key, a, b}, newest_, -1, sameKey, -1, samePair, -1});
    if (newest_ >= 0) slots_[newest_].newerLive = position;
    if (oldest_ < 0) oldest_ = position;
    newest_ = position;
    if (sameKey >= 0) slots_[sameKey].newerSameKey = position;
    if (samePair >= 0) slots_[samePair].newerSamePair = position;
    newestByKey_.Set(key, position);
    newestByPair_.Set(pair, position);
    keyHeap_.push_back(key);
    std::push_heap(keyHeap_.begin(), keyHeap_.end());
    ++count_;
    return MaxKey();
}

std::optional<TwoIntEntry> TTwoIntList::Remove(std::int32_t key) {
    const std::int32_t position = newestByKey_.Find(key);
    if (position == KeyIndex::kNone) return std::nullopt;
    Slot& slot = slots_[position];

    // The newest entry with this key has no newer one with the same key.
    if (slot.olderSameKey >= 0) {
        slots_[slot.olderSameKey].newerSameKey = -1;
        newestByKey_.Set(key, slot.olderSameKey);
    } else {
        newestByKey_.Erase(key);
    }
    const std::uint64_t pair = PairMap::Key(slot.entry.first, slot.entry.second);
    if (slot.newerSamePair >= 0)
        slots_[slot.newerSamePair].olderSamePair = slot.olderSamePair;
    else
        newestByPair_.Set(pair, slot.olderSamePair);
    if (slot.olderSamePair >= 0) slots_[slot.olderSamePair].newerSamePair = slot.newerSamePair;

    const std::int32_t older = slot.olderLive;
    const std::int32_t newer = slot.newerLive;
    if (older >= 0) slots_[older].newerLive = newer; else oldest_ = newer;
    if (newer >= 0) slots_[newer].olderLive = older; else newest_ = older;
    --count_;
    if (older < 0) return std::nullopt;
    return slots_[older].entry;
}

void TTwoIntList::Clear() { *this = TTwoIntList(); }

void TTwoIntList::ForEach(const std::function<void(const TwoIntEntry&)>& visit) const {
    for (std::int32_t p = oldest_; p >= 0; p = slots_[p].newerLive) visit(slots_[p].entry);
}

}  // namespace membrane
