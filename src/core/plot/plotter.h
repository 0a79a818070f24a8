// Plotter: the plotting object, small and device-independent.
//
// Callers draw in world coordinates (the model's length units) with integer codes for
// colours, line styles, fill styles, fonts and marker types. The object maps the world
// window set by SetScale onto the drawing surface (x and y scaled independently to fill
// it, or with one scale for both, the window centred), then zooms and pans by the view,
// and turns every command into pixel calls on a Canvas. Device pixels are the mapped
// coordinates truncated toward zero.
//
// Failures. A surface of an unknown kind, an empty world window and drawing before any
// world window are reported once to the message sink ("Fatal device error", "Fatal
// SetScale command", "error in plot size in WPlot2DevXY routine") and put the object into
// a failed state in which the drawing commands do nothing. A later valid SetScale makes
// it usable again (a device failure needs a new SetDevice). Attribute commands keep
// working in the failed state: they only record codes and set canvas properties.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "common/messages.h"
#include "plot/canvas.h"

namespace membrane {

// One colour lookup of the 16-colour table.
struct PlotColor {
    int number = 0;        // the colour number that was looked up
    int secondNumber = 0;  // the same colour in the second numbering of the table
    std::string name;      // "BLACK", "WHITE", "YELLOW", ...
    int rgb = 0;           // the drawn colour, red + 256 * green + 65536 * blue
    int toolkitColor = 0;  // the table's second colour value (same byte order); not drawn
    int current = 0;       // the colour last handed out for drawing
};

struct PlotPen {
    int style = 1;  // line style code
    int width = 1;  // pixels
    PlotColor color;
};

struct PlotFont {
    int number = 1;  // font number
    int style = 1;   // text style code
    PlotColor color;
    double size = 1.0;
    int verticalAlignment = 2;    // 2 centred, 3 bottom on the point, else top
    int horizontalAlignment = 2;  // 2 centred, 3 ends at the point, else starts there
};

struct PlotBrush {
    int style = 0;  // fill style code
    PlotColor color;
};

struct PlotMarker {
    int type = 1;
    double size = 1.0;
    PlotColor color;
};

struct DeviceInfo {
    std::string name = "none";  // "none", "screen" or "printer"
    int width = 0;              // pixels
    int height = 0;             // pixels
    int backgroundColor = 0;    // rgb of the surface
};

struct WorldWindow {
    double xmin = 0, xmax = 0, ymin = 0, ymax = 0;
    double angle = 0;  // degrees; recorded, not applied
    // 0: x and y scaled independently, filling the surface; otherwise one scale for both
    // (the smaller), the window's centre at the surface's centre.
    int equalAspect = 0;
};

// Zoom and pan on top of the world window: a device point p of the plain mapping is
// drawn at centre + pan + zoom x (p - centre), centre the middle of the surface.
struct PlotView {
    double zoom = 1.0;
    double panX = 0.0, panY = 0.0;  // pixels
    bool operator==(const PlotView&) const = default;
};

struct PlotSettings {
    Canvas* device = nullptr;  // the drawing surface; not owned
    Canvas* canvas = nullptr;  // the surface's drawing context; null while unbound
    DeviceInfo deviceInfo;
    WorldWindow window;
    PlotPen pen;
    PlotFont font;
    PlotBrush brush;
    PlotMarker marker;
};

struct PlotPoint {
    double x = 0;
    double y = 0;
};

// Why the plotting object stopped drawing.
enum class PlotFailure { None, Device, Scale, Mapping };

// The code tables of the attribute commands.
PenStyle PenStyleOfCode(int lineStyle);
BrushStyle BrushStyleOfCode(int fillStyle);
FontStyle FontStyleOfCode(int textStyle);
std::string FontNameOfNumber(int fontNumber);
// The font size (toolkit convention) of a text size code; false for a negative code,
// which leaves the font size as it is.
bool FontSizeOfCode(double sizeCode, int& fontSize);

class Plotter {
  public:
    // Binds the object to `device` (may be null: nothing is drawn then). `messages` receives
    // the failure reports; it may be null.
    explicit Plotter(Canvas* device, MessageSink* messages = nullptr);
    Plotter(const Plotter&) = delete;
    Plotter& operator=(const Plotter&) = delete;

