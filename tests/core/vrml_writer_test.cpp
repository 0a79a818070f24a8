#include "heightfield/vrml_writer.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/golden.h"

namespace membrane {
namespace {

using namespace test;

// The same fragments as tests/data/vrml/make_golden.py writes into each expected file.

TEST(VrmlWriter, NodesWithAndWithoutLabel) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("dome.DAT", 4.0);
    w.WriteVrmlNode("7", 1.0, -2.0, 0.5);
    w.WriteVrmlNode("none", 0.0, 0.0, -0.0);
    w.WriteVrmlTrailer();
    ExpectGolden("vrml/nodes.wrl", out.Text());
}

TEST(VrmlWriter, BarsInEveryOrientation) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("bars.DAT", 2.0);
    w.WriteVrmlBar(0, "12", 0, 0, 0, 1, 0, 0);     // along x: turned about z
    w.WriteVrmlBar(0, "none", 0, 0, 0, 0, 2, 0);   // along y: no rotation line
    w.WriteVrmlBar(5, "none", 0, 0, 1, 0, 0, 0);   // along z: turned about x
    w.WriteVrmlBar(16, "3", 1, 0, 0, 0, 0, 1);     // general, axis (0.707, -0, 0.707)
    w.WriteVrmlBar(20, "none", 0, 0, 0, 1, 0, 1);  // general, axis (0.707, +0, -0.707)
    w.WriteVrmlBar(40, "none", 0.3, -1.2, 2.5, -0.7, 0.4, 1.1);
    w.WriteVrmlBar(0, "5", 1, 1, 1, 1, 1, 1 + 5e-10);  // at most 1e-9 long: nothing at all
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 5e-9, 0);    // tilt within 1e-8 counts as along x
    w.WriteVrmlTrailer();
    ExpectGolden("vrml/bars.wrl", out.Text());
}

TEST(VrmlWriter, GeneralBarAxisKeepsTheSignOfZero) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("b", 1.0);
    w.WriteVrmlBar(0, "none", 1, 0, 0, 0, 0, 1);
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 0, 1);
    w.WriteVrmlTrailer();
    const std::string& scene = out.Text();
    EXPECT_NE(scene.find("  rotation    7.07106781186547E-0001 -0.00000000000000E+0000  "
                         "7.07106781186547E-0001 -1.57079632679490E+0000  \r\n"),
              std::string::npos);
    EXPECT_NE(scene.find("  rotation    7.07106781186547E-0001  0.00000000000000E+0000 "
                         "-7.07106781186547E-0001 -1.57079632679490E+0000  \r\n"),
              std::string::npos);
}

TEST(VrmlWriter, SupportsInEveryRotationCase) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("supports.DAT", 1.5);
    w.WriteVrmlSupport("1", "x", 0.5, 0, 0);
    w.WriteVrmlSupport("2", "x", -0.5, 0, 0);
    w.WriteVrmlSupport("3", "x", -0.0, 0, 0);  // -0 counts as >= 0
    w.WriteVrmlSupport("4", "y", 0, -0.5, 0);
    w.WriteVrmlSupport("5", "y", 0, 0.5, 0);  // no rotation line
    w.WriteVrmlSupport("6", "z", 0, 0, 0);
    w.WriteVrmlSupport("7", "z", 0, 0, -0.25);
    w.WriteVrmlSupport("8", "z", 0, 0, -0.0);
    w.WriteVrmlSupport("9", "w", 1, 1, -1);  // unknown direction: no rotation line
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 0, 0);
    w.WriteVrmlSupport("10", "z", 1, 0, 0);  // follows the bar's "}" directly
    w.WriteVrmlTrailer();
    ExpectGolden("vrml/supports.wrl", out.Text());
}

TEST(VrmlWriter, AxesOnAndOff) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("axes.DAT", 3.0);
    w.WriteVrmlAxes(true, 2, 2, 2);
    w.WriteVrmlAxes(false, 2, 2, 2);  // not even a comment
    w.WriteVrmlAxes(true, 1, 4, 0.5);
    w.WriteVrmlTrailer();
    ExpectGolden("vrml/axes.wrl", out.Text());
}

TEST(VrmlWriter, SceneSizeZeroPutsViewpointsAtTheOrigin) {
    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("unknown file", 0.0);
    w.WriteVrmlNode("1", 0, 0, 0);
    w.WriteVrmlTrailer();
    ExpectGolden("vrml/empty_size.wrl", out.Text());
}

TEST(VrmlWriter, TextInsideStringsIsEscaped) {
    EXPECT_EQ(VrmlStringText(R"(a"b\c)"), R"(a\"b\\c)");
    EXPECT_EQ(VrmlStringText("two\r\nlines"), "two  lines");

    StringSink out;
    VrmlWriter w(out);
    w.WriteVrmlHeader("my \"dome\".DAT", 1.0);
    w.WriteVrmlNode("a\"b", 0, 0, 0);
    w.WriteVrmlBar(0, "c\\d", 0, 0, 0, 1, 0, 0);
    w.WriteVrmlSupport("e\nf", "z", 0, 0, 0);
    w.WriteVrmlTrailer();
    const std::string& scene = out.Text();
    EXPECT_NE(scene.find(R"(  info ["Membrane : my \"dome\".DAT",)"), std::string::npos);
    EXPECT_NE(scene.find(std::string(16, ' ') + R"("a\"b"])"), std::string::npos);
    EXPECT_NE(scene.find(std::string(16, ' ') + R"x("(c\\d)"])x"), std::string::npos);
    EXPECT_NE(scene.find("# supportnode e f"), std::string::npos);
}

}  // namespace
}  // namespace membrane
