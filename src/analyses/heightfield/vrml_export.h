// The membrane as a VRML 2.0 scene: every bar of the model a cylinder with a sphere at
// each end, every held node a cone, optional number labels and x, y, z axes; and handing
// the scene to the desktop's viewer.
//
// The scene file sits beside the model file with the extension ".wrl".
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/messages.h"
#include "common/opener.h"
#include "common/text_file.h"
#include "heightfield/model.h"
#include "heightfield/solution.h"

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
    Written,      // the scene file is complete
    NotCreated,   // the file could not be created (the user was told); an older scene stays
    WriteFailed,  // a write failed half-way (the user was told); an older scene stays
};

// The model extent M: the largest of the plan extents max(|xMin|, |xMax|),
// max(|yMin|, |yMax|) and, with a solution, the largest absolute height. The display
// scale plays no part.
double ModelExtent(const Model& model, const Solution* solution, double& xExtent, double& yExtent,
                   double& heightExtent);

// "dir/dome.DAT" -> "dir/dome.wrl".
std::string VrmlSceneFileName(const Model& model);

// The scene: header (scene size 1.5 x M), axes of length 2, per bar its two node spheres
// and its cylinder, per held node its cone, trailer. A node stands at its lifted z (0
// without a solution); with a solution, showDeformed and a scale other than -1 at
// scale x z (the flat plan lifted by the scaled heights). A bar with an end missing from the node
// table is left out whole.
void RenderVrmlScene(TextSink& out, const Model& model, const Solution* solution,
                     const VrmlOptions& options);

// Creates the file that receives the scene (a temporary file beside the target); null
// when it cannot be created. Tests inject a failing device.
using SceneFileFactory = std::function<std::unique_ptr<TextFileWriter>(const std::string& path)>;

// Writes the scene file, telling `messages` when it cannot: "Can not create a VRML file,
// check your disk or r/w permissions." or the input/output error.
VrmlExportResult ExportVrml(const Model& model, const Solution* solution,
                            const VrmlOptions& options, MessageSink& messages,
                            const SceneFileFactory& factory = {});

// Hands the scene file to the opener, or shows "No VRML file created!" when there is none;
// tells the user when no program could open it. False when the scene was not opened.
bool ShowVrml(const Model& model, Opener& opener, MessageSink& messages);

}  // namespace membrane