    void SetDevice(Canvas* device);

    // Fills `color` from the colour table and gives its drawn rgb. Numbers outside 0..15
    // keep the colour of the previous lookup into the same record.
    int GetColor(int number, PlotColor& color) const;

    // Sets the world window. False, with the failure reported, when |xmax - xmin| or
    // |ymax - ymin| is below 1e-10 or a bound is not finite; the window then stays as it was.
    bool SetScale(int equalAspect, double xmin, double xmax, double ymin, double ymax,
                  double angle);

    // Replaces a world point by its device coordinates, still as doubles. False (point
    // unchanged) when the object has failed or has no valid world window.
    bool WorldToDevice(double& x, double& y);
    // The inverse: a device point to the world. False (point unchanged) without a valid
    // world window; reports nothing.
    bool DeviceToWorld(double& x, double& y) const;

    void SetView(const PlotView& view) { view_ = view; }
    const PlotView& View() const { return view_; }

    void SetLineAttributes(int style, int width, int color);
    void SetTextAttributes(int font, int style, double size, int color, int horizontalAlignment);
    void SetMarkerAttributes(int type, int color, double size);
    void SetFillAttributes(int style, int color);

    void DrawLine(double x1, double y1, double x2, double y2);
    void DrawCircle(double x, double y, double diameter);
    void DrawText(const std::string& text, double x, double y);
    void DrawPolygon(std::span<const PlotPoint> points);
    void DrawMarker(double x, double y);
    void Clear();

    int DeviceWidth() const { return settings_.deviceInfo.width; }
    int DeviceHeight() const { return settings_.deviceInfo.height; }
    const PlotSettings& GetSettings() const { return settings_; }

    bool Failed() const { return failure_ != PlotFailure::None; }
    PlotFailure Failure() const { return failure_; }
    // The message of the failure, "" when there is none.
    std::string FailureText() const;

    // Whether a valid world window has been set (drawing commands can map points).
    bool WindowValid() const;

  private:
    bool CanDraw() const { return settings_.canvas != nullptr && !Failed(); }
    void Fail(PlotFailure failure);
    // Maps a world point to truncated device pixels.
    bool MapToPixel(double x, double y, PixelPoint& pixel);
    void DrawCross(double x, double y, double length);
    double MarkerDiameter() const;

    // The world window's plain mapping: device x = x0 + sx * x, device y = y0 - sy * y.
    void Mapping(double& x0, double& sx, double& y0, double& sy) const;

    // Whether a shape with this device bounding box can touch the surface (the pen's
    // width around it included). Shapes wholly outside are not handed to the canvas: a
    // zoomed-in view of a large mesh draws only what lies in the picture.
    bool OnSurface(int left, int top, int right, int bottom) const;
    // Shapes that fall in one pixel. A run is a sequence of shapes of one kind (circles of
    // one size, or polygons whose corners lie within two pixels either way) drawn with the
    // same pen, brush and view, nothing else in between. Within a run, a circle whose
    // corner pixel already holds one, and a polygon all of whose corner pixels already
    // hold one, would paint the same pixels again: where thousands of nodes of a large
    // mesh fall in one pixel they are left out. Drawings where no two shapes fall in one
    // pixel are drawn as before, pixel for pixel.
    void BeginRun(int kind, int size);
    void EndRun();
    bool Marked(PixelPoint p) const;
    void Mark(PixelPoint p);

    using DrawState = std::tuple<int, int, int, int, int>;  // pen and brush
    DrawState State() const;
    int runKind_ = -1, runSize_ = 0;
    DrawState runState_{};
    PlotView runView_;
    std::uint32_t run_ = 0;             // the current run's number
    std::vector<std::uint32_t> marks_;  // per device pixel, the run that marked it
    int marksWidth_ = 0, marksHeight_ = 0;

    PlotSettings settings_;
    PlotView view_;
    MessageSink* messages_ = nullptr;
    PlotFailure failure_ = PlotFailure::None;
};

}  // namespace membrane
