// Turns the text of a model file into a Model.
//
// A model file is 8-bit text with four tables, each found on its own by scanning the
// fields from the start of the text for the first field containing its title:
//   &COORDINATES n   node number, x, y
//   &ELEMENTS n      element number, node 1, node 2, node 3
//   &CONSTRAINTS n   node number of a held node       (found by "&CONSTR")
//   &INITIAL n       node number, height               (fixed or start height)
// After the count, one more field is read and dropped: with blanks after the count that
// is the empty field at the end of the header line.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/messages.h"
#include "model/model.h"
#include "model/model_file.h"

namespace membrane {

// Reads the tables in this order: "&COORDINATES", "&INITIAL", "&CONSTR", "&ELEMENTS", and
// stops at the first one without records. When all have records, the model is complete:
// its start heights, boundary, flat area and bars are worked out. Conversion failures and
// tables cut short are told to `messages`.
std::shared_ptr<Model> ReadModel(const ModelFile& file, MessageSink& messages);

// Faults of a complete model that would make the Newton step meaningless: element nodes
// missing from the node table, triangles without plan area, node or element numbers given
// twice, coordinates or heights that are not finite, and triangles so large or so steep at
// their start heights that their area overflows. At most `limit` messages, then a line
// with how many more there are.
std::vector<std::string> CheckModel(const Model& model, std::size_t limit = 10);

}  // namespace membrane
