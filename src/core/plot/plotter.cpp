#include "plot/plotter.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <vector>

#include "common/quotes.h"

namespace membrane {

namespace {

struct ColorEntry {
    const char* name;
    int rgb;           // drawn
    int toolkitColor;  // the classic 16-colour value of the same entry
    int secondNumber;
};

// Entries 0 and 1 are black and white on a screen; elsewhere they swap.
constexpr std::array<ColorEntry, 16> kColorTable{{
    {"BLACK", PackRgb(0, 0, 0), PackRgb(0, 0, 0), 0},
    {"WHITE", PackRgb(255, 255, 255), PackRgb(255, 255, 255), 15},
    {"YELLOW", PackRgb(250, 250, 41), PackRgb(255, 255, 0), 6},
    {"PURPLE", PackRgb(182, 4, 234), PackRgb(128, 0, 128), 2},
    {"RED", PackRgb(249, 120, 43), PackRgb(255, 0, 0), 3},
    {"LIGHTBLUE", PackRgb(38, 216, 253), PackRgb(0, 255, 255), 4},
    {"LIGHTGREEN", PackRgb(64, 220, 18), PackRgb(0, 255, 0), 5},
    {"BLUE", PackRgb(19, 31, 255), PackRgb(0, 0, 255), 8},
    {"DARKGREY", PackRgb(112, 128, 144), PackRgb(128, 128, 128), 10},
    {"LIGHTGREY", PackRgb(190, 190, 190), PackRgb(192, 192, 192), 14},
    {"BROWN", PackRgb(122, 98, 48), PackRgb(128, 128, 0), 11},
    {"CYAN", PackRgb(181, 41, 197), PackRgb(255, 0, 255), 13},
    {"DARKRED", PackRgb(255, 0, 0), PackRgb(128, 0, 0), 7},
    {"LIGHTMAGENTA", PackRgb(85, 185, 206), PackRgb(0, 128, 128), 9},
    {"GREEN", PackRgb(49, 171, 14), PackRgb(0, 128, 0), 12},
    {"DARKBLUE", PackRgb(19, 31, 255), PackRgb(0, 0, 128), 1},
}};

// Device coordinates far outside the surface are pinned to a range every canvas handles;
// converting a double beyond the int range (or NaN) would be undefined.
int TruncateToPixel(double v) {
    constexpr double kLimit = 16777216.0;
    if (std::isnan(v)) return 0;
    return static_cast<int>(std::clamp(v, -kLimit, kLimit));  // toward zero
}

bool SameFontName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

PenStyle PenStyleOfCode(int lineStyle) {
    switch (lineStyle) {
        case 0:
            return PenStyle::None;
        case 2:
            return PenStyle::Dash;
        case 3:
            return PenStyle::Dot;
        case 4:
            return PenStyle::DashDot;
        case 5:
            return PenStyle::DashDotDot;
        default:
            return PenStyle::Solid;
    }
}

BrushStyle BrushStyleOfCode(int fillStyle) {
    switch (fillStyle) {
        case 1:
        case 9:
            return BrushStyle::Solid;
        case 2:
        case 10:
            return BrushStyle::Horizontal;
        case 3:
        case 11:
            return BrushStyle::Vertical;
        case 4:
        case 12:
            return BrushStyle::FDiagonal;
        case 5:
        case 13:
            return BrushStyle::BDiagonal;
        case 6:
        case 14:
            return BrushStyle::Cross;
        case 7:
        case 15:
            return BrushStyle::DiagCross;
        default:
            return BrushStyle::Clear;
    }
}

FontStyle FontStyleOfCode(int textStyle) {
    FontStyle s;
    switch (textStyle) {
        case 2:
            s.bold = true;
            break;
        case 3:
            s.italic = true;
            break;
        case 4:
            s.underline = true;
            break;
        case 5:
            s.strikeOut = true;
            break;
        case 6:
            s.bold = s.italic = true;
            break;
        case 7:
            s.bold = s.underline = true;
            break;
        case 8:
            s.bold = s.strikeOut = true;
            break;
        case 9:
            s.italic = s.underline = true;
            break;
        case 10:
            s.italic = s.strikeOut = true;
            break;
        case 11:
            s.bold = s.italic = s.strikeOut = true;
            break;
        case 12:
            s.bold = s.italic = s.underline = true;
            break;
        default:
            break;
    }
    return s;
}

std::string FontNameOfNumber(int fontNumber) {
    switch (fontNumber) {
        case 0:
            return "Courier New";
        case 1:
            return "MS Sans Serif";
        case 2:
            return "Times New Roman";
        case 3:
            return "Courier New";
        case 4:
            return "Arial";
        case 5:
            return "Modern";
        case 6:
            return "Symbol";
        default:
            return "System";
    }
}

bool FontSizeOfCode(double sizeCode, int& fontSize) {
    if (!(sizeCode >= 0)) return false;  // negative or NaN: keep the size
    if (sizeCode < 1)
        fontSize = -8;
    else if (sizeCode < 2)
        fontSize = -10;
    else if (sizeCode < 3)
        fontSize = -12;
    else if (sizeCode < 4)
        fontSize = -14;
    else if (sizeCode < 5)
        fontSize = -18;
    else
        fontSize = -24;
    return true;
}

Plotter::Plotter(Canvas* device, MessageSink* messages) : messages_(messages) {
    SetDevice(device);
    // The recorded settings of a new object. The canvas keeps the pen and brush that
    // SetDevice left until the first attribute command.
    settings_.pen.style = 1;
    settings_.pen.width = 1;
    settings_.pen.color.number = 1;
    settings_.font.number = 1;
    settings_.font.style = 1;
    settings_.font.color.number = 1;
    settings_.font.size = 1.0;
    settings_.font.verticalAlignment = 2;
    settings_.font.horizontalAlignment = 2;
    settings_.brush.style = 0;
    settings_.brush.color.number = 0;
    settings_.marker.type = 1;
    settings_.marker.size = 1.0;
    settings_.marker.color.number = 4;
    settings_.window = WorldWindow{};
}

void Plotter::SetDevice(Canvas* device) {
    EndRun();
    settings_.deviceInfo.name = "none";
    settings_.device = device;
    settings_.canvas = nullptr;
    if (failure_ == PlotFailure::Device) failure_ = PlotFailure::None;
    if (device == nullptr) return;

    switch (device->Kind()) {
        case DeviceKind::Screen:
            settings_.deviceInfo.name = "screen";
            break;
        case DeviceKind::Printer:
            settings_.deviceInfo.name = "printer";
            break;
        case DeviceKind::Unknown:
            Fail(PlotFailure::Device);
            return;
    }

    Canvas& canvas = *device;
    settings_.canvas = device;
    settings_.deviceInfo.width = canvas.Width();
    settings_.deviceInfo.height = canvas.Height();
    settings_.deviceInfo.backgroundColor = canvas.BackgroundColor();
    settings_.pen.color.current = canvas.PenColor();
    settings_.pen.style = 1;
    canvas.SetPenStyle(PenStyle::Solid);
    settings_.pen.width = 1;
    canvas.SetPenWidth(1);
    settings_.brush.color.current = canvas.BrushColor();
    settings_.brush.style = 0;
    canvas.SetBrushStyle(BrushStyle::Clear);
    canvas.SetTransparentBackground();
}

int Plotter::GetColor(int number, PlotColor& color) const {
    if (number >= 0 && number <= 15) {
        int index = number;
        if (settings_.deviceInfo.name != "screen" && number <= 1) index = 1 - number;
        const ColorEntry& entry = kColorTable[index];
        color.name = entry.name;
        color.rgb = entry.rgb;
        color.toolkitColor = entry.toolkitColor;
        color.secondNumber = entry.secondNumber;
    }
    color.number = number;
    color.current = color.rgb;
    return color.current;
}

bool Plotter::SetScale(int equalAspect, double xmin, double xmax, double ymin, double ymax,
                       double angle) {
    const double dx = std::fabs(xmax - xmin);
    const double dy = std::fabs(ymax - ymin);
    // Written so that a NaN or infinite extent fails as well.
    if (!(dx >= 1e-10 && dy >= 1e-10 && std::isfinite(dx) && std::isfinite(dy))) {
        Fail(PlotFailure::Scale);
        return false;
    }
    settings_.window = WorldWindow{xmin, xmax, ymin, ymax, angle, equalAspect};
    EndRun();
    if (failure_ == PlotFailure::Scale || failure_ == PlotFailure::Mapping) {
        failure_ = PlotFailure::None;
    }
    return true;
}

bool Plotter::WindowValid() const {
    const auto& w = settings_.window;
    const double dx = std::fabs(w.xmax - w.xmin);
    const double dy = std::fabs(w.ymax - w.ymin);
    return dx >= 1e-10 && dy >= 1e-10 && std::isfinite(dx) && std::isfinite(dy);
}

bool Plotter::WorldToDevice(double& x, double& y) {
    if (Failed()) return false;
    if (!WindowValid()) {
        Fail(PlotFailure::Mapping);
        return false;
    }
    double x0, sx, y0, sy;
    Mapping(x0, sx, y0, sy);
    x = x0 + sx * x;
    y = y0 - sy * y;
    return true;
}

bool Plotter::DeviceToWorld(double& x, double& y) const {
    if (!WindowValid()) return false;
    double x0, sx, y0, sy;
    Mapping(x0, sx, y0, sy);
    x = (x - x0) / sx;
    y = (y0 - y) / sy;
    return true;
}

void Plotter::Mapping(double& x0, double& sx, double& y0, double& sy) const {
    const auto& w = settings_.window;
    const double W = settings_.deviceInfo.width;
    const double H = settings_.deviceInfo.height;
    // World y points up, device y down: ymax is the top edge.
    sx = W / (w.xmax - w.xmin);
    sy = H / (w.ymax - w.ymin);
    x0 = -sx * w.xmin;
    y0 = H + sy * w.ymin;
    if (w.equalAspect != 0) {
        const double s = std::min(std::fabs(sx), std::fabs(sy));
        sx = std::copysign(s, sx);
        sy = std::copysign(s, sy);
        x0 = 0.5 * W - sx * 0.5 * (w.xmin + w.xmax);
        y0 = 0.5 * H + sy * 0.5 * (w.ymin + w.ymax);
    }
    // The view: zoom about the surface's centre, then pan.
    const double z = view_.zoom;
    x0 = 0.5 * W + view_.panX + z * (x0 - 0.5 * W);
    y0 = 0.5 * H + view_.panY + z * (y0 - 0.5 * H);
    sx *= z;
    sy *= z;
}

void Plotter::Fail(PlotFailure failure) {
    // Reported on the change only: a paint handler that fails the same way on every
    // repaint must not raise a message box each time.
    if (failure_ == failure) return;
    failure_ = failure;
    if (messages_ != nullptr) messages_->Show(FailureText(), MessageKind::Error);
}

std::string Plotter::FailureText() const {
    switch (failure_) {
        case PlotFailure::None:
            return "";
        case PlotFailure::Device:
            return "Fatal device error";
        case PlotFailure::Scale:
            return "Fatal SetScale command";
        case PlotFailure::Mapping:
            return "error in plot size in WPlot2DevXY routine";
    }
    return "";
}

bool Plotter::MapToPixel(double x, double y, PixelPoint& pixel) {
    if (!WorldToDevice(x, y)) return false;
    pixel = PixelPoint{TruncateToPixel(x), TruncateToPixel(y)};
    return true;
}

void Plotter::SetLineAttributes(int style, int width, int color) {
    const int rgb = GetColor(color, settings_.pen.color);
    if (Canvas* canvas = settings_.canvas) {
        canvas->SetPenStyle(PenStyleOfCode(style));
        canvas->SetPenColor(rgb);
        canvas->SetPenWidth(width);
    }
    settings_.pen.style = style;
    settings_.pen.width = width;
}

void Plotter::SetTextAttributes(int font, int style, double size, int color,
                                int horizontalAlignment) {
    settings_.font.number = font;
    settings_.font.style = style;
    settings_.font.verticalAlignment = 2;
    settings_.font.horizontalAlignment = horizontalAlignment;
    const int rgb = GetColor(color, settings_.font.color);
    Canvas* canvas = settings_.canvas;
    if (canvas == nullptr) return;

    // A font that is not installed leaves the font name as it is.
    const std::string name = FontNameOfNumber(font);
    const auto installed = canvas->InstalledFonts();
    if (std::any_of(installed.begin(), installed.end(),
                    [&](const std::string& n) { return SameFontName(n, name); })) {
        canvas->SetFontName(name);
    }
    canvas->SetFontColor(rgb);
    canvas->SetFontStyle(FontStyleOfCode(style));
    // The size code goes to the canvas only; the recorded size stays as constructed.
    int fontSize = 0;
    if (FontSizeOfCode(size, fontSize)) canvas->SetFontSize(fontSize);
}

void Plotter::SetMarkerAttributes(int type, int color, double size) {
    EndRun();  // the marker's brush is set on the canvas alone
    settings_.marker.type = type;
    settings_.marker.size = size;
    Canvas* canvas = settings_.canvas;
    // Open symbols are filled with the background, solid ones with the marker colour.
    if (type <= 9) {
        if (canvas != nullptr) {
            canvas->SetBrushColor(settings_.deviceInfo.backgroundColor);
            canvas->SetTransparentBackground();
        }
    } else {
        const int rgb = GetColor(color, settings_.marker.color);
        if (canvas != nullptr) canvas->SetBrushColor(rgb);
    }
    const int rgb = GetColor(color, settings_.marker.color);
    if (canvas != nullptr) {
        canvas->SetPenColor(rgb);
        canvas->SetPenWidth(1);
    }
}

void Plotter::SetFillAttributes(int style, int color) {
    settings_.brush.style = style;
    Canvas* canvas = settings_.canvas;
    if (canvas != nullptr) canvas->SetBrushStyle(BrushStyleOfCode(style));
    if (style > 0) {
        const int rgb = GetColor(color, settings_.brush.color);
        if (canvas != nullptr) canvas->SetBrushColor(rgb);
    } else if (canvas != nullptr) {
        canvas->SetBrushColor(settings_.deviceInfo.backgroundColor);
    }
}

Plotter::DrawState Plotter::State() const {
    return {settings_.pen.style, settings_.pen.width, settings_.pen.color.current,
            settings_.brush.style, settings_.brush.color.current};
}

bool Plotter::OnSurface(int left, int top, int right, int bottom) const {
    const int margin = std::max(settings_.pen.width, 1) + 2;
    return right >= -margin && bottom >= -margin && left <= settings_.deviceInfo.width + margin &&
           top <= settings_.deviceInfo.height + margin;
}

void Plotter::BeginRun(int kind, int size) {
    const DrawState state = State();
    if (kind == runKind_ && size == runSize_ && state == runState_ && view_ == runView_) return;
    EndRun();
    runKind_ = kind;
    runSize_ = size;
    runState_ = state;
    runView_ = view_;
    const int width = settings_.deviceInfo.width, height = settings_.deviceInfo.height;
    if (width != marksWidth_ || height != marksHeight_) {
        marksWidth_ = std::max(width, 0);
        marksHeight_ = std::max(height, 0);
        marks_.assign(static_cast<std::size_t>(marksWidth_) * marksHeight_, 0);
        run_ = 1;
    }
}

void Plotter::EndRun() {
    runKind_ = -1;
    if (++run_ == 0) {  // the numbers went round: forget every mark
        std::fill(marks_.begin(), marks_.end(), 0);
        run_ = 1;
    }
}

bool Plotter::Marked(PixelPoint p) const {
    if (p.x < 0 || p.y < 0 || p.x >= marksWidth_ || p.y >= marksHeight_) return false;
    return marks_[static_cast<std::size_t>(p.y) * marksWidth_ + p.x] == run_;
}

void Plotter::Mark(PixelPoint p) {
    if (p.x < 0 || p.y < 0 || p.x >= marksWidth_ || p.y >= marksHeight_) return;
    marks_[static_cast<std::size_t>(p.y) * marksWidth_ + p.x] = run_;
}

namespace {

// Kinds of runs of shapes that fall in one pixel.
constexpr int kCircleRun = 0, kSmallPolygonRun = 1;

}  // namespace

void Plotter::DrawLine(double x1, double y1, double x2, double y2) {
    if (!CanDraw()) return;
    PixelPoint a, b;
    if (!MapToPixel(x1, y1, a) || !MapToPixel(x2, y2, b)) return;
    if (!OnSurface(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)))
        return;
    EndRun();
    settings_.canvas->MoveTo(a.x, a.y);
    settings_.canvas->LineTo(b.x, b.y);
}

void Plotter::DrawCircle(double x, double y, double diameter) {
    if (!CanDraw()) return;
    double cx = x, cy = y;
    double ex = diameter, ey = 0.0;
    double ox = 0.0, oy = 0.0;
    if (!WorldToDevice(cx, cy) || !WorldToDevice(ex, ey) || !WorldToDevice(ox, oy)) return;
    // The diameter measured on the x scale, used for both axes: round on the device.
    const double e = ex - ox;
    const int left = TruncateToPixel(cx - 0.5 * e), top = TruncateToPixel(cy - 0.5 * e);
    const int right = TruncateToPixel(cx + 0.5 * e), bottom = TruncateToPixel(cy + 0.5 * e);
    if (!OnSurface(std::min(left, right), std::min(top, bottom), std::max(left, right),
                   std::max(top, bottom)))
        return;
    BeginRun(kCircleRun, (right - left) * 65536 + (bottom - top));
    if (Marked({left, top})) return;
    Mark({left, top});
    settings_.canvas->Ellipse(left, top, right, bottom);
}

void Plotter::DrawText(const std::string& text, double x, double y) {
    if (!CanDraw()) return;
    double px = x, py = y;
    if (!WorldToDevice(px, py)) return;
    Canvas& canvas = *settings_.canvas;
    // Measured on the text as given, quotes included.
    const int height = canvas.TextHeight(text);
    const int width = canvas.TextWidth(text);
    if (settings_.font.verticalAlignment == 2)
        py -= std::trunc(0.5 * height);
    else if (settings_.font.verticalAlignment == 3)
        py -= height;
    if (settings_.font.horizontalAlignment == 2)
        px -= std::trunc(0.5 * width);
    else if (settings_.font.horizontalAlignment == 3)
        px -= width;

    EndRun();
    canvas.SetBrushStyle(BrushStyle::Clear);  // no box behind the text
    std::string shown = text;
    StripLeadingQuotes(shown);
    StripTrailingQuotes(shown);
    canvas.TextOut(TruncateToPixel(px), TruncateToPixel(py), shown);
    canvas.SetBrushStyle(BrushStyleOfCode(settings_.brush.style));
}

void Plotter::DrawPolygon(std::span<const PlotPoint> points) {
    if (!CanDraw() || points.empty()) return;
    if (!WindowValid()) return Fail(PlotFailure::Mapping);
    // The mapping of WorldToDevice, worked out once for all corners (a million triangles
    // are drawn at every change of a large mesh's view), into a buffer on the stack for
    // the usual few corners.
    double x0, sx, y0, sy;
    Mapping(x0, sx, y0, sy);
    std::array<PixelPoint, 8> few;
    std::vector<PixelPoint> many;
    if (points.size() > few.size()) many.resize(points.size());
    const std::span<PixelPoint> pixels = many.empty()
                                             ? std::span<PixelPoint>(few.data(), points.size())
                                             : std::span<PixelPoint>(many);
    for (std::size_t i = 0; i < points.size(); ++i)
        pixels[i] = {TruncateToPixel(x0 + sx * points[i].x),
                     TruncateToPixel(y0 - sy * points[i].y)};
    const auto [left, right] = std::minmax_element(
        pixels.begin(), pixels.end(), [](PixelPoint a, PixelPoint b) { return a.x < b.x; });
    const auto [top, bottom] = std::minmax_element(
        pixels.begin(), pixels.end(), [](PixelPoint a, PixelPoint b) { return a.y < b.y; });
    if (!OnSurface(left->x, top->y, right->x, bottom->y)) return;
    // A polygon within two pixels either way paints its corner pixels and no other.
    if (right->x - left->x <= 1 && bottom->y - top->y <= 1) {
        BeginRun(kSmallPolygonRun, 0);
        if (std::all_of(pixels.begin(), pixels.end(), [this](PixelPoint p) { return Marked(p); }))
            return;
        for (const PixelPoint& p : pixels) Mark(p);
    } else {
        EndRun();
    }
    settings_.canvas->Polygon(pixels);
}

double Plotter::MarkerDiameter() const {
    const auto& w = settings_.window;
    const double size = settings_.marker.size;
    // Of the window, not of the view: a zoomed drawing keeps its markers' size on the
    // device.
    return std::min((w.xmax - w.xmin) * 0.0075 * size, (w.ymax - w.ymin) * 0.0075 * size) /
           view_.zoom;
}

void Plotter::DrawCross(double x, double y, double length) {
    DrawLine(x - length / 2, y, x + length / 2, y);
    DrawLine(x, y - length / 2, x, y + length / 2);
}

void Plotter::DrawMarker(double x, double y) {
    if (!CanDraw()) return;
    const int type = settings_.marker.type;
    const int width = (type == 1 || type == 2 || type == 17 || type == 18) ? 1 : 2;
    SetLineAttributes(1, width, settings_.marker.color.number);

    // Types 9 to 16 repeat 1 to 8 with a thick pen; anything unknown is a crossed circle.
    int symbol = type;
    if (symbol >= 9 && symbol <= 16) symbol -= 8;
    if (symbol < 1 || symbol > 18) symbol = 2;
    const double d = MarkerDiameter();
    const auto polygon = [&](std::initializer_list<PlotPoint> corners) {
        DrawPolygon(std::span<const PlotPoint>(corners.begin(), corners.size()));
    };
    switch (symbol) {
        case 1:
            DrawCircle(x, y, d);
            break;
        case 2:
            DrawCircle(x, y, d);
            DrawCross(x, y, 1.5 * d);
            break;
        case 3:
            polygon({{x - d / 2, y}, {x, y + d / 2}, {x + d / 2, y}, {x, y - d / 2}});
            break;
        case 4:
            polygon({{x - d / 2, y + d / 2},
                     {x - d / 2, y - d / 2},
                     {x + d / 2, y - d / 2},
                     {x + d / 2, y + d / 2}});
            break;
        case 5:
            polygon({{x - d / 2, y + d / 3}, {x + d / 2, y + d / 3}, {x, y - 2 * d / 3}});
            break;
        case 6:
            polygon({{x - d / 2, y - d / 3}, {x + d / 2, y - d / 3}, {x, y + 2 * d / 3}});
            break;
        case 7:
            polygon({{x - d / 3, y - d / 2}, {x - d / 3, y + d / 2}, {x + 2 * d / 3, y}});
            break;
        case 8:
            polygon({{x + d / 3, y - d / 2}, {x + d / 3, y + d / 2}, {x - 2 * d / 3, y}});
            break;
        case 18:
            DrawCross(x, y, d);
            break;
        default:
            break;  // 17: nothing
    }

    if (Canvas* canvas = settings_.canvas) {
        canvas->SetPenColor(settings_.pen.color.current);
        canvas->SetPenWidth(settings_.pen.width);
    }
}

void Plotter::Clear() {
    EndRun();  // the surface starts again
    Canvas* canvas = settings_.canvas;
    if (canvas == nullptr) return;
    if (settings_.deviceInfo.name == "screen") {
        const int background = settings_.deviceInfo.backgroundColor;
        const int W = settings_.deviceInfo.width;
        const int H = settings_.deviceInfo.height;
        canvas->SetPenColor(background);
        canvas->SetBrushStyle(BrushStyle::Solid);
        canvas->SetBrushColor(background);
        const PixelPoint corners[] = {{0, 0}, {W, 0}, {W, H}, {0, H}};
        canvas->Polygon(corners);
    }
    canvas->SetPenColor(GetColor(settings_.pen.color.number, settings_.pen.color));
    canvas->SetBrushStyle(BrushStyleOfCode(settings_.brush.style));
    canvas->SetBrushColor(GetColor(settings_.brush.color.number, settings_.brush.color));
}

}  // namespace membrane
