// The truss model file (".TRS") as text: an INI-like file for a separate truss analysis
// in which every triangle side is a bar, every held node a support in x, y and z, and one
// third of each triangle's weight a load on each of its corners.
//
//   ; data from BRIMEL.EXE
//   ; project :MODEL FILE NAME
//   (blank)
//   [properties] E=10000 A=1 (blank) [barproperties] 1=10000@1 (blank)   one item a line
//   [coordinates]   number=x@y@z           the lifted nodes, general real format
//   [elements]      number=node@node@type  the bars
//   [loads]         k=node@z@load          per node in order of first appearance
//   [supports]      k=node@x, k=node@y, k=node@z per held node
//
// Lines end with CR LF.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/text_sink.h"
#include "heightfield/model.h"

namespace membrane {

void RenderTrussHeader(TextSink& out, const std::string& modelFileName);
// "[coordinates]": every node at its plan point and z[index] (z: one per node).
void RenderTrussNodes(TextSink& out, const NodeTable& nodes, std::span<const double> z);
// "[elements]": the bars; nothing for an empty table.
void RenderTrussBars(TextSink& out, const ElementTable& bars);

// The nodal load of every node that is a corner of some element, in order of first
// appearance: one third of area x weight of every element it is a corner of, added in
// element order (`areas`: one per element, the lifted triangles).
struct NodalLoad {
    std::int32_t node;
    double load;
};
std::vector<NodalLoad> TrussLoads(const ElementTable& elements, std::span<const double> areas,
                                  double weight);

// "[loads]" and "[supports]", the end of the file.
void RenderTrussLoadsAndSupports(TextSink& out, const std::vector<NodalLoad>& loads,
                                 const IntList& held);

}  // namespace membrane
