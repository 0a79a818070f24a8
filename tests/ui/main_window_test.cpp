// The main window: help texts, start-up, Open with its retry loop, Run and the step
// labels, the commands behind hooks, and "." as decimal point under a comma locale.
#include "desktop/main_window.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTextBlock>
#include <QtTest>
#include <clocale>
#include <cstdio>
#include <deque>

#include "desktop/about_box.h"
#include "desktop/clickable_label.h"
#include "desktop/number_edit.h"
#include "desktop/settings_dialog.h"
#include "desktop/ui_hooks.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

QString Line(const QPlainTextEdit* memo, int index) {
    return memo->document()->findBlockByNumber(index).text();
}

QColor TextColour(const QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

struct Window {
    explicit Window(QSize screen = QSize(1280, 1024)) : app(nullptr, Startup(screen)) {
        app.SetFileChooser([this](const OpenFileRequest& request) -> std::optional<QString> {
            requests.push_back(request);
            if (answers.empty()) return std::nullopt;
            const auto answer = answers.front();
            answers.pop_front();
            return answer;
        });
    }
    MainWindowStartup Startup(QSize screen) {
        return MainWindowStartup{Q(dir.File("membrane-gui")), screen};
    }
    QString MakeModel(const std::string& name) {
        WriteFile(dir.File(name), "FILE\r\n");
        return Q(dir.File(name));
    }
    QAction* Action(const char* name) const { return Child<QAction>(&app, name); }
    ClickableLabel* Step(const char* name) const { return Child<ClickableLabel>(&app, name); }
    const QPlainTextEdit* Memo(const char* name) const { return Child<QPlainTextEdit>(&app, name); }
    TempDir dir;
    std::deque<std::optional<QString>> answers;  // nullopt = Cancel
    QList<OpenFileRequest> requests;
    MainWindow app;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void helpTexts() {
        Window w;
        QCOMPARE(Child<QTabWidget>(&w.app, "helpPages")->count(), 3);
        QCOMPARE(Child<QTabWidget>(&w.app, "helpPages")->tabText(2), QString("Example"));
        QCOMPARE(w.Memo("readMeText")->blockCount(), 26);
        QCOMPARE(Line(w.Memo("readMeText"), 7),
                 QString("can be obtianed with the Stavel programm."));
        QCOMPARE(Line(w.Memo("readMeText"), 10), QString("coordinates, elements, constraints "));
        QCOMPARE(w.Memo("syntaxText")->blockCount(), 27);
        QCOMPARE(Line(w.Memo("syntaxText"), 9), QString("&ELEMENTS n "));
        QCOMPARE(Line(w.Memo("syntaxText"), 25), QString("    to create the ASCII text based "));
        // 4 header lines and the 557 lines of the example model, the last one empty.
        QCOMPARE(w.Memo("exampleText")->blockCount(), 561);
        QCOMPARE(Line(w.Memo("exampleText"), 0), QString("An example of a complete data file is "));
        QCOMPARE(Line(w.Memo("exampleText"), 4), QString("FILE TEST3.DAT"));
        QCOMPARE(Line(w.Memo("exampleText"), 6), QString("&COORDINATES 137  "));
        QCOMPARE(Line(w.Memo("exampleText"), 560), QString());
        QVERIFY(w.Memo("exampleText")->isReadOnly());
        QVERIFY(!w.Memo("exampleText")->toPlainText().contains('\r'));
    }

    void startUp() {
        HookRecorder recorder;
        Window w;
        QVERIFY(recorder.texts.isEmpty());
        QCOMPARE(w.app.windowTitle(), QString("membrane"));
        QCOMPARE(Child<QLabel>(&w.app, "screenText")->text(),
                 QString(" screenresolution :1280x1024"));
        QCOMPARE(QString::fromStdString(w.app.BoundaryPointsPath()), Q(w.dir.File("BNDRYPTS.txt")));
        QVERIFY(!w.Action("runAction")->isEnabled());
        QVERIFY(w.app.ModelFileName().empty());
        QVERIFY(!w.Step("runStep")->isVisibleTo(&w.app));
        QVERIFY(!w.Step("exitStep")->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.Step("openStep")), QColor(Qt::black));
        QCOMPARE(w.app.CurrentSettings().maxIterations, 10);
        for (const char* name :
             {"openAction", "defaultsAction", "exitAction", "runAction", "helpAction"})
            QVERIFY2(w.app.findChild<QAction*>(name), name);
    }

    // A small screen (1600 x 1200 at scale 2): the user chooses to go on, with a program
    // set up as on any screen, or to quit.
    void smallScreenOffersTheChoice() {
        for (const bool goOn : {true, false}) {
            HookRecorder recorder;
            const bool previous = SetMessageBoxAnswer(goOn);
            Window w(QSize(800, 600));
            SetMessageBoxAnswer(previous);
            QCOMPARE(recorder.buttons, QList<BoxButton>{BoxButton::ContinueOrQuit});
            QVERIFY(recorder.texts.at(0).startsWith("The screen has room for 800 x 600 pixels"));
            QCOMPARE(w.app.QuitChosen(), !goOn);
            QVERIFY(!w.Action("runAction")->isEnabled());
            QCOMPARE(w.app.CurrentSettings().accuracy, 0.001);
            if (goOn) QCOMPARE(w.app.windowTitle(), QString("membrane"));
        }
    }

    void cancelledOpenChangesNothing() {
        Window w;
        w.answers = {std::nullopt};
        const QString title = w.app.windowTitle();
        w.Action("openAction")->trigger();
        QCOMPARE(w.requests.size(), 1);
        QCOMPARE(w.requests[0].title, QString("Open File"));
        QCOMPARE(w.requests[0].fileName, QString("*.dat"));
        QCOMPARE(w.requests[0].directory, Q(w.dir.Path().string()));
        QCOMPARE(w.requests[0].filter, MainWindow::OpenDialogFilter("membrane"));
        QVERIFY(w.requests[0].filter.startsWith("membrane project (*.dat)"));
        QCOMPARE(w.app.windowTitle(), title);
        QVERIFY(w.app.ModelFileName().empty());
        QVERIFY(!w.Action("runAction")->isEnabled());
        QVERIFY(!w.Step("runStep")->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.Step("openStep")), QColor(Qt::black));
    }

    void unknownFileAsksAgain() {
        HookRecorder recorder;
        Window w;
        const QString model = w.MakeModel("DOME.DAT");
        const QString missing = Q(w.dir.File("missing.dat"));
        w.answers = {missing, model};
        w.Step("openStep")->clicked();  // same as the menu
        QCOMPARE(w.requests.size(), 2);
        QCOMPARE(recorder.texts, QStringList{"unkown file : " + missing});
        QCOMPARE(w.app.windowTitle(), QString("membrane for Linux : DOME.DAT"));
        QCOMPARE(QString::fromStdString(w.app.ModelFileName()), model);
        QVERIFY(w.Action("runAction")->isEnabled());
        QVERIFY(w.Step("runStep")->isVisibleTo(&w.app));
        QVERIFY(!w.Step("exitStep")->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.Step("runStep")), QColor(Qt::black));
        QVERIFY(TextColour(w.Step("openStep")) != QColor(Qt::black));

        w.answers = {Q(w.dir.Path().string())};  // a directory cannot be read as a model either
        w.Action("openAction")->trigger();
        QCOMPARE(recorder.texts.size(), 2);
        QCOMPARE(QString::fromStdString(w.app.ModelFileName()), model);
    }

    void runHandsOverTheFileAndUpdatesTheSteps() {
        Window w;
        QStringList runs;
        w.app.SetRunHandler([&](const std::string& file) { runs << QString::fromStdString(file); });
        w.app.Run();  // before any Open: the empty name
        const QString model = w.MakeModel("tent.dat");
        w.answers = {model};
        w.Action("openAction")->trigger();
        w.Action("runAction")->trigger();
        w.Step("runStep")->clicked();
        QCOMPARE(runs, QStringList({QString(), model, model}));
        QCOMPARE(TextColour(w.Step("openStep")), QColor(Qt::black));
        QVERIFY(TextColour(w.Step("runStep")) != QColor(Qt::black));
        QVERIFY(w.Step("exitStep")->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.Step("exitStep")), QColor(Qt::black));

        w.app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.app));
        w.Step("exitStep")->clicked();
        QVERIFY(!w.app.isVisible());
    }

    void linksGoThroughTheOpener() {
        HookRecorder recorder;
        Window w;
        Child<ClickableLabel>(&w.app, "pluginLink")->clicked();
        Child<ClickableLabel>(&w.app, "introImage")->doubleClicked();
        AboutBox about;
        Child<ClickableLabel>(&about, "mailLink")->clicked();
        QCOMPARE(recorder.urls,
                 QStringList({MainWindow::PluginPageUrl(), MainWindow::PluginPageUrl(),
                              "mailto:" + AboutBox::MailAddress() +
                                  "?subject=info about brimel&body=Dear Sir,"}));
    }

    void defaultsAndHelpDialogs() {
        Window w;
        QStringList shown;
        const DialogRunner previous = SetDialogRunner([&](QDialog& dialog) -> int {
            shown << dialog.windowTitle();
            if (auto* about = qobject_cast<AboutBox*>(&dialog)) {
                shown << Child<QLabel>(about, "version")->text()
                      << Child<QLabel>(about, "programName")->text()
                      << QString::number(Child<QPlainTextEdit>(about, "description")->blockCount());
                return int(QDialog::Accepted);
            }
            auto& form = dynamic_cast<SettingsDialog&>(dialog);
            Child<NumberEdit>(&form, "iterationsField")->SetText("42");
            return int(QDialog::Accepted);
        });
        w.Action("helpAction")->trigger();
        w.Action("defaultsAction")->trigger();
        SetDialogRunner(previous);
        QCOMPARE(shown, QStringList({"About", "v2.5", "membrane", "12", "DefaultsForm"}));
        QCOMPARE(w.app.CurrentSettings().maxIterations, 42);
        QCOMPARE(w.app.CurrentSettings().accuracy, 0.001);
    }

    // Qt's own default locale with a decimal comma must not reach any number the program
    // shows or reads.
    void dotDecimalPointUnderACommaLocale() {
        const QLocale previous;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const bool cLocale = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
        {
            Window w;
            if (cLocale) {
                char text[32];
                std::snprintf(text, sizeof text, "%g", 0.5);
                QCOMPARE(QString(text), QString("0.5"));  // the start-up forced "."
            }
            SettingsDialog form(&w.app, Settings{0.0025, 10, 1.5, SolverChoice::Elimination});
            auto* accuracy = Child<NumberEdit>(&form, "accuracyField");
            QCOMPARE(accuracy->text(), QString("0.0025"));
            QCOMPARE(Child<NumberEdit>(&form, "weightField")->text(), QString("1.5"));
            accuracy->setText("0,5");
            QTest::keyRelease(accuracy, Qt::Key_5);
            QCOMPARE(accuracy->CheckState(), int(NumberEdit::NumberError));
            accuracy->setText("0.5");
            QTest::keyRelease(accuracy, Qt::Key_5);
            QCOMPARE(accuracy->RealValue(), 0.5);
            const AboutBox about(&w.app);
            QCOMPARE(Child<QLabel>(&about, "version")->text(), QString("v2.5"));
        }
        QLocale::setDefault(previous);
        std::setlocale(LC_NUMERIC, "C");
        if (!cLocale) QSKIP("de_DE.UTF-8 is not installed: only Qt's locale was switched");
    }

    // Settings, scene options and recent files kept between starts; values the dialogs
    // would refuse come back as the defaults. Keys in the menus; "Restore defaults".
    void choicesAreKeptBetweenStarts() {
        TempDir dir;
        const QString file = Q(dir.File("membrane.ini"));
        QStringList recent;
        {
            QSettings store(file, QSettings::IniFormat);
            Window w;
            w.app.SetStore(&store);
            QCOMPARE(w.app.CurrentSettings().accuracy, 0.001);
            QVERIFY(!Child<QMenu>(&w.app, "recentMenu")->isEnabled());
            w.app.SetCurrentSettings(Settings{0.01, 25, 2.5, SolverChoice::Cholmod,
                                              NewtonStep::Damped, StartHeights::Harmonic});
            recent = QStringList{w.MakeModel("A.DAT"), w.MakeModel("B.DAT")};
            QVERIFY(w.app.SelectModelFile(recent[1]));
            QVERIFY(w.app.SelectModelFile(recent[0]));
            QVERIFY(w.app.SelectModelFile(recent[1]));
            QVERIFY(w.app.SelectModelFile(recent[0]));
            w.app.KeepScene({.numbering = true, .axes = false, .deformed = true, .scale = 5});
        }
        QSettings store(file, QSettings::IniFormat);
        Window w;
        w.app.SetStore(&store);
        QCOMPARE(w.app.CurrentSettings().maxIterations, 25);
        QCOMPARE(w.app.CurrentSettings().weight, 2.5);
        QCOMPARE(w.app.CurrentSettings().solver, SolverChoice::Cholmod);
        QCOMPARE(w.app.CurrentSettings().newton, NewtonStep::Damped);
        QCOMPARE(w.app.CurrentSettings().start, StartHeights::Harmonic);
        QCOMPARE(w.app.Scene().scale, 5.0);
        QVERIFY(w.app.Scene().numbering && !w.app.Scene().axes);
        QCOMPARE(w.app.RecentFiles(), recent);  // newest first, no repeats
        QCOMPARE(Child<QMenu>(&w.app, "recentMenu")->actions().size(), 2);

        store.setValue("run/accuracy", -1);
        store.setValue("run/maxIterations", "many");
        store.setValue("scene/scale", 1e9);
        store.setValue("run/newton", "fast");
        const StoredChoices faulty = LoadChoices(store);
        QCOMPARE(faulty.settings.newton, NewtonStep::Auto);
        QCOMPARE(faulty.settings.accuracy, Settings{}.accuracy);
        QCOMPARE(faulty.settings.maxIterations, Settings{}.maxIterations);
        QCOMPARE(faulty.scene.scale, SceneChoices{}.scale);

        QCOMPARE(w.Action("openAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        QCOMPARE(w.Action("runAction")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
        QCOMPARE(w.Action("helpAction")->shortcut(), QKeySequence(Qt::Key_F1));

        SettingsDialog dialog(nullptr, w.app.CurrentSettings());
        Child<NumberEdit>(&dialog, "weightField")->setFocus();
        QTest::keyClicks(Child<NumberEdit>(&dialog, "weightField"), "x");
        QTest::mouseClick(Child<QPushButton>(&dialog, "restoreButton"), Qt::LeftButton);
        const Settings restored = dialog.ReadSettings();
        QCOMPARE(restored.maxIterations, Settings{}.maxIterations);
        QCOMPARE(restored.weight, Settings{}.weight);
        QCOMPARE(restored.solver, Settings{}.solver);
        QCOMPARE(Child<NumberEdit>(&dialog, "weightField")->CheckState(), int(NumberEdit::Valid));
    }

    // MEMBRANE_SCREENSHOT=path.png saves a picture of the window for a look by eye.
    void screenshot() {
        const QString path = qEnvironmentVariable("MEMBRANE_SCREENSHOT");
        if (path.isEmpty()) QSKIP("MEMBRANE_SCREENSHOT not set");
        Window w;
        w.answers = {w.MakeModel("TEST3.DAT")};
        w.Action("openAction")->trigger();
        w.app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.app));
        QVERIFY(w.app.grab().save(path));
        // The two dialogs beside it: name.png -> name-about.png, name-defaults.png.
        const QString stem = path.left(path.lastIndexOf('.'));
        AboutBox about(&w.app);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.grab().save(stem + "-about.png"));
        SettingsDialog defaults(&w.app);
        defaults.show();
        QVERIFY(QTest::qWaitForWindowExposed(&defaults));
        QVERIFY(defaults.grab().save(stem + "-defaults.png"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
