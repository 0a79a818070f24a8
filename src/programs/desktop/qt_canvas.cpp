#include "desktop/qt_canvas.h"

#include <QColor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>

namespace membrane {

namespace {

QColor ToQColor(int rgb) {
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// The drawing's text is 8-bit; it is taken as UTF-8 when it is valid UTF-8, else as
// Latin-1.
QString ToQString(const std::string& text) {
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    const QString decoded = QString::fromUtf8(bytes);
    if (decoded.toUtf8() == bytes) return decoded;
    return QString::fromLatin1(bytes);
}

Qt::PenStyle ToQt(PenStyle style) {
    switch (style) {
        case PenStyle::Solid:
            return Qt::SolidLine;
        case PenStyle::Dash:
            return Qt::DashLine;
        case PenStyle::Dot:
            return Qt::DotLine;
        case PenStyle::DashDot:
            return Qt::DashDotLine;
        case PenStyle::DashDotDot:
            return Qt::DashDotDotLine;
        case PenStyle::None:
            return Qt::NoPen;
    }
    return Qt::SolidLine;
}

Qt::BrushStyle ToQt(BrushStyle style) {
    switch (style) {
        case BrushStyle::Solid:
            return Qt::SolidPattern;
        case BrushStyle::Clear:
            return Qt::NoBrush;
        case BrushStyle::Horizontal:
            return Qt::HorPattern;
        case BrushStyle::Vertical:
            return Qt::VerPattern;
        case BrushStyle::FDiagonal:
            return Qt::FDiagPattern;
        case BrushStyle::BDiagonal:
            return Qt::BDiagPattern;
        case BrushStyle::Cross:
            return Qt::CrossPattern;
        case BrushStyle::DiagCross:
            return Qt::DiagCrossPattern;
    }
    return Qt::NoBrush;
}

struct FontFamilyGroup {
    QStringList names;       // names that belong to this group (lower case)
    QStringList candidates;  // installed faces to look for, best first
    QFont::StyleHint hint;
};

const std::vector<FontFamilyGroup>& FontGroups() {
    static const std::vector<FontFamilyGroup> groups{
        {{"ms sans serif", "microsoft sans serif", "system", "arial", "tahoma", "helvetica",
          "verdana"},
         {"Arial", "Liberation Sans", "DejaVu Sans", "Nimbus Sans", "Helvetica", "FreeSans"},
         QFont::SansSerif},
        {{"times new roman", "times", "ms serif"},
         {"Times New Roman", "Liberation Serif", "DejaVu Serif", "Nimbus Roman", "Times",
          "FreeSerif"},
         QFont::Serif},
        {{"courier new", "courier", "modern", "fixedsys", "terminal"},
         {"Courier New", "Liberation Mono", "DejaVu Sans Mono", "Nimbus Mono PS", "Courier",
          "FreeMono"},
         QFont::Monospace},
        {{"symbol"}, {"Symbol", "Standard Symbols PS"}, QFont::AnyStyle},
    };
    return groups;
}

const FontFamilyGroup* GroupOf(const QString& name) {
    const QString lower = name.toLower();
    for (const auto& group : FontGroups()) {
        if (group.names.contains(lower)) return &group;
    }
    return nullptr;
}

bool IsInstalled(const QStringList& families, const QString& name) {
    return families.contains(name, Qt::CaseInsensitive);
}

}  // namespace

QtCanvas::QtCanvas(QPainter& painter, int width, int height, int background, DeviceKind kind)
    : painter_(painter), width_(width), height_(height), background_(background), kind_(kind) {}

QString QtCanvas::ResolveFamily(const std::string& name) {
    const QString requested = QString::fromStdString(name);
    const QStringList families = QFontDatabase::families();
    if (IsInstalled(families, requested)) return requested;
    if (const FontFamilyGroup* group = GroupOf(requested)) {
        for (const QString& candidate : group->candidates) {
            if (IsInstalled(families, candidate)) return candidate;
        }
    }
    return requested;  // Qt's own font matching takes over
}

QFont QtCanvas::CurrentFont() const {
    if (!font_) {
        QFont font(ResolveFamily(state_.fontName));
        if (const FontFamilyGroup* group = GroupOf(QString::fromStdString(state_.fontName))) {
            font.setStyleHint(group->hint);
        }
        font.setPixelSize(std::max(1, FontPixelHeight(state_.fontSize)));
        font.setBold(state_.fontStyle.bold);
        font.setItalic(state_.fontStyle.italic);
        font.setUnderline(state_.fontStyle.underline);
        font.setStrikeOut(state_.fontStyle.strikeOut);
        font_ = font;
    }
    return *font_;
}

void QtCanvas::SetFontName(const std::string& name) {
    state_.fontName = name;
    font_.reset();
}

void QtCanvas::SetFontSize(int size) {
    state_.fontSize = size;
    font_.reset();
}

void QtCanvas::SetFontStyle(FontStyle style) {
    state_.fontStyle = style;
    font_.reset();
}

std::vector<std::string> QtCanvas::InstalledFonts() const {
    if (!installed_) {
        std::vector<std::string> names;
        for (const QString& family : QFontDatabase::families())
            names.push_back(family.toStdString());
        installed_ = std::move(names);
    }
    return *installed_;
}

double QtCanvas::Offset() const {
    return painter_.testRenderHint(QPainter::Antialiasing) ? 0.5 : 0.0;
}

void QtCanvas::PreparePainter(bool withBrush) {
    if (state_.penStyle == PenStyle::None) {
        painter_.setPen(Qt::NoPen);
    } else {
        QPen pen(ToQColor(state_.penColor));
        pen.setWidth(std::max(1, state_.penWidth));
        pen.setStyle(ToQt(state_.penStyle));
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        painter_.setPen(pen);
    }
    painter_.setBrush(withBrush ? QBrush(ToQColor(state_.brushColor), ToQt(state_.brushStyle))
                                : QBrush(Qt::NoBrush));
    // An opaque background mode fills the gaps of hatched brushes.
    painter_.setBackground(ToQColor(background_));
    painter_.setBackgroundMode(state_.transparentBackground ? Qt::TransparentMode : Qt::OpaqueMode);
}

void QtCanvas::LineTo(int x, int y) {
    const PixelPoint from = state_.position;
    state_.position = {x, y};
    if (state_.penStyle == PenStyle::None) return;
    PreparePainter(false);
    const double o = Offset();
    painter_.drawLine(QPointF(from.x + o, from.y + o), QPointF(x + o, y + o));
}

void QtCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    // The box covers the pixels x1 .. x2 - 1 and y1 .. y2 - 1.
    const int left = std::min(x1, x2), top = std::min(y1, y2);
    const int width = std::abs(x2 - x1), height = std::abs(y2 - y1);
    if (width == 0 || height == 0) return;
    PreparePainter(true);
    const double o = Offset();
    painter_.drawEllipse(QRectF(left + o, top + o, width - 1, height - 1));
}

void QtCanvas::Polygon(std::span<const PixelPoint> points) {
    if (points.empty()) return;
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    const double o = Offset();
    for (const auto& p : points) polygon << QPointF(p.x + o, p.y + o);
    PreparePainter(true);
    painter_.drawPolygon(polygon, Qt::OddEvenFill);
}

void QtCanvas::TextOut(int x, int y, const std::string& text) {
    const QFont font = CurrentFont();
    painter_.setFont(font);
    painter_.setPen(ToQColor(state_.fontColor));
    painter_.setBackground(ToQColor(background_));
    painter_.setBackgroundMode(state_.transparentBackground ? Qt::TransparentMode : Qt::OpaqueMode);
    const QFontMetrics metrics(font);
    painter_.drawText(QPoint(x, y + metrics.ascent()), ToQString(text));
}

int QtCanvas::TextWidth(const std::string& text) const {
    return QFontMetrics(CurrentFont()).horizontalAdvance(ToQString(text));
}

int QtCanvas::TextHeight(const std::string&) const {
    return QFontMetrics(CurrentFont()).height();
}

}  // namespace membrane
