#include "heightfield/field_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace membrane {
namespace {

bool IsLineEnd(int c) {
    return c == '\n' || c == '\r';
}

// After a carriage return the next character is taken to be its line feed and dropped.
void ConsumeLineEnd(TextStream& stream, int c) {
    if (c == '\r') stream.Get();
}

bool IsBlank(char c) {
    return c == 8 || c == 10 || c == 12 || c == 13 || c == 32;
}

// Every failed field is one modal message box. A table whose fields have shifted fails on
// nearly every field, and a file that is no model at all on thousands: after the first
// kConversionMessageLimit failures of one stream (each table reads its own), one more
// message says so and the rest read as 0 without a box each.
void ReportConversion(TextStream& stream, const char* kind, const std::string& field,
                      int position) {
    const int count = stream.CountConversionFailure();
    if (count > kConversionMessageLimit + 1) return;
    if (count == kConversionMessageLimit + 1) {
        stream.Messages().Show(
            "more fields that do not convert follow; they read as 0 and are not reported",
            MessageKind::Error);
        return;
    }
    stream.Messages().Show(std::string("error reading ") + kind + " " + field +
                               " at position :" + std::to_string(position),
                           MessageKind::Error);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The next field when it is plain, as nearly every field of a model file is: blanks or
// tabs, then up to 64 characters that are none of blank, tab, line end, ';', '#', NUL
// and the end mark, then a blank, a tab, a line feed, or a carriage return and one more
// character that is not the end mark, all of it already in the stream's buffer. Such a
// field is taken exactly as ReadField takes it (the blank or tab after it, or its line
// end, included) and `field` views it in the buffer, valid until the next read. Anything
// else is left untouched for ReadField: false.
bool TakePlainField(TextStream& stream, std::string_view& field) {
    const std::string_view ahead = stream.Buffered();
    const std::size_t n = std::min<std::size_t>(ahead.size(), 256);
    std::size_t i = 0;
    while (i < n && (ahead[i] == ' ' || ahead[i] == '\t')) ++i;
    const std::size_t begin = i;
    for (; i < n && i - begin <= 64; ++i) {
        const char c = ahead[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ';' || c == '#' || c == '\0' ||
            c == static_cast<char>(kEndOfFileChar))
            break;
    }
    if (i == begin || i >= n || i - begin > 64) return false;
    std::size_t taken = 0;
    switch (ahead[i]) {
        case ' ':
        case '\t':
        case '\n':
            taken = i + 1;
            break;
        case '\r':
            // The character after a carriage return goes with it (Get does not take the
            // end mark).
            if (i + 1 < n && ahead[i + 1] != static_cast<char>(kEndOfFileChar)) taken = i + 2;
            break;
        default:
            break;
    }
    if (taken == 0) return false;
    field = ahead.substr(begin, i - begin);
    stream.Advance(taken);
    stream.SetFieldEndedLine(ahead[i] == '\n' || ahead[i] == '\r');
    return true;
}

// The power of ten of the leading digit of a well-formed real ("1e5000" 5000, "0.01e-3"
// -5), saturated far beyond any real; only its sign is used.
long long DecimalMagnitude(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    long long magnitude = 0;
    bool leading = false;  // a nonzero digit seen
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        if (leading)
            ++magnitude;
        else
            leading = s[i] != '0';
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            if (!leading) {
                --magnitude;
                leading = s[i] != '0';
            }
            ++i;
        }
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        const bool negative = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        long long exponent = 0;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 1000000000000LL);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude;
}

}  // namespace

void SkipRestOfLine(TextStream& stream) {
    for (;;) {
        const int c = stream.Get();
        if (c == kEndOfFileChar && stream.AtEnd()) return;
        if (IsLineEnd(c)) {
            ConsumeLineEnd(stream, c);
            return;
        }
    }
}

void SkipToField(TextStream& stream) {
    for (;;) {
        const int c = stream.Peek();
        if (c != ' ' && c != '\t' && c != '#' && !IsLineEnd(c)) return;
        stream.Get();
        if (c == '#') SkipRestOfLine(stream);
        ConsumeLineEnd(stream, c);
    }
}

std::string ReadField(TextStream& stream) {
    std::string field;
    int c;
    // Blanks, tabs, comments and line ends before the field: a line that ends in blanks,
    // or an empty line, makes no (empty) field.
    for (;;) {
        c = stream.Get();
        if (c == '#')
            SkipRestOfLine(stream);
        else if (IsLineEnd(c))
            ConsumeLineEnd(stream, c);
        else if (c != ' ' && c != '\t')
            break;
    }

    bool lineEnd = false;
    while (c != ' ' && c != '\t' && c != ';' && !lineEnd && field.size() < kMaxFieldLength) {
        // A field that runs into the end of the file ends there, so a last line without
        // a line end still reads as it looks.
        if (c == kEndOfFileChar && stream.AtEnd()) break;
        if (IsLineEnd(c)) {
            lineEnd = true;
            ConsumeLineEnd(stream, c);
        } else if (c == 0) {
            c = stream.Get();  // a NUL byte is never part of a field: step over it
        } else {
            field.push_back(static_cast<char>(c));
            c = stream.Get();
        }
    }
    if (!lineEnd && (c == ';' || c == '#')) {
        SkipRestOfLine(stream);
        field = ";";
        lineEnd = true;
    }
    stream.SetFieldEndedLine(lineEnd);
    return field;
}

