// The results window over a real run: grids, labels and message line, the computed heights,
// the drawing made at the timer tick, row selection marking a node or an element in the
// picture, the "Show" rules, a failed model loading, Cancel during a run and closing the
// window. The bundled example has 137 nodes, 220 triangles, 53 held nodes and 137 initial
// values.
#include "desktop/results_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>

#include "desktop/background_run.h"
#include "desktop/convergence_plot.h"
#include "desktop/number_edit.h"
#include "desktop/qt_services.h"
#include "heightfield/run_model.h"
#include "heightfield/vrml_export.h"
#include "support/model_text.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

// One results window driven as the "Run" command drives it.
struct Session {
    ~Session() { delete window; }

    RunResult Run(const std::string& model, Settings settings = {}) {
        window = new ResultsWindow(opener, sink);
        window->show();
        window->RunStarted(settings.maxIterations);
        if (beforeRun) beforeRun();
        const RunResult result =
            RunInBackground(RunRequest{model, settings, dir.File("BNDRYPTS.txt")}, sink, *window);
        if (window) window->RunEnded(result);
        return result;
    }
    // The window's timer has fired and the mesh is drawn.
    void WaitForPlot() { QTRY_VERIFY(window->HasPlot() && !window->DrawingDue()); }

    QTableView* Grid(const char* name) const { return Child<QTableView>(window, name); }
    QString Text(const char* label) const { return Child<QLabel>(window, label)->text(); }
    QString Cell(const char* grid, int row, int column) const {
        return ResultsWindow::CellText(Grid(grid), row, column);
    }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    QPointer<ResultsWindow> window;
    std::function<void()> beforeRun;  // the user's doing once the window shows the run
};

// The window's parts lie inside it and none covers another.
bool NothingOverlaps(const ResultsWindow& window) {
    QList<QRect> places;
    for (const char* name : {"tables", "legend", "planOr3dTabs", "drawingFrame", "drawingStatus",
                             "iterationsField", "iterationsLabel", "flatAreaLabel",
                             "finalAreaLabel", "solverLabel", "sceneGroup", "messageLine"}) {
        const QWidget* part = Child<QWidget>(&window, name);
        const QRect place(part->mapTo(&window, QPoint(0, 0)), part->size());
        if (!window.rect().contains(place)) return false;
        for (const QRect& other : places)
            if (other.intersects(place)) return false;
        places << place;
    }
    return true;
}

int RowOf(QTableView* grid, const QString& text) {
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (ResultsWindow::CellText(grid, row, 0) == text) return row;
    return -1;
}

}  // namespace

class ResultsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void layoutAndStartTexts() {
        RecordingMessageSink sink;
        RecordingOpener opener;
        ResultsWindow window(opener, sink);
        auto* tables = Child<QTabWidget>(&window, "tables");
        auto* results = Child<QTableView>(&window, "resultsGrid");
        auto* deformed = Child<QCheckBox>(&window, "deformedCheck");
        auto* scale = Child<NumberEdit>(&window, "scaleField");
        auto* iterations = Child<QLineEdit>(&window, "iterationsField");
        window.show();  // laid out
        QCOMPARE(window.windowTitle(), QString("membrane results"));
        QCOMPARE(window.size(), QSize(1011, 615));
        QCOMPARE(tables->count(), 6);
        QCOMPARE(tables->tabText(4), QString("Initial"));
        QCOMPARE(tables->tabText(5), QString("Convergence"));
        QCOMPARE(tables->width(), 361);
        QCOMPARE(Child<QLabel>(&window, "messageLine")->text(), QString(" no message"));
        QCOMPARE(Child<QLabel>(&window, "messageLine")->geometry(), QRect(0, 582, 1011, 33));
        QCOMPARE(Child<QWidget>(&window, "paintBox")->size(), QSize(634, 474));
        QCOMPARE(Child<QTableView>(&window, "elementsGrid")->model()->columnCount(), 4);
        QCOMPARE(Child<QTableView>(&window, "constraintsGrid")->width(), 105);
        QCOMPARE(ResultsWindow::CellText(results, 0, 0), QString("no data"));
        QCOMPARE(ResultsWindow::CellText(results, 0, 1), QString("available"));
        QCOMPARE(iterations->text(), QString("0"));
        QVERIFY(!iterations->isEnabled());
        QVERIFY(!Child<QCheckBox>(&window, "numberingCheck")->isChecked());
        QVERIFY(Child<QCheckBox>(&window, "axesCheck")->isChecked() && deformed->isChecked());
        QCOMPARE(scale->RealValue(), 1.0);
        QVERIFY(Child<QProgressBar>(&window, "progressBar")->isHidden());
        QVERIFY(Child<QPushButton>(&window, "cancelButton")->isHidden());
        deformed->setChecked(false);
        QVERIFY(!scale->isEnabled());
        deformed->setChecked(true);
        QVERIFY(scale->isEnabled());

