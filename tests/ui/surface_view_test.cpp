// The 3D view in the results window, drawn by OpenGL (under Xvfb: Mesa's software
// renderer): the bundled example and a hypar shown after their runs, the colour bar with
// the run's heights, held nodes, mesh lines, turning and resetting the view, and the saved
// picture. Without an OpenGL context the whole suite is skipped.
//
// MEMBRANE_SCREENSHOT_DIR=dir saves the pictures of the README (results-3d.png,
// hypar-3d.png). The frame rate is measured by bench/frame_rate_bench.cpp.
#include "desktop/surface_view.h"

#include <QCheckBox>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>
#include <cmath>

#include "desktop/surface_pane.h"
#include "heightfield/model_file.h"
#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"
#include "heightfield/run_model.h"
#include "support/model_text.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

struct Session {
    ~Session() { delete window; }

    void Run(const std::string& model) {
        window = new ResultsWindow(opener, sink);
        window->show();
        window->RunStarted(10);
        window->RunEnded(
            RunModel(RunRequest{model, {}, dir.File("BNDRYPTS.txt")}, sink, window.data()));
    }
    SurfacePane* Pane() const { return Child<SurfacePane>(window, "surfacePane"); }
    // Opens the 3D tab as a click would and waits for the first picture.
    SurfaceView* Open3d() {
        Pane()->Tabs()->setCurrentIndex(1);
        SurfaceView* view = Pane()->View();
        if (view && QTest::qWaitForWindowExposed(window))
            (void)QTest::qWaitFor([view] { return view->isValid(); }, 30000);
        return view;
    }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    QPointer<ResultsWindow> window;
};

int Count(const QImage& image, const std::function<bool(QColor)>& test) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) count += test(image.pixelColor(x, y));
    return count;
}

bool Background(QColor c) {
    return c.red() == c.green() && c.green() == c.blue() && c.red() >= 240;
}

// The window with the view's own picture in its place (a grab of the window alone leaves
// out what is painted over the OpenGL drawing).
void SaveForReadme(QWidget* window, SurfaceView* view, const char* name) {
    const QString dir = qEnvironmentVariable("MEMBRANE_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    QImage shot = window->grab().toImage();
    QPainter painter(&shot);
    painter.drawImage(view->mapTo(window, QPoint(0, 0)), view->grabFramebuffer());
    painter.end();
    QVERIFY(shot.save(dir + "/" + name));
}

// A hypar held along its four edges: a square of 10 m, two opposite corners 3 m up, the
// other two 3 m down, straight edges between them; 32 x 32 nodes started on the hyperbolic
// paraboloid.
std::string WriteHypar(const TempDir& dir) {
    auto hypar = [](double x, double y) { return 3 * (1 - x / 5) * (1 - y / 5); };
    return Grid(32, 10.0, hypar, hypar).WriteTo(dir / "HYPAR.DAT");
}

}  // namespace

class SurfaceViewTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        QOpenGLContext context;
        QOffscreenSurface surface;
        surface.create();
        if (!context.create() || !context.makeCurrent(&surface))
            QSKIP("no OpenGL context: run under xvfb-run with Mesa (libgl1-mesa-dri)");
        qInfo("OpenGL: %s",
              reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)));
        context.doneCurrent();
    }

    void exampleDrawnWithItsHeights() {
        Session s;
        s.Run(CopyExample(s.dir));
        QVERIFY(s.window->ShownSolution());
        QVERIFY(!s.Pane()->isVisible());
        SurfaceView* view = s.Open3d();
        QVERIFY(view);
        QVERIFY2(view->Ready(), qPrintable(view->Problem()));
        QVERIFY(s.Pane()->isVisible());

        // The colour bar runs from the lowest to the highest computed height.
        const auto& z = s.window->ShownSolution()->liftedZ;
        const QStringList& texts = view->ColourBarTexts();
        QCOMPARE(texts.size(), 5);
        QCOMPARE(texts.first().toDouble(),
                 std::round(*std::min_element(z.begin(), z.end()) * 100) / 100);
        QCOMPARE(texts.last().toDouble(),
                 std::round(*std::max_element(z.begin(), z.end()) * 100) / 100);
        QCOMPARE(texts.last(), QString("20.00"));  // the mast

        const QImage picture = view->grabFramebuffer();
        QCOMPARE(picture.size(), view->size() * view->devicePixelRatio());
        const QRect bar = view->ColourBarRect();
        const QColor top = picture.pixelColor(bar.center().x(), bar.top() + 3);
        const QColor bottom = picture.pixelColor(bar.center().x(), bar.bottom() - 3);
        QVERIFY2(top.red() > 200 && top.blue() < 60, qPrintable(top.name()));
        QVERIFY2(bottom.blue() > 200 && bottom.red() < 60, qPrintable(bottom.name()));
        // The membrane covers a good part of the picture, in many colours, with the held
        // nodes in green.
        const QImage left = picture.copy(0, 0, bar.left() - 10, picture.height());
        const int covered = Count(left, [](QColor c) { return !Background(c); });
        QVERIFY2(covered > left.width() * left.height() / 8, qPrintable(QString::number(covered)));
        QVERIFY(Count(left, [](QColor c) { return c == QColor(0, 200, 0); }) > 50);
        QVERIFY(Count(left, [](QColor c) { return c.red() > 180 && c.green() < 80; }) > 20);
        QVERIFY(Count(left, [](QColor c) { return c.blue() > 150 && c.red() < 60; }) > 20);
        SaveForReadme(s.window, view, "results-3d.png");

        // Lines off, a turn by the mouse, and back.
        auto* lines = Child<QCheckBox>(s.window, "meshLinesCheck");
        QVERIFY(lines->isChecked());
        lines->setChecked(false);
        QVERIFY(view->grabFramebuffer() != picture);
        lines->setChecked(true);
        const double yaw = view->Camera().yaw;
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(100, 100));
        QMouseEvent drag(QEvent::MouseMove, QPointF(160, 100), view->mapToGlobal(QPointF(160, 100)),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(view, &drag);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(160, 100));
        QCOMPARE(view->Camera().yaw, yaw - 30);
        QVERIFY(view->grabFramebuffer() != picture);
        Child<QPushButton>(s.window, "resetViewButton")->click();
        QCOMPARE(view->grabFramebuffer(), picture);

        // The saved picture is the view's.
        QVERIFY(s.Pane()->SavePicture(Q(s.dir / "view.png")));
        QCOMPARE(QImage(Q(s.dir / "view.png")).convertToFormat(picture.format()), picture);
        QVERIFY(!s.Pane()->SavePicture(Q(s.dir / "missing/view.png")));

        // A larger window: the view fills the drawing's larger place and draws to its size.
        const QSize before = view->size();
        s.window->resize(1600, 1000);
        QTRY_COMPARE(view->size(), before + QSize(1600 - 1011, 1000 - 615));
        QCOMPARE(view->grabFramebuffer().size(), view->size() * view->devicePixelRatio());

        // Back to the plan: the drawing is what shows again.
        s.Pane()->SelectTab(0);
        QVERIFY(!s.Pane()->isVisible());
    }

    // A mast point held 20 m up: its six triangles stand as walls, outlined in purple.
    void wallsOutlinedInPurple() {
        Session s;
        ModelText mast = Grid(
            9, 8.0, [](double, double) { return 0.0; }, [](double, double) { return 0.0; });
        mast.constraints.push_back("41");
        mast.initial[40] = "41 20";
        s.Run(mast.WriteTo(s.dir.File("MAST.DAT")));
        SurfaceView* view = s.Open3d();
        QVERIFY(view && view->Ready());
        QCOMPARE(view->Mesh().wallLines.size(), 6u * 3 * 2);
        QVERIFY(Count(view->grabFramebuffer(), [](QColor c) { return c == QColor(182, 4, 234); }) >
                20);
    }

    void hyparAndARunWithoutMembrane() {
        Session s;
        s.Run(WriteHypar(s.dir));
        SurfaceView* view = s.Open3d();
        QVERIFY(view && view->Ready());
        QCOMPARE(view->ColourBarTexts().first(), QString("-3.000"));
        QCOMPARE(view->ColourBarTexts().last(), QString("3.000"));
        QCOMPARE(view->Mesh().modelTriangles, 2 * 31 * 31);
        QVERIFY(Count(view->grabFramebuffer(), [](QColor c) { return !Background(c); }) > 20000);
        SaveForReadme(s.window, view, "hypar-3d.png");

        // A model that does not load leaves the view empty, with a line why.
        Session failed;
        failed.Run(WriteModel(failed.dir, "BAD.DAT", {"&COORDINATES 1  ", "1 0 0", ""}));
        view = failed.Open3d();
        QVERIFY(view && view->Mesh().Empty() && view->ColourBarTexts().isEmpty());
        const QImage empty = view->grabFramebuffer();
        QVERIFY(Count(empty, [](QColor c) { return c.red() < 100; }) > 0);         // the text
        QVERIFY(Count(empty, [](QColor c) { return c.red() != c.blue(); }) == 0);  // no colours
    }

    // Frames per second while the membrane turns, for bench/README.md.
};

QTEST_MAIN(SurfaceViewTest)
#include "surface_view_test.moc"
