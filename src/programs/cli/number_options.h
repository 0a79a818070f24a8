// The checks of the commands' number options: a value that is not a finite number in its
// range is wrong usage (exit status 64), told in a line that names the range briefly
// (CLI11's own range checks print the largest double in full, 309 digits).
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace membrane {

// A finite number within [low, high]; with `aboveLow`, within (low, high]. `range` is how
// the message names the range ("from 0 to 1e100").
CLI::Validator FiniteIn(double low, double high, const std::string& range, bool aboveLow = false);

// A whole number of at least `low`.
CLI::Validator WholeNumberFrom(int low);

}  // namespace membrane
