// How far heights read back from a report are from the membrane: the increments of one
// Newton step from them, measured by the run's own convergence test. A membrane in
// balance (the area's gradient zero at every free node) has a step of zero; the run stops
// once |max du| + |min du| <= 2 accuracy, so heights that pass that test are those of a
// converged run, and heights of a run stopped at its iteration limit usually are not.
#pragma once

#include <span>

#include "heightfield/model.h"

namespace membrane {

struct BalanceCheck {
    bool solved = false;                   // false: the Newton system could not be solved
    double largest = 0.0, smallest = 0.0;  // the largest and the smallest increment
    bool converged = false;                // they pass the run's test at that accuracy
};

// One Newton system at `heights` (one per node), solved by the elimination where its work
// is small and by sparse Cholesky elsewhere, as auto chooses.
BalanceCheck CheckBalance(const Model& model, std::span<const double> heights, double accuracy);

}  // namespace membrane
