// The mesh drawing of the results window over a small in-memory mesh: status texts, what
// is drawn in which order and colour, skipped node numbers, degenerate meshes, the
// highlight operations and the SVG rendering.
#include "plot/mesh_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/recording.h"
#include "support/recording_canvas.h"

namespace membrane {
namespace {

using test::RecordingMessageSink;

using Lines = std::vector<std::string>;

class TestMesh final : public MeshSource {
  public:
    bool loaded = true;
    bool results = true;
    bool nodeTable = true;
    std::vector<MeshNode> nodes;
    bool elementTable = true;
    std::vector<std::pair<int, std::vector<int>>> elements;
    std::vector<std::pair<int, int>> edges;
    bool edgeList = true;
    std::vector<int> constrained;
    bool constraintList = true;
    std::vector<int> initial;
    bool initialList = true;

    bool ModelLoaded() const override { return loaded; }
    bool ResultsAvailable() const override { return results; }
    bool HasNodeTable() const override { return nodeTable; }
    double XMin() const override {
        return Extent([](auto& n) { return n.x; }, true);
    }
    double XMax() const override {
        return Extent([](auto& n) { return n.x; }, false);
    }
    double YMin() const override {
        return Extent([](auto& n) { return n.y; }, true);
    }
    double YMax() const override {
        return Extent([](auto& n) { return n.y; }, false);
    }
    std::size_t NodeCount() const override { return nodes.size(); }
    void ForEachNode(const std::function<void(const MeshNode&)>& visit) const override {
        for (const auto& n : nodes) visit(n);
    }
    std::optional<MeshNode> FindNode(int number) const override {
        for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
            if (it->number == number) return *it;
        }
        return std::nullopt;
    }
    bool HasElementTable() const override { return elementTable; }
    void ForEachElement(
        const std::function<void(int, std::span<const int>)>& visit) const override {
        for (const auto& [number, list] : elements) visit(number, list);
    }
    std::optional<std::vector<int>> FindElementNodes(int number) const override {
        for (const auto& [n, list] : elements) {
            if (n == number) return list;
        }
        return std::nullopt;
    }
    bool HasEdgePairs() const override { return edgeList; }
    void ForEachEdgePair(const std::function<void(int, int)>& visit) const override {
        for (const auto& [a, b] : edges) visit(a, b);
    }
    bool HasConstraints() const override { return constraintList; }
    void ForEachConstrained(const std::function<void(int)>& visit) const override {
        for (int n : constrained) visit(n);
    }
    bool HasInitialValues() const override { return initialList; }
    void ForEachInitial(const std::function<void(int)>& visit) const override {
        for (int n : initial) visit(n);
    }

  private:
    template <class Get>
    double Extent(Get get, bool lowest) const {
        if (nodes.empty()) return 0;
        double v = get(nodes.front());
        for (const auto& n : nodes) v = lowest ? std::min(v, get(n)) : std::max(v, get(n));
        return v;
    }
};

// A unit square of two triangles; node 4 is constrained, node 1 constrained and initial.
TestMesh Square() {
    TestMesh mesh;
    mesh.nodes = {{1, 0, 0}, {2, 10, 0}, {3, 10, 10}, {4, 0, 10}};
    mesh.elements = {{1, {1, 2, 3}}, {2, {1, 3, 4, 99}}};  // 99 has no node
    mesh.edges = {{1, 2}, {2, 3}, {3, 4}, {4, 1}, {4, 77}};
    mesh.constrained = {4, 1, 55};
    mesh.initial = {1};
    return mesh;
}

class MeshDrawingTest : public ::testing::Test {
  protected:
    MeshDrawingTest() : plot(&canvas, &messages) { canvas.ClearLog(); }

    // The index of the first logged line equal to `line` at or after `from`.
    std::size_t Find(const std::string& line, std::size_t from = 0) const {
        const auto& log = canvas.Log();
        const auto it = std::find(log.begin() + static_cast<long>(from), log.end(), line);
        return static_cast<std::size_t>(it - log.begin());
    }