void SkipField(TextStream& stream) {
    ReadField(stream);
}

IntegerConversion ConvertInteger(std::string_view s) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < n && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return {0, static_cast<int>(i) + 1};
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const int digit =
            base == 16 ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        if (digit < 0) return {0, static_cast<int>(i) + 1};
        value = value * base + digit;
        if (value > limit) return {0, static_cast<int>(i) + 1};
    }
    return {static_cast<std::int32_t>(negative ? -value : value), 0};
}

RealConversion ConvertReal(std::string_view s) {
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && s[i] == ' ') ++i;
    const std::size_t start = i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return {0.0, static_cast<int>(i) + 1};
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        std::size_t exponentDigits = 0;
        while (i < n && s[i] >= '0' && s[i] <= '9') ++i, ++exponentDigits;
        if (exponentDigits == 0) return {0.0, static_cast<int>(i) + 1};
    }
    if (i < n) return {0.0, static_cast<int>(i) + 1};

    // from_chars does not take a leading '+'.
    std::string_view text = s.substr(start);
    if (text[0] == '+') text.remove_prefix(1);
    long double wide = 0.0L;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), wide);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Too small for any real: it reads as 0. Too large: not a number the model can use.
        // (The conversion leaves `wide` untouched then, so the text tells which.)
        if (DecimalMagnitude(text) < 0) return {0.0, 0};
        return {0.0, static_cast<int>(n) + 1};
    }
    const double value = static_cast<double>(wide);
    if (!std::isfinite(value)) return {0.0, static_cast<int>(n) + 1};
    return {value, 0};
}

std::int32_t ReadInteger(TextStream& stream) {
    std::string_view plain;
    const std::string field = TakePlainField(stream, plain) ? std::string() : ReadField(stream);
    const std::string_view text = plain.data() != nullptr ? plain : std::string_view(field);
    const IntegerConversion result = ConvertInteger(text);
    if (result.errorPosition != 0)
        ReportConversion(stream, "longint", std::string(text), result.errorPosition);
    return result.value;
}

double ReadReal(TextStream& stream) {
    std::string_view plain;
    const std::string field = TakePlainField(stream, plain) ? std::string() : ReadField(stream);
    const std::string_view text = plain.data() != nullptr ? plain : std::string_view(field);
    const RealConversion result = ConvertReal(text);
    if (result.errorPosition != 0)
        ReportConversion(stream, "double", std::string(text), result.errorPosition);
    return result.value;
}

bool IsInteger(const std::string& s) {
    return ConvertInteger(s).errorPosition == 0;
}

void TrimLeftBlanks(std::string& s) {
    std::size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    s.erase(0, i);
}

void TrimRightBlanks(std::string& s) {
    while (!s.empty() && IsBlank(s.back())) s.pop_back();
}

void CollapseSpaces(std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (!(c == ' ' && !out.empty() && out.back() == ' ')) out.push_back(c);
    s = std::move(out);
    TrimRightBlanks(s);
}

void NormalizeSpaces(std::string& s) {
    TrimLeftBlanks(s);
    TrimRightBlanks(s);
    CollapseSpaces(s);
}

int CountWords(const std::string& s) {
    int count = 1;
    for (char c : s)
        if (c == ' ' || c == '\t') ++count;
    return count;
}

std::string GetWord(int n, const std::string& text) {
    std::string s = text;
    TrimLeftBlanks(s);
    TrimRightBlanks(s);
    int word = 0;
    std::size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && s[i] == ' ') ++i;
        if (i >= s.size()) break;
        const std::size_t begin = i;
        while (i < s.size() && s[i] != ' ') ++i;
        if (++word == n) return s.substr(begin, i - begin);
    }
    return {};
}

double RealPower(double exponent, double base) {
    const long double e = exponent;
    const long double b = base;
    const int sign = std::fabs(b) <= 1e-10L ? 0 : (b > 0 ? 1 : -1);
    if (e == 0) return 1.0;
    if (sign == 1) return static_cast<double>(std::exp(e * std::log(b)));
    if (sign == 0) return 0.0;
    if (e != std::floor(e)) return 1.0;
    const long double magnitude = std::exp(e * std::log(std::fabs(b)));
    const long double r = std::nearbyint(e);
    const bool odd = std::fmod(std::fabs(r), 2.0L) == 1.0L;
    return static_cast<double>(odd ? -magnitude : magnitude);
}

}  // namespace membrane
