// The plotting object over a recording canvas: mapping, truncation, colours, attribute
// code tables, the drawing commands and the failure states.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "plot/plotter.h"
#include "support/recording.h"
#include "support/recording_canvas.h"

namespace membrane {
namespace {

using test::RecordingMessageSink;

using Lines = std::vector<std::string>;

class PlotTest : public ::testing::Test {
  protected:
    PlotTest() : plot(&canvas, &messages) { canvas.ClearLog(); }

    // Lines logged by drawing calls only (no attribute changes).
    Lines Drawn() const {
        Lines lines;
        for (const auto& line : canvas.Log()) {
            for (const char* prefix : {"MoveTo", "LineTo", "Ellipse", "Polygon", "TextOut"}) {
                if (line.starts_with(prefix)) lines.push_back(line);
            }
        }
        return lines;
    }

    RecordingCanvas canvas{634, 474};
    RecordingMessageSink messages;
    Plotter plot;
};

TEST_F(PlotTest, MapsWorldWindowOntoWholeDevice) {
    ASSERT_TRUE(plot.SetScale(0, -1, 3, -2, 2, 0));
    const struct {
        double x, y, X, Y;
    } cases[] = {{1, 0, 317.0, 237.0}, {-1, 2, 0, 0}, {3, -2, 634, 474}, {0, 1, 158.5, 118.5}};
    for (const auto& c : cases) {
        double x = c.x, y = c.y;
        ASSERT_TRUE(plot.WorldToDevice(x, y));
        EXPECT_DOUBLE_EQ(x, c.X);
        EXPECT_DOUBLE_EQ(y, c.Y);
    }
    // Reversed bounds mirror the picture.
    ASSERT_TRUE(plot.SetScale(0, 3, -1, -2, 2, 0));
    double x = 3, y = 0;
    plot.WorldToDevice(x, y);
    EXPECT_DOUBLE_EQ(x, 0.0);
    EXPECT_TRUE(messages.messages.empty());
}

// One scale for x and y: the window [0, 4] x [0, 2] (2 : 1) on 634 x 474 is limited by x
// (158.5 pixels a unit) and centred vertically; zoom and pan act on the device, and the
// device point maps back to the world.
TEST_F(PlotTest, EqualAspectKeepsTheShapeCentredAndTheViewZoomsAndPans) {
    ASSERT_TRUE(plot.SetScale(1, 0, 4, 0, 2, 0));
    const struct {
        double x, y, X, Y;
    } plain[] = {{2, 1, 317, 237}, {0, 0, 0, 237 + 158.5}, {4, 2, 634, 237 - 158.5}};
    for (const auto& c : plain) {
        double x = c.x, y = c.y;
        ASSERT_TRUE(plot.WorldToDevice(x, y));
        EXPECT_DOUBLE_EQ(x, c.X);
        EXPECT_DOUBLE_EQ(y, c.Y);
    }
    plot.SetView({.zoom = 2.0, .panX = 10.0, .panY = -5.0});
    double x = 3, y = 1;  // 158.5 right of the centre, zoomed twice, panned
    ASSERT_TRUE(plot.WorldToDevice(x, y));
    EXPECT_DOUBLE_EQ(x, 317 + 10 + 2 * 158.5);
    EXPECT_DOUBLE_EQ(y, 237 - 5);
    ASSERT_TRUE(plot.DeviceToWorld(x, y));
    EXPECT_NEAR(x, 3.0, 1e-12);
    EXPECT_NEAR(y, 1.0, 1e-12);
}

TEST_F(PlotTest, PixelsAreTruncatedTowardZero) {
    plot.SetScale(0, 0, 634, 0, 474, 0);  // one world unit per pixel
    plot.DrawLine(100.9, 474 - 10.7, -0.7, 474 + 0.6);
    // y: 10.7 -> 10, and -0.6 -> 0 (not -1); x: 100.9 -> 100 and -0.7 -> 0.
    EXPECT_EQ(Drawn(), (Lines{"MoveTo 100 10", "LineTo 0 0"}));
}

TEST_F(PlotTest, CoordinatesFarOutsideTheDeviceDoNotOverflow) {
    plot.SetScale(0, 0, 1, 0, 1, 0);
    plot.DrawLine(-1e300, 0.5, 1e300, std::numeric_limits<double>::quiet_NaN());
    const Lines drawn = Drawn();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_EQ(drawn[0], "MoveTo -16777216 237");
    EXPECT_EQ(drawn[1], "LineTo 16777216 0");
}

TEST_F(PlotTest, EmptyWorldWindowIsReportedOnceAndStopsDrawing) {
    EXPECT_FALSE(plot.SetScale(0, 5, 5, 0, 1, 0));
    EXPECT_FALSE(plot.SetScale(0, 0, 1, 2, 2 + 1e-11, 0));
    ASSERT_EQ(messages.messages.size(), 1u);
    EXPECT_EQ(messages.messages[0].text, "Fatal SetScale command");
    EXPECT_EQ(messages.messages[0].caption, "");
    EXPECT_EQ(messages.messages[0].kind, MessageKind::Error);
    EXPECT_EQ(plot.Failure(), PlotFailure::Scale);
    EXPECT_EQ(plot.FailureText(), "Fatal SetScale command");

    plot.DrawLine(0, 0, 1, 1);
    plot.DrawCircle(0, 0, 1);
    plot.DrawMarker(0, 0);
    plot.DrawText("x", 0, 0);
    const PlotPoint triangle[] = {{0, 0}, {1, 0}, {0, 1}};
    plot.DrawPolygon(triangle);
    EXPECT_TRUE(Drawn().empty());

    // A valid window makes the object usable again; a new failure is reported again.
    EXPECT_TRUE(plot.SetScale(0, 0, 1, 0, 1, 0));
    EXPECT_FALSE(plot.Failed());
    plot.DrawLine(0, 0, 1, 1);
    EXPECT_EQ(Drawn().size(), 2u);
    EXPECT_FALSE(plot.SetScale(0, 0, 1, 0, 0, 0));
    EXPECT_EQ(messages.messages.size(), 2u);
}

TEST_F(PlotTest, NonFiniteWorldWindowFails) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_FALSE(plot.SetScale(0, -inf, inf, 0, 1, 0));
    EXPECT_FALSE(plot.SetScale(0, 0, 1, nan, 1, 0));
    EXPECT_EQ(messages.Texts(), (Lines{"Fatal SetScale command"}));
}

TEST_F(PlotTest, DrawingBeforeAnyWorldWindowIsReportedOnce) {
    plot.DrawLine(0, 0, 1, 1);
    plot.DrawCircle(0, 0, 1);
    double x = 2, y = 3;
    EXPECT_FALSE(plot.WorldToDevice(x, y));
    EXPECT_EQ(x, 2);
    EXPECT_EQ(messages.Texts(), (Lines{"error in plot size in WPlot2DevXY routine"}));
    EXPECT_EQ(plot.Failure(), PlotFailure::Mapping);
    EXPECT_TRUE(Drawn().empty());
    EXPECT_TRUE(plot.SetScale(0, 0, 1, 0, 1, 0));
    EXPECT_FALSE(plot.Failed());
}

TEST(PlotDevice, UnknownDeviceKindIsReportedAndNothingIsDrawn) {
    RecordingCanvas canvas(100, 100, DeviceKind::Unknown);
    RecordingMessageSink messages;
    Plotter plot(&canvas, &messages);
    EXPECT_EQ(messages.Texts(), (Lines{"Fatal device error"}));
    EXPECT_EQ(plot.GetSettings().deviceInfo.name, "none");
    EXPECT_TRUE(plot.SetScale(0, 0, 1, 0, 1, 0));
    plot.DrawLine(0, 0, 1, 1);
    plot.Clear();
    EXPECT_TRUE(canvas.Log().empty());
    EXPECT_EQ(plot.Failure(), PlotFailure::Device);
}

TEST(PlotDevice, NoDeviceDrawsNothingAndSaysNothing) {
    RecordingMessageSink messages;
    Plotter plot(nullptr, &messages);
    plot.SetScale(0, 0, 1, 0, 1, 0);
    plot.SetLineAttributes(2, 1, 3);
    plot.DrawLine(0, 0, 1, 1);
    plot.DrawMarker(0, 0);
    plot.Clear();
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_EQ(plot.GetSettings().deviceInfo.name, "none");
}

TEST(PlotDevice, BindingPreparesTheCanvas) {
    RecordingCanvas canvas(634, 474);
    canvas.SetBackgroundColor(PackRgb(1, 2, 3));
    canvas.SetPenColor(PackRgb(9, 8, 7));
    canvas.ClearLog();
    Plotter plot(&canvas);
    const auto& s = plot.GetSettings();
    EXPECT_EQ(s.deviceInfo.name, "screen");
    EXPECT_EQ(s.deviceInfo.width, 634);
    EXPECT_EQ(s.deviceInfo.height, 474);
    EXPECT_EQ(s.deviceInfo.backgroundColor, PackRgb(1, 2, 3));
    EXPECT_EQ(s.pen.color.current, PackRgb(9, 8, 7));
    EXPECT_EQ(canvas.Log(),
              (Lines{"PenStyle Solid", "PenWidth 1", "BrushStyle Clear", "Transparent"}));
    // The recorded settings of a new object.
    EXPECT_EQ(s.pen.color.number, 1);
    EXPECT_EQ(s.font.color.number, 1);
    EXPECT_EQ(s.brush.style, 0);
    EXPECT_EQ(s.marker.type, 1);
    EXPECT_EQ(s.marker.color.number, 4);
    EXPECT_EQ(s.font.horizontalAlignment, 2);
    EXPECT_FALSE(plot.WindowValid());
}

TEST(PlotColors, NumbersOutsideTheTableKeepThePreviousColour) {
    RecordingCanvas screen;
    Plotter plot(&screen);
    PlotColor c;
    const int grey = plot.GetColor(9, c);
    EXPECT_EQ(plot.GetColor(20, c), grey);
    EXPECT_EQ(c.number, 20);
    EXPECT_EQ(plot.GetColor(-1, c), grey);
}

TEST(PlotColors, BlackAndWhiteSwapOffScreen) {
    RecordingCanvas paper(100, 100, DeviceKind::Printer);
    Plotter plot(&paper);
    PlotColor c;
    EXPECT_EQ(plot.GetColor(0, c), PackRgb(255, 255, 255));
    EXPECT_EQ(c.name, "WHITE");
    EXPECT_EQ(plot.GetColor(1, c), PackRgb(0, 0, 0));
    EXPECT_EQ(c.name, "BLACK");
    EXPECT_EQ(plot.GetSettings().deviceInfo.name, "printer");
}

TEST(PlotCodes, NegativeOrMissingTextSizeKeepsTheFont) {
    int size = 99;
    EXPECT_FALSE(FontSizeOfCode(-0.5, size));
    EXPECT_FALSE(FontSizeOfCode(std::nan(""), size));
    EXPECT_EQ(size, 99);
}

TEST_F(PlotTest, LineAttributes) {
    plot.SetLineAttributes(0, 1, 0);
    EXPECT_EQ(canvas.State().penStyle, PenStyle::None);
    plot.SetLineAttributes(6, 3, 12);
    EXPECT_EQ(canvas.State().penStyle, PenStyle::Solid);
    EXPECT_EQ(canvas.State().penWidth, 3);
    EXPECT_EQ(canvas.State().penColor, PackRgb(255, 0, 0));
    EXPECT_EQ(plot.GetSettings().pen.style, 6);
    EXPECT_EQ(plot.GetSettings().pen.width, 3);
    EXPECT_EQ(plot.GetSettings().pen.color.number, 12);
}

TEST_F(PlotTest, TextAttributes) {
    plot.SetTextAttributes(1, 4, 1.0, 0, 1);
    EXPECT_EQ(canvas.State().fontName, "MS Sans Serif");
    EXPECT_EQ(canvas.State().fontStyle, (FontStyle{false, false, true, false}));
    EXPECT_EQ(canvas.State().fontColor, PackRgb(0, 0, 0));
    EXPECT_EQ(canvas.State().fontSize, -10);
    EXPECT_EQ(plot.GetSettings().font.horizontalAlignment, 1);
    EXPECT_EQ(plot.GetSettings().font.verticalAlignment, 2);
    EXPECT_EQ(plot.GetSettings().font.size, 1.0);  // the size code is not recorded

    plot.SetTextAttributes(1, 4, 0.5, 0, 1);
    EXPECT_EQ(canvas.State().fontSize, -8);
    plot.SetTextAttributes(1, 4, 7, 0, 1);
    EXPECT_EQ(canvas.State().fontSize, -24);
    plot.SetTextAttributes(1, 4, -1, 0, 1);
    EXPECT_EQ(canvas.State().fontSize, -24);

    // A font that is not installed keeps the previous name; names compare without case.
    canvas.SetInstalledFonts({"ms sans serif", "Arial"});
    plot.SetTextAttributes(2, 1, 1, 0, 1);
    EXPECT_EQ(canvas.State().fontName, "MS Sans Serif");
    plot.SetTextAttributes(4, 1, 1, 0, 1);
    EXPECT_EQ(canvas.State().fontName, "Arial");
}

TEST_F(PlotTest, FillAttributes) {
    canvas.SetBackgroundColor(PackRgb(255, 255, 255));
    plot.SetFillAttributes(8, 4);
    EXPECT_EQ(canvas.State().brushStyle, BrushStyle::Clear);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(249, 120, 43));
    EXPECT_EQ(plot.GetSettings().brush.color.number, 4);

