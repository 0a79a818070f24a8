// The Qt canvas: a small mesh drawn into an image through the plotting object, hatch
// directions, font resolution and text measure.
#include "desktop/qt_canvas.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include "plot/mesh_drawing.h"

using namespace membrane;

namespace {

// Two triangles over the square 0..10; node 4 constrained, node 2 with an initial value.
class SquareMesh final : public MeshSource {
  public:
    std::vector<MeshNode> nodes{{1, 0, 0}, {2, 10, 0}, {3, 10, 10}, {4, 0, 10}};
    std::vector<std::vector<int>> elements{{1, 2, 3}, {1, 3, 4}};

    bool ModelLoaded() const override { return true; }
    bool ResultsAvailable() const override { return true; }
    bool HasNodeTable() const override { return true; }
    double XMin() const override { return 0; }
    double XMax() const override { return 10; }
    double YMin() const override { return 0; }
    double YMax() const override { return 10; }
    std::size_t NodeCount() const override { return nodes.size(); }
    void ForEachNode(const std::function<void(const MeshNode&)>& visit) const override {
        for (const auto& n : nodes) visit(n);
    }
    std::optional<MeshNode> FindNode(int number) const override {
        for (const auto& n : nodes) {
            if (n.number == number) return n;
        }
        return std::nullopt;
    }
    bool HasElementTable() const override { return true; }
    void ForEachElement(
        const std::function<void(int, std::span<const int>)>& visit) const override {
        for (std::size_t i = 0; i < elements.size(); ++i)
            visit(static_cast<int>(i + 1), elements[i]);
    }
    std::optional<std::vector<int>> FindElementNodes(int number) const override {
        if (number < 1 || number > static_cast<int>(elements.size())) return std::nullopt;
        return elements[static_cast<std::size_t>(number - 1)];
    }
    bool HasEdgePairs() const override { return true; }
    void ForEachEdgePair(const std::function<void(int, int)>& visit) const override {
        visit(1, 2);
        visit(2, 3);
        visit(3, 4);
        visit(4, 1);
    }
    bool HasConstraints() const override { return true; }
    void ForEachConstrained(const std::function<void(int)>& visit) const override { visit(4); }
    bool HasInitialValues() const override { return true; }
    void ForEachInitial(const std::function<void(int)>& visit) const override { visit(2); }
};

QImage WhiteImage(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool AnyPixel(const QImage& image, QRect area, QColor color) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixelColor(x, y) == color) return true;
        }
    }
    return false;
}

}  // namespace

class QtCanvasTest : public QObject {
    Q_OBJECT

  private slots:
    void drawsTheMesh() {
        QImage image = WhiteImage(634, 474);
        QPainter painter(&image);
        QtCanvas canvas(painter, image.width(), image.height());
        Plotter plot(&canvas);
        QCOMPARE(DrawMesh(&plot, SquareMesh()), std::string("drawing done"));
        painter.end();

        // World -1.5 .. 11.5 to scale, centred: node 1 at (134, 419), node 3 at (499, 54).
        QCOMPARE(image.pixelColor(5, 5), QColor(Qt::white));
        QCOMPARE(image.pixelColor(400, 300), QColor(190, 190, 190));  // inside triangle 1
        QCOMPARE(image.pixelColor(200, 150), QColor(190, 190, 190));  // inside triangle 2
        QCOMPARE(image.pixelColor(300, 419), QColor(19, 31, 255));    // boundary, blue
        QCOMPARE(image.pixelColor(134, 200), QColor(19, 31, 255));
        QCOMPARE(image.pixelColor(100, 200), QColor(Qt::white));                // beside the square
        QVERIFY(AnyPixel(image, QRect(127, 47, 15, 15), QColor(49, 171, 14)));  // node 4, green
        QVERIFY(AnyPixel(image, QRect(492, 412, 15, 15), QColor(255, 0, 0)));   // node 2, red
        QVERIFY(!AnyPixel(image, QRect(492, 412, 15, 15), QColor(49, 171, 14)));
        QVERIFY(AnyPixel(image, QRect(134, 5, 60, 20), QColor(Qt::black)));  // title
    }

    void highlightsAnElement() {
        QImage image = WhiteImage(634, 474);
        QPainter painter(&image);
        QtCanvas canvas(painter, image.width(), image.height());
        Plotter plot(&canvas);
        QVERIFY(HighlightElement(plot, SquareMesh(), 2).has_value());
        painter.end();
        QCOMPARE(image.pixelColor(200, 150), QColor(255, 0, 0));
        QCOMPARE(image.pixelColor(400, 300), QColor(190, 190, 190));
    }

    void hatchesRunTheRightWay() {
        // A falling hatch has its lines along x - y = constant, a rising one along x + y.
        for (const auto& [style, falling] :
             {std::pair{BrushStyle::FDiagonal, true}, std::pair{BrushStyle::BDiagonal, false}}) {
            QImage image = WhiteImage(64, 64);
            QPainter painter(&image);
            QtCanvas canvas(painter, 64, 64);
            canvas.SetPenStyle(PenStyle::None);
            canvas.SetBrushStyle(style);
            canvas.SetBrushColor(0);
            canvas.SetTransparentBackground();
            const PixelPoint box[] = {{0, 0}, {64, 0}, {64, 64}, {0, 64}};
            canvas.Polygon(box);
            painter.end();
            int along = 0;
            for (int y = 8; y < 40; ++y) {
                for (int x = 8; x < 40; ++x) {
                    if (image.pixelColor(x, y) != QColor(Qt::black)) continue;
                    const QColor next =
                        falling ? image.pixelColor(x + 1, y + 1) : image.pixelColor(x + 1, y - 1);
                    if (next == QColor(Qt::black)) ++along;
                }
            }
            QVERIFY2(along > 50, falling ? "falling hatch" : "rising hatch");
        }
    }

    void resolvesWindowsFontsAndMeasuresText() {
        QImage image = WhiteImage(10, 10);
        QPainter painter(&image);
        QtCanvas canvas(painter, 10, 10);
        const auto installed = canvas.InstalledFonts();
        QVERIFY(!installed.empty());
        const QString family = QtCanvas::ResolveFamily("MS Sans Serif");
        QVERIFY(QFontDatabase::families().contains(family, Qt::CaseInsensitive) ||
                family == "MS Sans Serif");
        const QString first = QString::fromStdString(installed.front());
        QCOMPARE(QtCanvas::ResolveFamily(installed.front()), first);

        canvas.SetFontSize(-10);
        const int height = canvas.TextHeight("x");
        QVERIFY(height >= 13 && height <= 18);
        QVERIFY(canvas.TextWidth("12345") > canvas.TextWidth("1"));
        canvas.SetFontSize(-24);
        QVERIFY(canvas.TextHeight("x") > height);
        painter.end();
    }
};

QTEST_MAIN(QtCanvasTest)
#include "qt_canvas_test.moc"
