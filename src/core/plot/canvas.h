// The drawing surface the plotting object draws on: a pen, a brush, a font and a
// background mode, plus lines, ellipses, polygons and text in integer device pixels.
//
// The canvas keeps its drawing state between calls, like a device context: a pen colour
// set once stays in force for every following line until it is set again. Colours are
// packed as red + 256 * green + 65536 * blue.
//
// Implementations: SvgCanvas (files), QtCanvas (the screen), and a recording canvas in
// the tests.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace membrane {

enum class PenStyle { Solid, Dash, Dot, DashDot, DashDotDot, None };

// Hatched brushes draw their lines in the brush colour and leave the gaps alone when the
// background mode is transparent. FDiagonal falls from top left to bottom right,
// BDiagonal rises from bottom left to top right.
enum class BrushStyle {
    Solid,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};

struct FontStyle {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const FontStyle&) const = default;
};

// What kind of surface a canvas draws on. Colour numbers 0 and 1 of the plotting object
// mean black and white on a screen and the other way round elsewhere (paper is white).
enum class DeviceKind { Screen, Printer, Unknown };

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

constexpr int PackRgb(int red, int green, int blue) {
    return red + 256 * green + 65536 * blue;
}
constexpr int RedOf(int rgb) {
    return rgb & 0xFF;
}
constexpr int GreenOf(int rgb) {
    return (rgb >> 8) & 0xFF;
}
constexpr int BlueOf(int rgb) {
    return (rgb >> 16) & 0xFF;
}

// Pixel height of a font size in the toolkit's convention: |size| points at the given
// pixels per inch, rounded. The sign only chooses between the character height (negative)
// and the cell height (positive), a difference of the internal leading that this program
// ignores. At 96 pixels per inch -8 gives 11 pixels, -10 13, -12 16, -14 19, -18 24, -24 32.
int FontPixelHeight(int size, int pixelsPerInch = 96);

// The drawing state a canvas holds between calls. Implementations that have no state of
// their own (the recording and SVG canvases) keep one of these.
struct CanvasState {
    PenStyle penStyle = PenStyle::Solid;
    int penWidth = 1;
    int penColor = 0;  // black
    BrushStyle brushStyle = BrushStyle::Solid;
    int brushColor = PackRgb(255, 255, 255);
    std::string fontName = "System";
    int fontSize = -10;
    FontStyle fontStyle;
    int fontColor = 0;
    bool transparentBackground = false;
    PixelPoint position;  // of MoveTo and LineTo
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual DeviceKind Kind() const = 0;
    virtual int Width() const = 0;   // pixels
    virtual int Height() const = 0;  // pixels
    virtual int BackgroundColor() const = 0;

    virtual void SetPenStyle(PenStyle style) = 0;
    virtual void SetPenWidth(int width) = 0;
    virtual void SetPenColor(int rgb) = 0;
    virtual int PenColor() const = 0;

    virtual void SetBrushStyle(BrushStyle style) = 0;
    virtual void SetBrushColor(int rgb) = 0;
    virtual int BrushColor() const = 0;

    virtual void SetFontName(const std::string& name) = 0;
    virtual std::string FontName() const = 0;
    // In the toolkit's convention, see FontPixelHeight.
    virtual void SetFontSize(int size) = 0;
    virtual void SetFontStyle(FontStyle style) = 0;
    virtual void SetFontColor(int rgb) = 0;
    // The names a font may be set to; the plotting object keeps the previous font when a
    // name is not in this list.
    virtual std::vector<std::string> InstalledFonts() const = 0;

    // Text and hatched fills leave the background as it is.
    virtual void SetTransparentBackground() = 0;

    virtual void MoveTo(int x, int y) = 0;
    // A line from the current position up to, not including, (x, y), which becomes the
    // current position.
    virtual void LineTo(int x, int y) = 0;
    // The ellipse inscribed in the box, outlined with the pen and filled with the brush.
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    // A closed polygon, outlined with the pen and filled with the brush.
    virtual void Polygon(std::span<const PixelPoint> points) = 0;
    // Text with its top left corner at (x, y), in the font and its colour.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual int TextWidth(const std::string& text) const = 0;
    virtual int TextHeight(const std::string& text) const = 0;
};

}  // namespace membrane
