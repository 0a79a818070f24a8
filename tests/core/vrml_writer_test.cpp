#include "output/vrml_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/io_error.h"
#include "common/messages.h"
#include "vrml_test_support.h"

namespace membrane {
namespace {

using testing::ExpectSameScene;
using testing::GoldenScene;
using testing::ReadBytes;
using testing::ScratchDir;

// The same fragments as tests/data/vrml/make_golden.py writes into each expected file.

TEST(VrmlWriter, NodesWithAndWithoutLabel) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "nodes.wrl", "dome.DAT", 4.0));
    w.WriteVrmlNode("7", 1.0, -2.0, 0.5);
    w.WriteVrmlNode("none", 0.0, 0.0, -0.0);
    w.CloseVrmlFile();
    ExpectSameScene(GoldenScene("nodes.wrl"), ReadBytes(dir / "nodes.wrl"));
    EXPECT_TRUE(messages.messages.empty());
}

TEST(VrmlWriter, BarsInEveryOrientation) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "bars.wrl", "bars.DAT", 2.0));
    w.WriteVrmlBar(0, "12", 0, 0, 0, 1, 0, 0);        // along x: turned about z
    w.WriteVrmlBar(0, "none", 0, 0, 0, 0, 2, 0);      // along y: no rotation line
    w.WriteVrmlBar(5, "none", 0, 0, 1, 0, 0, 0);      // along z: turned about x
    w.WriteVrmlBar(16, "3", 1, 0, 0, 0, 0, 1);        // general, axis (0.707, -0, 0.707)
    w.WriteVrmlBar(20, "none", 0, 0, 0, 1, 0, 1);     // general, axis (0.707, +0, -0.707)
    w.WriteVrmlBar(40, "none", 0.3, -1.2, 2.5, -0.7, 0.4, 1.1);
    w.WriteVrmlBar(0, "5", 1, 1, 1, 1, 1, 1 + 5e-10); // at most 1e-9 long: nothing at all
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 5e-9, 0);   // tilt within 1e-8 counts as along x
    w.CloseVrmlFile();
    ExpectSameScene(GoldenScene("bars.wrl"), ReadBytes(dir / "bars.wrl"));
}

TEST(VrmlWriter, GeneralBarAxisKeepsTheSignOfZero) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "b.wrl", "b", 1.0));
    w.WriteVrmlBar(0, "none", 1, 0, 0, 0, 0, 1);
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 0, 1);
    w.CloseVrmlFile();
    const std::string scene = ReadBytes(dir / "b.wrl");
    EXPECT_NE(scene.find("  rotation    7.07106781186547E-0001 -0.00000000000000E+0000  "
                         "7.07106781186547E-0001 -1.57079632679490E+0000  \r\n"),
              std::string::npos);
    EXPECT_NE(scene.find("  rotation    7.07106781186547E-0001  0.00000000000000E+0000 "
                         "-7.07106781186547E-0001 -1.57079632679490E+0000  \r\n"),
              std::string::npos);
}

TEST(VrmlWriter, SupportsInEveryRotationCase) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "supports.wrl", "supports.DAT", 1.5));
    w.WriteVrmlSupport("1", "x", 0.5, 0, 0);
    w.WriteVrmlSupport("2", "x", -0.5, 0, 0);
    w.WriteVrmlSupport("3", "x", -0.0, 0, 0);   // -0 counts as >= 0
    w.WriteVrmlSupport("4", "y", 0, -0.5, 0);
    w.WriteVrmlSupport("5", "y", 0, 0.5, 0);    // no rotation line
    w.WriteVrmlSupport("6", "z", 0, 0, 0);
    w.WriteVrmlSupport("7", "z", 0, 0, -0.25);
    w.WriteVrmlSupport("8", "z", 0, 0, -0.0);
    w.WriteVrmlSupport("9", "w", 1, 1, -1);     // unknown direction: no rotation line
    w.WriteVrmlBar(0, "none", 0, 0, 0, 1, 0, 0);
    w.WriteVrmlSupport("10", "z", 1, 0, 0);     // follows the bar's "}" directly
    w.CloseVrmlFile();
    ExpectSameScene(GoldenScene("supports.wrl"), ReadBytes(dir / "supports.wrl"));
}

