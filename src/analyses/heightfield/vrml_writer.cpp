#include "heightfield/vrml_writer.h"

#include <cmath>

#include "common/number_format.h"
#include "heightfield/vrml_colour.h"

namespace membrane {

namespace {

// Geometry of the scene's shapes, in model units.
constexpr double kNodeRadius = 0.065;
constexpr double kConeRadius = 0.1;
constexpr double kConeHeight = 0.1;
constexpr double kBarRadius = 0.05;
constexpr double kAxisRadius = 0.01;
constexpr double kLabelOffset =
    0.06;  // labels stand this far along x (axis letters: along the axis)
constexpr double kTextSizeDivisor = 40.0;  // label text size = S / 40
constexpr double kZeroLength = 1e-9;       // shorter bars are not drawn
constexpr double kAlignment = 1e-8;        // smaller direction components count as zero
constexpr double kHalfPi = 1.5707963267948966;

const char* const kLabelSentinel = "none";

// The free texts of the header and the trailer. None contains a double quote.
const char* const kProgramComment =
    "# Minimum-area membrane over a triangular mesh, written by membrane";
const char* const kSceneComment =
    "# Bars are the triangle sides, spheres the nodes, cones the held nodes";
const char* const kSceneTitle = "Membrane";
const char* const kInfoText2 = "bars, nodes and supports of the lifted mesh";
const char* const kInfoText3 = "written by membrane";
const char* const kTrailerText = "membrane scene";

std::string Blanks(int n) {
    return std::string(static_cast<std::size_t>(n), ' ');
}

// A comment runs to the end of its line: a line break inside it would turn the rest of
// the text into scene code.
std::string CommentText(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

bool Small(double v) {
    return std::fabs(v) <= kAlignment;
}

}  // namespace

std::string VrmlStringText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

void VrmlWriter::Emit(const std::string& line) {
    out_.Line(line);
}

void VrmlWriter::Emit(int indent, const std::string& text, int pad) {
    Emit(Blanks(indent) + text + Blanks(pad));
}

void VrmlWriter::EmitValue(int indent, const std::string& text, double value, int pad) {
    Emit(Blanks(indent) + text + " " + FormatScientific(value) + Blanks(pad));
}

void VrmlWriter::EmitValues(int indent, const std::string& text, double a, double b, double c,
                            int pad) {
    Emit(Blanks(indent) + text + " " + FormatScientific(a) + " " + FormatScientific(b) + " " +
         FormatScientific(c) + Blanks(pad));
}

void VrmlWriter::EmitTab(int blanks, const std::string& text, int pad) {
    Emit("\t" + Blanks(blanks) + text + Blanks(pad));
}

void VrmlWriter::EmitTabValue(int blanks, const std::string& text, double value, int pad) {
    Emit("\t" + Blanks(blanks) + text + " " + FormatScientific(value) + Blanks(pad));
}

void VrmlWriter::WriteVrmlHeader(const std::string& modelName, double sceneSize) {
    sceneSize_ = sceneSize;
    const double s = sceneSize_;
    Emit("#VRML V2.0 utf8");
    Emit(kProgramComment);
    Emit(kSceneComment);
    Emit("#");
    Emit("");
    Emit("WorldInfo {");
    Emit(std::string("  info [\"") + kSceneTitle + " : " + VrmlStringText(modelName) + "\",\"" +
         kInfoText2 + "\",\"" + kInfoText3 + "\"]");
    Emit(std::string("  title \"") + kSceneTitle + "\"");
    Emit("}");
    Emit("");
    Emit(0, "NavigationInfo { type [ \"EXAMINE\", \"ANY\" ] }", 45);
    Emit(Blanks(89));
    // Viewpoint 1 stands at (S, S, -S) and looks along (-1, -1, 1)/sqrt(3) to the origin.
    Emit(0, "Viewpoint", 80);
    Emit(0, "{", 88);
    Emit(2, "description \"Viewpoint1\"", 64);
    EmitValues(2, "position", s, s, -s, 42);
    Emit(
        "  orientation -0.897148 0.403004 -0.180869 2.25325 # towards 0 0 0  tilt -2.03541 "
        "radians");
    Emit(2, "fieldOfView 0.785398", 67);
    Emit("}");
    Emit("");
    // Viewpoint 2 stands at (-S, -S, -S) and looks along (1, 1, 1)/sqrt(3).
    Emit(0, "Viewpoint", 80);
    Emit(0, "{", 88);
    Emit(2, "description \"Viewpoint2\"", 63);
    EmitValues(2, "position", -s, -s, -s, 40);
    Emit(2, "orientation 0.689054 0.561775 -0.457835 3.04848 # towards 0 0 0  tilt 2.03541 radians",
         2);
    Emit(2, "fieldOfView 0.785398", 67);
    Emit("}");
    Emit("");
}

void VrmlWriter::WriteVrmlNode(const std::string& label, double x, double y, double z) {
    Emit("");
    Emit("# node " + CommentText(label));
    Emit("");
    Emit(0, "Transform {", 26);
    EmitValues(2, "translation", x, y, z, 6);
    Emit(2, "children [", 25);
    Emit(4, "Shape {", 26);
    Emit(4, "appearance Appearance {", 10);
    Emit(8, "material Material { diffuseColor 1 1 0 }", 1);
    Emit(4, "}", 32);
    Emit(4, "geometry Sphere {", 16);
    EmitValue(12, "radius", kNodeRadius, 2);
    Emit(4, "}", 32);
    Emit(2, "}", 34);
    Emit(2, "]", 34);
    Emit(0, "}", 36);
    Emit("");
    if (label == kLabelSentinel) return;

    // The label beside the sphere.
    WriteLabelBlock("# name of the node", x + kLabelOffset, y, z, 10,
                    "\"" + VrmlStringText(label) + "\"]", 18);
}

void VrmlWriter::WriteLabelBlock(const std::string& comment, double x, double y, double z,
                                 int translationPad, const std::string& stringLine, int stringPad) {
    Emit(0, comment, 1);
    Emit("");
    Emit(0, "Transform {", 35);
    EmitValues(2, "translation", x, y, z, translationPad);
    Emit(2, "rotation    1 0 0 -1.57079", 18);
    Emit(2, "children [", 34);
    Emit(4, "Shape {", 35);
    Emit(6, "appearance Appearance {", 17);
    EmitTab(4, "material Material { diffuseColor 1 1 0 }", 0);
    Emit(6, "}", 39);
    Emit(6, "geometry Text {", 25);
    Emit(8, "string [", 30);
    Emit(16, stringLine, stringPad);
    Emit(8, "fontStyle FontStyle {", 17);
    Emit(12, "family \"ARIAL\"", 20);
    EmitValue(12, "size", sceneSize_ / kTextSizeDivisor, 10);
    Emit(8, "}   }   }", 29);
    Emit(6, "]", 39);
    Emit(0, "}", 45);
    Emit("");
}

void VrmlWriter::WriteVrmlSupport(const std::string& label, const std::string& direction, double x,
                                  double y, double z) {
    Emit(0, "# supportnode " + CommentText(label), 23);
    Emit("");
    Emit(0, "Transform {", 35);
    EmitValues(2, "translation", x, y, z, 15);
    // The cone's tip points along +y; turn it to point away from the node's side of the
    // plane (-0 counts as the positive side).
    if (direction == "x") {
        if (x >= 0)
            Emit(2, "rotation    0 0 1 -1.57079", 16);
        else
            Emit(2, "rotation    0 0 1  1.57079", 16);
    } else if (direction == "y") {
        if (y < 0) Emit(2, "rotation    0 0 1  3.1415", 17);
    } else if (direction == "z") {
        if (z >= 0)
            Emit(2, "rotation    1 0 0 -1.57079", 16);
        else
            Emit(2, "rotation    1 0 0  1.57079", 16);
    }
    Emit(2, "children [", 34);
    Emit(4, "Shape {", 35);
    Emit(6, "appearance Appearance {", 17);
    EmitTab(4, "material Material { diffuseColor 0 0 1 }", 0);
    Emit(6, "}", 39);
    Emit(6, "geometry Cone {", 25);
    EmitValue(8, "bottomRadius", kConeRadius, 10);
    EmitTabValue(6, "height", kConeHeight, 16);
    EmitTab(6, "side TRUE", 29);
    Emit(8, "bottom TRUE", 27);
    Emit(6, "}", 39);
    Emit(4, "}", 41);
    Emit(3, "]", 42);
    Emit(0, "}", 45);
}

void VrmlWriter::WriteVrmlBar(int colourIndex, const std::string& label, double x1, double y1,
                              double z1, double x2, double y2, double z2) {
    const double length =
        std::sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2) + (z1 - z2) * (z1 - z2));
    if (!(std::fabs(length) > kZeroLength)) return;

