// The VRML 2.0 scene writer: one fragment of the scene per call (header with two
// viewpoints, node sphere, support cone, bar cylinder, axes, trailer). It knows nothing of
// the model; the export walks the model and passes points, labels and options.
//
// The fragments are fixed line templates with computed numbers inserted. Every computed
// number is written in the 23-character scientific real format (a "-" for a set sign
// bit, so -0 shows as "-0.0...E+0000"); the blank padding at the ends of the lines is part
// of the layout and is reproduced exactly. Lines end with CR LF.
//
// The scene goes to a temporary file beside the target that CloseVrmlFile renames into
// place, so the target is either the complete new scene or the scene that was there
// before: a write that fails raises IoError, and the unfinished temporary file is removed
// when the writer is destroyed or starts the next scene.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "common/messages.h"
#include "common/text_file.h"

namespace membrane {

class VrmlWriter {
public:
    // Creates the file that receives the scene's lines (the temporary file); null when it
    // cannot be created. Replaceable so that tests can inject a failing device.
    using FileFactory = std::function<std::unique_ptr<TextFileWriter>(const std::string& path)>;

    explicit VrmlWriter(MessageSink& messages, FileFactory factory = {});
    ~VrmlWriter();
    VrmlWriter(const VrmlWriter&) = delete;
    VrmlWriter& operator=(const VrmlWriter&) = delete;

    // Sets the scene size S (viewpoints at (S, S, -S) and (-S, -S, -S), label text size
    // S / 40), starts the scene and writes the header. False, after the message "Can not
    // create a VRML file, check your disk or r/w permissions.", when the file cannot be
    // created; S keeps the new value even then.
    bool WriteVrmlHeader(const std::string& fileName, const std::string& modelName,
                         double sceneSize);
    // Yellow sphere of radius 0.065; a yellow text label beside it unless label is "none".
    void WriteVrmlNode(const std::string& label, double x, double y, double z);
    // Blue cone of height and bottom radius 0.1, turned by direction ("x", "y" or "z") and
    // the sign of the matching coordinate. The label goes into a comment only.
    void WriteVrmlSupport(const std::string& label, const std::string& direction, double x,
                          double y, double z);
    // Cylinder of radius 0.05 between the two points in the colour of colourIndex, with
    // the label in parentheses at its middle unless label is "none". Nothing at all for a
    // bar of length at most 1e-9.
    void WriteVrmlBar(int colourIndex, const std::string& label, double x1, double y1,
                      double z1, double x2, double y2, double z2);
    // White x, y and z axes from the origin with their letters; nothing when !show.
    void WriteVrmlAxes(bool show, double lengthX, double lengthY, double lengthZ);
    // Writes the trailer, closes the file and moves it onto the target. Throws IoError
    // when that fails; the writer is closed afterwards either way.
    void CloseVrmlFile();

    bool IsOpen() const { return file_ != nullptr; }
    double SceneSize() const { return sceneSize_; }

private:
    // The yellow text block of a node or bar label: the text lies in the x-z plane
    // (turned by -pi/2 about x) at (x, y, z); the two pads are those of the translation
    // and the string line, which differ between nodes and bars.
    void WriteLabelBlock(const std::string& comment, double x, double y, double z, int translationPad,
                         const std::string& stringLine, int stringPad);
    void Emit(const std::string& line);
    void Emit(int indent, const std::string& text, int pad);
    void EmitValues(int indent, const std::string& text, double a, double b, double c, int pad);
    void EmitValue(int indent, const std::string& text, double value, int pad);
    void EmitTab(int blanks, const std::string& text, int pad);
    void EmitTabValue(int blanks, const std::string& text, double value, int pad);
    void Abandon();

    MessageSink& messages_;
    FileFactory factory_;
    double sceneSize_ = 0.0;
    std::unique_ptr<AtomicFile> target_;
    std::unique_ptr<TextFileWriter> file_;
};

// The text as the inside of a VRML string: `"` -> `\"`, `\` -> `\\`; line breaks become
// blanks, since every line of the file must end with CR LF.
std::string VrmlStringText(const std::string& text);

}  // namespace membrane
