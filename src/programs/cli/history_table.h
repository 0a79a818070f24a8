// "membrane run --history": the convergence of a run as a table, one line per Newton step.
#pragma once

#include <string>

#include "heightfield/newton_history.h"

namespace membrane {

std::string RenderHistoryTable(const NewtonHistory& history);

}  // namespace membrane
