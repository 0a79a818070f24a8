#include "heightfield/table_reading.h"

#include "heightfield/field_reader.h"

namespace membrane {

bool LocateTable(TextStream& stream, const std::string& title) {
    while (!stream.AtEnd()) {
        // Lines without the title's first character hold no field with the title.
        if (!title.empty()) stream.SkipLinesWithout(static_cast<unsigned char>(title[0]));
        if (ReadField(stream).find(title) != std::string::npos) return true;
    }
    return false;
}

std::optional<std::int32_t> OpenTable(TextStream& stream, const std::string& title) {
    if (!LocateTable(stream, title)) return std::nullopt;
    const std::int32_t count = ReadInteger(stream);
    // The rest of the header line, whatever it holds (nothing, blanks, a word, a comment),
    // is passed over; the records begin on the next line.
    if (!stream.FieldEndedLine()) SkipRestOfLine(stream);
    return count;
}

bool RecordGuard::FieldAvailable() {
    if (stopped_) return false;
    SkipToField(stream_);
    if (!stream_.AtEnd()) return true;
    stopped_ = true;
    stream_.Messages().Show(title_ + ": the table header announces " + std::to_string(announced_) +
                                " records, but the file ends after " + std::to_string(read_) +
                                " of them.",
                            MessageKind::Error, "Read " + title_ + " From File");
    return false;
}

}  // namespace membrane
