// Fuzz target: the field reader and the string helpers over arbitrary bytes.
//
// The first byte picks, field by field, how the next field is read (plain, as integer,
// as real, skipped); the rest is the text. The target checks what every caller relies on:
// a field never exceeds 255 characters, every read that is not at the end consumes input
// (so no table loop can spin), conversions agree with their message-free forms, and the
// string helpers keep their promises.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/messages.h"
#include "heightfield/field_reader.h"
#include "heightfield/text_stream.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_field_reader: %s\n", what);
    std::abort();
}

bool IsBlank(char c) {
    return c == 8 || c == 10 || c == 12 || c == 13 || c == 32;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace membrane;
    if (size == 0) return 0;
    const std::uint8_t modes = data[0];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    NullMessageSink sink;
    auto stream = std::make_unique<TextStream>(text, sink);
    std::size_t reads = 0;
    while (!stream->AtEnd()) {
        if (++reads > text.size() + 1) Fail("a read consumed nothing");
        switch ((modes >> (2 * (reads % 4))) & 3) {
            case 0: {
                const std::string field = ReadField(*stream);
                if (field.size() > kMaxFieldLength) Fail("field longer than 255 characters");
                const IntegerConversion i = ConvertInteger(field);
                if ((i.errorPosition == 0) != IsInteger(field)) Fail("IsInteger disagrees");
                if (i.errorPosition < 0 ||
                    static_cast<std::size_t>(i.errorPosition) > field.size() + 1)
                    Fail("integer error position outside the field");
                if (i.errorPosition != 0 && i.value != 0)
                    Fail("failed integer conversion is not 0");
                const RealConversion r = ConvertReal(field);
                if (r.errorPosition < 0 ||
                    static_cast<std::size_t>(r.errorPosition) > field.size() + 1)
                    Fail("real error position outside the field");
                if (r.errorPosition != 0 && r.value != 0.0) Fail("failed real conversion is not 0");
                if (r.errorPosition == 0 && !(r.value - r.value == 0.0))
                    Fail("real conversion not finite");
                break;
            }
            case 1:
                ReadInteger(*stream);
                break;
            case 2:
                ReadReal(*stream);
                break;
            default:
                SkipField(*stream);
                break;
        }
    }

    // The string helpers on the raw text.
    std::string s = text;
    NormalizeSpaces(s);
    if (!s.empty() && (IsBlank(s.front()) || IsBlank(s.back())))
        Fail("NormalizeSpaces left blanks");
    if (s.find("  ") != std::string::npos) Fail("NormalizeSpaces left a double space");
    const int words = CountWords(s);
    if (words < 1) Fail("CountWords below 1");
    if (words < 1000)
        for (int n = 1; n <= words + 1; ++n)
            if (GetWord(n, s).find(' ') != std::string::npos) Fail("GetWord returned a blank");
    std::string q = text;
    StripLeadingQuotes(q);
    StripTrailingQuotes(q);
    if (!q.empty() &&
        (q.front() == '\'' || q.front() == '"' || q.back() == '\'' || q.back() == '"'))
        Fail("quotes left");
    if (size >= 17) {
        double exponent, base;
        __builtin_memcpy(&exponent, data + 1, 8);
        __builtin_memcpy(&base, data + 9, 8);
        RealPower(exponent, base);
    }
    return 0;
}
