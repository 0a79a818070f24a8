// A canvas that writes an SVG 1.1 document: lines, ellipses and polygons with the pen and
// brush of the moment, hatched brushes as 8 x 8 pixel patterns, text with its font family,
// size and decoration. One SVG unit is one device pixel; integer pixel positions are
// drawn at pixel centres (+0.5) so that thin lines stay sharp.
//
// There are no real font metrics here: text is measured with typical proportions of a
// sans-serif face (0.55 of the character height per character, 0.6 for monospace).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "plot/canvas.h"

namespace membrane {

class SvgCanvas final : public Canvas {
  public:
    SvgCanvas(int width, int height, int background = PackRgb(255, 255, 255));

    // The fonts a drawing may name. The document names the font with a generic family
    // behind it, so a viewer without the font still shows a similar one.
    void SetInstalledFonts(std::vector<std::string> fonts) { fonts_ = std::move(fonts); }

    // The complete document.
    std::string Document() const;
    // Writes the document to a file beside `path` and renames it over `path`, so that a
    // failed write never leaves a half-written file. False when anything fails.
    bool Save(const std::string& path) const;

    DeviceKind Kind() const override { return DeviceKind::Screen; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int BackgroundColor() const override { return background_; }

    void SetPenStyle(PenStyle style) override { state_.penStyle = style; }
    void SetPenWidth(int width) override { state_.penWidth = width; }
    void SetPenColor(int rgb) override { state_.penColor = rgb; }
    int PenColor() const override { return state_.penColor; }

    void SetBrushStyle(BrushStyle style) override { state_.brushStyle = style; }
    void SetBrushColor(int rgb) override { state_.brushColor = rgb; }
    int BrushColor() const override { return state_.brushColor; }

    void SetFontName(const std::string& name) override { state_.fontName = name; }
    std::string FontName() const override { return state_.fontName; }
    void SetFontSize(int size) override { state_.fontSize = size; }
    void SetFontStyle(FontStyle style) override { state_.fontStyle = style; }
    void SetFontColor(int rgb) override { state_.fontColor = rgb; }
    std::vector<std::string> InstalledFonts() const override { return fonts_; }

    void SetTransparentBackground() override { state_.transparentBackground = true; }

    void MoveTo(int x, int y) override { state_.position = {x, y}; }
    void LineTo(int x, int y) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Polygon(std::span<const PixelPoint> points) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight(const std::string& text) const override;

  private:
    std::string StrokeAttributes() const;
    std::string FillAttributes();
    std::string PatternId(BrushStyle style, int rgb);

    int width_;
    int height_;
    int background_;
    std::vector<std::string> fonts_{"Arial",  "Courier New", "MS Sans Serif", "Modern",
                                    "Symbol", "System",      "Tahoma",        "Times New Roman"};
    CanvasState state_;
    std::string body_;
    std::map<std::string, std::string> patterns_;  // id -> <pattern> element
};

// Text made safe for XML character data and attribute values: markup characters escaped,
// control characters dropped, bytes that are not UTF-8 read as Latin-1.
std::string EscapeXmlText(const std::string& text);

}  // namespace membrane
