#include "model/text_stream.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "common/io_error.h"

namespace membrane {

std::unique_ptr<TextStream> TextStream::Open(const std::string& path, MessageSink& messages) {
    if (path.empty()) return nullptr;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return nullptr;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return nullptr;
    return std::unique_ptr<TextStream>(new TextStream(file, path, messages));
}

std::unique_ptr<TextStream> TextStream::FromText(std::string text, MessageSink& messages) {
    auto stream = std::unique_ptr<TextStream>(new TextStream(nullptr, "<text>", messages));
    stream->buffer_.assign(text.begin(), text.end());
    stream->length_ = stream->buffer_.size();
    stream->exhausted_ = true;
    return stream;
}

TextStream::TextStream(std::FILE* file, std::string name, MessageSink& messages)
    : file_(file), name_(std::move(name)), messages_(messages) {}

TextStream::~TextStream() {
    if (file_ != nullptr) std::fclose(file_);
}

bool TextStream::Fill() {
    if (position_ < length_) return true;
    if (exhausted_ || file_ == nullptr) return false;
    bufferStart_ += length_;
    buffer_.resize(1 << 16);
    length_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    position_ = 0;
    if (length_ < buffer_.size()) {
        if (std::ferror(file_))
            throw IoError("read error in " + name_ + ": " + std::strerror(errno));
        exhausted_ = true;
    }
    return length_ > 0;
}

void TextStream::SkipLinesWithout(unsigned char c) {
    for (;;) {
        if (position_ >= length_ && !Fill()) return;
        // The part of the buffer already looked at up to a `c` or the end mark stays as
        // it is until the reader has passed that byte: each byte is looked at once.
        if (bufferStart_ + position_ < scannedTo_) return;
        const unsigned char* begin = buffer_.data() + position_;
        const unsigned char* end = buffer_.data() + length_;
        const auto* stop = static_cast<const unsigned char*>(std::memchr(begin, c, end - begin));
        if (stop == nullptr) stop = end;
        if (const void* mark = std::memchr(begin, kEndOfFileChar, stop - begin))
            stop = static_cast<const unsigned char*>(mark);
        scannedTo_ = bufferStart_ + (stop - buffer_.data());
        const unsigned char* lineEnd = stop;
        while (lineEnd != begin && lineEnd[-1] != '\n') --lineEnd;
        position_ = lineEnd - buffer_.data();
        // Go on with the next buffer only when this one was passed completely.
        if (stop != end || position_ < length_) return;
    }
}

}  // namespace membrane