    plot.SetFillAttributes(0, 4);
    EXPECT_EQ(canvas.State().brushStyle, BrushStyle::Clear);
    EXPECT_EQ(canvas.State().brushColor, canvas.BackgroundColor());

    plot.SetFillAttributes(14, 7);
    EXPECT_EQ(canvas.State().brushStyle, BrushStyle::Cross);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(19, 31, 255));
}

TEST_F(PlotTest, TextAndClearRestoreTheRecordedFill) {
    plot.SetScale(0, 0, 10, 0, 10, 0);
    plot.SetFillAttributes(1, 9);
    plot.DrawText("label", 5, 5);
    EXPECT_EQ(canvas.State().brushStyle, BrushStyle::Solid);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(190, 190, 190));

    plot.SetLineAttributes(1, 1, 12);
    plot.SetMarkerAttributes(10, 14, 1.0);  // changes canvas pen and brush colours only
    plot.Clear();
    EXPECT_EQ(canvas.LinesStartingWith("Polygon"), (Lines{"Polygon 0 0 634 0 634 474 0 474"}));
    EXPECT_EQ(canvas.State().brushStyle, BrushStyle::Solid);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(190, 190, 190));
    EXPECT_EQ(canvas.State().penColor, PackRgb(255, 0, 0));
}