    RecordingCanvas canvas{634, 474};
    RecordingMessageSink messages;
    Plotter plot;
};

TEST_F(MeshDrawingTest, StatusTexts) {
    TestMesh mesh = Square();
    EXPECT_EQ(DrawMesh(nullptr, mesh), "plot not initialised");
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done");
    mesh.results = false;
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done no results");
    mesh.loaded = false;
    canvas.ClearLog();
    EXPECT_EQ(DrawMesh(&plot, mesh), ", input errors and no results");
    EXPECT_TRUE(canvas.Log().empty());
    mesh.loaded = true;
    mesh.nodeTable = false;
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done no results");
    EXPECT_TRUE(canvas.Log().empty());
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MeshDrawingTest, DrawsElementsNodesBoundaryAndMarkedNodes) {
    const TestMesh mesh = Square();
    ASSERT_EQ(DrawMesh(&plot, mesh), "drawing done");
    // World window -1.5 .. 11.5 in both directions on 634 x 474 pixels: one scale,
    // 474 / 13 pixels a unit, the square centred (x from 317 - 5 x 36.46 = 134.7).
    const auto& s = plot.GetSettings().window;
    EXPECT_DOUBLE_EQ(s.xmin, -1.5);
    EXPECT_DOUBLE_EQ(s.xmax, 11.5);
    EXPECT_DOUBLE_EQ(s.ymin, -1.5);
    EXPECT_DOUBLE_EQ(s.ymax, 11.5);

    // The title, underlined, starting at (1.1 xmin, 1.1 ymax) = (0, 11), centred vertically.
    const auto texts = canvas.LinesStartingWith("TextOut");
    ASSERT_EQ(texts.size(), 5u);
    EXPECT_EQ(texts[0], "TextOut 134 12 mesh in XY PLANE");
    // Node numbers in file order, 0.05 * 10 above the node.
    EXPECT_EQ(texts[1], "TextOut 134 395 1");
    EXPECT_EQ(texts[4], "TextOut 134 30 4");

    // Light grey triangles outlined in black; the unknown node 99 is left out.
    const auto polygons = canvas.LinesStartingWith("Polygon");
    EXPECT_EQ(polygons, (Lines{"Polygon 134 419 499 419 499 54", "Polygon 134 419 499 54 134 54"}));
    const std::size_t firstPolygon = Find(polygons[0]);
    const std::size_t fill = Find("BrushColor 190 190 190");
    EXPECT_LT(fill, firstPolygon);
    EXPECT_LT(Find("PenColor 0 0 0", fill), firstPolygon);

    // Four node circles, then one red circle (initial value) and the two green ones of the
    // held nodes (node 55 does not exist), drawn last so that they show.
    const auto ellipses = canvas.LinesStartingWith("Ellipse");
    ASSERT_EQ(ellipses.size(), 7u);
    const std::size_t red = Find("PenColor 255 0 0");
    const std::size_t green = Find("PenColor 49 171 14");
    EXPECT_LT(Find(ellipses[3]), red);
    EXPECT_GT(Find(ellipses[4]), red);
    EXPECT_LT(Find(ellipses[4]), green);
    EXPECT_GT(Find(ellipses[5]), green);
    // Node 1 is held and has an initial value: its green circle covers the red one.
    EXPECT_EQ(ellipses[6], ellipses[4]);
    EXPECT_EQ(canvas.Log()[canvas.Log().size() - 3], ellipses[6]);

    // Four boundary edges in blue; the pair with the unknown node 77 is skipped.
    const std::size_t blue = Find("PenColor 19 31 255");
    EXPECT_EQ(canvas.LinesStartingWith("MoveTo").size(), 4u);
    EXPECT_GT(Find("MoveTo 134 419"), blue);
    EXPECT_TRUE(messages.messages.empty());
}

TEST_F(MeshDrawingTest, MeshOnALineIsSkippedWithOneMessage) {
    TestMesh mesh;
    mesh.nodes = {{1, 0, 5}, {2, 4, 5}, {3, 8, 5}};
    mesh.elements = {{1, {1, 2, 3}}};
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing skipped (the mesh has no extent in x or y)");
    mesh.results = false;
    EXPECT_EQ(DrawMesh(&plot, mesh),
              "drawing skipped no results (the mesh has no extent in x or y)");
    EXPECT_EQ(messages.Texts(), (Lines{"Fatal SetScale command"}));
    for (const char* drawn : {"Polygon", "Ellipse", "TextOut", "MoveTo"}) {
        EXPECT_TRUE(canvas.LinesStartingWith(drawn).empty()) << drawn;
    }
    // Highlighting a node of it neither draws nor reports again.
    EXPECT_TRUE(HighlightNode(plot, mesh, 2).has_value());
    EXPECT_EQ(messages.messages.size(), 1u);
    EXPECT_TRUE(canvas.LinesStartingWith("Ellipse").empty());

    // The same plot draws again once the mesh has an extent.
    mesh.nodes.push_back({4, 4, 9});
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done no results");
    EXPECT_FALSE(canvas.LinesStartingWith("Polygon").empty());
}

TEST_F(MeshDrawingTest, SingleNodeAndEmptyNodeTable) {
    TestMesh mesh;
    mesh.nodes = {{7, 3, 3}};
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing skipped (the mesh has no extent in x or y)");
    mesh.nodes.clear();
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing skipped (the mesh has no extent in x or y)");
    EXPECT_EQ(messages.messages.size(), 1u);
}

TEST_F(MeshDrawingTest, DenseMeshLeavesOutNodeNumbers) {
    TestMesh mesh;
    for (int i = 0; i < 400; ++i) {
        for (int j = 0; j < 250; ++j) {
            mesh.nodes.push_back({i * 250 + j + 1, static_cast<double>(i), static_cast<double>(j)});
        }
    }
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done (node numbers left out)");
    EXPECT_EQ(canvas.LinesStartingWith("TextOut").size(), 1u);  // the title only
    // 1e5 nodes about a pixel apart: no node is apart from its neighbours on the device,
    // so no circle hides the mesh; zoomed in far enough, the circles in view are drawn,
    // each clear of the others.
    EXPECT_TRUE(canvas.LinesStartingWith("Ellipse").empty());
    canvas.ClearLog();
    plot.SetView({.zoom = 40, .panX = 0, .panY = 0});
    plot.Clear();
    DrawMesh(&plot, mesh);
    const auto ellipses = canvas.LinesStartingWith("Ellipse");
    std::vector<std::pair<double, double>> centres;
    double diameter = 0;
    for (const std::string& line : ellipses) {
        std::istringstream in(line.substr(8));
        double x1, y1, x2, y2;
        in >> x1 >> y1 >> x2 >> y2;
        if (x2 < 0 || y2 < 0 || x1 > 634 || y1 > 474) continue;  // off the picture
        centres.emplace_back((x1 + x2) / 2, (y1 + y2) / 2);
        diameter = std::max(diameter, x2 - x1);
    }
    ASSERT_GT(centres.size(), 20u);
    for (std::size_t i = 0; i < centres.size(); ++i)
        for (std::size_t j = i + 1; j < centres.size(); ++j)
            ASSERT_GE(std::hypot(centres[i].first - centres[j].first,
                                 centres[i].second - centres[j].second),
                      diameter)
                << i << " / " << j;
    plot.SetView({});
    mesh.results = false;
    EXPECT_EQ(DrawMesh(&plot, mesh), "drawing done no results (node numbers left out)");
}

TEST_F(MeshDrawingTest, HighlightNode) {
    const TestMesh mesh = Square();
    EXPECT_FALSE(HighlightNode(plot, mesh, 0).has_value());
    EXPECT_FALSE(HighlightNode(plot, mesh, 12).has_value());
    EXPECT_TRUE(canvas.Log().empty());

    ASSERT_EQ(HighlightNode(plot, mesh, 3), "drawing done");
    const Lines& log = canvas.Log();
    // Cleared first, then the mesh, then a thick red filled circle with a cross at node 3.
    EXPECT_EQ(canvas.LinesStartingWith("Polygon").front(), "Polygon 0 0 634 0 634 474 0 474");
    const auto ellipses = canvas.LinesStartingWith("Ellipse");
    ASSERT_EQ(ellipses.size(), 8u);
    const std::size_t mark = Find(ellipses.back());
    EXPECT_EQ(ellipses.back(), "Ellipse 495 51 502 58");  // d doubled
    const std::size_t width = Find("PenWidth 2", Find("BrushColor 255 0 0"));
    EXPECT_LT(width, mark);
    EXPECT_EQ(log[mark + 1], "MoveTo 493 54");
    // Afterwards the marker attributes are back to thin black circles.
    EXPECT_EQ(canvas.State().penColor, PackRgb(0, 0, 0));
    EXPECT_EQ(canvas.State().penWidth, 1);
    EXPECT_EQ(canvas.State().brushColor, canvas.BackgroundColor());
    EXPECT_EQ(plot.GetSettings().marker.type, 1);
}

TEST_F(MeshDrawingTest, HighlightElement) {
    TestMesh mesh = Square();
    EXPECT_FALSE(HighlightElement(plot, mesh, 0).has_value());
    EXPECT_FALSE(HighlightElement(plot, mesh, 3).has_value());
    mesh.elementTable = false;
    EXPECT_FALSE(HighlightElement(plot, mesh, 1).has_value());
    mesh.elementTable = true;
    EXPECT_TRUE(canvas.Log().empty());

    ASSERT_EQ(HighlightElement(plot, mesh, 2), "drawing done");
    const Lines& log = canvas.Log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log[log.size() - 3], "Polygon 134 419 499 54 134 54");
    EXPECT_EQ(Find("BrushColor 255 0 0", Find("BrushStyle Solid", log.size() - 6)), log.size() - 4);
    EXPECT_EQ(log.back(), "BrushColor 0 0 0");
}

