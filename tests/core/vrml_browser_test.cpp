// The bundled example's scene, written by the command line after a run, loaded and drawn
// by a real VRML 2.0 browser (view3dscene, headless under Xvfb). The browser reports most
// parse problems only in its log file, so the test points XDG_CONFIG_HOME at a private
// directory and reads that log.
//
// Set MEMBRANE_VRML_SCREENSHOT=/some/file.png to keep the rendered picture.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "support/files.h"

namespace membrane {
namespace {

using test::ReadFile;
using test::TempDir;

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Quote(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Warning and error lines of the browser's log and output, without the ones it prints on
// every start (no sound device, no "ARIAL" font family).
std::string Problems(const std::filesystem::path& config, const std::string& output) {
    const std::regex problem(R"(^(Warning|Error)|Exception)");
    const std::regex benign(
        R"(OnInitialize was called|OpenAL|^Warning: Sound:|Font family "ARIAL" not supported)");
    std::string found;
    std::istringstream lines(ReadFile((config / "view3dscene" / "view3dscene.log").string()) +
                             "\n" + output);
    for (std::string line; std::getline(lines, line);)
        if (std::regex_search(line, problem) && !std::regex_search(line, benign))
            found += line + "\n";
    return found;
}

TEST(VrmlBrowser, ExampleSceneLoadsAndRendersCleanly) {
    for (const char* tool : {"view3dscene", "xvfb-run"})
        if (!HaveProgram(tool))
            GTEST_SKIP() << tool << " is not installed (apt-get install view3dscene xvfb xauth)";

    TempDir dir;
    const std::string model = dir / "TEST3.DAT";
    std::filesystem::copy_file(std::filesystem::path(MEMBRANE_EXAMPLES) / "TEST3.DAT", model);
    ASSERT_EQ(Shell("cd " + Quote(dir.Path().string()) + " && " + Quote(MEMBRANE_CLI) +
                    " run TEST3.DAT --vrml --numbering --quiet"),
              0);
    const std::string scene = dir / "TEST3.wrl";
    ASSERT_TRUE(std::filesystem::exists(scene));

    // 1. Parse and write back (no display needed).
    const auto parseConfig = dir.Path() / "cfg-parse";
    std::filesystem::create_directories(parseConfig);
    const int parsed = Shell("XDG_CONFIG_HOME=" + Quote(parseConfig.string()) +
                             " timeout 120 view3dscene --write " + Quote(scene) + " >" +
                             Quote(dir / "parse.out") + " 2>" + Quote(dir / "parse.err"));
    EXPECT_EQ(parsed, 0);
    EXPECT_EQ(Problems(parseConfig, ReadFile(dir / "parse.err")), "");
    EXPECT_NE(ReadFile(dir / "parse.out").find("Viewpoint"), std::string::npos);

    // 2. Render one frame under a virtual display.
    const char* keep = std::getenv("MEMBRANE_VRML_SCREENSHOT");
    const std::string png = keep && *keep ? std::string(keep) : dir / "TEST3.png";
    std::filesystem::remove(png);
    const auto renderConfig = dir.Path() / "cfg-render";
    std::filesystem::create_directories(renderConfig);
    const int rendered =
        Shell("XDG_CONFIG_HOME=" + Quote(renderConfig.string()) +
              " timeout 120 xvfb-run -a -s '-screen 0 1024x768x24' view3dscene " + Quote(scene) +
              " --geometry 800x600 --screenshot 0 " + Quote(png) + " >" +
              Quote(dir / "render.out") + " 2>" + Quote(dir / "render.err"));
    EXPECT_EQ(rendered, 0);
    EXPECT_EQ(Problems(renderConfig, ReadFile(dir / "render.out") + ReadFile(dir / "render.err")),
              "");
    ASSERT_TRUE(std::filesystem::exists(png));
    EXPECT_GT(std::filesystem::file_size(png), 1000u);
}

}  // namespace
}  // namespace membrane
