#include "heightfield/text_stream.h"

#include <cstring>

namespace membrane {

void TextStream::SkipLinesWithout(unsigned char c) {
    // The part already looked at up to a `c` or the end mark stays as it is until the
    // reader has passed that byte: each byte is looked at once.
    if (position_ >= text_.size() || position_ < scannedTo_) return;
    const char* data = text_.data();
    const char* begin = data + position_;
    const char* end = data + text_.size();
    const auto* stop = static_cast<const char*>(std::memchr(begin, c, end - begin));
    if (stop == nullptr) stop = end;
    if (const void* mark = std::memchr(begin, kEndOfFileChar, stop - begin))
        stop = static_cast<const char*>(mark);
    scannedTo_ = stop - data;
    const char* lineEnd = stop;
    while (lineEnd != begin && lineEnd[-1] != '\n') --lineEnd;
    position_ = lineEnd - data;
}

}  // namespace membrane