TEST_F(MeshDrawingTest, HighlightWithoutALoadedModelDrawsAndSaysNothing) {
    TestMesh mesh = Square();
    mesh.loaded = false;
    mesh.results = false;
    EXPECT_EQ(HighlightNode(plot, mesh, 3), ", input errors and no results");
    EXPECT_EQ(HighlightElement(plot, mesh, 1), ", input errors and no results");
    EXPECT_TRUE(messages.messages.empty());
    EXPECT_TRUE(canvas.LinesStartingWith("Ellipse").empty());
}

TEST(MeshSvg, RendersAFileAndFailsOnAMissingFolder) {
    const auto folder = std::filesystem::temp_directory_path() / "membrane_mesh_svg_test";
    std::filesystem::create_directories(folder);
    const auto path = (folder / "mesh.svg").string();
    ASSERT_TRUE(RenderMeshSvg(Square(), path));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("mesh in XY PLANE"), std::string::npos);
    EXPECT_NE(text.str().find("<polygon"), std::string::npos);
    EXPECT_TRUE(text.str().ends_with("</svg>\n"));
    // Nothing but the document is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
    std::filesystem::remove_all(folder);

    EXPECT_FALSE(RenderMeshSvg(Square(), (folder / "no" / "mesh.svg").string()));
}

}  // namespace
}  // namespace membrane
