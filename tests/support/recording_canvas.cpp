#include "support/recording_canvas.h"

namespace membrane {

namespace {

std::string Ints(std::initializer_list<int> values) {
    std::string text;
    for (int v : values) {
        if (!text.empty()) text += ' ';
        text += std::to_string(v);
    }
    return text;
}

}  // namespace

RecordingCanvas::RecordingCanvas(int width, int height, DeviceKind kind)
    : width_(width), height_(height), kind_(kind) {}

std::vector<std::string> RecordingCanvas::LinesStartingWith(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const auto& line : log_) {
        if (line.starts_with(prefix)) lines.push_back(line);
    }
    return lines;
}

std::string RecordingCanvas::PenStyleName(PenStyle style) {
    switch (style) {
        case PenStyle::Solid:
            return "Solid";
        case PenStyle::Dash:
            return "Dash";
        case PenStyle::Dot:
            return "Dot";
        case PenStyle::DashDot:
            return "DashDot";
        case PenStyle::DashDotDot:
            return "DashDotDot";
        case PenStyle::None:
            return "None";
    }
    return "?";
}

std::string RecordingCanvas::BrushStyleName(BrushStyle style) {
    switch (style) {
        case BrushStyle::Solid:
            return "Solid";
        case BrushStyle::Clear:
            return "Clear";
        case BrushStyle::Horizontal:
            return "Horizontal";
        case BrushStyle::Vertical:
            return "Vertical";
        case BrushStyle::FDiagonal:
            return "FDiagonal";
        case BrushStyle::BDiagonal:
            return "BDiagonal";
        case BrushStyle::Cross:
            return "Cross";
        case BrushStyle::DiagCross:
            return "DiagCross";
    }
    return "?";
}

std::string RecordingCanvas::RgbText(int rgb) {
    return Ints({RedOf(rgb), GreenOf(rgb), BlueOf(rgb)});
}

void RecordingCanvas::SetPenStyle(PenStyle style) {
    state_.penStyle = style;
    Record("PenStyle " + PenStyleName(style));
}

void RecordingCanvas::SetPenWidth(int width) {
    state_.penWidth = width;
    Record("PenWidth " + std::to_string(width));
}

void RecordingCanvas::SetPenColor(int rgb) {
    state_.penColor = rgb;
    Record("PenColor " + RgbText(rgb));
}

void RecordingCanvas::SetBrushStyle(BrushStyle style) {
    state_.brushStyle = style;
    Record("BrushStyle " + BrushStyleName(style));
}

void RecordingCanvas::SetBrushColor(int rgb) {
    state_.brushColor = rgb;
    Record("BrushColor " + RgbText(rgb));
}

void RecordingCanvas::SetFontName(const std::string& name) {
    state_.fontName = name;
    Record("FontName " + name);
}

void RecordingCanvas::SetFontSize(int size) {
    state_.fontSize = size;
    Record("FontSize " + std::to_string(size));
}

void RecordingCanvas::SetFontStyle(FontStyle style) {
    state_.fontStyle = style;
    std::string text = "FontStyle";
    if (style.bold) text += " bold";
    if (style.italic) text += " italic";
    if (style.underline) text += " underline";
    if (style.strikeOut) text += " strikeout";
    if (style == FontStyle{}) text += " normal";
    Record(text);
}

void RecordingCanvas::SetFontColor(int rgb) {
    state_.fontColor = rgb;
    Record("FontColor " + RgbText(rgb));
}

void RecordingCanvas::SetTransparentBackground() {
    state_.transparentBackground = true;
    Record("Transparent");
}

void RecordingCanvas::MoveTo(int x, int y) {
    state_.position = {x, y};
    Record("MoveTo " + Ints({x, y}));
}

void RecordingCanvas::LineTo(int x, int y) {
    state_.position = {x, y};
    Record("LineTo " + Ints({x, y}));
}

void RecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Record("Ellipse " + Ints({x1, y1, x2, y2}));
}

void RecordingCanvas::Polygon(std::span<const PixelPoint> points) {
    std::string line = "Polygon";
    for (const auto& p : points) line += ' ' + Ints({p.x, p.y});
    Record(line);
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
    Record("TextOut " + Ints({x, y}) + ' ' + text);
}

int RecordingCanvas::TextWidth(const std::string& text) const {
    return charWidth_ * static_cast<int>(text.size());
}

int RecordingCanvas::TextHeight(const std::string&) const {
    return textHeight_;
}

}  // namespace membrane
