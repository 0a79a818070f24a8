// The desktop program's "Run" from the main window: a model opened without the dialog,
// the run in a new results window, the step labels, the commands that are off while a run
// goes on, a run before any Open, two runs in a row and closing the program mid-run.
#include "solver/iteration.h"
#include "ui/clickable_label.h"
#include "ui/main_window.h"
#include "ui/results_form.h"
#include "ui/run_wiring.h"
#include "ui/ui_hooks.h"
#include "ui_test_support.h"

#include <QAction>
#include <QPointer>
#include <QtTest>

using namespace membrane;
using namespace membrane::test;

namespace {

struct App {
    App() : window(nullptr, MainWindowStartup{dir.filePath("membrane-gui"), QSize(1280, 1024)}) {
        state.messages = &sink;
        ConnectRuns(
            window, state, opener, [this](TResultform& form) { forms.push_back(&form); },
            [this](const RunResult& result) { results.push_back(result); });
    }
    TResultform* Last() { return forms.empty() ? nullptr : forms.back().data(); }

    QTemporaryDir dir;
    RecordingMessageSink sink;
    RecordingOpener opener;
    RunState state;
    TMainApp window;
    QList<QPointer<TResultform>> forms;
    std::vector<RunResult> results;
};

}  // namespace

class AppRunTest : public QObject {
    Q_OBJECT

private slots:
    void openAndRunTheExample() {
        App app;
        QVERIFY(app.window.SelectModelFile(CopyExample(app.dir)));
        QVERIFY(app.window.Run1->isEnabled());
        app.window.Run1->trigger();

        QCOMPARE(app.results.size(), std::size_t(1));
        QCOMPARE(app.results[0].outcome, RunOutcome::Success);
        TResultform* form = app.Last();
        QVERIFY(form && form->isVisible());
        QCOMPARE(form->parentWidget(), &app.window);
        QCOMPARE(form->MsgPanel->text(), QString(" READY, output to file : TEST3.OUT"));
        QCOMPARE(form->IterEdit->text(), QString::number(app.results[0].iterations));
        QCOMPARE(form->BrimelResultGrid->model()->rowCount(), 137);
        // The boundary points table goes beside the program.
        QVERIFY(QFile::exists(app.dir.filePath("BNDRYPTS.txt")));
        QVERIFY(QFile::exists(app.dir.filePath("TEST3.OUT")));

        // Step labels after Run; every command is back.
        QVERIFY(app.window.ExitLabel->isVisibleTo(&app.window));
        QVERIFY(app.window.runlabel->isVisibleTo(&app.window));
        QCOMPARE(app.window.OpenLabel->palette().color(QPalette::WindowText), QColor(Qt::black));
        QVERIFY(app.window.Run1->isEnabled() && app.window.Open1->isEnabled() && app.window.Defaults1->isEnabled());
        QTRY_COMPARE(form->Label2->text(), QString("drawing done"));
    }

    void commandsAreOffWhileARunGoes() {
        App app;
        app.window.SelectModelFile(CopyExample(app.dir));
        app.window.Run1->trigger();
        QPointer<TResultform> first = app.Last();
        int nestedRuns = 0;
        bool checked = false;
        // Runs while the second run lets events through.
        QTimer::singleShot(0, [&] {
            checked = true;
            QVERIFY(app.window.RunGoing());
            QVERIFY(!app.window.Open1->isEnabled());
            QVERIFY(!app.window.Run1->isEnabled());
            QVERIFY(!app.window.Defaults1->isEnabled());
            QVERIFY(!first->Button3->isEnabled());
            QVERIFY(!app.Last()->Button3->isEnabled());
            QVERIFY(app.Last()->RunProgress->isVisible());
            // The step label reaches the command directly: still no second run.
            const std::size_t before = app.forms.size();
            app.window.runlabelClick();
            nestedRuns = int(app.forms.size() - before);
            app.window.Defaults1Click();  // would block on a modal dialog if it ran
        });
        app.window.Run1->trigger();
        QVERIFY(checked);
        QCOMPARE(nestedRuns, 0);
        QCOMPARE(app.forms.size(), 2);
        QCOMPARE(app.results[1].outcome, RunOutcome::Success);
        // Both windows stay open; both can show the scene again.
        QVERIFY(first && first->Button3->isEnabled() && app.Last()->Button3->isEnabled());
        QCOMPARE(app.state.view, static_cast<ResultsView*>(app.Last()));
        QVERIFY(app.window.Run1->isEnabled() && app.window.Open1->isEnabled());
    }

    void runBeforeAnyOpenReportsTheMissingFile() {
        App app;
        app.window.Run1Click();  // possible only after the small-screen start-up
        QCOMPARE(app.results.size(), std::size_t(1));
        QCOMPARE(app.results[0].outcome, RunOutcome::InputErrors);
        QVERIFY(app.sink.Texts().size() >= 1);
        QCOMPARE(app.sink.Texts().back(), std::string("error in input"));
        QCOMPARE(app.Last()->MsgPanel->text(), QString(" ERRORS reported input errors"));
        QTRY_COMPARE(app.Last()->Label2->text(), QString(", input errors and no results"));
    }

    void closingTheProgramDuringARunStopsItFirst() {
        App app;
        app.window.SelectModelFile(CopyExample(app.dir));
        app.window.show();
        QTimer::singleShot(0, [&] { app.window.close(); });
        app.window.Run1->trigger();
        QCOMPARE(app.results[0].outcome, RunOutcome::Cancelled);
        QVERIFY(!app.window.isVisible());
        QVERIFY(!QFile::exists(app.dir.filePath("TEST3.OUT")));
    }
};

QTEST_MAIN(AppRunTest)
#include "app_run_test.moc"
