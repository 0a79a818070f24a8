// The desktop program as a user meets it day to day: a membrane whose files could not be
// written stays in its window, messages say what happened, over the window the user looks
// at, and the dialogs, menus and plots behave as on any Linux desktop.
#include <sys/mount.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTableView>
#include <QToolBar>
#include <QtTest>
#include <atomic>
#include <filesystem>
#include <functional>
#include <semaphore>

#include "desktop/background_run.h"
#include "desktop/convergence_plot.h"
#include "desktop/main_window.h"
#include "desktop/qt_services.h"
#include "desktop/results_window.h"
#include "desktop/run_wiring.h"
#include "desktop/surface_files.h"
#include "support/model_text.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

struct App {
    // `desktopBoxes`: the run's messages are real message boxes (else recorded).
    explicit App(bool desktopBoxes = false)
        : window(nullptr, MainWindowStartup{Q(dir.File("membrane-gui")), QSize(1280, 1024)}) {
        ConnectRuns(
            window, desktopBoxes ? static_cast<MessageSink&>(boxes) : sink, opener,
            [this](ResultsWindow& results) { windows.push_back(&results); },
            [this](const RunResult& result) { results.push_back(result); });
    }
    ResultsWindow* Last() { return windows.empty() ? nullptr : windows.back().data(); }
    QAction* Action(const char* name) { return Child<QAction>(&window, name); }
    // Runs `model` from the main window with pinned settings.
    void Run(const std::string& model, Settings settings = Pinned()) {
        window.SetCurrentSettings(settings);
        QVERIFY(window.SelectModelFile(Q(model)));
        Action("runAction")->trigger();
    }
    static Settings Pinned() {
        Settings settings{0.001, 10, 1.0};
        settings.solver = SolverChoice::Elimination;
        settings.newton = NewtonStep::Pure;
        settings.start = StartHeights::File;
        return settings;
    }

    TempDir dir;
    RecordingMessageSink sink;
    QtMessageSink boxes;
    RecordingOpener opener;
    MainWindow window;
    QList<QPointer<ResultsWindow>> windows;
    std::vector<RunResult> results;
};

QString Text(const ResultsWindow* results, const char* label) {
    return Child<QLabel>(results, label)->text();
}

// A small tmpfs, mounted on a fresh directory and made read-only on demand (root writes
// through any permission bits); unmounted at the end.
class ReadOnlyFolder {
  public:
    ReadOnlyFolder() : point_(holder_.File("mnt")) {
        std::filesystem::create_directory(point_);
        mounted_ = ::mount("tmpfs", point_.c_str(), "tmpfs", 0, "size=4m") == 0;
    }
    ~ReadOnlyFolder() {
        if (mounted_) ::umount2(point_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }
    bool MakeReadOnly() {
        return ::mount(nullptr, point_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    std::string File(const std::string& name) const { return point_ + "/" + name; }

  private:
    TempDir holder_;
    std::string point_;
    bool mounted_ = false;
};

// Answers the file and folder dialogs from a list, in order.
struct ScriptedChooser {
    explicit ScriptedChooser(QStringList answers) : answers(std::move(answers)) {
        previous = SetSurfaceFileChooser([this](const SurfaceFileRequest& request) {
            requests.push_back(request);
            return this->answers.isEmpty() ? std::nullopt
                                           : std::optional<QString>(this->answers.takeFirst());
        });
    }
    ~ScriptedChooser() { SetSurfaceFileChooser(previous); }
    QStringList answers;
    std::vector<SurfaceFileRequest> requests;
    SurfaceFileChooser previous;
};

// Holds the next run at the progress line `at` (on its worker thread) until `act` has run
// on the GUI thread.
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

  private:
    RunProgressHook previous_;
    std::binary_semaphore done_{0};
    std::atomic<bool> reached_{false};
};

// Every message box shown while it lives: its parent and modality; each is closed at once.
class BoxWatcher final : public QObject {
  public:
    BoxWatcher() { qApp->installEventFilter(this); }
    ~BoxWatcher() override { qApp->removeEventFilter(this); }
    struct Seen {
        QWidget* parent;
        Qt::WindowModality modality;
        QString text;
    };
    std::vector<Seen> seen;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            seen.push_back({box->parentWidget(), box->windowModality(), box->text()});
            QMetaObject::invokeMethod(
                box, [box] { box->done(0); }, Qt::QueuedConnection);
        }
        return false;
    }
};

}  // namespace

class DailyUseTest : public QObject {
    Q_OBJECT

