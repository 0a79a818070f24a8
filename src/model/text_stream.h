// A model file opened for reading as 8-bit text, one character at a time.
//
// Reading never fails for running past the end: at the end of the file, and at a
// character with code 26 (the old end-of-file mark) anywhere in it, the stream delivers
// code 26 on every further read without advancing. A real read error of the file raises
// IoError. Conversion messages of the field reader go to the stream's message sink.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/messages.h"

namespace membrane {

constexpr int kEndOfFileChar = 26;

class TextStream {
public:
    // Null when the file cannot be opened for reading (missing, no permission, a directory).
    static std::unique_ptr<TextStream> Open(const std::string& path, MessageSink& messages);
    // A stream over text in memory (for tests and for checks of pasted text).
    static std::unique_ptr<TextStream> FromText(std::string text, MessageSink& messages);

    ~TextStream();
    TextStream(const TextStream&) = delete;
    TextStream& operator=(const TextStream&) = delete;

    // Next character (0..255), or 26 at the end without advancing.
    int Get() {
        if (position_ >= length_ && !Fill()) return kEndOfFileChar;
        const int c = buffer_[position_];
        if (c != kEndOfFileChar) ++position_;
        return c;
    }
    // True when the next Get gives the end-of-file character.
    bool AtEnd() {
        if (position_ >= length_ && !Fill()) return true;
        return buffer_[position_] == kEndOfFileChar;
    }

    // Passes over whole lines that hold neither the byte `c` nor the end-of-file character,
    // starting from a position between two fields. No field read from such lines can
    // contain `c`, and reading them field by field would end right after their last line
    // end too (a field never reaches past a line feed), so the fields that follow are the
    // same either way. Lets a table search pass over the other tables quickly.
    void SkipLinesWithout(unsigned char c);

    // The bytes already read from the file and not yet taken, and taking `count` of them:
    // lets a reader take a whole field at once when it lies in the buffer.
    std::string_view Buffered() const {
        return {reinterpret_cast<const char*>(buffer_.data()) + position_, length_ - position_};
    }
    void Advance(std::size_t count) { position_ += count; }

    MessageSink& Messages() { return messages_; }
    // Counts a field of this stream that failed to convert; returns the count so far.
    int CountConversionFailure() { return ++conversionFailures_; }
    const std::string& Name() const { return name_; }

private:
    TextStream(std::FILE* file, std::string name, MessageSink& messages);
    bool Fill();

    std::FILE* file_ = nullptr;
    std::string name_;
    MessageSink& messages_;
    std::vector<unsigned char> buffer_;
    std::size_t position_ = 0;
    std::size_t length_ = 0;
    std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
    std::uint64_t scannedTo_ = 0;    // SkipLinesWithout looked no further than this offset
    bool exhausted_ = false;
    int conversionFailures_ = 0;
};

}  // namespace membrane
