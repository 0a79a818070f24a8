#include "cli/history_table.h"

#include <cstdio>

namespace membrane {

std::string RenderHistoryTable(const NewtonHistory& history) {
    std::string table = "iteration     largest du    smallest du    step              area\n";
    char line[160];
    for (const NewtonStepRecord& step : history) {
        if (step.restarted)
            table += "(started again from the harmonic start, with a line search)\n";
        const int n =
            std::snprintf(line, sizeof line, "%9d %14.6e %14.6e %7.4f %17.10g\n", step.iteration,
                          step.largest, step.smallest, step.stepLength, step.area);
        table.append(line, n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    return table;
}

}  // namespace membrane
