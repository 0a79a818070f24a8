#include "plot/svg_canvas.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"

namespace membrane {

namespace {

std::string HexColor(int rgb) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text = "#";
    for (int channel : {RedOf(rgb), GreenOf(rgb), BlueOf(rgb)}) {
        text += kDigits[channel >> 4];
        text += kDigits[channel & 15];
    }
    return text;
}

// Position of the centre of an integer pixel.
std::string Centre(int pixel) {
    return FormatGeneral(pixel + 0.5);
}

std::string Attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + value + "\"";
}

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsMonospaceName(const std::string& name) {
    const std::string lower = LowerCase(name);
    return lower.find("courier") != std::string::npos || lower.find("mono") != std::string::npos ||
           lower.find("modern") != std::string::npos;
}

// The CSS generic family that comes closest to a font name.
std::string GenericFamily(const std::string& name) {
    if (IsMonospaceName(name)) return "monospace";
    const std::string lower = LowerCase(name);
    if (lower.find("sans") == std::string::npos &&
        (lower.find("times") != std::string::npos || lower.find("serif") != std::string::npos ||
         lower.find("symbol") != std::string::npos)) {
        return "serif";
    }
    return "sans-serif";
}

// Length of the UTF-8 sequence starting at `i`, 0 when the bytes there are not UTF-8.
std::size_t Utf8SequenceLength(const std::string& s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else
        return 0;
    if (i + length > s.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    }
    // Overlong three- and four-byte forms, surrogates and code points above U+10FFFF.
    if (lead == 0xE0 && byte(i + 1) < 0xA0) return 0;
    if (lead == 0xED && byte(i + 1) >= 0xA0) return 0;
    if (lead == 0xF0 && byte(i + 1) < 0x90) return 0;
    if (lead == 0xF4 && byte(i + 1) >= 0x90) return 0;
    return length;
}

bool IsValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t length = Utf8SequenceLength(s, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::size_t CharacterCount(const std::string& s) {
    return static_cast<std::size_t>(std::count_if(
        s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// The lines of one 8 x 8 hatch tile, drawn so that neighbouring tiles join up.
const char* HatchPath(BrushStyle style) {
    switch (style) {
        case BrushStyle::Horizontal:
            return "M0 3.5H8";
        case BrushStyle::Vertical:
            return "M3.5 0V8";
        case BrushStyle::FDiagonal:
            return "M-1 -1L9 9M-1 7L1 9M7 -1L9 1";
        case BrushStyle::BDiagonal:
            return "M-1 9L9 -1M-1 1L1 -1M7 9L9 7";
        case BrushStyle::Cross:
            return "M0 3.5H8M3.5 0V8";
        case BrushStyle::DiagCross:
            return "M-1 -1L9 9M-1 7L1 9M7 -1L9 1M-1 9L9 -1M-1 1L1 -1M7 9L9 7";
        default:
            return "";
    }
}

}  // namespace

std::string EscapeXmlText(const std::string& text) {
    std::string source = text;
    if (!IsValidUtf8(source)) {
        // An 8-bit text: every byte is a Latin-1 character.
        source.clear();
        for (unsigned char c : text) {
            if (c < 0x80) {
                source += static_cast<char>(c);
            } else {
                source += static_cast<char>(0xC0 | (c >> 6));
                source += static_cast<char>(0x80 | (c & 0x3F));
            }
        }
    }
    std::string out;
    out.reserve(source.size());
    for (char c : source) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // XML 1.0 allows no control characters besides tab, line feed and return.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
                    break;
                }
                out += c;
        }
    }
    return out;
}

SvgCanvas::SvgCanvas(int width, int height, int background)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), background_(background) {}

std::string SvgCanvas::StrokeAttributes() const {
    if (state_.penStyle == PenStyle::None) return Attribute("stroke", "none");
    const int width = std::max(state_.penWidth, 1);
    std::string attributes = Attribute("stroke", HexColor(state_.penColor)) +
                             Attribute("stroke-width", std::to_string(width));
    // Dash patterns in units of the pen width.
    std::vector<int> dashes;
    switch (state_.penStyle) {
        case PenStyle::Dash:
            dashes = {18, 6};
            break;
        case PenStyle::Dot:
            dashes = {3, 3};
            break;
        case PenStyle::DashDot:
            dashes = {9, 6, 3, 6};
            break;
        case PenStyle::DashDotDot:
            dashes = {9, 3, 3, 3, 3, 3};
            break;
        default:
            break;
    }
    if (!dashes.empty()) {
        std::string list;
        for (int dash : dashes) {
            if (!list.empty()) list += ' ';
            list += std::to_string(dash * width);
        }
        attributes += Attribute("stroke-dasharray", list);
    }
    return attributes;
}

