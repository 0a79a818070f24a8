// What the table readers share: locating a table by its title and guarding the record
// loop against a header count larger than the records that follow.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "heightfield/text_stream.h"

namespace membrane {

// Reads fields from the stream's position until one contains `title` (case-sensitive
// substring) or the stream ends.
bool LocateTable(TextStream& stream, const std::string& title);

// Finds the table in a stream that stands at the start of the model text and reads its
// header: the title and the record count; the rest of the header line is passed over. The
// record count, or nothing when no field holds the title.
std::optional<std::int32_t> OpenTable(TextStream& stream, const std::string& title);

// Counts the records of a table as they are read. When no field is left (only blanks,
// line ends and comments remain) while the header still promises records, the table stops with one
// message that names the table, instead of reading on field after field into nothing.
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
