// The desktop program's "Run" from the main window: a model opened without the dialog,
// the run in a new results window, the step labels, the commands that are off while a run
// goes on, an older results window that keeps its own run, a run before any Open and
// closing the program mid-run.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>
#include <atomic>
#include <functional>
#include <semaphore>

#include "desktop/background_run.h"
#include "desktop/clickable_label.h"
#include "desktop/main_window.h"
#include "desktop/results_window.h"
#include "desktop/run_wiring.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

struct App {
    App() : window(nullptr, MainWindowStartup{Q(dir.File("membrane-gui")), QSize(1280, 1024)}) {
        ConnectRuns(
            window, sink, opener, [this](ResultsWindow& results) { windows.push_back(&results); },
            [this](const RunResult& result) { results.push_back(result); });
    }
    ResultsWindow* Last() { return windows.empty() ? nullptr : windows.back().data(); }
    QAction* Action(const char* name) { return Child<QAction>(&window, name); }
    ClickableLabel* Step(const char* name) { return Child<ClickableLabel>(&window, name); }

    TempDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    MainWindow window;
    QList<QPointer<ResultsWindow>> windows;
    std::vector<RunResult> results;
};

QString Text(const ResultsWindow* results, const char* label) {
    return Child<QLabel>(results, label)->text();
}

bool ShowEnabled(const ResultsWindow* results) {
    return Child<QPushButton>(results, "showButton")->isEnabled();
}

// Threads of this process and its resident memory.
int ThreadCount() {
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("Threads:")) return line.mid(8).trimmed().toInt();
    return -1;
}

double ResidentMb() {
    QFile statm("/proc/self/statm");
    statm.open(QIODevice::ReadOnly);
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / (1 << 20) : 0.0;
}

// Settings that pin the solver, the Newton step and the start a test needs, whatever
// "auto" would choose: the built-in elimination, whole Newton steps from the file's heights.
Settings PinnedSettings(double accuracy = 0.001) {
    Settings settings{accuracy, 10, 1.0};
    settings.solver = SolverChoice::Elimination;
    settings.newton = NewtonStep::Pure;
    settings.start = StartHeights::File;
    return settings;
}

// Holds the next run at the progress line `at` (on its worker thread) until `act` has run
// on the GUI thread: whatever the test does there happens while the run is known to be
// under way, however fast or slow the machine.
class HeldRun {
  public:
    HeldRun(std::string at, std::function<void()> act) {
        previous_ = SetRunProgressHook(
            [this, at = std::move(at), act = std::move(act)](const std::string& line) {
                if (line != at || reached_) return;
                reached_ = true;
                QMetaObject::invokeMethod(
                    qApp,
                    [this, act] {
                        act();
                        done_.release();
                    },
                    Qt::QueuedConnection);
                done_.acquire();
            });
    }
    ~HeldRun() { SetRunProgressHook(previous_); }
    // Whether the run came to the line (read after the run has ended).
    bool Reached() const { return reached_; }

  private:
    RunProgressHook previous_;
    std::binary_semaphore done_{0};
    std::atomic<bool> reached_{false};
};

}  // namespace

class AppRunTest : public QObject {
    Q_OBJECT

  private slots:
    void openAndRunTheExample() {
        App app;
        QVERIFY(app.window.SelectModelFile(Q(CopyExample(app.dir))));
        QVERIFY(app.Action("runAction")->isEnabled());
        app.Action("runAction")->trigger();

        QCOMPARE(app.results.size(), std::size_t(1));
        QCOMPARE(app.results[0].outcome, RunOutcome::Success);
        ResultsWindow* results = app.Last();
        QVERIFY(results && results->isVisible());
        QCOMPARE(results->parentWidget(), &app.window);
        QCOMPARE(Text(results, "messageLine"), QString(" READY, output to file : TEST3.OUT"));
        QCOMPARE(Child<QLineEdit>(results, "iterationsField")->text(),
                 QString::number(app.results[0].iterations));
        QCOMPARE(Child<QTableView>(results, "resultsGrid")->model()->rowCount(), 137);
        // The boundary points table goes beside the program.
        QVERIFY(Exists(app.dir.File("BNDRYPTS.txt")));
        QVERIFY(Exists(app.dir.File("TEST3.OUT")));

        // Step labels after Run; every command is back.
        QVERIFY(app.Step("exitStep")->isVisibleTo(&app.window));
        QVERIFY(app.Step("runStep")->isVisibleTo(&app.window));
        QCOMPARE(app.Step("openStep")->palette().color(QPalette::WindowText), QColor(Qt::black));
        for (const char* name : {"runAction", "openAction", "defaultsAction"})
            QVERIFY2(app.Action(name)->isEnabled(), name);
        QTRY_COMPARE(Text(results, "drawingStatus"), QString("drawing done"));
    }

