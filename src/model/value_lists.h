// Keyed lists of the model: integer key -> integer (`TIntList`), -> double
// (`TdoubleList`), -> pair of node numbers (`TTwoIntList`).
//
// Order rules: new entries go to the front; lookups go from the front, so when a key
// repeats the newest entry wins; writing and copying go from the back, which for a table
// read from the model file is file order. Entries are kept oldest first in a vector with
// an index beside it, so lookups cost O(1) while the orders stay exactly as stated.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <string>
#include <vector>

#include "common/messages.h"
#include "model/key_index.h"
#include "model/pair_map.h"

namespace membrane {

template <typename Value>
struct KeyedEntry {
    std::int32_t key;
    Value value;
};

template <typename Value>
class KeyedValueList {
public:
    using Entry = KeyedEntry<Value>;

    KeyedValueList(bool implicitKeys, std::string title, std::string modelFileName);
    virtual ~KeyedValueList() = default;

    std::int32_t Count() const { return static_cast<std::int32_t>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    std::int32_t MaxKey() const { return maxKey_; }
    const std::string& Title() const { return title_; }
    const std::string& ModelFileName() const { return modelFileName_; }
    const std::string& ReportFileName() const { return reportFileName_; }
    bool ImplicitKeys() const { return implicitKeys_; }

    // Newest entry with this key, or null.
    const Entry* FindKey(std::int32_t key) const;
    // Value of the newest entry with this key; an absent key gives 0.
    Value ValueOf(std::int32_t key) const;
    // New entry at the front; returns the new max key.
    std::int32_t Add(std::int32_t key, Value value);
    void Clear();

    // Oldest first (file order).
    const std::vector<Entry>& Entries() const { return entries_; }

    // Reads the titled table of the model file into the list (records are added to what
    // is there). False when the file cannot be opened or the title is not found.
    bool ReadTable(MessageSink& messages);
    // Appends the title, count and values (oldest first) to the report file `path`, which
    // must exist. False, silently, when the list is empty or the file cannot be opened.
    bool EchoToReport(const std::string& path) const;
    bool EchoToReport() const { return EchoToReport(reportFileName_); }

protected:
    void RebuildIndex();
    virtual std::string FormatValue(const Value& value) const = 0;

    std::vector<Entry> entries_;
    KeyIndex keyIndex_;
    std::int32_t maxKey_ = 0;
    bool implicitKeys_;
    std::string title_;
    std::string modelFileName_;
    std::string reportFileName_;
};

class TIntList : public KeyedValueList<std::int32_t> {
public:
    TIntList(bool readNow, bool implicitKeys, std::string title, std::string modelFileName,
             MessageSink* messages = nullptr);
    TIntList() : TIntList(false, true, {}, {}) {}

    // Newest entry whose value equals `value`, or null.
    const Entry* FindValue(std::int32_t value) const;
    bool ContainsValue(std::int32_t value) const { return FindValue(value) != nullptr; }

    // Keeps the values ascending from front to back, each once: an equal value already in
    // the list drops the new entry. Returns the new max key.
    std::int32_t InsertSorted(std::int32_t key, std::int32_t value);
    // Replaces all entries at once (oldest first), as a run of InsertSorted calls would
    // leave them; lets the boundary analysis avoid one shift of the list per insert.
    void AssignEntries(std::vector<Entry> entriesOldestFirst);

protected:
    std::string FormatValue(const std::int32_t& value) const override;

private:
    void EnsureValueIndex() const;
    mutable KeyIndex valueIndex_;
    mutable std::size_t valueIndexed_ = 0;  // entries_[0 .. valueIndexed_) are indexed
    mutable bool valueIndexValid_ = true;
};

class TdoubleList : public KeyedValueList<double> {
public:
    TdoubleList(bool readNow, bool implicitKeys, std::string title, std::string modelFileName,
                MessageSink* messages = nullptr);
    TdoubleList() : TdoubleList(false, true, {}, {}) {}

    // Sets the value of the newest entry with this key; nothing when the key is absent.
    void SetValue(std::int32_t key, double value);
    double MaxValue() const;
    double MinValue() const;
    // Adds the other list's values entry by entry, by position (not by key). Nothing
    // happens when the counts differ.
    void AddList(const TdoubleList* other);

    std::vector<Entry>& MutableEntries() { return entries_; }

protected:
    std::string FormatValue(const double& value) const override;
};

struct TwoIntEntry {
    std::int32_t key;
    std::int32_t first;
    std::int32_t second;
};

class TTwoIntList {
public:
    std::int32_t Count() const { return count_; }
    std::int32_t MaxKey() const;

    std::optional<TwoIntEntry> FindKey(std::int32_t key) const;
    // Key of the newest entry whose nodes are a and b in either order; 0 when none.
    std::int32_t FindPair(std::int32_t a, std::int32_t b) const;
    std::int32_t Add(std::int32_t key, std::int32_t a, std::int32_t b);
    // Removes the newest entry with this key and returns the entry that followed it toward
    // the back (none if it was the oldest, or when the key is absent).
    std::optional<TwoIntEntry> Remove(std::int32_t key);
    void Clear();

    // Live entries, oldest first.
    void ForEach(const std::function<void(const TwoIntEntry&)>& visit) const;

private:
    // Removed entries stay in the vector as tombstones; live ones are linked oldest to
    // newest, and entries with the same key or the same pair are chained newest to
    // oldest, so every operation is O(1) apart from the max key (a lazily cleaned heap).
    struct Slot {
        TwoIntEntry entry;
        std::int32_t olderLive, newerLive;
        std::int32_t olderSameKey, newerSameKey;
        std::int32_t olderSamePair, newerSamePair;
    };
    std::vector<Slot> slots_;
    std::int32_t newest_ = -1, oldest_ = -1;
    KeyIndex newestByKey_;
    PairMap newestByPair_;
    mutable std::vector<std::int32_t> keyHeap_;  // max-heap of keys, stale ones dropped lazily
    std::int32_t count_ = 0;
};


}  // namespace membrane
