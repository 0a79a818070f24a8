#include "heightfield/report_solution.h"

#include <algorithm>
#include <charconv>

namespace membrane {
namespace {

std::string_view Trimmed(std::string_view s) {
    const std::size_t begin = s.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    return s.substr(begin, s.find_last_not_of(" \t\r") - begin + 1);
}

template <typename Number>
bool Convert(std::string_view text, Number& value) {
    text = Trimmed(text);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::optional<ReportSolution> ReadReportSolution(std::string_view report) {
    ReportSolution solution;
    constexpr std::string_view kIterations = "number of iterations :";
    if (const std::size_t at = report.find(kIterations); at != std::string_view::npos) {
        const std::string_view rest = report.substr(at + kIterations.size());
        Convert(rest.substr(0, rest.find("accurracy")), solution.iterations);
        constexpr std::string_view kAccuracy = "accurracy :";
        if (const std::size_t a = rest.find(kAccuracy); a != std::string_view::npos) {
            const std::string_view value = rest.substr(a + kAccuracy.size());
            Convert(value.substr(0, value.find('\n')), solution.accuracy);
        }
    }
    constexpr std::string_view kTitle = "\n&SOLUTION ";
    const std::size_t at = report.find(kTitle);
    if (at == std::string_view::npos) return std::nullopt;
    std::string_view rest = report.substr(at + kTitle.size());
    std::size_t count = 0;
    std::size_t end = rest.find('\n');
    if (end == std::string_view::npos || !Convert(rest.substr(0, end), count)) return std::nullopt;
    // A height takes two bytes at least ("0" and the line end): an edited count reserves no
    // more than the report can hold.
    solution.heights.reserve(std::min(count, rest.size() / 2));
    while (solution.heights.size() < count) {
        rest.remove_prefix(end + 1);
        end = rest.find('\n');
        double height = 0.0;
        if (end == std::string_view::npos || !Convert(rest.substr(0, end), height))
            return std::nullopt;
        solution.heights.push_back(height);
    }
    return solution;
}

}  // namespace membrane