  private slots:
    // A read-only output folder: the membrane computed stays in the window (grids,
    // drawing, 3D, export) and its files can be written to another folder.
    void unwritableFolderKeepsTheMembrane() {
        ReadOnlyFolder folder;
        if (!folder.Mounted()) QSKIP("cannot mount a tmpfs here");
        std::filesystem::copy_file(MEMBRANE_EXAMPLES "/TEST3.DAT", folder.File("TEST3.DAT"));
        QVERIFY(folder.MakeReadOnly());
        HookRecorder boxes;
        App app;
        app.Run(folder.File("TEST3.DAT"));
        QCOMPARE(app.results.at(0).outcome, RunOutcome::OutputFailure);
        ResultsWindow* results = app.Last();
        QVERIFY(results->ShownSolution() != nullptr);
        QCOMPARE(ResultsWindow::CellText(Child<QTableView>(results, "resultsGrid"), 0, 0),
                 QString("node 1"));
        QVERIFY(app.sink.Texts().back().find("Read-only file system") != std::string::npos);

        TempDir elsewhere;
        ScriptedChooser chooser({Q(elsewhere.File("TEST3.glb")), Q(elsewhere.Path().string())});
        Child<QAction>(results, "exportAction")->trigger();
        QVERIFY(ReadFile(elsewhere.File("TEST3.glb")).starts_with("glTF"));
        Child<QAction>(results, "saveResultsAction")->trigger();
        QVERIFY(chooser.requests.back().folder);
        QVERIFY(ReadFile(elsewhere.File("TEST3.OUT")).size() > 1000);
        QVERIFY(Exists(elsewhere.File("TEST3.TRS")));
        QVERIFY(boxes.texts.isEmpty());
    }

    // The run's boxes open over its results window, modal to it.
    void runMessagesOpenOverTheResultsWindow() {
        App app(true);
        const std::string model = app.dir.File("CUT.DAT");
        WriteFile(model, ReadFile(MEMBRANE_EXAMPLES "/TEST3.DAT").substr(0, 6000));
        BoxWatcher watcher;
        app.Run(model);
        QCOMPARE(app.results.at(0).outcome, RunOutcome::InputErrors);
        QVERIFY(watcher.seen.size() >= 2);
        for (const auto& box : watcher.seen) {
            QCOMPARE(box.parent, app.Last());
            QCOMPARE(box.modality, Qt::WindowModal);
        }
        QVERIFY(watcher.seen[0].text.startsWith("&ELEMENTS: the table header announces 220"));
    }

    // Each outcome its own plain line and state, in the desktop program's words.
    void eachOutcomeHasItsOwnStatus() {
        const auto example = [](const TempDir& dir) { return CopyExample(dir); };
        const auto poor = [](const TempDir& dir) {
            ModelText text = SmallGrid();
            text.initial[4] = "5 100000";
            return text.WriteTo(dir.File("POOR.DAT"));
        };
        const auto refused = [](const TempDir& dir) {
            std::filesystem::create_directory(dir.File("TEST3.OUT"));
            return CopyExample(dir);
        };
        const auto cut = [](const TempDir& dir) {
            WriteFile(dir.File("CUT.DAT"),
                      ReadFile(MEMBRANE_EXAMPLES "/TEST3.DAT").substr(0, 6000));
            return dir.File("CUT.DAT");
        };
        const struct {
            std::function<std::string(const TempDir&)> model;
            bool cancel;
            QString line, state, iterations;
        } cases[] = {
            {example, false, " READY, output to file : TEST3.OUT", "drawing done", "4"},
            {poor, false,
             " diverged: iteration 1, solution to infinity: try the line search (Newton step "
             "\"damped\" or \"auto\" in File > Defaults)",
             "drawing done, diverged, no results", "1"},
            {example, true, " cancelled by the user in iteration 1",
             "drawing done, cancelled, no results", "1"},
            {refused, false, " output refused: the run did not start (see the message)",
             "output refused, no results", "0"},
            {cut, false, " input errors: the model did not load (see the messages)",
             "input errors, no results", "0"},
        };
        for (const auto& c : cases) {
            App app;
            const std::string model = c.model(app.dir);
            std::optional<HeldRun> held;
            if (c.cancel) held.emplace("ITERATION 1 : Assemble", [&app] { app.Last()->Cancel(); });
            app.Run(model);
            ResultsWindow* results = app.Last();
            QCOMPARE(Text(results, "messageLine"), c.line);
            QTRY_COMPARE(Text(results, "drawingStatus"), c.state);
            QCOMPARE(Child<QLineEdit>(results, "iterationsField")->text(), c.iterations);
        }
    }

