// The main window: help texts, start-up, Open with its retry loop, Run and the step
// labels, the commands behind hooks, and "." as decimal point under a comma locale.
#include "ui/about_box.h"
#include "ui/clickable_label.h"
#include "ui/defaults_form.h"
#include "ui/main_window.h"
#include "ui/number_edit.h"
#include "ui/ui_hooks.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include <clocale>
#include <cstdio>
#include <deque>

using namespace membrane;

namespace {

struct Recorder {
    Recorder() {
        previousBox = SetMessageBoxHook([this](const MessageBoxRequest& r) {
            texts << r.text;
            buttons << r.button;
        });
        previousOpener = SetUrlOpener([this](const QUrl& url) { urls << url.toString(); });
    }
    ~Recorder() {
        SetMessageBoxHook(previousBox);
        SetUrlOpener(previousOpener);
    }
    QStringList texts;
    QList<BoxButton> buttons;
    QStringList urls;
    MessageBoxHook previousBox;
    UrlOpener previousOpener;
};

QString Line(const QPlainTextEdit* memo, int index) { return memo->document()->findBlockByNumber(index).text(); }

QColor TextColour(const QLabel* label) { return label->palette().color(QPalette::WindowText); }

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
        return MainWindowStartup{dir.filePath("membrane-gui"), screen};
    }
    QString MakeModel(const QString& name) {
        QFile file(dir.filePath(name));
        file.open(QIODevice::WriteOnly);
        file.write("FILE\r\n");
        return file.fileName();
    }
    QTemporaryDir dir;
    std::deque<std::optional<QString>> answers;  // nullopt = Cancel
    QList<OpenFileRequest> requests;
    TMainApp app;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void helpTexts() {
        Window w;
        QCOMPARE(w.app.PageControl1->count(), 3);
        QCOMPARE(w.app.PageControl1->tabText(2), QString("Example"));
        QCOMPARE(w.app.Memo1->blockCount(), 26);
        QCOMPARE(Line(w.app.Memo1, 7), QString("can be obtianed with the Stavel programm."));
        QCOMPARE(Line(w.app.Memo1, 10), QString("coordinates, elements, constraints "));
        QCOMPARE(w.app.Memo2->blockCount(), 27);
        QCOMPARE(Line(w.app.Memo2, 9), QString("&ELEMENTS n "));
        QCOMPARE(Line(w.app.Memo2, 25), QString("    to create the ASCII text based "));
        // 4 header lines and the 557 lines of the example model, the last one empty.
        QCOMPARE(w.app.Memo3->blockCount(), 561);
        QCOMPARE(Line(w.app.Memo3, 0), QString("An example of a complete data file is "));
        QCOMPARE(Line(w.app.Memo3, 4), QString("FILE TEST3.DAT"));
        QCOMPARE(Line(w.app.Memo3, 6), QString("&COORDINATES 137  "));
        QCOMPARE(Line(w.app.Memo3, 560), QString());
        QVERIFY(w.app.Memo3->isReadOnly());
        QVERIFY(!w.app.Memo3->toPlainText().contains('\r'));
    }

    void startUp() {
        Recorder recorder;
        Window w;
        QVERIFY(recorder.texts.isEmpty());
        QCOMPARE(w.app.windowTitle(), QString("membrane-gui"));
        QCOMPARE(w.app.StatusPanel2->text(), QString(" screenresolution :1280x1024"));
        QCOMPARE(QString::fromStdString(w.app.BoundaryPointsPath()), w.dir.filePath("BNDRYPTS.txt"));
        QVERIFY(!w.app.Run1->isEnabled());
        QVERIFY(w.app.ModelFileName().empty());
        QVERIFY(!w.app.runlabel->isVisibleTo(&w.app));
        QVERIFY(!w.app.ExitLabel->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.app.OpenLabel), QColor(Qt::black));
        QCOMPARE(w.app.CurrentSettings().maxIterations, 10);
        for (const char* name : {"Open1", "Defaults1", "Exit1", "Run1", "Help1"})
            QVERIFY2(w.app.findChild<QAction*>(name), name);
    }

    void smallScreenWarnsButStaysSound() {
        Recorder recorder;
        Window w(QSize(800, 600));
        QCOMPARE(recorder.texts, QStringList{"set screen resolution to at least 1024x800 pixels"});
        QCOMPARE(recorder.buttons, QList<BoxButton>{BoxButton::Cancel});
        QVERIFY(!w.app.Run1->isEnabled());
        QCOMPARE(w.app.CurrentSettings().accuracy, 0.001);
        QCOMPARE(w.app.CurrentSettings().maxIterations, 10);
    }

    void cancelledOpenChangesNothing() {
        Window w;
        w.answers = {std::nullopt};
        const QString title = w.app.windowTitle();
        w.app.Open1->trigger();
        QCOMPARE(w.requests.size(), 1);
        QCOMPARE(w.requests[0].title, QString("Open File"));
        QCOMPARE(w.requests[0].fileName, QString("*.dat"));
        QCOMPARE(w.requests[0].directory, QDir(w.dir.path()).absolutePath());
        QCOMPARE(w.requests[0].filter, TMainApp::OpenDialogFilter("membrane-gui"));
        QVERIFY(w.requests[0].filter.startsWith("membrane-gui project (*.dat)"));
        QCOMPARE(w.app.windowTitle(), title);
        QVERIFY(w.app.ModelFileName().empty());
        QVERIFY(!w.app.Run1->isEnabled());
        QVERIFY(!w.app.runlabel->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.app.OpenLabel), QColor(Qt::black));
    }

    void unknownFileAsksAgain() {
        Recorder recorder;
        Window w;
        const QString model = w.MakeModel("DOME.DAT");
        const QString missing = w.dir.filePath("missing.dat");
        w.answers = {missing, model};
        w.app.OpenLabel->clicked();  // same as the menu
        QCOMPARE(w.requests.size(), 2);
        QCOMPARE(recorder.texts, QStringList{"unkown file : " + missing});
        QCOMPARE(w.app.windowTitle(), QString("membrane-gui for Linux : dome.dat"));
        QCOMPARE(QString::fromStdString(w.app.ModelFileName()), model);
        QVERIFY(w.app.Run1->isEnabled());
        QVERIFY(w.app.runlabel->isVisibleTo(&w.app));
        QVERIFY(!w.app.ExitLabel->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.app.runlabel), QColor(Qt::black));
        QVERIFY(TextColour(w.app.OpenLabel) != QColor(Qt::black));

        w.answers = {w.dir.path()};  // a directory cannot be read as a model either
        w.app.Open1->trigger();
        QCOMPARE(recorder.texts.size(), 2);
        QCOMPARE(QString::fromStdString(w.app.ModelFileName()), model);
    }

    void runHandsOverTheFileAndUpdatesTheSteps() {
        Window w;
        QStringList runs;
        w.app.SetRunHandler([&](const std::string& file) { runs << QString::fromStdString(file); });
        w.app.Run1Click();  // before any Open: the empty name
        const QString model = w.MakeModel("tent.dat");
        w.answers = {model};
        w.app.Open1->trigger();
        w.app.Run1->trigger();
        w.app.runlabel->clicked();
        QCOMPARE(runs, QStringList({QString(), model, model}));
        QCOMPARE(TextColour(w.app.OpenLabel), QColor(Qt::black));
        QVERIFY(TextColour(w.app.runlabel) != QColor(Qt::black));
        QVERIFY(w.app.ExitLabel->isVisibleTo(&w.app));
        QCOMPARE(TextColour(w.app.ExitLabel), QColor(Qt::black));

        w.app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.app));
        w.app.ExitLabel->clicked();
        QVERIFY(!w.app.isVisible());
    }

    void linksGoThroughTheOpener() {
        Recorder recorder;
        Window w;
        w.app.Label42->clicked();
        w.app.Image2->doubleClicked();
        TAboutBox about;
        about.MailLabel->clicked();
        QCOMPARE(recorder.urls, QStringList({TMainApp::PluginPageUrl(), TMainApp::PluginPageUrl(),
                                             "mailto:" + TAboutBox::MailAddress() +
                                                 "?subject=info about brimel&body=Dear Sir,"}));
    }

    void defaultsAndHelpDialogs() {
        Window w;
        QStringList shown;
        const DialogRunner previous = SetDialogRunner([&](QDialog& dialog) -> int {
            shown << dialog.windowTitle();
            if (auto* about = qobject_cast<TAboutBox*>(&dialog)) {
                shown << about->Label3->text() << about->Label1->text()
                      << QString::number(about->Memo1->blockCount());
                return int(QDialog::Accepted);
            }
            auto& form = dynamic_cast<TDefaultsForm&>(dialog);
            form.iterNumberEdit->SetText("42");
            return int(QDialog::Accepted);
        });
        w.app.Help1->trigger();
        w.app.Defaults1->trigger();
        SetDialogRunner(previous);
        QCOMPARE(shown, QStringList({"About", "v2.5", "BRIMEL", "12", "DefaultsForm"}));
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
            TDefaultsForm form(&w.app, Settings{0.0025, 10, 1.5, false});
            QCOMPARE(form.EPSNumberEdit->text(), QString("0.0025"));
            QCOMPARE(form.weightNumberEdit->text(), QString("1.5"));
            form.EPSNumberEdit->setText("0,5");
            QTest::keyRelease(form.EPSNumberEdit, Qt::Key_5);
            QCOMPARE(form.EPSNumberEdit->CheckState(), int(NumberEdit::NumberError));
            form.EPSNumberEdit->setText("0.5");
            QTest::keyRelease(form.EPSNumberEdit, Qt::Key_5);
            QCOMPARE(form.EPSNumberEdit->RealValue(), 0.5);
            QCOMPARE(TAboutBox(&w.app).Label3->text(), QString("v2.5"));
        }
        QLocale::setDefault(previous);
        std::setlocale(LC_NUMERIC, "C");
        if (!cLocale) QSKIP("de_DE.UTF-8 is not installed: only Qt's locale was switched");
    }

    // MEMBRANE_SCREENSHOT=path.png saves a picture of the window for a look by eye.
    void screenshot() {
        const QString path = qEnvironmentVariable("MEMBRANE_SCREENSHOT");
        if (path.isEmpty()) QSKIP("MEMBRANE_SCREENSHOT not set");
        Window w;
        w.answers = {w.MakeModel("TEST3.DAT")};
        w.app.Open1->trigger();
        w.app.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w.app));
        QVERIFY(w.app.grab().save(path));
        // The two dialogs beside it: name.png -> name-about.png, name-defaults.png.
        const QString stem = path.left(path.lastIndexOf('.'));
        TAboutBox about(&w.app);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.grab().save(stem + "-about.png"));
        TDefaultsForm defaults(&w.app);
        defaults.show();
        QVERIFY(QTest::qWaitForWindowExposed(&defaults));
        QVERIFY(defaults.grab().save(stem + "-defaults.png"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