TEST(VrmlWriter, AxesOnAndOff) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "axes.wrl", "axes.DAT", 3.0));
    w.WriteVrmlAxes(true, 2, 2, 2);
    w.WriteVrmlAxes(false, 2, 2, 2);  // not even a comment
    w.WriteVrmlAxes(true, 1, 4, 0.5);
    w.CloseVrmlFile();
    ExpectSameScene(GoldenScene("axes.wrl"), ReadBytes(dir / "axes.wrl"));
}

TEST(VrmlWriter, SceneSizeZeroPutsViewpointsAtTheOrigin) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "z.wrl", "unknown file", 0.0));
    w.WriteVrmlNode("1", 0, 0, 0);
    w.CloseVrmlFile();
    ExpectSameScene(GoldenScene("empty_size.wrl"), ReadBytes(dir / "z.wrl"));
}

TEST(VrmlWriter, TextInsideStringsIsEscaped) {
    EXPECT_EQ(VrmlStringText(R"(a"b\c)"), R"(a\"b\\c)");
    EXPECT_EQ(VrmlStringText("two\r\nlines"), "two  lines");

    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    ASSERT_TRUE(w.WriteVrmlHeader(dir / "q.wrl", "my \"dome\".DAT", 1.0));
    w.WriteVrmlNode("a\"b", 0, 0, 0);
    w.WriteVrmlBar(0, "c\\d", 0, 0, 0, 1, 0, 0);
    w.WriteVrmlSupport("e\nf", "z", 0, 0, 0);
    w.CloseVrmlFile();
    const std::string scene = ReadBytes(dir / "q.wrl");
    EXPECT_NE(scene.find(R"(  info ["Membrane : my \"dome\".DAT",)"), std::string::npos);
    EXPECT_NE(scene.find(std::string(16, ' ') + R"("a\"b"])"), std::string::npos);
    EXPECT_NE(scene.find(std::string(16, ' ') + R"x("(c\\d)"])x"), std::string::npos);
    EXPECT_NE(scene.find("# supportnode e f"), std::string::npos);
}

TEST(VrmlWriter, UncreatableFileIsReportedAndNothingWritten) {
    ScratchDir dir;
    RecordingMessageSink messages;
    VrmlWriter w(messages);
    EXPECT_FALSE(w.WriteVrmlHeader(dir / "missing/dir/scene.wrl", "m", 7.5));
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(w.SceneSize(), 7.5);
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Can not create a VRML file, check your disk or r/w permissions."});
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(VrmlWriter, FailedWriteKeepsTheOldSceneAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    const std::string target = dir / "scene.wrl";
    {
        std::ofstream old(target, std::ios::binary);
        old << "old scene\r\n";
    }
    RecordingMessageSink messages;
    // Every byte of the scene goes to a device that is always full.
    VrmlWriter w(messages, [](const std::string&) { return TextFileWriter::Create("/dev/full"); });
    ASSERT_TRUE(w.WriteVrmlHeader(target, "m", 1.0));
    w.WriteVrmlNode("1", 0, 0, 0);
    EXPECT_THROW(w.CloseVrmlFile(), IoError);
    EXPECT_FALSE(w.IsOpen());
    EXPECT_EQ(ReadBytes(target), "old scene\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()), 1);
}

TEST(VrmlWriter, AbandonedSceneLeavesTheTargetAlone) {
    ScratchDir dir;
    const std::string target = dir / "scene.wrl";
    {
        std::ofstream old(target, std::ios::binary);
        old << "old scene\r\n";
    }
    RecordingMessageSink messages;
    {
        VrmlWriter w(messages);
        ASSERT_TRUE(w.WriteVrmlHeader(target, "m", 1.0));
        w.WriteVrmlNode("1", 0, 0, 0);
        EXPECT_EQ(ReadBytes(target), "old scene\r\n");  // nothing shows before the close
    }  // destroyed half-way, as when a write throws
    EXPECT_EQ(ReadBytes(target), "old scene\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()), 1);
}

}  // namespace
}  // namespace membrane
