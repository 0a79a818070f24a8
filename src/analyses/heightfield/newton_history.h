// What each Newton step of a run did: kept with the run's results for the convergence
// table of the command line and the convergence plot of the results window.
#pragma once

#include <vector>

namespace membrane {

struct NewtonStepRecord {
    int iteration = 0;
    double largest = 0.0;  // the largest and the smallest increment of the full step du
    double smallest = 0.0;
    double stepLength = 0;   // alpha: the step applied was alpha du (0: not applied)
    double area = 0.0;       // the lifted area after the step
    bool restarted = false;  // the first step after starting again with a line search
};

using NewtonHistory = std::vector<NewtonStepRecord>;

}  // namespace membrane
