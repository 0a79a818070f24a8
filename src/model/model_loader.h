// Turns a model file into the model objects of one run.
//
// A model file is 8-bit text with four tables, each found on its own by scanning the
// fields from the start of the file for the first field containing its title:
//   &COORDINATES n   node number, x, y
//   &ELEMENTS n      element number, node 1, node 2, node 3
//   &CONSTRAINTS n   node number of a held node       (found by "&CONSTR")
//   &INITIAL n       node number, height               (fixed or start height)
// After the count, one more field is read and dropped: with blanks after the count that
// is the empty field at the end of the header line.
#pragma once

#include <string>

#include "common/run_state.h"

namespace membrane {

// Loads the model; false (after the message "error in input") when a table is missing
// or empty, or when the model check finds a fault.
bool LoadModel(RunState& state, const std::string& modelFileName);

// Faults that would make the Newton step meaningless: element nodes missing from the
// node table, triangles without plan area, node or element numbers given twice,
// coordinates or heights that are not finite, and triangles so large or so steep at their
// starting heights that their area overflows. Returns
// the messages, at most `limit` of them plus a line with how many more there are.
std::vector<std::string> CheckModel(const RunState& state, std::size_t limit = 10);

}  // namespace membrane