    // Unit direction from the second point to the first, and the midpoint.
    const double dx = (x1 - x2) / length, dy = (y1 - y2) / length, dz = (z1 - z2) / length;
    const double mx = (x1 + x2) * 0.5, my = (y1 + y2) * 0.5, mz = (z1 + z2) * 0.5;

    enum class Orientation { General, AlongX, AlongY, AlongZ } orientation = Orientation::General;
    if (Small(dy) && Small(dz)) orientation = Orientation::AlongX;
    if (Small(dx) && Small(dz)) orientation = Orientation::AlongY;
    if (Small(dx) && Small(dy)) orientation = Orientation::AlongZ;

    Emit("");
    Emit(0, "Transform {", 42);
    switch (orientation) {
        case Orientation::General: {
            // A cylinder stands along y. Turning y onto d: axis d x (0, 1, 0), unnormalised
            // and formed term by term so that its middle component keeps the sign of the
            // zero products; angle -arccos(dy).
            const double ax = dy * 0.0 - dz * 1.0;
            const double ay = dz * 0.0 - dx * 0.0;
            const double az = dx * 1.0 - dy * 0.0;
            const double angle = -std::atan2(std::sqrt(1.0 - dy * dy), dy);
            Emit("  rotation  " + std::string(" ") + FormatScientific(ax) + " " +
                 FormatScientific(ay) + " " + FormatScientific(az) + " " + FormatScientific(angle) +
                 Blanks(2));
            break;
        }
        case Orientation::AlongX:
            EmitValue(2, "rotation    0 0 1", kHalfPi, 17);
            break;
        case Orientation::AlongZ:
            EmitValue(2, "rotation    1 0 0", kHalfPi, 17);
            break;
        case Orientation::AlongY:
            break;
    }
    EmitValues(2, "translation", mx, my, mz, 19);
    Emit(2, "children [", 41);
    Emit(2, "Shape {", 44);
    Emit(6, "appearance Appearance {", 24);
    Emit(10, "material Material { diffuseColor " + VrmlColour(colourIndex) + " }", 0);
    Emit(6, "}", 46);
    Emit(6, "geometry Cylinder {", 28);
    EmitValue(10, "radius", kBarRadius, 22);
    EmitValue(10, "height", length, 30);
    Emit(6, "}", 46);
    Emit(2, "}", 50);
    Emit(2, "]", 50);
    Emit(0, "}", 52);
    if (label == kLabelSentinel) return;

