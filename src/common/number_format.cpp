#include "common/number_format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace membrane {
namespace {

// The decimal digits and exponent of |value| rounded to `significant` digits:
// |value| = d0.d1d2... * 10^exponent.
struct Decimal {
    std::string digits;  // exactly `significant` digits, the first nonzero unless value == 0
    int exponent = 0;
};

Decimal ToDecimal(double magnitude, int significant) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                   std::chars_format::scientific, significant - 1);
    (void)ec;
    std::string text(buffer.data(), end);  // "d.ddddde+XX"
    Decimal result;
    const auto e = text.find('e');
    for (std::size_t i = 0; i < e; ++i)
        if (text[i] != '.') result.digits.push_back(text[i]);
    result.exponent = std::atoi(text.c_str() + e + 1);
    return result;
}

std::string NonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return std::signbit(value) ? "-INF" : "INF";
}

std::string StripTrailingZeros(std::string digits) {
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    return digits;
}

// "1.2345E-5" / "1E15": the scientific form of the general format.
std::string GeneralScientific(bool negative, const Decimal& d) {
    std::string out = negative ? "-" : "";
    out += d.digits[0];
    const std::string fraction = StripTrailingZeros(d.digits.substr(1));
    if (!fraction.empty()) out += "." + fraction;
    out += "E";
    if (d.exponent < 0) out += "-";
    out += std::to_string(std::abs(d.exponent));
    return out;
}

}  // namespace

std::string PadLeft(const std::string& text, int width) {
    if (static_cast<int>(text.size()) >= width) return text;
    return std::string(width - text.size(), ' ') + text;
}

std::string FormatScientific(double value) {
    if (!std::isfinite(value)) return PadLeft(NonFinite(value), 23);
    const bool negative = std::signbit(value);
    const Decimal d = ToDecimal(std::fabs(value), 15);
    std::string out;
    out.reserve(23);
    out += negative ? '-' : ' ';
    out += d.digits[0];
    out += '.';
    out += d.digits.substr(1);
    out += 'E';
    out += d.exponent < 0 ? '-' : '+';
    std::string exp = std::to_string(std::abs(d.exponent));
    out += std::string(4 - std::min<std::size_t>(4, exp.size()), '0') + exp;
    return out;
}

std::string FormatGeneral(double value, int significant) {
    if (!std::isfinite(value)) return NonFinite(value);
    if (value == 0.0) return "0";
    const bool negative = value < 0;
    const Decimal d = ToDecimal(std::fabs(value), significant);
    if (d.exponent < -4 || d.exponent >= significant) return GeneralScientific(negative, d);
    std::string out = negative ? "-" : "";
    if (d.exponent >= 0) {
        out += d.digits.substr(0, d.exponent + 1);
        const std::string fraction = StripTrailingZeros(d.digits.substr(d.exponent + 1));
        if (!fraction.empty()) out += "." + fraction;
    } else {
        out += "0." + std::string(-d.exponent - 1, '0') + StripTrailingZeros(d.digits);
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
