#include "cli/number_options.h"

#include <cmath>

namespace membrane {

CLI::Validator FiniteIn(double low, double high, const std::string& range, bool aboveLow) {
    return CLI::Validator(
        [low, high, range, aboveLow](std::string& text) -> std::string {
            double value = 0;
            if (!CLI::detail::lexical_cast(text, value) || !std::isfinite(value) ||
                (aboveLow ? !(value > low) : value < low) || value > high)
                return "must be a finite number " + range + ", not " + text;
            return {};
        },
        "FINITE " + range);
}

CLI::Validator WholeNumberFrom(int low) {
    return CLI::Validator(
        [low](std::string& text) -> std::string {
            int value = 0;
            if (!CLI::detail::lexical_cast(text, value) || value < low)
                return "must be a whole number of " + std::to_string(low) + " or more, not " + text;
            return {};
        },
        "INT >= " + std::to_string(low));
}

}  // namespace membrane