std::string SvgCanvas::PatternId(BrushStyle style, int rgb) {
    const bool opaque = !state_.transparentBackground;
    const std::string id = "hatch" + std::to_string(static_cast<int>(style)) + "-" +
                           HexColor(rgb).substr(1) + (opaque ? "-o" : "");
    if (!patterns_.contains(id)) {
        std::string pattern =
            "<pattern id=\"" + id + "\" patternUnits=\"userSpaceOnUse\" width=\"8\" height=\"8\">";
        // An opaque background mode fills the gaps between the hatch lines.
        if (opaque) {
            pattern +=
                "<rect width=\"8\" height=\"8\"" + Attribute("fill", HexColor(background_)) + "/>";
        }
        pattern += "<path d=\"" + std::string(HatchPath(style)) + "\"" +
                   Attribute("stroke", HexColor(rgb)) + " stroke-width=\"1\" fill=\"none\"/>";
        pattern += "</pattern>";
        patterns_.emplace(id, std::move(pattern));
    }
    return id;
}

std::string SvgCanvas::FillAttributes() {
    switch (state_.brushStyle) {
        case BrushStyle::Solid:
            return Attribute("fill", HexColor(state_.brushColor));
        case BrushStyle::Clear:
            return Attribute("fill", "none");
        default:
            return Attribute("fill",
                             "url(#" + PatternId(state_.brushStyle, state_.brushColor) + ")");
    }
}

void SvgCanvas::LineTo(int x, int y) {
    const PixelPoint from = state_.position;
    state_.position = {x, y};
    if (state_.penStyle == PenStyle::None) return;
    body_ += "<line" + Attribute("x1", Centre(from.x)) + Attribute("y1", Centre(from.y)) +
             Attribute("x2", Centre(x)) + Attribute("y2", Centre(y)) + StrokeAttributes() + "/>\n";
}

void SvgCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    // The box covers the pixels x1 .. x2 - 1 and y1 .. y2 - 1.
    const double rx = std::max(0.0, (std::abs(static_cast<double>(x2) - x1) - 1) / 2);
    const double ry = std::max(0.0, (std::abs(static_cast<double>(y2) - y1) - 1) / 2);
    const double cx = (static_cast<double>(x1) + x2) / 2;
    const double cy = (static_cast<double>(y1) + y2) / 2;
    body_ += "<ellipse" + Attribute("cx", FormatGeneral(cx)) + Attribute("cy", FormatGeneral(cy)) +
             Attribute("rx", FormatGeneral(rx)) + Attribute("ry", FormatGeneral(ry)) +
             FillAttributes() + StrokeAttributes() + "/>\n";
}

void SvgCanvas::Polygon(std::span<const PixelPoint> points) {
    if (points.empty()) return;
    std::string list;
    for (const auto& p : points) {
        if (!list.empty()) list += ' ';
        list += Centre(p.x) + ',' + Centre(p.y);
    }
    body_ += "<polygon" + Attribute("points", list) + " fill-rule=\"evenodd\"" + FillAttributes() +
             StrokeAttributes() + "/>\n";
}

void SvgCanvas::TextOut(int x, int y, const std::string& text) {
    const int pixels = FontPixelHeight(state_.fontSize);
    const int baseline = y + (pixels * 4 + 2) / 5;  // ascent of about 0.8 of the height
    const std::string family =
        "'" + EscapeXmlText(state_.fontName) + "', " + GenericFamily(state_.fontName);
    std::string attributes =
        Attribute("x", std::to_string(x)) + Attribute("y", std::to_string(baseline)) +
        Attribute("font-family", family) + Attribute("font-size", std::to_string(pixels)) +
        Attribute("fill", HexColor(state_.fontColor));
    const FontStyle& style = state_.fontStyle;
    if (style.bold) attributes += Attribute("font-weight", "bold");
    if (style.italic) attributes += Attribute("font-style", "italic");
    std::string decoration;
    if (style.underline) decoration = "underline";
    if (style.strikeOut) decoration += decoration.empty() ? "line-through" : " line-through";
    if (!decoration.empty()) attributes += Attribute("text-decoration", decoration);
    body_ += "<text" + attributes + " xml:space=\"preserve\">" + EscapeXmlText(text) + "</text>\n";
}

int SvgCanvas::TextWidth(const std::string& text) const {
    const double perCharacter = IsMonospaceName(state_.fontName) ? 0.6 : 0.55;
    return static_cast<int>(std::lround(perCharacter * FontPixelHeight(state_.fontSize) *
                                        static_cast<double>(CharacterCount(text))));
}

int SvgCanvas::TextHeight(const std::string&) const {
    return FontPixelHeight(state_.fontSize);
}

std::string SvgCanvas::Document() const {
    const std::string w = std::to_string(width_);
    const std::string h = std::to_string(height_);
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n";
    doc += "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" + w +
           "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h + "\">\n";
    if (!patterns_.empty()) {
        doc += "<defs>\n";
        for (const auto& [id, pattern] : patterns_) doc += pattern + "\n";
        doc += "</defs>\n";
    }
    doc += "<rect x=\"0\" y=\"0\" width=\"" + w + "\" height=\"" + h + "\"" +
           Attribute("fill", HexColor(background_)) + "/>\n";
    doc += body_;
    doc += "</svg>\n";
    return doc;
}

bool SvgCanvas::Save(const std::string& path) const {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) return false;
    try {
        file->Write(Document());
        file->Close();
        target.Commit();
    } catch (const IoError&) {
        return false;
    }
    return true;
}

}  // namespace membrane
