// The membrane as a VRML 2.0 scene: every bar of the bar table a cylinder with a sphere at
// each end, every constrained node a cone, optional number labels and x, y, z axes; and
// handing the scene to the desktop's viewer.
//
// The scene file sits beside the model file with the extension ".wrl".
#pragma once

#include <string>

#include "common/opener.h"
#include "common/run_state.h"
#include "output/vrml_writer.h"

namespace membrane {

// What the results window passes: "show numbering" (off at start), "show xyz-axis" (on),
// "show deformed state" (on) and the scale of the heights (1.0; the caller replaces an
// entered 0 by 10 and passes -1 when the deformed state is not shown).
struct VrmlOptions {
    bool showNumbering = false;
    bool showAxes = true;
    bool showDeformed = true;
    double scale = 1.0;
};

// Scale value that means "draw the mesh undeformed".
inline constexpr double kUndeformedScale = -1.0;

enum class VrmlExportResult {
    Written,     // the scene file is complete
    NotCreated,  // the file could not be created (the user was told); an older scene stays
    WriteFailed, // a write failed half-way (the user was told); an older scene stays
};

// The model extent M: the largest of the plan extents max(|xMin|, |xMax|),
// max(|yMin|, |yMax|) and, after a successful run, the largest absolute height. Node z and
// the display scale play no part.
double ModelExtent(const RunState& state, double& xExtent, double& yExtent, double& heightExtent);

// "dir/dome.DAT" -> "dir/dome.wrl".
std::string VrmlSceneFileName(const RunState& state);

// Writes the scene: header (scene size 1.5 x M), axes of length 2, per bar its two node
// spheres and its cylinder, per constrained node its cone, trailer. After a successful
// run with showDeformed and a scale other than -1 a node is drawn at z + scale x height
// (z already holds the height), otherwise at z. A bar with an end missing from the node
// table is left out whole. Messages go to state.messages.
VrmlExportResult ExportVrml(RunState& state, const VrmlOptions& options);
VrmlExportResult ExportVrml(RunState& state, bool showNumbering, bool showAxes,
                            bool showDeformed, double scale);
// The same through a given writer (tests inject a failing file).
VrmlExportResult ExportVrml(RunState& state, const VrmlOptions& options, VrmlWriter& writer);

// Hands the scene file to the opener, or shows "No VRML file created!" when there is none.
void ShowVrml(RunState& state, Opener& opener);

}  // namespace membrane
