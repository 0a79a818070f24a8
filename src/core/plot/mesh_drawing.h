// The two-dimensional drawing of the mesh in the results window: light grey triangles
// outlined in black (the membrane's near-vertical walls purple), a small circle and the
// number at every node, the boundary in blue, constrained nodes circled in green and nodes
// with an initial value circled in red. Circles and numbers are drawn only where they stay
// apart on the device (a dense part of a large mesh shows some, zooming in shows all), and
// triangles a few pixels small are outlined in their fill colour.
#pragma once

#include <optional>
#include <string>

#include "common/messages.h"
#include "plot/mesh_source.h"
#include "plot/plotter.h"

namespace membrane {

// Draws the mesh through `plot` (null: no plotting object yet) and gives the status line
// shown under the drawing:
//   "plot not initialised"               no plotting object
//   ", input errors and no results"      the latest model loading failed
//   "drawing done no results"            loaded, but no successful run
//   "drawing done"                       loaded and run
// Two notes may follow in parentheses: "drawing skipped" replaces "drawing done" when the
// mesh cannot be scaled (a single node, or all nodes on a line parallel to an axis), with
// the reason; "(node numbers left out)" when the mesh is too dense for readable numbers.
std::string DrawMesh(Plotter* plot, const MeshSource& source);

// Redraws the mesh and marks node `number` with a red filled circle and a cross. Nothing
// happens (nullopt) when there is no node table, the number is 0 or no such node exists;
// otherwise the status line of the redraw.
std::optional<std::string> HighlightNode(Plotter& plot, const MeshSource& source, int number);

// Redraws the mesh with element `number` filled red. Nothing happens (nullopt) when there
// is no element table, the number is 0 or the element does not exist or has no node list.
std::optional<std::string> HighlightElement(Plotter& plot, const MeshSource& source, int number);

// Draws the mesh on a white SVG surface of the given size and saves it to `path`. False
// when the file cannot be written. Plot failures are reported to `messages` (may be null).
bool RenderMeshSvg(const MeshSource& source, const std::string& path, int width = 634,
                   int height = 474, MessageSink* messages = nullptr);

}  // namespace membrane
