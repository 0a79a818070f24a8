// Where the program's text formats render to: a file being written, or a buffer in
// memory. Every line of the program's text files ends with CR LF.
#pragma once

#include <string>
#include <string_view>

namespace membrane {

class TextSink {
  public:
    virtual ~TextSink() = default;
    virtual void Write(std::string_view text) = 0;
    // `text` and CR LF.
    void Line(std::string_view text = {}) {
        Write(text);
        Write("\r\n");
    }
};

// Collects the text in memory.
class StringSink final : public TextSink {
  public:
    void Write(std::string_view text) override { text_.append(text); }
    const std::string& Text() const { return text_; }
    std::string Take() { return std::move(text_); }
    void Reserve(std::size_t bytes) { text_.reserve(bytes); }

  private:
    std::string text_;
};

}  // namespace membrane
