#include "plot/mesh_drawing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "common/number_format.h"
#include "plot/svg_canvas.h"

namespace membrane {

namespace {

// Colour numbers of the plotting object.
constexpr int kBlack = 0;
constexpr int kBlue = 7;
constexpr int kPurple = 3;  // drawn as (182, 4, 234)
constexpr int kLightGrey = 9;
constexpr int kPureRed = 12;  // drawn as (255, 0, 0)
constexpr int kGreen = 14;

// The points of an element's nodes in the order of its node list; node numbers without a
// node are left out.
std::vector<PlotPoint> ElementPoints(const MeshSource& source, std::span<const int> nodes) {
    std::vector<PlotPoint> points;
    points.reserve(nodes.size());
    for (int number : nodes) {
        if (auto node = source.FindNode(number)) points.push_back({node->x, node->y});
    }
    return points;
}

// Whether the node numbers would pile up on each other: a number needs its text box. When
// the average room per node (the mesh's extent on the device, over the node count) is
// smaller than the box of the longest number, the numbers are left out.
bool NodeNumbersTooDense(Plotter& plot, const MeshSource& source) {
    const Canvas* canvas = plot.GetSettings().canvas;
    const std::size_t count = source.NodeCount();
    if (canvas == nullptr || count == 0) return false;
    double x1 = source.XMin(), y1 = source.YMin(), x2 = source.XMax(), y2 = source.YMax();
    if (!plot.WorldToDevice(x1, y1) || !plot.WorldToDevice(x2, y2)) return false;
    std::string longest;
    source.ForEachNode([&](const MeshNode& node) {
        std::string label = FormatInt(node.number);
        if (label.size() > longest.size()) longest = std::move(label);
    });
    const double meshArea = std::fabs(x2 - x1) * std::fabs(y2 - y1);
    const double labelArea =
        static_cast<double>(canvas->TextWidth(longest)) * canvas->TextHeight(longest);
    return meshArea / static_cast<double>(count) < labelArea;
}

// Whether the nodes' circles would pile up: when more than 16 nodes share the box of one
// circle on average (the mesh's extent on the device over the node count), the circles of
// every node (and of every node with an initial value) are one blot, which takes seconds to
// draw at a million nodes; they are left out until the view is zoomed in far enough. The
// held nodes' circles are drawn always.
bool NodeCirclesTooDense(Plotter& plot, const MeshSource& source) {
    const std::size_t count = source.NodeCount();
    if (plot.GetSettings().canvas == nullptr || count == 0) return false;
    double x1 = source.XMin(), y1 = source.YMin(), x2 = source.XMax(), y2 = source.YMax();
    if (!plot.WorldToDevice(x1, y1) || !plot.WorldToDevice(x2, y2)) return false;
    const auto& w = plot.GetSettings().window;
    double d = std::min(w.xmax - w.xmin, w.ymax - w.ymin) * 0.0075 / plot.View().zoom, o = 0.0;
    double oy = 0.0, dy = 0.0;
    if (!plot.WorldToDevice(d, dy) || !plot.WorldToDevice(o, oy)) return false;
    const double diameter = std::fabs(d - o);
    const double meshArea = std::fabs(x2 - x1) * std::fabs(y2 - y1);
    return meshArea / static_cast<double>(count) < diameter * diameter / 16.0;
}

// The diameter of a node's circle on the device.
double MarkerDiameter(Plotter& plot) {
    const auto& w = plot.GetSettings().window;
    double d = std::min(w.xmax - w.xmin, w.ymax - w.ymin) * 0.0075 / plot.View().zoom, o = 0.0;
    double oy = 0.0, dy = 0.0;
    if (!plot.WorldToDevice(d, dy) || !plot.WorldToDevice(o, oy)) return 0.0;
    return std::fabs(d - o);
}

// Which nodes stay apart from every other node on the device: a node's circle or number
// is drawn only when no other node lies within its room, so that a dense part of a mesh
// shows its triangles instead of a blot of marks, while a sparse part (or a view zoomed in
// far enough) shows every mark. The device is divided into cells of the largest room
// asked for; only the 3 x 3 cells around a node can hold one too close.
class NodeRoom {
  public:
    NodeRoom(Plotter& plot, const MeshSource& source, double cell)
        : plot_(plot), cell_(std::max(cell, 1.0)) {
        source.ForEachNode([&](const MeshNode& node) {
            double x = node.x, y = node.y;
            if (!plot_.WorldToDevice(x, y) || !std::isfinite(x) || !std::isfinite(y)) return;
            cells_[Key(Cell(x), Cell(y))].emplace_back(x, y);
        });
    }

