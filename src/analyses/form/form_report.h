// The report of a form-finding run ("NAME.form.txt"): how it ended, the membrane regions
// with their prestress and the stresses found, the cables with force, length and sag, every
// support's reaction, the balance of all reactions against the loads, and the iterations.
// Units in every heading: kN, m, degrees.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "common/text_sink.h"
#include "form/form_model.h"
#include "form/form_solution.h"

namespace membrane {

// What the run says about itself, as the report's first lines.
struct FormReportHeading {
    std::string outcome;                // e.g. "converged in 23 iterations"
    std::vector<std::string> warnings;  // one line each
};

void RenderFormReport(TextSink& out, const FormModel& model, const FormSolution& solution,
                      const FormReportHeading& heading, std::span<const FormStepRecord> history);

// The sums the report's balance shows: all loads, all reactions and what is left.
struct FormBalance {
    Vec3 loads, reactions, left;
    double largestReaction = 0.0;
};
FormBalance BalanceOf(const FormSolution& solution);

// A number in scientific notation with `digits` significant digits, whatever the locale
// ("4.12E-13").
std::string ShortScientific(double value, int digits = 3);

}  // namespace membrane
