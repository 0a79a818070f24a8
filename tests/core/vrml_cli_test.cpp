// The scene options of the command line, run on the bundled example.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "support/files.h"
#include "support/run_model.h"

namespace membrane {
namespace {

using namespace test;

int Membrane(const TempDir& dir, const std::string& arguments) {
    return RunCli(arguments, dir.Path().string()).status;
}

class VrmlCommandLine : public ::testing::Test {
  protected:
    void SetUp() override { CopyExample(dir); }
    std::string Scene() const { return ReadFile(dir / "TEST3.wrl"); }
    TempDir dir;
};

TEST_F(VrmlCommandLine, SceneOnlyWhenAsked) {
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q"), 0);
    EXPECT_FALSE(Exists(dir / "TEST3.wrl"));
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --vrml"), 0);
    const std::string scene = Scene();
    EXPECT_NE(scene.find("# node none\r\n"), std::string::npos);  // numbering off
    EXPECT_NE(scene.find("\"x\"]"), std::string::npos);           // axes on
    EXPECT_NE(scene.find("# supportnode "), std::string::npos);
}

TEST_F(VrmlCommandLine, ScaleZeroMeansTen) {
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --scale 10"), 0);
    const std::string ten = Scene();
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --scale 0"), 0);
    EXPECT_EQ(Scene(), ten);
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --vrml"), 0);
    EXPECT_NE(Scene(), ten);
}

TEST_F(VrmlCommandLine, UndeformedIgnoresTheScale) {
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --undeformed --numbering --no-axes"), 0);
    const std::string undeformed = Scene();
    EXPECT_EQ(undeformed.find("\"x\"]"), std::string::npos);
    EXPECT_NE(undeformed.find("# node 1\r\n"), std::string::npos);
    ASSERT_EQ(Membrane(dir, "run TEST3.DAT -q --undeformed --numbering --no-axes --scale 7"), 0);
    EXPECT_EQ(Scene(), undeformed);
}

TEST_F(VrmlCommandLine, VrmlCommandWritesTheFlatMeshWithoutRunning) {
    ASSERT_EQ(Membrane(dir, "vrml TEST3.DAT -q"), 0);
    EXPECT_FALSE(Exists(dir / "TEST3.OUT"));
    const std::string scene = Scene();
    EXPECT_NE(scene.find("# node none"), std::string::npos);
    // Every node sphere stands at z = 0.
    const std::regex sphere(
        R"(  translation [ -]\S{22} [ -]\S{22} ([ -]\S{22}) {6}\r\n  children \[)");
    int spheres = 0;
    for (auto it = std::sregex_iterator(scene.begin(), scene.end(), sphere);
         it != std::sregex_iterator(); ++it, ++spheres)
        EXPECT_EQ((*it)[1].str(), " 0.00000000000000E+0000");
    EXPECT_GT(spheres, 100);
    EXPECT_EQ(Membrane(dir, "vrml MISSING.DAT -q"), 5);  // a file that cannot be read
    EXPECT_FALSE(Exists(dir / "MISSING.wrl"));
}

TEST_F(VrmlCommandLine, OpenFailsWhenNoProgramCouldOpenTheScene) {
    // xdg-open ends with 3 when nothing is registered for the file, 0 when it handed it on.
    for (const int status : {3, 0}) {
        WriteFakeProgram(dir.Path().string(), "xdg-open", status);
        const CliResult run =
            RunProgram("env",
                       "PATH='" + dir.Path().string() +
                           ":/usr/bin:/bin' '" MEMBRANE_CLI "' run TEST3.DAT -q --open",
                       dir.Path().string());
        EXPECT_EQ(run.status, status == 0 ? 0 : 5) << run.output;
        EXPECT_EQ(run.output.find("No program could open") != std::string::npos, status != 0)
            << run.output;
    }
}

TEST_F(VrmlCommandLine, FailedRunWritesNoScene) {
    ASSERT_EQ(Membrane(dir, "run MISSING.DAT -q --vrml"), 5);
    EXPECT_FALSE(Exists(dir / "MISSING.wrl"));
}

}  // namespace
}  // namespace membrane