    // After a restart the plot's numbers fit, its lines are named and the area line of the
    // run that counts spans the frame instead of lying on it.
    void convergencePlotAfterARestartIsReadable() {
        NewtonHistory history;
        const double areas[] = {10644279.89, 2.5e9,      8.1e11,    10650000.0,
                                10644900.0,  10644300.0, 10644280.1};
        const double sizes[] = {3.2, 40, 9e3, 1.5, 0.2, 0.004, 1e-7};
        for (int k = 0; k < 7; ++k)
            history.push_back(
                {k < 3 ? k + 1 : k - 2, sizes[k] / 2, -sizes[k] / 2, 1.0, areas[k], k == 3});
        ConvergencePlot plot;
        plot.resize(361, 520);
        plot.SetHistory(history, 0.001);
        const ConvergencePlot::Layout layout = plot.ComputeLayout();
        const QFontMetricsF metrics(plot.font());
        QStringList words;
        for (const auto& label : layout.labels) {
            QVERIFY2(QRectF(plot.rect()).contains(label.place), qPrintable(label.text));
            QVERIFY2(label.place.width() + 0.5 >= metrics.horizontalAdvance(label.text),
                     qPrintable(label.text));
            words << label.text;
        }
        for (const char* word :
             {"increment", "area", "2 \u00d7 accuracy", "restart", "1", "7", "Newton step"})
            QVERIFY2(words.contains(QString::fromUtf8(word)), word);
        QVERIFY(words.filter("m\u00b2").size() == 1);  // the units in the title
        double top = layout.frame.bottom(), bottom = layout.frame.top();
        for (int k = 3; k < 7; ++k) {
            QVERIFY(!layout.areaClipped[k]);
            top = std::min(top, layout.areas[k].y());
            bottom = std::max(bottom, layout.areas[k].y());
        }
        QVERIFY(top > layout.frame.top() && bottom < layout.frame.bottom());
        QVERIFY(bottom - top > 0.7 * layout.frame.height());
    }

    // Open and Import start in the folder of the model opened last.
    void dialogsStartInTheLastModelsFolder() {
        App app;
        TempDir models;
        QVERIFY(app.window.SelectModelFile(Q(CopyExample(models))));
        QStringList folders;
        app.window.SetFileChooser([&folders](const OpenFileRequest& request) {
            folders << request.directory;
            return std::optional<QString>();
        });
        ScriptedChooser chooser({});
        app.window.Open();
        Child<QAction>(&app.window, "importAction")->trigger();
        QCOMPARE(folders, QStringList{Q(models.Path().string())});
        QCOMPARE(chooser.requests.at(0).fileName, Q(models.Path().string()));
    }

    // File, Run and Help are menus with mnemonics; Ctrl+Q quits; a results window has a
    // tool bar and closes with Ctrl+W; titles name the program and keep the file's case.
    void menusKeysAndTitlesAsOnTheDesktop() {
        App app;
        QStringList menus;
        for (QAction* action : app.window.menuBar()->actions()) {
            QVERIFY2(action->menu(), qPrintable(action->text()));
            menus << action->text();
        }
        QCOMPARE(menus, QStringList({"&File", "&Run", "&Help"}));
        QCOMPARE(app.Action("exitAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        app.Run(CopyExample(app.dir));
        QCOMPARE(app.window.windowTitle(), QString("membrane for Linux : TEST3.DAT"));
        QPointer<ResultsWindow> results = app.Last();
        QCOMPARE(results->windowTitle(), QString("TEST3.DAT - membrane results"));
        QStringList tools;
        for (QAction* action : Child<QToolBar>(results, "resultsToolBar")->actions())
            tools << action->objectName();
        QCOMPARE(tools, QStringList({"exportAction", "saveResultsAction", "savePictureAction",
                                     "closeAction"}));
        auto* close = Child<QAction>(results, "closeAction");
        QCOMPARE(close->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
        close->trigger();
        QTRY_VERIFY(results.isNull());
    }

    // The offscreen screen is 800 pixels wide, as a 1600 x 1200 screen at
    // QT_SCALE_FACTOR=2: the results window fits it, the 3D tab, "Show" and the tool bar
    // within it.
    void resultsWindowFitsAScaledScreen() {
        App app;
        app.Run(CopyExample(app.dir));
        ResultsWindow* results = app.Last();
        const QRect screen = results->screen()->availableGeometry();
        QVERIFY(screen.width() <= 800);
        QVERIFY(results->width() <= screen.width() && results->height() <= screen.height());
        QVERIFY(screen.contains(results->geometry()));
        for (const char* name : {"showButton", "planOr3dTabs", "resultsToolBar", "tables"}) {
            auto* widget = Child<QWidget>(results, name);
            const QRect place(widget->mapTo(results, QPoint(0, 0)), widget->size());
            QVERIFY2(results->rect().contains(place), name);
        }
    }
};

QTEST_MAIN(DailyUseTest)
#include "daily_use_test.moc"
