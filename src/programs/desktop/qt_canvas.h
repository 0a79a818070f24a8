// The canvas over a QPainter: the screen's paint box (inside paintEvent) or an image.
//
// The painter belongs to the caller and may be used between calls; every drawing call sets
// the pen, brush and font it needs. Text is measured with QFontMetrics.
//
// Fonts. InstalledFonts() lists the families Qt knows, so the plotting object keeps the
// previous font when a drawing asks for one that is not installed (the fonts named by the
// plotting object are Windows fonts). When drawing, a font name that is not installed is
// resolved to a similar installed face: a sans-serif for "MS Sans Serif" or "System", a
// serif for "Times New Roman", a monospace face for "Courier New" or "Modern".
#pragma once

#include <QFont>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "plot/canvas.h"

class QPainter;

namespace membrane {

class QtCanvas final : public Canvas {
  public:
    QtCanvas(QPainter& painter, int width, int height, int background = PackRgb(255, 255, 255),
             DeviceKind kind = DeviceKind::Screen);

    // The installed family used to draw the font `name`.
    static QString ResolveFamily(const std::string& name);
    // The QFont of the canvas's current font.
    QFont CurrentFont() const;

    DeviceKind Kind() const override { return kind_; }
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

    void SetFontName(const std::string& name) override;
    std::string FontName() const override { return state_.fontName; }
    void SetFontSize(int size) override;
    void SetFontStyle(FontStyle style) override;
    void SetFontColor(int rgb) override { state_.fontColor = rgb; }
    std::vector<std::string> InstalledFonts() const override;

    void SetTransparentBackground() override { state_.transparentBackground = true; }

    void MoveTo(int x, int y) override { state_.position = {x, y}; }
    void LineTo(int x, int y) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Polygon(std::span<const PixelPoint> points) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight(const std::string& text) const override;

  private:
    void PreparePainter(bool withBrush);
    // Where a pixel position lies for the painter: its centre when antialiasing is on.
    double Offset() const;

    QPainter& painter_;
    int width_;
    int height_;
    int background_;
    DeviceKind kind_;
    CanvasState state_;
    mutable std::optional<QFont> font_;  // rebuilt after a font change
    mutable std::optional<std::vector<std::string>> installed_;
};

}  // namespace membrane