TEST_F(PlotTest, ClearFillsWithTheBackground) {
    canvas.SetBackgroundColor(PackRgb(10, 20, 30));
    Plotter fresh(&canvas);
    canvas.ClearLog();
    fresh.Clear();
    const Lines& log = canvas.Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "PenColor 10 20 30");
    EXPECT_EQ(log[1], "BrushStyle Solid");
    EXPECT_EQ(log[2], "BrushColor 10 20 30");
    EXPECT_EQ(log[3], "Polygon 0 0 634 0 634 474 0 474");
}

TEST_F(PlotTest, TextIsAlignedOnTheTextAsGivenAndShownWithoutQuotes) {
    plot.SetScale(0, 0, 634, 0, 474, 0);
    plot.SetTextAttributes(1, 1, 1, 0, 1);  // left
    plot.DrawText("'abc'", 100, 237);
    plot.SetTextAttributes(1, 1, 1, 0, 2);  // centred: 5 characters of 6 pixels
    plot.DrawText("'abc'", 100, 237);
    plot.SetTextAttributes(1, 1, 1, 0, 3);  // right
    plot.DrawText("\"'x", 100.9, 237);
    // Vertically centred: 237 - trunc(13 / 2).
    EXPECT_EQ(canvas.LinesStartingWith("TextOut"),
              (Lines{"TextOut 100 231 abc", "TextOut 85 231 abc", "TextOut 82 231 x"}));
}

