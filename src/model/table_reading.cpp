#include "model/table_reading.h"

#include "model/field_reader.h"

namespace membrane {

bool LocateTable(TextStream& stream, const std::string& title) {
    while (!stream.AtEnd())
        if (ReadField(stream).find(title) != std::string::npos) return true;
    return false;
}

bool RecordGuard::FieldAvailable() {
    if (stopped_) return false;
    if (!stream_.AtEnd()) return true;
    stopped_ = true;
    stream_.Messages().Show(title_ + ": the table header announces " + std::to_string(announced_) +
                                " records, but the file ends after " + std::to_string(read_) +
                                " of them.",
                            MessageKind::Error, "Read " + title_ + " From File");
    return false;
}

}  // namespace membrane
