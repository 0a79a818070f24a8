// What the table readers share: locating a table by its title and guarding the record
// loop against a header count larger than the records that follow.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "model/text_stream.h"

namespace membrane {

// Reads fields from the start of the stream until one contains `title` (case-sensitive
// substring) or the stream ends.
bool LocateTable(TextStream& stream, const std::string& title);

// A table found in the model file: the stream stands at its first record.
struct TableStart {
    std::unique_ptr<TextStream> stream;
    std::int32_t count;  // the record count of the header
};

// Opens the model file and reads the table's header: the title, the record count and
// the one field after it that is dropped. Nothing when the file cannot be opened (after
// showing `notFound`) or when no field holds the title.
std::optional<TableStart> OpenTable(const std::string& modelFileName, const std::string& title,
                                    MessageSink& messages, const UserMessage& notFound);

// Counts the records of a table as they are read. When the stream has reached its end
// while the header still promises records, the table stops with one message that names
// the table, instead of reading on field after field into nothing.
class RecordGuard {
public:
    RecordGuard(TextStream& stream, std::string title, std::int32_t announced)
        : stream_(stream), title_(std::move(title)), announced_(announced) {}

    // Call before every field of a record; false when the table must stop here.
    bool FieldAvailable();
    void RecordDone() { ++read_; }

private:
    TextStream& stream_;
    std::string title_;
    std::int32_t announced_;
    std::int32_t read_ = 0;
    bool stopped_ = false;
};

}  // namespace membrane