TEST_F(PlotTest, CircleIsRoundOnTheDeviceScaledOnX) {
    plot.SetScale(0, 0, 10, 0, 20, 0);  // y scale differs from x scale
    plot.DrawCircle(5, 10, 2);
    // X = 317, e = 126.8: 253.6 .. 380.4; Y = 237: 173.6 .. 300.4.
    EXPECT_EQ(canvas.LinesStartingWith("Ellipse"), (Lines{"Ellipse 253 173 380 300"}));
}

TEST_F(PlotTest, MarkerDiameterFollowsWindowAndSize) {
    plot.SetScale(0, 0, 100, 0, 200, 0);
    plot.SetMarkerAttributes(1, 0, 1.0);
    plot.DrawMarker(50, 100);  // d = 0.75 world units: e = 4.755 pixels
    plot.SetMarkerAttributes(1, 0, 2.0);
    plot.DrawMarker(50, 100);  // d = 1.5: e = 9.51
    EXPECT_EQ(canvas.LinesStartingWith("Ellipse"),
              (Lines{"Ellipse 314 234 319 239", "Ellipse 312 232 321 241"}));
}

TEST_F(PlotTest, MarkerSymbols) {
    plot.SetScale(0, 0, 634, 0, 474, 0);  // d = 0.0075 * 474 = 3.555 pixels * size
    const auto draw = [&](int type) {
        plot.SetMarkerAttributes(type, 4, 400.0 / 3.555);  // d = 400 pixels
        canvas.ClearLog();
        plot.DrawMarker(317.5, 237.5);
        return Drawn();
    };
    EXPECT_EQ(draw(1), (Lines{"Ellipse 117 36 517 436"}));
    EXPECT_EQ(draw(2), (Lines{"Ellipse 117 36 517 436", "MoveTo 17 236", "LineTo 617 236",
                              "MoveTo 317 536", "LineTo 317 -63"}));
    EXPECT_EQ(draw(3), (Lines{"Polygon 117 236 317 36 517 236 317 436"}));
    EXPECT_EQ(draw(4), (Lines{"Polygon 117 36 117 436 517 436 517 36"}));
    EXPECT_EQ(draw(5), (Lines{"Polygon 117 103 517 103 317 503"}));
    EXPECT_EQ(draw(6), (Lines{"Polygon 117 369 517 369 317 -30"}));
    EXPECT_EQ(draw(7), (Lines{"Polygon 184 436 184 36 584 236"}));
    EXPECT_EQ(draw(8), (Lines{"Polygon 450 436 450 36 50 236"}));
    EXPECT_EQ(draw(9), draw(1));
    EXPECT_EQ(draw(10), draw(2));
    EXPECT_EQ(draw(13), draw(5));
    EXPECT_EQ(draw(16), draw(8));
    EXPECT_TRUE(draw(17).empty());
    EXPECT_EQ(draw(18),
              (Lines{"MoveTo 117 236", "LineTo 517 236", "MoveTo 317 436", "LineTo 317 36"}));
    EXPECT_EQ(draw(0), draw(2));
    EXPECT_EQ(draw(-4), draw(2));
    EXPECT_EQ(draw(19), draw(2));
}

