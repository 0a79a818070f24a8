// The SVG canvas: markup of pens, brushes and text, escaping, and saving.
#include "plot/svg_canvas.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace membrane {
namespace {

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(SvgCanvas, EscapesText) {
    EXPECT_EQ(EscapeXmlText("a&<b>\"'"), "a&amp;&lt;b&gt;&quot;&apos;");
    EXPECT_EQ(EscapeXmlText(std::string("x\x01y\tz", 5)), "xy\tz");
    EXPECT_EQ(EscapeXmlText("caf\xe9"), "caf\xc3\xa9");      // 8-bit text read as Latin-1
    EXPECT_EQ(EscapeXmlText("caf\xc3\xa9"), "caf\xc3\xa9");  // UTF-8 stays
    EXPECT_EQ(EscapeXmlText("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");  // no surrogates
}

TEST(SvgCanvas, PensAndBrushes) {
    SvgCanvas canvas(100, 50, PackRgb(255, 255, 255));
    canvas.SetPenColor(PackRgb(255, 0, 0));
    canvas.SetPenWidth(2);
    canvas.SetPenStyle(PenStyle::Dash);
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.MoveTo(0, 0);
    canvas.LineTo(10, 20);
    canvas.Ellipse(10, 10, 21, 31);
    canvas.SetPenStyle(PenStyle::None);
    canvas.LineTo(30, 30);  // an invisible line only moves
    canvas.SetBrushStyle(BrushStyle::DiagCross);
    canvas.SetBrushColor(PackRgb(0, 0, 255));
    canvas.SetTransparentBackground();
    const PixelPoint square[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    canvas.Polygon(square);
    canvas.Polygon(square);
    canvas.Polygon({});
    const std::string doc = canvas.Document();

    EXPECT_NE(doc.find("<line x1=\"0.5\" y1=\"0.5\" x2=\"10.5\" y2=\"20.5\" stroke=\"#ff0000\" "
                       "stroke-width=\"2\" stroke-dasharray=\"36 12\"/>"),
              std::string::npos);
    EXPECT_NE(doc.find("<ellipse cx=\"15.5\" cy=\"20.5\" rx=\"5\" ry=\"10\" fill=\"none\""),
              std::string::npos);
    EXPECT_EQ(Count(doc, "<line"), 1u);
    EXPECT_EQ(Count(doc, "<polygon"), 2u);
    EXPECT_EQ(Count(doc, "<pattern id=\"hatch7-0000ff\""), 1u);  // defined once, used twice
    EXPECT_EQ(Count(doc, "fill=\"url(#hatch7-0000ff)\" stroke=\"none\""), 2u);
    EXPECT_LT(doc.find("<defs>"), doc.find("<polygon"));
    EXPECT_NE(doc.find("<rect x=\"0\" y=\"0\" width=\"100\" height=\"50\" fill=\"#ffffff\"/>"),
              std::string::npos);
}

TEST(SvgCanvas, Text) {
    SvgCanvas canvas(100, 50);
    canvas.SetFontName("Courier New");
    canvas.SetFontSize(-10);
    canvas.SetFontStyle({true, true, true, true});
    canvas.SetFontColor(PackRgb(0, 128, 0));
    canvas.TextOut(5, 7, "a<b");
    EXPECT_NE(
        canvas.Document().find(
            "<text x=\"5\" y=\"17\" font-family=\"'Courier New', monospace\" "
            "font-size=\"13\" fill=\"#008000\" font-weight=\"bold\" font-style=\"italic\" "
            "text-decoration=\"underline line-through\" xml:space=\"preserve\">a&lt;b</text>"),
        std::string::npos);
    EXPECT_EQ(canvas.TextHeight("x"), 13);
    EXPECT_EQ(canvas.TextWidth("abcde"), 39);  // 0.6 * 13 per character, monospace
}

TEST(SvgCanvas, SaveReplacesAtomicallyAndReportsFailure) {
    const auto folder = std::filesystem::temp_directory_path() / "membrane_svg_canvas_test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "taken");
    SvgCanvas canvas(10, 10);
    const auto path = folder / "out.svg";
    { std::ofstream(path) << "old"; }
    ASSERT_TRUE(canvas.Save(path.string()));
    std::stringstream text;
    text << std::ifstream(path).rdbuf();
    EXPECT_EQ(text.str(), canvas.Document());

    // A folder in the way: nothing is written and no temporary file stays behind.
    EXPECT_FALSE(canvas.Save((folder / "taken").string()));
    EXPECT_FALSE(canvas.Save((folder / "missing" / "out.svg").string()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              2);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace membrane
