#include "common/number_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace membrane {
namespace {

// The decimal digits and exponent of |value| rounded to `significant` digits (at most
// 17): |value| = d0.d1d2... * 10^exponent. Kept in a fixed buffer: these formats write
// millions of numbers per run, and strings per digit group cost more than the digits.
struct Decimal {
    char digits[64];  // exactly `count` digits, the first nonzero unless value == 0
    int count = 0;
    int exponent = 0;
};

Decimal ToDecimal(double magnitude, int significant) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                         std::chars_format::scientific, significant - 1);
    (void)ec;
    // "d.dddde+XX", or "de+XX" for one significant digit
    Decimal d;
    const char* p = buffer;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.') d.digits[d.count++] = *p;
    int exponent = 0;
    const bool negative = p + 1 < end && p[1] == '-';
    for (const char* q = p + 2; q < end; ++q) exponent = exponent * 10 + (*q - '0');
    d.exponent = negative ? -exponent : exponent;
    return d;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return std::signbit(value) ? "-INF" : "INF";
}

// Digits [from, count) without their trailing zeros: the end of that range.
int TrimmedEnd(const Decimal& d, int from) {
    int end = d.count;
    while (end > from && d.digits[end - 1] == '0') --end;
    return end;
}

// Appends |exponent| in decimal, at least `width` digits.
void AppendExponent(std::string& out, int exponent, int width) {
    char text[16];
    const auto [end, ec] =
        std::to_chars(text, text + sizeof text, exponent < 0 ? -exponent : exponent);
    (void)ec;
    for (int pad = width - static_cast<int>(end - text); pad > 0; --pad) out += '0';
    out.append(text, end);
}

// "1.2345E-5" / "1E15": the scientific form of the general format.
std::string GeneralScientific(bool negative, const Decimal& d) {
    std::string out;
    if (negative) out += '-';
    out += d.digits[0];
    const int end = TrimmedEnd(d, 1);
    if (end > 1) {
        out += '.';
        out.append(d.digits + 1, d.digits + end);
    }
    out += 'E';
    if (d.exponent < 0) out += '-';
    AppendExponent(out, d.exponent, 0);
    return out;
}

}  // namespace

std::string PadLeft(const std::string& text, int width) {
    if (static_cast<int>(text.size()) >= width) return text;
    return std::string(width - text.size(), ' ') + text;
}

std::string FormatScientific(double value) {
    if (!std::isfinite(value)) return PadLeft(NonFinite(value), 23);
    const Decimal d = ToDecimal(std::fabs(value), 15);
    std::string out;
    out.reserve(23);
    out += std::signbit(value) ? '-' : ' ';
    out += d.digits[0];
    out += '.';
    out.append(d.digits + 1, d.digits + d.count);
    out += 'E';
    out += d.exponent < 0 ? '-' : '+';
    AppendExponent(out, d.exponent, 4);
    return out;
}

std::string FormatGeneral(double value, int significant) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0.0) return "0";
    const bool negative = value < 0;
    const Decimal d = ToDecimal(std::fabs(value), significant);
    if (d.exponent < -4 || d.exponent >= significant) return GeneralScientific(negative, d);
    std::string out;
    if (negative) out += '-';
    if (d.exponent >= 0) {
        out.append(d.digits, d.digits + d.exponent + 1);
        const int end = TrimmedEnd(d, d.exponent + 1);
        if (end > d.exponent + 1) {
            out += '.';
            out.append(d.digits + d.exponent + 1, d.digits + end);
        }
    } else {
        out += "0.";
        out.append(-d.exponent - 1, '0');
        out.append(d.digits, d.digits + TrimmedEnd(d, 0));
    }
    return out;
}

std::string FormatFixed(double value, int precision, int decimals) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value != 0.0) {
        const Decimal d = ToDecimal(std::fabs(value), precision);
        if (d.exponent >= precision) return GeneralScientific(value < 0, d);
    }
    std::array<char, 400> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, decimals);
    (void)ec;
    std::string text(buffer.data(), end);
    // A value that rounds to zero is written without a sign.
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string FormatShortest(double value) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string FormatFixedWidth(double value, int width, int decimals) {
    if (!std::isfinite(value)) return PadLeft(NonFinite(value), width);
    std::array<char, 400> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, decimals);
    (void)ec;
    return PadLeft(std::string(buffer.data(), end), width);
}

std::string FormatInt(std::int64_t value, int width) {
    return PadLeft(std::to_string(value), width);
}

}  // namespace membrane