    void commandsAreOffWhileARunGoes() {
        App app;
        app.window.SelectModelFile(Q(CopyExample(app.dir)));
        app.Action("runAction")->trigger();
        QPointer<ResultsWindow> first = app.Last();
        int nestedRuns = 0;
        bool checked = false;
        // Runs while the second run lets events through.
        QTimer::singleShot(0, [&] {
            checked = true;
            QVERIFY(app.window.RunGoing());
            for (const char* name : {"openAction", "runAction", "defaultsAction"})
                QVERIFY2(!app.Action(name)->isEnabled(), name);
            // Only the window of the run that goes on has "Show" off.
            QVERIFY(ShowEnabled(first));
            QVERIFY(!ShowEnabled(app.Last()));
            QVERIFY(Child<QProgressBar>(app.Last(), "progressBar")->isVisible());
            // The step label reaches the command directly: still no second run.
            const qsizetype before = app.windows.size();
            app.Step("runStep")->clicked();
            nestedRuns = int(app.windows.size() - before);
            app.window.EditDefaults();  // would block on a modal dialog if it ran
        });
        app.Action("runAction")->trigger();
        QVERIFY(checked);
        QCOMPARE(nestedRuns, 0);
        QCOMPARE(app.windows.size(), 2);
        QCOMPARE(app.results[1].outcome, RunOutcome::Success);
        // Both windows stay open; both can show their scene again.
        QVERIFY(first && ShowEnabled(first) && ShowEnabled(app.Last()));
        QVERIFY(app.Action("runAction")->isEnabled() && app.Action("openAction")->isEnabled());
    }

    // A later run of another model leaves the first window with the example: its drawing,
    // its grids and its scene.
    void anOlderResultsWindowKeepsItsOwnRun() {
        App app;
        QVERIFY(app.window.SelectModelFile(Q(CopyExample(app.dir))));
        app.window.Run();
        QVERIFY(app.window.SelectModelFile(Q(WriteSquareModel(app.dir))));
        app.window.Run();
        QCOMPARE(app.windows.size(), 2);
        QCOMPARE(app.results[1].outcome, RunOutcome::Success);

        ResultsWindow& first = *app.windows[0];
        QTRY_VERIFY(first.HasPlot() && !first.DrawingDue());
        auto* coordinates = Child<QTableView>(&first, "coordinatesGrid");
        QCOMPARE(coordinates->model()->rowCount(), 137);
        first.SelectRow(coordinates, 6);  // node 7
        QCOMPARE(Text(&first, "drawingStatus"), QString("drawing done"));
        QVERIFY(!first.Plot()->Failed());
        QCOMPARE(PixelNearNode(first, 7), kRed);

        first.ShowScene();
        QVERIFY(!app.opener.opened.empty());
        QVERIFY(Q(app.opener.opened.back()).endsWith("TEST3.wrl"));
        QVERIFY(app.opener.opened.back() != app.dir.File("SQUARE.wrl"));
        QVERIFY(app.sink.messages.empty());
    }

    // Each results window is captioned with its model file and stands a step right of and
    // below the one before; its tabs all show and its grid columns fit the model's node
    // numbers (seven-digit ones: results_window_test).
    void resultsWindowsAreCaptionedAndCascaded() {
        App app;
        QVERIFY(app.window.SelectModelFile(Q(CopyExample(app.dir))));
        app.window.Run();
        app.window.Run();
        QCOMPARE(app.windows.size(), 2);
        QCOMPARE(app.windows[0]->windowTitle(), QString("TEST3.DAT - membrane results"));
        QCOMPARE(app.windows[1]->pos(), app.windows[0]->pos() + QPoint(24, 24));

        // The offscreen screen (800 x 600) made the window small: at its default size again
        // the notebook has its width back and every tab shows.
        app.Last()->resize(1011, 615);
        auto* tabs = Child<QTabWidget>(app.Last(), "tables");
        QTRY_COMPARE(tabs->width(), 361);
        for (int k = 0; k < tabs->count(); ++k)
            QVERIFY(tabs->tabBar()->rect().contains(tabs->tabBar()->tabRect(k)));
        auto* grid = Child<QTableView>(app.Last(), "coordinatesGrid");
        QVERIFY(grid->columnWidth(0) >= grid->fontMetrics().horizontalAdvance("node 137"));
    }