TEST_F(PlotTest, MarkerPenWidthAndLeftoverLineAttributes) {
    plot.SetScale(0, 0, 10, 0, 10, 0);
    for (int type : {1, 2, 17, 18, 3, 9, 10, 0, 25}) {
        plot.SetLineAttributes(3, 5, 7);
        plot.SetMarkerAttributes(type, 14, 1.0);
        plot.DrawMarker(5, 5);
        const bool thin = type == 1 || type == 2 || type == 17 || type == 18;
        EXPECT_EQ(canvas.State().penWidth, thin ? 1 : 2) << type;
        EXPECT_EQ(canvas.State().penStyle, PenStyle::Solid) << type;
        EXPECT_EQ(canvas.State().penColor, PackRgb(49, 171, 14)) << type;
        EXPECT_EQ(plot.GetSettings().pen.style, 1) << type;
        EXPECT_EQ(plot.GetSettings().pen.color.number, 14) << type;
    }
}

TEST_F(PlotTest, MarkerFillIsBackgroundForOpenAndColourForSolidTypes) {
    canvas.SetBackgroundColor(PackRgb(255, 255, 255));
    plot.SetFillAttributes(1, 9);
    plot.SetMarkerAttributes(9, 12, 1.0);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(255, 255, 255));
    EXPECT_EQ(canvas.State().penColor, PackRgb(255, 0, 0));
    EXPECT_EQ(canvas.State().penWidth, 1);
    plot.SetMarkerAttributes(10, 12, 1.0);
    EXPECT_EQ(canvas.State().brushColor, PackRgb(255, 0, 0));
    // The recorded fill is untouched.
    EXPECT_EQ(plot.GetSettings().brush.color.number, 9);
    EXPECT_EQ(plot.GetSettings().brush.style, 1);
}