    // Whether the node at (x, y) has no other node within `room` pixels (room <= cell).
    bool Apart(double x, double y, double room) {
        if (!plot_.WorldToDevice(x, y) || !std::isfinite(x) || !std::isfinite(y)) return false;
        const std::int64_t cx = Cell(x), cy = Cell(y);
        int near = 0;
        for (std::int64_t i = cx - 1; i <= cx + 1; ++i)
            for (std::int64_t j = cy - 1; j <= cy + 1; ++j) {
                const auto found = cells_.find(Key(i, j));
                if (found == cells_.end()) continue;
                for (const auto& [px, py] : found->second)
                    if ((px - x) * (px - x) + (py - y) * (py - y) < room * room && ++near > 1)
                        return false;  // the node itself is one
            }
        return true;
    }

  private:
    std::int64_t Cell(double v) const { return static_cast<std::int64_t>(std::floor(v / cell_)); }
    static std::int64_t Key(std::int64_t i, std::int64_t j) { return (i << 32) ^ (j & 0xffffffff); }
    Plotter& plot_;
    double cell_;
    std::unordered_map<std::int64_t, std::vector<std::pair<double, double>>> cells_;
};

// Whether a triangle is so small on the device that its black outline would hide its
// fill: such triangles are outlined in their fill colour.
bool TinyOnDevice(Plotter& plot, std::span<const PlotPoint> corners, double least) {
    double xLow = INFINITY, xHigh = -INFINITY, yLow = INFINITY, yHigh = -INFINITY;
    for (const PlotPoint& corner : corners) {
        double x = corner.x, y = corner.y;
        if (!plot.WorldToDevice(x, y)) return false;
        xLow = std::min(xLow, x), xHigh = std::max(xHigh, x);
        yLow = std::min(yLow, y), yHigh = std::max(yHigh, y);
    }
    return xHigh - xLow < least && yHigh - yLow < least;
}

std::string ScaleFailureReason(const MeshSource& source, const Plotter& plot) {
    if (plot.Failure() == PlotFailure::Device) return "the drawing surface is not usable";
    const bool finite = std::isfinite(source.XMin()) && std::isfinite(source.XMax()) &&
                        std::isfinite(source.YMin()) && std::isfinite(source.YMax());
    if (!finite) return "the mesh extents are not finite";
    return "the mesh has no extent in x or y";
}

struct DrawOutcome {
    bool skipped = false;
    std::string note;  // shown in parentheses after the status
};

// Triangles filled light grey, outlined in black (their corners gathered on the stack: at a
// million nodes this runs two million times at every change of the view).
void DrawTriangles(Plotter& plot, const MeshSource& source) {
    // Outlines thinned where the triangles are smaller than a few pixels.
    constexpr double kLeastOutlined = 4.0;
    bool grey = false;
    source.ForEachElement([&](int, std::span<const int> nodes) {
        std::array<PlotPoint, 8> corners;
        if (nodes.size() > corners.size()) return plot.DrawPolygon(ElementPoints(source, nodes));
        std::size_t count = 0;
        for (int number : nodes)
            if (auto node = source.FindNode(number)) corners[count++] = {node->x, node->y};
        const std::span<const PlotPoint> points(corners.data(), count);
        if (const bool tiny = TinyOnDevice(plot, points, kLeastOutlined); tiny != grey) {
            plot.SetLineAttributes(1, 1, tiny ? kLightGrey : kBlack);
            grey = tiny;
        }
        plot.DrawPolygon(points);
    });
    if (grey) plot.SetLineAttributes(1, 1, kBlack);
    // The membrane's near-vertical walls filled purple (a colour of neither the
    // selection nor the held nodes).
    plot.SetFillAttributes(1, kPurple);
    source.ForEachWall(
        [&](std::span<const int> nodes) { plot.DrawPolygon(ElementPoints(source, nodes)); });
    plot.SetFillAttributes(1, kLightGrey);
}

// Steps from the world window on, for a loaded model with a node table.
DrawOutcome DrawNodeTable(Plotter& plot, const MeshSource& source) {
    const double xmin = source.XMin(), xmax = source.XMax();
    const double ymin = source.YMin(), ymax = source.YMax();
    const double a = std::fabs(xmax - xmin);
    const double b = std::fabs(ymax - ymin);
    // A margin of 15 % of the extent on every side; one scale for x and y, so that the
    // plan keeps its shape, centred on the surface.
    if (!plot.SetScale(1, xmin - 0.15 * a, xmax + 0.15 * a, ymin - 0.15 * b, ymax + 0.15 * b, 0) ||
        plot.Failed()) {
        return {true, ScaleFailureReason(source, plot)};
    }

    plot.SetTextAttributes(1, 4, 1.0, kBlack, 1);  // underlined, left-aligned
    plot.DrawText("mesh in XY PLANE", 1.1 * xmin, 1.1 * ymax);

    plot.SetLineAttributes(1, 1, kBlack);
    plot.SetTextAttributes(1, 1, 1.0, kBlack, 1);
    plot.SetFillAttributes(1, kBlack);
    plot.SetMarkerAttributes(1, kBlack, 1.0);
    plot.SetLineAttributes(1, 1, kLightGrey);
    plot.SetFillAttributes(1, kLightGrey);
    plot.SetLineAttributes(1, 1, kBlack);
    plot.SetTextAttributes(1, 1, 1.0, kBlack, 1);

    if (source.HasElementTable()) DrawTriangles(plot, source);

    // A thin circle filled light grey at every node, its number just above it.
    const bool numbers = !NodeNumbersTooDense(plot, source);
    const bool circles = !NodeCirclesTooDense(plot, source);
    const double diameter = MarkerDiameter(plot);
    const Canvas* canvas = plot.GetSettings().canvas;
    const double numberRoom = canvas ? 1.2 * canvas->TextWidth("00000") : 0.0;
    const double circleRoom = 1.5 * diameter, markedRoom = 2.5 * diameter;
    NodeRoom room(plot, source, std::max({numberRoom, circleRoom, markedRoom}));
    if (numbers || circles) {
        source.ForEachNode([&](const MeshNode& node) {
            if (circles && room.Apart(node.x, node.y, circleRoom)) plot.DrawMarker(node.x, node.y);
            if (numbers && room.Apart(node.x, node.y, numberRoom))
                plot.DrawText(FormatInt(node.number), node.x, node.y + 0.05 * b);
        });
    }

    if (source.HasEdgePairs()) {
        plot.SetLineAttributes(1, 1, kBlue);
        source.ForEachEdgePair([&](int first, int second) {
            const auto p = source.FindNode(first);
            const auto q = source.FindNode(second);
            if (p && q) plot.DrawLine(p->x, p->y, q->x, q->y);
        });
    }

    // Circles of twice the size, filled with the background: the nodes with an initial
    // value in red, then the held nodes in green over them (a held node has an initial
    // value too, its height).
    const auto circleNodes = [&](int color, auto forEach) {
        plot.SetMarkerAttributes(1, color, 2.0);
        forEach([&](int number) {
            if (auto node = source.FindNode(number);
                node && room.Apart(node->x, node->y, markedRoom))
                plot.DrawMarker(node->x, node->y);
        });
    };
    if (source.HasInitialValues() && circles) {
        circleNodes(kPureRed, [&](const auto& visit) { source.ForEachInitial(visit); });
    }
    if (source.HasConstraints()) {
        circleNodes(kGreen, [&](const auto& visit) { source.ForEachConstrained(visit); });
    }

    if (!circles) return {false, "node numbers and circles left out"};
    return {false, numbers ? "" : "node numbers left out"};
}

}  // namespace

std::string DrawMesh(Plotter* plot, const MeshSource& source) {
    if (plot == nullptr) return "plot not initialised";
    std::string status;
    DrawOutcome outcome;
    if (!source.ModelLoaded()) {
        status = ", input errors and";
    } else {
        status = "drawing done";
        if (source.HasNodeTable()) outcome = DrawNodeTable(*plot, source);
        if (outcome.skipped) status = "drawing skipped";
    }
    if (!source.ResultsAvailable()) status += " no results";
    if (!outcome.note.empty()) status += " (" + outcome.note + ")";
    return status;
}

std::optional<std::string> HighlightNode(Plotter& plot, const MeshSource& source, int number) {
    if (!source.HasNodeTable() || number == 0) return std::nullopt;
    const auto node = source.FindNode(number);
    if (!node) return std::nullopt;
    plot.Clear();
    std::string status = DrawMesh(&plot, source);
    plot.SetMarkerAttributes(10, kPureRed, 2.0);  // thick red filled circle with a cross
    // Without a world window (the model did not load, so the mesh was not drawn) there is
    // nothing to mark the node on.
    if (plot.WindowValid()) plot.DrawMarker(node->x, node->y);
    plot.SetMarkerAttributes(1, kBlack, 1.0);
    return status;
}

std::optional<std::string> HighlightElement(Plotter& plot, const MeshSource& source, int number) {
    if (!source.HasElementTable() || number == 0) return std::nullopt;
    const auto nodes = source.FindElementNodes(number);
    if (!nodes) return std::nullopt;
    const auto points = ElementPoints(source, *nodes);
    plot.Clear();
    std::string status = DrawMesh(&plot, source);
    plot.SetFillAttributes(1, kPureRed);
    if (plot.WindowValid()) plot.DrawPolygon(points);
    plot.SetFillAttributes(1, kBlack);
    return status;
}

bool RenderMeshSvg(const MeshSource& source, const std::string& path, int width, int height,
                   MessageSink* messages) {
    SvgCanvas canvas(width, height);
    Plotter plot(&canvas, messages);
    DrawMesh(&plot, source);
    return canvas.Save(path);
}

}  // namespace membrane
