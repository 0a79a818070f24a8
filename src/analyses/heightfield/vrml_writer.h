// The VRML 2.0 scene as text: one fragment of the scene per call (header with two
// viewpoints, node sphere, support cone, bar cylinder, axes, trailer). It knows nothing of
// the model; the export walks the model and passes points, labels and options.
//
// The fragments are fixed line templates with computed numbers inserted. Every computed
// number is written in the 23-character scientific real format (a "-" for a set sign
// bit, so -0 shows as "-0.0...E+0000"); the blank padding at the ends of the lines is part
// of the layout and is reproduced exactly. Lines end with CR LF.
#pragma once

#include <string>

#include "common/text_sink.h"

namespace membrane {

class VrmlWriter {
  public:
    // Renders into `out`, which must outlive the writer.
    explicit VrmlWriter(TextSink& out) : out_(out) {}
    VrmlWriter(const VrmlWriter&) = delete;
    VrmlWriter& operator=(const VrmlWriter&) = delete;

    // Sets the scene size S (viewpoints at (S, S, -S) and (-S, -S, -S), label text size
    // S / 40) and writes the header.
    void WriteVrmlHeader(const std::string& modelName, double sceneSize);
    // Yellow sphere of radius 0.065; a yellow text label beside it unless label is "none".
    void WriteVrmlNode(const std::string& label, double x, double y, double z);
    // Blue cone of height and bottom radius 0.1, turned by direction ("x", "y" or "z") and
    // the sign of the matching coordinate. The label goes into a comment only.
    void WriteVrmlSupport(const std::string& label, const std::string& direction, double x,
                          double y, double z);
    // Cylinder of radius 0.05 between the two points in the colour of colourIndex, with
    // the label in parentheses at its middle unless label is "none". Nothing at all for a
    // bar of length at most 1e-9.
    void WriteVrmlBar(int colourIndex, const std::string& label, double x1, double y1, double z1,
                      double x2, double y2, double z2);
    // White x, y and z axes from the origin with their letters; nothing when !show.
    void WriteVrmlAxes(bool show, double lengthX, double lengthY, double lengthZ);
    // The end of the scene.
    void WriteVrmlTrailer();

  private:
    // The yellow text block of a node or bar label: the text lies in the x-z plane
    // (turned by -pi/2 about x) at (x, y, z); the two pads are those of the translation
    // and the string line, which differ between nodes and bars.
    void WriteLabelBlock(const std::string& comment, double x, double y, double z,
                         int translationPad, const std::string& stringLine, int stringPad);
    void Emit(const std::string& line);
    void Emit(int indent, const std::string& text, int pad);
    void EmitValues(int indent, const std::string& text, double a, double b, double c, int pad);
    void EmitValue(int indent, const std::string& text, double value, int pad);
    void EmitTab(int blanks, const std::string& text, int pad);
    void EmitTabValue(int blanks, const std::string& text, double value, int pad);
    TextSink& out_;
    double sceneSize_ = 0.0;
};

// The text as the inside of a VRML string: `"` -> `\"`, `\` -> `\\`; line breaks become
// blanks, since every line of the file must end with CR LF.
std::string VrmlStringText(const std::string& text);

}  // namespace membrane
