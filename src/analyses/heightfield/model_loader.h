// Turns the text of a model file into a Model.
//
// A model file is 8-bit text with four tables, each found on its own by scanning the
// fields from the start of the text for the first field containing its title:
//   &COORDINATES n   node number, x, y
//   &ELEMENTS n      element number, node 1, node 2, node 3
//   &CONSTRAINTS n   node number of a held node       (found by "&CONSTR")
//   &INITIAL n       node number, height               (fixed or start height)
// After the count, the rest of the header line is passed over, whatever it holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "heightfield/model.h"
#include "heightfield/model_file.h"

namespace membrane {

// Reads the four tables ("&COORDINATES", "&INITIAL", "&CONSTR", "&ELEMENTS"); a table
// that gives no record is named in a message (missing, or announced with no records; one
// cut short has told the records it read). When all have records, the model is complete:
// its start heights, boundary, flat area and bars are worked out. Conversion failures and
// tables cut short are told to `messages`.
std::shared_ptr<Model> ReadModel(const ModelFile& file, MessageSink& messages);

// Faults of a complete model that would make the Newton step meaningless: element nodes
// missing from the node table, triangles without plan area, node or element numbers given
// twice, coordinates or heights that are not finite, triangles so large or so steep at
// their start heights that their area overflows, and triangles so small that their plan
// area (or its square, which every Newton term divides by) underflows. At most `limit` messages,
// then a line with how many more there are.
std::vector<std::string> CheckModel(const Model& model, std::size_t limit = 10);

// Held nodes and start heights of a complete model that name a node missing from the node
// table ("&CONSTR names node 999, which is not in &COORDINATES"): the run goes on without
// them, which is not what the file says. At most `limit` texts, then how many more.
std::vector<std::string> MissingNodeWarnings(const Model& model, std::size_t limit = 10);

}  // namespace membrane