    void runBeforeAnyOpenReportsTheMissingFile() {
        App app;
        app.window.Run();  // possible only after the small-screen start-up
        QCOMPARE(app.results.size(), std::size_t(1));
        QCOMPARE(app.results[0].outcome, RunOutcome::OutputFailure);
        QVERIFY(app.sink.Texts().size() >= 1);
        QCOMPARE(app.sink.Texts().back(), std::string("error in input"));
        QCOMPARE(Text(app.Last(), "messageLine"),
                 QString(" the model file could not be read (see the message)"));
        QTRY_COMPARE(Text(app.Last(), "drawingStatus"), QString("file error, no results"));
    }

    // The program is closed while the run is held at its first solve: the run is stopped
    // first, and then the program closes.
    void closingTheProgramDuringARunStopsItFirst() {
        App app;
        app.window.SelectModelFile(Q(WriteLargeModel(app.dir, 1000)));
        app.window.SetCurrentSettings(PinnedSettings(1e-12));
        app.window.show();
        HeldRun held("ITERATION 1 : Elimination", [&] { app.window.close(); });
        app.Action("runAction")->trigger();
        QVERIFY(held.Reached());
        QCOMPARE(app.results[0].outcome, RunOutcome::Cancelled);
        QVERIFY(!app.window.isVisible());
        QVERIFY(!Exists(app.dir.File("LARGE.OUT")));
    }

    // The run is held as its second solve begins, with the first one's work in memory: the
    // results window answers a click on a tab page, Cancel ends the run, and the run leaves
    // no thread and (nearly) none of its memory behind. How soon Cancel ends a solve under
    // way is a figure of bench/responsiveness_bench.cpp.
    void theWindowAnswersDuringALongRunAndCancelEndsIt() {
        App app;
        // A first run starts the threads Qt keeps for itself (fonts, the thread pool).
        QVERIFY(app.window.SelectModelFile(Q(CopyExample(app.dir))));
        app.window.Run();
        QTRY_VERIFY(!app.Last()->DrawingDue());
        QVERIFY(app.window.SelectModelFile(Q(WriteLargeModel(app.dir, 4000))));
        app.window.SetCurrentSettings(PinnedSettings(1e-12));  // ten Newton steps
        const int threadsBefore = ThreadCount();
        const double memoryBefore = ResidentMb();
        double memoryDuring = 0;
        bool answered = false;
        HeldRun held("ITERATION 2 : Elimination", [&] {
            ResultsWindow* results = app.Last();
            QTabBar* tabs = Child<QTabWidget>(results, "tables")->tabBar();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
            answered = tabs->currentIndex() == 1;
            memoryDuring = ResidentMb();
            QTest::mouseClick(Child<QPushButton>(results, "cancelButton"), Qt::LeftButton);
        });
        app.Action("runAction")->trigger();
        // The run has ended and handed its outcome to the window (which draws at its timer).
        QVERIFY(held.Reached());
        QVERIFY(answered);
        QCOMPARE(app.results[1].outcome, RunOutcome::Cancelled);
        QCOMPARE(app.results[1].reason, std::string("cancelled by the user in iteration 2"));
        QCOMPARE(ThreadCount(), threadsBefore);
        const double kept = ResidentMb() - memoryBefore;
        qInfo(
            "memory: %.0f MB before, %.0f MB during the elimination, %.0f MB kept after "
            "the cancel",
            memoryBefore, memoryDuring, kept);
        // The window keeps the model, its grids and its drawing; the solver's work is gone.
        QVERIFY(kept < 0.75 * (memoryDuring - memoryBefore));
    }
};

QTEST_MAIN(AppRunTest)
#include "app_run_test.moc"
