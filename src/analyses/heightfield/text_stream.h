// A model file's text, read one character at a time.
//
// Reading never fails for running past the end: at the end of the text, and at a
// character with code 26 (the old end-of-file mark) anywhere in it, the stream delivers
// code 26 on every further read without advancing. Conversion messages of the field
// reader go to the stream's message sink; each stream counts its own failures.
#pragma once

#include <cstddef>
#include <string_view>

#include "common/messages.h"

namespace membrane {

constexpr int kEndOfFileChar = 26;

class TextStream {
  public:
    // Reads `text`, which must outlive the stream.
    TextStream(std::string_view text, MessageSink& messages) : text_(text), messages_(messages) {}
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // Next character (0..255), or 26 at the end without advancing.
    int Get() {
        if (position_ >= text_.size()) return kEndOfFileChar;
        const int c = static_cast<unsigned char>(text_[position_]);
        if (c != kEndOfFileChar) ++position_;
        return c;
    }
    // The next character without taking it.
    int Peek() const {
        return position_ >= text_.size() ? kEndOfFileChar
                                         : static_cast<unsigned char>(text_[position_]);
    }
    // True when the next Get gives the end-of-file character.
    bool AtEnd() const {
        return position_ >= text_.size() || text_[position_] == static_cast<char>(kEndOfFileChar);
    }

    // Passes over whole lines that hold neither the byte `c` nor the end-of-file character,
    // starting from a position between two fields. No field read from such lines can
    // contain `c`, and reading them field by field would end right after their last line
    // end too (a field never reaches past a line feed), so the fields that follow are the
    // same either way. Lets a table search pass over the other tables quickly.
    void SkipLinesWithout(unsigned char c);

    // The text not yet taken, and taking `count` characters of it: lets a reader take a
    // whole field at once.
    std::string_view Buffered() const { return text_.substr(position_); }
    void Advance(std::size_t count) { position_ += count; }

    // Whether the last field read ended its line (its line end, or a ';' with the rest
    // of the line, was taken with it): a table header's count tells so.
    bool FieldEndedLine() const { return fieldEndedLine_; }
    void SetFieldEndedLine(bool ended) { fieldEndedLine_ = ended; }

    MessageSink& Messages() { return messages_; }
    // Counts a field of this stream that failed to convert; returns the count so far.
    int CountConversionFailure() { return ++conversionFailures_; }

  private:
    std::string_view text_;
    MessageSink& messages_;
    std::size_t position_ = 0;
    std::size_t scannedTo_ = 0;  // SkipLinesWithout looked no further than this position
    int conversionFailures_ = 0;
    bool fieldEndedLine_ = false;
};

}  // namespace membrane