        // A paint before the timer has fired draws nothing and says so.
        auto* status = Child<QLabel>(&window, "drawingStatus");
        Child<QWidget>(&window, "paintBox")->grab();
        QVERIFY(!window.HasPlot());
        QCOMPARE(status->text(), QString("plot not initialised"));
        // Row 0 of the results grid ("no data") marks nothing.
        QTRY_VERIFY(window.HasPlot());
        window.SelectRow(results, 0);
        QCOMPARE(status->text(), QString("no results"));
    }

    void runOfTheExampleFillsTheWindow() {
        Session s;
        Settings elimination;
        elimination.solver = SolverChoice::Elimination;
        const RunResult result = s.Run(CopyExample(s.dir), elimination);
        QCOMPARE(result.outcome, RunOutcome::Success);
        QVERIFY(s.sink.messages.empty());

        QCOMPARE(s.Grid("coordinatesGrid")->model()->rowCount(), 137);
        QCOMPARE(s.Cell("coordinatesGrid", 0, 0), QString("node 1"));
        QCOMPARE(s.Cell("coordinatesGrid", 0, 1), QString("8.000"));
        QCOMPARE(s.Cell("coordinatesGrid", 0, 2), QString("0.168"));
        QCOMPARE(s.Grid("elementsGrid")->model()->rowCount(), 220);
        QCOMPARE(s.Cell("elementsGrid", 0, 0), QString("elnr 1"));
        QVERIFY(s.Cell("elementsGrid", 0, 3).startsWith("node "));
        QCOMPARE(s.Grid("constraintsGrid")->model()->rowCount(), 53);
        QCOMPARE(s.Cell("constraintsGrid", 0, 0), QString("node 1"));
        QCOMPARE(s.Grid("initialGrid")->model()->rowCount(), 137);
        QCOMPARE(s.Cell("initialGrid", 0, 1), QString("0.00000000 *constrained*"));

        QVERIFY(s.Text("flatAreaLabel").startsWith("Flat mesh surface : "));
        QVERIFY(s.Text("finalAreaLabel").startsWith("Final surface : "));
        QCOMPARE(s.Text("solverLabel"), QString("solver: elimination"));
        QCOMPARE(s.Text("messageLine"), QString(" READY, output to file : TEST3.OUT"));
        QVERIFY(Child<QProgressBar>(s.window, "progressBar")->isHidden());
        QVERIFY(Child<QPushButton>(s.window, "cancelButton")->isHidden());
        QVERIFY(Child<QPushButton>(s.window, "showButton")->isEnabled());
        for (const char* name : {"TEST3.OUT", "TEST3.TRS", "BNDRYPTS.txt"})
            QVERIFY2(Exists(s.dir.File(name)), name);

        s.WaitForPlot();
        QCOMPARE(s.Text("drawingStatus"), QString("drawing done"));
    }

    // The computed heights of free nodes (their start heights differ), to 8 decimals, as
    // the stored report of the example has them.
    void resultsGridShowsTheComputedHeights() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        QCOMPARE(Child<QLineEdit>(s.window, "iterationsField")->text(), QString("4"));
        QCOMPARE(s.Grid("resultsGrid")->model()->rowCount(), 137);
        QCOMPARE(s.Cell("resultsGrid", 136, 0), QString("node 137"));
        QCOMPARE(s.Grid("resultsGrid")->columnWidth(1), 140);
        const std::pair<int, const char*> expected[] = {
            {14, "1.70605285"}, {56, "2.96618529"}, {119, "4.28924856"}};
        for (const auto& [node, height] : expected) {
            QCOMPARE(s.Cell("resultsGrid", node - 1, 0), QString("node %1").arg(node));
            QCOMPARE(s.Cell("resultsGrid", node - 1, 1), QString(height));
        }
    }

    // The Convergence tab plots every Newton step of the run, the restart of a run that
    // ran off marked.
    void convergencePlotShowsTheRunsSteps() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        auto* plot = Child<ConvergencePlot>(s.window, "convergencePlot");
        QCOMPARE(int(plot->History().size()), 4);
        QVERIFY(plot->History().back().largest - plot->History().back().smallest <= 2 * 0.001);
        plot->resize(420, 260);
        const QImage picture = plot->grab().toImage();
        int increments = 0;  // pixels of the increment curve
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                increments += picture.pixelColor(x, y) == QColor(0, 0, 200);
        QVERIFY2(increments > 100, qPrintable(QString::number(increments)));

        ModelText poor = SmallGrid();
        poor.initial[4] = "5 100000";
        QCOMPARE(s.Run(poor.WriteTo(s.dir.File("POOR.DAT"))).outcome, RunOutcome::Success);
        plot = Child<ConvergencePlot>(s.window, "convergencePlot");
        QCOMPARE(std::count_if(plot->History().begin(), plot->History().end(),
                               [](const NewtonStepRecord& step) { return step.restarted; }),
                 1);
    }

    void selectedRowsAreMarkedInTheDrawing() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        ResultsWindow& window = *s.window;
        QTableView* coordinates = s.Grid("coordinatesGrid");
        // Every node carries an initial value: a red ring, white inside.
        QVERIFY(PixelNearNode(window, 7) != kRed);

        const int row7 = RowOf(coordinates, "node 7");
        QVERIFY(row7 >= 0);
        coordinates->setCurrentIndex(coordinates->model()->index(row7, 1));
        QCOMPARE(PixelNearNode(window, 7), kRed);
        QCOMPARE(s.Text("drawingStatus"), QString("drawing done"));

        // The keyboard moves the mark with the current row.
        coordinates->setFocus();
        QTest::keyClick(coordinates, Qt::Key_Down);
        const int nextNode = ResultsWindow::CellText(coordinates, row7 + 1, 0).mid(5).toInt();
        QCOMPARE(PixelNearNode(window, nextNode), kRed);
        QVERIFY(PixelNearNode(window, 7) != kRed);

        // The same works from the results grid, by mouse.
        QTableView* results = s.Grid("resultsGrid");
        Child<QTabWidget>(&window, "tables")->setCurrentIndex(0);
        const QRect cell =
            results->visualRect(results->model()->index(RowOf(results, "node 7"), 0));
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(PixelNearNode(window, 7), kRed);

        // "elnr 3" fills element 3 red (its centroid) and clears the node mark.
        QTableView* elements = s.Grid("elementsGrid");
        elements->setCurrentIndex(elements->model()->index(RowOf(elements, "elnr 3"), 0));
        const Model& model = *window.ShownModel();
        double cx = 0, cy = 0;
        for (int n : model.elements.NodesOf(*model.elements.Find(3))) {
            cx += model.nodes.Find(n)->x / 3;
            cy += model.nodes.Find(n)->y / 3;
        }
        QCOMPARE(PixelNear(window, cx, cy), kRed);
        QVERIFY(PixelNearNode(window, 7) != kRed);
    }

    // A mast point held 20 m up in an 8 m square: the triangles around it stand as walls,
    // told after READY and filled purple in the plan.
    void wallsAreToldAndFilledInThePlan() {
        Session s;
        ModelText mast = Grid(
            9, 8.0, [](double, double) { return 0.0; }, [](double, double) { return 0.0; });
        mast.constraints.push_back("41");
        mast.initial[40] = "41 20";
        QCOMPARE(s.Run(mast.WriteTo(s.dir.File("MAST.DAT"))).outcome, RunOutcome::Success);
        QCOMPARE(s.window->ShownSolution()->walls.elements.size(), 6u);
        const std::vector<std::string> texts = s.sink.Texts();
        QVERIFY(std::any_of(texts.begin(), texts.end(), [](const std::string& text) {
            return text.find("near-vertical walls: 6 triangles") != std::string::npos;
        }));
        s.WaitForPlot();
        const Model& model = *s.window->ShownModel();
        const auto& wall = model.elements.Elements()[s.window->ShownSolution()->walls.elements[0]];
        double cx = 0, cy = 0;
        for (int n : model.elements.NodesOf(wall)) {
            cx += model.nodes.Find(n)->x / 3;
            cy += model.nodes.Find(n)->y / 3;
        }
        QCOMPARE(PixelNear(*s.window, cx, cy), QColor(182, 4, 234));
    }

    // The plan to scale: one scale for x and y, centred; the held nodes' green rings over
    // the red ones; the wheel zooms about the pointer, a drag pans, and a click on a node
    // or inside a triangle selects its grid row.
    void planToScaleZoomPanAndPick() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        ResultsWindow& window = *s.window;
        Plotter& plot = *window.Plot();
        const Model& model = *window.ShownModel();
        const PlanExtent& e = model.nodes.Extent();
        double x1 = e.xMin, y1 = e.yMin, x2 = e.xMax, y2 = e.yMax;
        QVERIFY(plot.WorldToDevice(x1, y1) && plot.WorldToDevice(x2, y2));
        QVERIFY(qAbs((x2 - x1) / (y1 - y2) - (e.xMax - e.xMin) / (e.yMax - e.yMin)) < 1e-9);
        QCOMPARE((x1 + x2) / 2, 317.0);
        QCOMPARE((y1 + y2) / 2, 237.0);

        const NodeEntry& held = *model.nodes.Find(model.constraints.Entries()[0].value);
        auto ringColours = [&](const NodeEntry& node) {
            double x = node.x, y = node.y;
            plot.WorldToDevice(x, y);
            QSet<QRgb> colours;
            for (int dx = -8; dx <= 8; ++dx)
                for (int dy = -8; dy <= 8; ++dy)
                    colours << window.Picture().pixel(int(x) + dx, int(y) + dy);
            return colours;
        };
        QVERIFY(ringColours(held).contains(qRgb(49, 171, 14)));

        QWidget* box = Child<QWidget>(&window, "paintBox");
        const QPointF at(200, 150);
        double wx = at.x(), wy = at.y();
        QVERIFY(plot.DeviceToWorld(wx, wy));
        QWheelEvent wheel(at, box->mapToGlobal(at), {}, QPoint(0, 240), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        // Two notches queued behind a long drawing: both change the view at once, the
        // picture is drawn once, after them.
        const QImage unzoomed = window.Picture();
        QApplication::sendEvent(box, &wheel);
        QApplication::sendEvent(box, &wheel);
        QCOMPARE(plot.View().zoom, 1.25 * 1.25 * 1.25 * 1.25);
        QVERIFY(window.RedrawDue() && window.Picture() == unzoomed);
        QTRY_VERIFY(!window.RedrawDue());
        QVERIFY(window.Picture() != unzoomed);
        window.ZoomAt(at, 1 / 1.25 / 1.25);
        QCOMPARE(plot.View().zoom, 1.25 * 1.25);
        QVERIFY(plot.WorldToDevice(wx, wy));
        QVERIFY(qAbs(wx - at.x()) < 1e-6 && qAbs(wy - at.y()) < 1e-6);

        const PlotView before = plot.View();
        QTest::mousePress(box, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(box, QPoint(130, 90));
        QTest::mouseRelease(box, Qt::LeftButton, {}, QPoint(130, 90));
        QCOMPARE(plot.View().panX, before.panX + 30);
        QCOMPARE(plot.View().panY, before.panY - 10);

        // A node and a triangle near the middle of the zoomed picture.
        auto clickAt = [&](double x, double y) {
            QVERIFY(plot.WorldToDevice(x, y));
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(qRound(x), qRound(y)));
        };
        double mx = 317, my = 237;
        QVERIFY(plot.DeviceToWorld(mx, my));
        const auto near = [&](double x, double y) { return std::hypot(x - mx, y - my); };
        int row = 0;
        for (int k = 1; k < model.nodes.Count(); ++k)
            if (near(model.nodes.Nodes()[k].x, model.nodes.Nodes()[k].y) <
                near(model.nodes.Nodes()[row].x, model.nodes.Nodes()[row].y))
                row = k;
        const NodeEntry& node = model.nodes.Nodes()[row];
        clickAt(node.x, node.y);
        QCOMPARE(Child<QTabWidget>(&window, "tables")->currentIndex(), 1);
        QCOMPARE(s.Grid("coordinatesGrid")->currentIndex().row(), row);
        QCOMPARE(PixelNearNode(window, node.number), kRed);

        const ElementEntry& element = model.elements.Elements()[model.elements.Count() / 2];
        double cx = 0, cy = 0;
        for (int n : model.elements.NodesOf(element)) {
            cx += model.nodes.Find(n)->x / 3;
            cy += model.nodes.Find(n)->y / 3;
        }
        plot.SetView({});  // the whole mesh: the triangle is on the picture
        clickAt(cx, cy);
        QCOMPARE(Child<QTabWidget>(&window, "tables")->currentIndex(), 2);
        QCOMPARE(s.Grid("elementsGrid")->currentIndex().row(), model.elements.Count() / 2);
        QCOMPARE(PixelNear(window, cx, cy), kRed);
    }

    // The window grows: the drawing takes the width, the grids and the drawing the height,
    // and the picture is drawn anew at the paint box's size (the 3D pane takes the
    // drawing's place). Made as small as it goes, nothing overlaps either.
    void windowGrowsWithItsGridsAndDrawing() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        ResultsWindow& window = *s.window;
        auto* box = Child<QWidget>(&window, "paintBox");
        QTableView* grid = s.Grid("resultsGrid");
        const int gridHeight = grid->height();
        QVERIFY(NothingOverlaps(window));

        window.resize(1600, 1000);
        QTRY_COMPARE(window.Picture().size(), box->size());
        QCOMPARE(box->size(), QSize(634 + 1600 - 1011, 474 + 1000 - 615));
        QCOMPARE(grid->height(), gridHeight + 1000 - 615);
        QCOMPARE(Child<QTabWidget>(&window, "tables")->width(), 361);
        QVERIFY(NothingOverlaps(window));
        QCOMPARE(Child<QWidget>(&window, "surfacePane")->geometry(),
                 Child<QWidget>(&window, "drawingFrame")->geometry());
        // The mesh to scale, centred in the new picture.
        const PlanExtent& e = window.ShownModel()->nodes.Extent();
        double x1 = e.xMin, y1 = e.yMin, x2 = e.xMax, y2 = e.yMax;
        QVERIFY(window.Plot()->WorldToDevice(x1, y1) && window.Plot()->WorldToDevice(x2, y2));
        QVERIFY(qAbs((x1 + x2) - box->width()) <= 2 && qAbs((y1 + y2) - box->height()) <= 2);

        window.resize(100, 100);
        // Small enough for a 1600 x 1200 screen at scale 2 (800 x 600), never below its least.
        QVERIFY(window.width() < 790 && window.height() >= 300 && window.height() < 615);
        QVERIFY(window.width() >= window.minimumSizeHint().width());
        QTRY_COMPARE(window.Picture().size(), box->size());
        QVERIFY(NothingOverlaps(window));
    }

    // Every grid shows its cells whole without a horizontal scroll bar: the example at the
    // default size, and seven-digit numbers, for which the notebook widens where the
    // window has the room (the window itself keeps its size through the run). The six tabs
    // share the notebook's width, without scroll arrows, their captions whole.
    void gridsShowTheirCellsWhole() {
        for (const char* model : {"TEST3.DAT", "ui/WIDE.DAT"}) {
            Session s;
            const bool wide = model != std::string("TEST3.DAT");
            std::string path = CopyExample(s.dir);
            if (wide) WriteFile(path = s.dir.File("WIDE.DAT"), ReadFile(DataFile(model)));
            QVERIFY(s.Run(path).modelLoaded);
            QCOMPARE(s.window->size(), QSize(1011, 615));
            if (wide) s.window->resize(1600, 1000);
            auto* tables = Child<QTabWidget>(s.window, "tables");
            for (int page = 0; page < 5; ++page) {
                tables->setCurrentIndex(page);
                auto* grid = tables->currentWidget()->findChild<QTableView*>();
                // The page laid out and the grid's scroll bars set: posted events, no timer.
                QCoreApplication::sendPostedEvents();
                QCoreApplication::processEvents();
                QVERIFY2(!grid->horizontalScrollBar()->isVisible(), model);
                QVERIFY(grid->geometry().right() < tables->currentWidget()->width());
                const QFontMetrics metrics(grid->font());
                for (int row = 0; row < grid->model()->rowCount(); ++row)
                    for (int column = 0; column < grid->model()->columnCount(); ++column) {
                        const QString text = ResultsWindow::CellText(grid, row, column);
                        QVERIFY2(metrics.horizontalAdvance(text) < grid->columnWidth(column),
                                 qPrintable(text));
                    }
                if (!wide && page == 3) QCOMPARE(grid->geometry(), QRect(64, 24, 105, 525));
            }
            QCOMPARE(tables->width() > 361, wide);
            QTabBar* bar = tables->tabBar();
            QVERIFY(bar->tabRect(5).right() < bar->width());
            for (int k = 0; k < bar->count(); ++k)
                QVERIFY2(bar->tabRect(k).width() >=
                             bar->fontMetrics().horizontalAdvance(bar->tabText(k)) + 4,
                         qPrintable(bar->tabText(k)));
            for (auto* arrow : bar->findChildren<QToolButton*>()) QVERIFY(!arrow->isVisible());
        }
    }

    // MEMBRANE_SCREENSHOT=path.png saves the results window of the example (the plan to
    // scale) for the README; run under Xvfb or offscreen.
    void screenshot() {
        const QString path = qEnvironmentVariable("MEMBRANE_SCREENSHOT");
        if (path.isEmpty()) QSKIP("MEMBRANE_SCREENSHOT not set");
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        s.WaitForPlot();
        s.window->SetModelName("TEST3.DAT");
        QVERIFY(QTest::qWaitForWindowExposed(s.window));
        QVERIFY(s.window->grab().save(path));
    }

    void initialValuesOfHeldAndFreeNodes() {
        Session s;
        QCOMPARE(s.Run(WriteSquareModel(s.dir)).outcome, RunOutcome::Success);
        QCOMPARE(s.Grid("initialGrid")->model()->rowCount(), 2);
        QCOMPARE(s.Cell("initialGrid", 0, 0), QString("node 1"));
        QCOMPARE(s.Cell("initialGrid", 0, 1), QString("1.00000000 *constrained*"));
        QCOMPARE(s.Cell("initialGrid", 1, 0), QString("node 5"));
        QCOMPARE(s.Cell("initialGrid", 1, 1), QString("1.00000000"));
        QCOMPARE(s.Cell("elementsGrid", 3, 2), QString("node 1"));
    }

    void showExportsWithTheScaleRules() {
        Session s;
        QCOMPARE(s.Run(CopyExample(s.dir)).outcome, RunOutcome::Success);
        ResultsWindow& window = *s.window;
        const std::string scene = s.dir.File("TEST3.wrl");
        auto expected = [&](bool deformed, double scale) {
            ExportVrml(*window.ShownModel(), window.ShownSolution(),
                       VrmlOptions{false, true, deformed, scale}, s.sink);
            return ReadFile(scene);
        };
        const std::string scale10 = expected(true, 10), scale1 = expected(true, 1),
                          flat = expected(false, -1);
        // Scale 1 shows the membrane as computed, as the undeformed view does.
        QVERIFY(scale10 != scale1);
        QCOMPARE(scale1, flat);
        std::filesystem::remove(scene);

        // Scaling 0 with the deformed state shown draws ten times the heights.
        auto* scale = Child<NumberEdit>(&window, "scaleField");
        scale->SetText("0");
        QTest::mouseClick(Child<QPushButton>(&window, "showButton"), Qt::LeftButton);
        QCOMPARE(ReadFile(scene), scale10);
        QCOMPARE(s.opener.opened, std::vector<std::string>{scene});

        scale->SetText("1.0");
        window.ShowScene();
        QCOMPARE(ReadFile(scene), scale1);

        // Unchecked: the flat mesh, whatever the scaling field holds.
        scale->SetText("0");
        Child<QCheckBox>(&window, "deformedCheck")->setChecked(false);
        window.ShowScene();
        QCOMPARE(ReadFile(scene), flat);
        QCOMPARE(s.opener.opened.size(), std::size_t(3));
        QVERIFY(s.sink.messages.empty());
    }

    void showTellsWhenNoProgramCouldOpenTheScene() {
        TempDir bin;
        WriteFakeProgram(bin.Path().string(), "xdg-open", 3);  // nothing registered for .wrl
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QByteArray(bin.Path().c_str()) + ":" + path);
        RecordingMessageSink sink;
        DesktopOpener opener(sink);
        QVERIFY(opener.Open(bin / "TEST3.wrl"));  // told later, without blocking the window
        QTRY_COMPARE(sink.Texts(), std::vector<std::string>{NoViewerMessage(bin / "TEST3.wrl")});
        qputenv("PATH", path);
    }

    void failedLoadingShowsNothingAndShowDoesNothing() {
        Session s;
        const RunResult result =
            s.Run(WriteModel(s.dir, "BAD.DAT", {"FILE BAD.DAT", "", "&COORDINATES 0  ", ""}));
        QCOMPARE(result.outcome, RunOutcome::InputErrors);
        QCOMPARE(s.Text("messageLine"),
                 QString(" input errors: the model did not load (see the messages)"));
        QVERIFY(!s.sink.messages.empty());
        s.WaitForPlot();
        QCOMPARE(s.Text("drawingStatus"), QString("input errors, no results"));
        QCOMPARE(s.Cell("resultsGrid", 0, 0), QString("no data"));
        QCOMPARE(s.Text("solverLabel"), QString());
        s.window->ShowScene();
        QVERIFY(s.opener.opened.empty());
        QVERIFY(!Exists(s.dir.File("BAD.wrl")));
    }

    void cancelEndsTheRunAsFailedWithoutFiles() {
        Session s;
        const std::string model = CopyExample(s.dir);
        // Pressed as the run starts: it stops after its first assembly.
        s.beforeRun = [&] {
            QVERIFY(s.window);
            auto* cancel = Child<QPushButton>(s.window, "cancelButton");
            QVERIFY(cancel->isVisible());
            QVERIFY(!Child<QPushButton>(s.window, "showButton")->isEnabled());
            QTest::mouseClick(cancel, Qt::LeftButton);
        };
        const RunResult result = s.Run(model);
        QCOMPARE(result.outcome, RunOutcome::Cancelled);
        QCOMPARE(s.Text("messageLine"), QString(" cancelled by the user in iteration 1"));
        QVERIFY(!Exists(s.dir.File("TEST3.OUT")));
        QVERIFY(!Exists(s.dir.File("TEST3.TRS")));
        QCOMPARE(s.Cell("resultsGrid", 0, 0), QString("no data"));
        QVERIFY(Child<QPushButton>(s.window, "showButton")->isEnabled());
        s.WaitForPlot();
        QCOMPARE(s.Text("drawingStatus"), QString("drawing done, cancelled, no results"));
    }

    void progressBarFollowsTheIterations() {
        Session s;
        s.window = new ResultsWindow(s.opener, s.sink);
        auto* progress = Child<QProgressBar>(s.window, "progressBar");
        s.window->RunStarted(10);
        s.window->ShowMessage("ITERATION 3 : Elimination");
        QCOMPARE(s.Text("messageLine"), QString(" ITERATION 3 : Elimination"));
        QCOMPARE(progress->maximum(), 20);
        QCOMPARE(progress->value(), 5);
        QCOMPARE(progress->format(), QString("iteration 3 of 10 : Elimination"));
        s.window->RunEnded(RunResult{});
        QVERIFY(progress->isHidden());
    }

    void closingDuringTheRunCancelsItFirst() {
        Session s;
        const std::string model = WriteLargeModel(s.dir, 4000);
        QTimer::singleShot(0, [&] { s.window->close(); });
        QCOMPARE(s.Run(model).outcome, RunOutcome::Cancelled);
        QTRY_VERIFY(s.window.isNull());
    }
};

QTEST_MAIN(ResultsWindowTest)
#include "results_window_test.moc"