// Shapes wholly outside a zoomed-in picture are not handed to the canvas; a shape that
// falls on pixels the same kind of shape has just painted in the same colours is left out
// (thousands of a large mesh's triangles and circles fall in one pixel), but not after
// another drawing or another colour.
TEST_F(PlotTest, ShapesOutsideThePictureOrOnPixelsJustPaintedAreLeftOut) {
    ASSERT_TRUE(plot.SetScale(0, 0, 634, 0, 474, 0));  // a unit a pixel
    const auto triangle = [&](double x, double y, double size = 0.4) {
        const PlotPoint corners[] = {{x, y}, {x + size, y}, {x, y + size}};
        plot.DrawPolygon(corners);
    };
    const auto count = [&](const char* kind) {
        const Lines lines = Drawn();
        canvas.ClearLog();
        return std::count_if(lines.begin(), lines.end(),
                             [kind](const std::string& line) { return line.starts_with(kind); });
    };
    triangle(10.2, 10.2);
    triangle(10.5, 10.1);  // the same pixel
    triangle(20.2, 10.2);
    triangle(20.2, 10.2, 30.0);  // a large one: always drawn, ends the run
    triangle(10.2, 10.2);
    EXPECT_EQ(count("Polygon"), 4);
    triangle(10.2, 10.2);
    plot.SetFillAttributes(1, 5);
    triangle(10.2, 10.2);
    plot.DrawLine(0, 0, 1, 1);
    triangle(10.2, 10.2);
    EXPECT_EQ(count("Polygon"), 2);  // the first one fell on the pixel just painted
    plot.DrawCircle(100, 100, 5);
    plot.DrawCircle(100.3, 100.2, 5);  // the same pixels
    plot.DrawCircle(100, 100, 9);
    EXPECT_EQ(count("Ellipse"), 2);

    plot.SetView({4.0, 0.0, 0.0});  // the middle quarter of the picture
    triangle(5, 5, 10);
    plot.DrawCircle(600, 400, 5);
    EXPECT_EQ(Drawn().size(), 0u);
    triangle(315, 235, 5);
    plot.DrawLine(0, 237, 634, 237);  // both ends outside, crossing the picture
    EXPECT_EQ(count("Polygon"), 1);
    plot.DrawCircle(320, 240, 5);
    EXPECT_EQ(count("Ellipse"), 1);
}

TEST_F(PlotTest, PolygonWithoutPointsDrawsNothing) {
    plot.SetScale(0, 0, 1, 0, 1, 0);
    plot.DrawPolygon({});
    EXPECT_TRUE(Drawn().empty());
    EXPECT_TRUE(messages.messages.empty());
}

}  // namespace
}  // namespace membrane