    WriteLabelBlock("# name of bar", mx + kLabelOffset, my, mz, 7,
                    "\"(" + VrmlStringText(label) + ")\"]", 16);
}

void VrmlWriter::WriteVrmlAxes(bool show, double lengthX, double lengthY, double lengthZ) {
    if (!show) return;
    struct Axis {
        char letter;
        double length;
        double cx, cy, cz;     // unit vector of the axis
        const char* rotation;  // turns the cylinder's own y axis onto this axis; null: none
    };
    const Axis axes[] = {
        {'x', lengthX, 1, 0, 0, "rotation    0 0 1 -1.57079"},
        {'y', lengthY, 0, 1, 0, nullptr},
        {'z', lengthZ, 0, 0, 1, "rotation    1 0 0 -1.57079"},
    };
    for (const Axis& a : axes) {
        // A white cylinder from the origin to 0.75 x length, centred halfway.
        const double centre = 0.375 * a.length;
        Emit(0, "Transform {", 40);
        EmitValues(2, "translation", a.cx * centre + 0.0, a.cy * centre + 0.0, a.cz * centre + 0.0,
                   9);
        if (a.rotation) Emit(2, a.rotation, 23);
        Emit(2, "children [", 39);
        Emit(2, "Shape {", 42);
        Emit(6, "appearance Appearance {", 22);
        Emit(10, "material Material { diffuseColor 1 1 1 }", 1);
        Emit(6, "}", 44);
        Emit(6, "geometry Cylinder {", 26);
        EmitValue(10, "radius", kAxisRadius, 19);
        EmitValue(10, "height", 0.75 * a.length, 23);
        Emit(6, "}", 44);
        Emit(2, "}", 48);
        Emit(2, "]", 48);
        Emit(0, "}", 50);

        // Its yellow letter 0.06 beyond the end.
        const double tip = 0.75 * a.length + kLabelOffset;
        Emit(0, "# name of axis", 1);
        Emit("");
        Emit(0, "Transform {", 40);
        if (a.letter == 'x')
            EmitValues(2, "translation", tip, 0.0, 0.0, 5);
        else
            Emit("  translation " + FormatScientific(a.cx * tip + 0.0) + " " +
                 FormatScientific(a.cy * tip + 0.0) + "  " + FormatScientific(a.cz * tip + 0.0) +
                 Blanks(4));
        Emit(2, "rotation    1 0 0 -1.57079", 23);
        Emit(2, "children [", 39);
        Emit(4, "Shape {", 40);
        Emit(6, "appearance Appearance {", 22);
        EmitTab(4, "material Material { diffuseColor 1 1 0 }", 5);
        Emit(6, "}", 44);
        Emit(6, "geometry Text {", 30);
        Emit(8, "string [", 35);
        Emit(16, std::string("\"") + a.letter + "\"]", 31);
        Emit(8, "fontStyle FontStyle {", 22);
        Emit(12, "family \"ARIAL\"", 25);
        EmitValue(12, "size", sceneSize_ / kTextSizeDivisor, 15);
        Emit(8, "}   }   }", 34);
        Emit(6, "]", 44);
        Emit(0, "}", 50);
        Emit("");
    }
}

void VrmlWriter::WriteVrmlTrailer() {
    Emit("");
    Emit(std::string("# end of file, ") + kTrailerText);
}

}  // namespace membrane
