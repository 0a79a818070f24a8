// The README's pictures, taken only when MEMBRANE_SCREENSHOTS names a folder (under Xvfb,
// for the 3D view): the results window of the example at its default size and maximised
// (with QT_SCALE_FACTOR=2 instead: at scale 2), the convergence plot of a run that started
// again with a line search, and a 1e5-node catenoid's plan and 3D view.
#include <QTabBar>
#include <QTabWidget>
#include <QtTest>
#include <filesystem>

#include "desktop/convergence_plot.h"
#include "desktop/main_window.h"
#include "desktop/results_window.h"
#include "desktop/run_wiring.h"
#include "desktop/surface_pane.h"
#include "desktop/surface_view.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

struct App {
    App() : window(nullptr, MainWindowStartup{Q(dir.File("membrane-gui")), QSize(1600, 1200)}) {
        ConnectRuns(window, sink, opener, [this](ResultsWindow& results) { last = &results; });
    }
    ResultsWindow* Run(const std::string& model, Settings settings = {}) {
        window.SetCurrentSettings(settings);
        if (!window.SelectModelFile(Q(model))) return nullptr;
        window.Run();
        if (last && !QTest::qWaitFor([this] { return last->HasPlot() && !last->DrawingDue(); }))
            return nullptr;
        return last;
    }
    TempDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    MainWindow window;
    QPointer<ResultsWindow> last;
};

QString Folder() {
    return qEnvironmentVariable("MEMBRANE_SCREENSHOTS");
}

bool Scaled() {
    return qEnvironmentVariable("QT_SCALE_FACTOR") == "2";
}

}  // namespace

class ScreenshotsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        if (Folder().isEmpty()) QSKIP("MEMBRANE_SCREENSHOTS not set");
    }

    void resultsWindow() {
        App app;
        ResultsWindow* results = app.Run(CopyExample(app.dir));
        QVERIFY(results && QTest::qWaitForWindowExposed(results));
        if (Scaled()) {
            QVERIFY(results->grab().save(Folder() + "/results-scale2.png"));
            return;
        }
        QVERIFY(results->grab().save(Folder() + "/results.png"));
        results->showMaximized();
        QTRY_VERIFY(results->Picture().size() == Child<QWidget>(results, "paintBox")->size());
        QTRY_VERIFY(!results->RedrawDue());
        QVERIFY(results->grab().save(Folder() + "/results-maximised.png"));
    }

    void convergenceAfterARestart() {
        if (Scaled()) QSKIP("taken at scale 1");
        App app;
        std::filesystem::copy_file(std::string(MEMBRANE_EXAMPLES) + "/arches.DAT",
                                   app.dir.File("arches.DAT"));
        ResultsWindow* results = app.Run(app.dir.File("arches.DAT"));
        QVERIFY(results);
        auto* plot = Child<ConvergencePlot>(results, "convergencePlot");
        Child<QTabWidget>(results, "tables")->setCurrentWidget(plot);
        QVERIFY(results->grab().save(Folder() + "/convergence-restart.png"));
    }

    void largeCatenoid() {
        if (Scaled()) QSKIP("taken at scale 1");
        App app;
        const std::string model = app.dir.File("CATENOID.DAT");
        QVERIFY(WriteGeneratedModel(GenerateModel(GeneratedShape::Catenoid, 100000), model));
        ResultsWindow* results = app.Run(model);
        QVERIFY(results && results->ShownSolution());
        results->showMaximized();
        QTRY_VERIFY(results->Picture().size() == Child<QWidget>(results, "paintBox")->size());
        QTRY_VERIFY(!results->RedrawDue());
        QVERIFY(results->grab().save(Folder() + "/catenoid-plan.png"));
        auto* pane = Child<SurfacePane>(results, "surfacePane");
        pane->SelectTab(1);
        QTRY_VERIFY(pane->View() && pane->View()->isVisible());
        QTest::qWaitFor([pane] { return pane->View()->Ready(); });
        if (!pane->View()->Ready()) QSKIP("no OpenGL context for the 3D view");
        QVERIFY(results->grab().save(Folder() + "/catenoid-3d.png"));
    }
};

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
