// The computed heights read back from a run's report file, for the tools that work on a
// model already run.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace membrane {

struct ReportSolution {
    int iterations = 0;
    double accuracy = 0.0;        // as the report prints it: ten decimals
    std::vector<double> heights;  // "&SOLUTION": one per node, node table order
};

// The "number of iterations" line and the "&SOLUTION n" table as RenderReportResults
// writes them; nothing when the report has no complete table of heights.
std::optional<ReportSolution> ReadReportSolution(std::string_view report);

}  // namespace membrane
