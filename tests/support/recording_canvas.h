// A canvas that draws nothing and writes every call as a text line with its pixel
// arguments, for tests of the plotting object and the mesh drawing:
//   "PenStyle Dash", "PenWidth 2", "PenColor 255 0 0", "BrushStyle Clear",
//   "BrushColor 190 190 190", "FontName Arial", "FontSize -10",
//   "FontStyle bold underline" (or "FontStyle normal"), "FontColor 0 0 0", "Transparent",
//   "MoveTo 10 20", "LineTo 30 40", "Ellipse 253 174 380 301",
//   "Polygon 0 0 634 0 634 474", "TextOut 12 30 abc".
// Text metrics are fixed: a configurable width per character and one height.
#pragma once

#include <string>
#include <vector>

#include "plot/canvas.h"

namespace membrane {

class RecordingCanvas final : public Canvas {
  public:
    explicit RecordingCanvas(int width = 634, int height = 474,
                             DeviceKind kind = DeviceKind::Screen);

    // --- configuration
    void SetBackgroundColor(int rgb) { background_ = rgb; }
    void SetInstalledFonts(std::vector<std::string> fonts) { fonts_ = std::move(fonts); }
    void SetTextMetrics(int charWidth, int height) {
        charWidth_ = charWidth;
        textHeight_ = height;
    }

    // --- what happened
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // The logged lines that start with `prefix` (for example "Ellipse ").
    std::vector<std::string> LinesStartingWith(const std::string& prefix) const;
    const CanvasState& State() const { return state_; }

    // --- Canvas
    DeviceKind Kind() const override { return kind_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    int BackgroundColor() const override { return background_; }

    void SetPenStyle(PenStyle style) override;
    void SetPenWidth(int width) override;
    void SetPenColor(int rgb) override;
    int PenColor() const override { return state_.penColor; }

    void SetBrushStyle(BrushStyle style) override;
    void SetBrushColor(int rgb) override;
    int BrushColor() const override { return state_.brushColor; }

    void SetFontName(const std::string& name) override;
    std::string FontName() const override { return state_.fontName; }
    void SetFontSize(int size) override;
    void SetFontStyle(FontStyle style) override;
    void SetFontColor(int rgb) override;
    std::vector<std::string> InstalledFonts() const override { return fonts_; }

    void SetTransparentBackground() override;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void Polygon(std::span<const PixelPoint> points) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) const override;
    int TextHeight(const std::string& text) const override;

    static std::string PenStyleName(PenStyle style);
    static std::string BrushStyleName(BrushStyle style);
    static std::string RgbText(int rgb);  // "255 0 0"

  private:
    void Record(std::string line) { log_.push_back(std::move(line)); }

    int width_;
    int height_;
    DeviceKind kind_;
    int background_ = PackRgb(255, 255, 255);
    std::vector<std::string> fonts_{"Arial",  "Courier New", "MS Sans Serif", "Modern",
                                    "Symbol", "System",      "Tahoma",        "Times New Roman"};
    int charWidth_ = 6;
    int textHeight_ = 13;
    CanvasState state_;
    std::vector<std::string> log_;
};

}  // namespace membrane
