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

}  // namespace membrane
