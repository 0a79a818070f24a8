// File -> Import of the main window and Export of the results window: the model made from
// the chosen surface becomes the open model, a bad surface is a message box and no file,
// and a run's membrane is written where the save dialog says.
#include "desktop/surface_files.h"

#include <QAction>
#include <QProgressDialog>
#include <QtTest>
#include <functional>
#include <optional>

#include "common/file_lock.h"
#include "desktop/main_window.h"
#include "heightfield/run_model.h"
#include "heightfield/surface_import.h"
#include "ui_test_support.h"

using namespace membrane;
using namespace membrane::test;

namespace {

// Answers the file dialogs from a list, in order, and records their titles.
struct ScriptedChooser {
    explicit ScriptedChooser(QStringList answers) : answers(std::move(answers)) {
        previous = SetSurfaceFileChooser([this](const SurfaceFileRequest& request) {
            titles << request.title;
            return this->answers.isEmpty() ? std::nullopt
                                           : std::optional<QString>(this->answers.takeFirst());
        });
    }
    ~ScriptedChooser() { SetSurfaceFileChooser(previous); }
    QStringList answers, titles;
    SurfaceFileChooser previous;
};

}  // namespace

class SurfaceFilesTest : public QObject {
    Q_OBJECT

  private slots:
    void importMakesTheModelTheOpenOne() {
        TempDir dir;
        HookRecorder boxes;
        ScriptedChooser chooser(
            {Q(std::string(MEMBRANE_EXAMPLES) + "/hypar.geo"), Q(dir / "hypar.DAT")});
        MainWindow window;
        boxes.texts.clear();  // what start-up has to say about the screen
        Child<QAction>(&window, "importAction")->trigger();
        QCOMPARE(chooser.titles, QStringList({"Import Surface", "Save Model File As"}));
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(window.ModelFileName(), dir / "hypar.DAT");
    }

    void badSurfaceIsAMessageAndNoFile() {
        TempDir dir;
        WriteFile(dir / "flat.obj", "v 0 0 0\nv 1 0 0\n");
        HookRecorder boxes;
        ScriptedChooser chooser({Q(dir / "flat.obj"), Q(dir / "flat.DAT")});
        MainWindow window;
        boxes.texts.clear();  // what start-up has to say about the screen
        Child<QAction>(&window, "importAction")->trigger();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(boxes.texts[0].contains("holds no triangles"));
        QVERIFY(!Exists(dir / "flat.DAT"));
        QVERIFY(window.ModelFileName().empty());
    }

    // The import runs on a worker thread: the window answers meanwhile, and Cancel leaves
    // the model file as it was. The test holds the model's lock, as a run would, so that
    // the import is known to be under way when Cancel is pressed.
    void cancelledImportWritesNothing() {
        TempDir dir;
        WriteFile(dir / "m.DAT", "old");
        WriteFile(dir / "s.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        std::optional<FileLock> lock(std::in_place, dir / "m.DAT", std::function<void()>());
        HookRecorder boxes;
        ScriptedChooser chooser({Q(dir / "s.obj"), Q(dir / "m.DAT")});
        MainWindow window;
        boxes.texts.clear();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* progress = window.findChild<QProgressDialog*>("importProgress");
            if (progress == nullptr || !progress->labelText().startsWith("Waiting")) return;
            poll.stop();
            emit progress->canceled();  // as the Cancel button does
            lock.reset();
        });
        poll.start(1);
        Child<QAction>(&window, "importAction")->trigger();
        QVERIFY(boxes.texts.isEmpty());
        QCOMPARE(ReadFile(dir / "m.DAT"), std::string("old"));
        QVERIFY(window.ModelFileName().empty());
    }

    void exportWritesTheRunsMembrane() {
        TempDir dir;
        ImportRequest request;
        request.surface = std::string(MEMBRANE_EXAMPLES) + "/hypar.geo";
        request.model = dir / "hypar.DAT";
        ImportSurface(request);
        HookRecorder boxes;
        RecordingMessageSink sink;
        RecordingOpener opener;
        ResultsWindow window(opener, sink);
        auto* exportAction = Child<QAction>(&window, "exportAction");
        {
            ScriptedChooser none({});
            exportAction->trigger();  // before a run: nothing to export
            QCOMPARE(boxes.texts, QStringList({"There is no membrane to export yet."}));
            QVERIFY(none.titles.isEmpty());
        }
        const RunResult result =
            RunModel(RunRequest{request.model, {}, dir / "BNDRYPTS.txt"}, sink, &window);
        QCOMPARE(result.outcome, RunOutcome::Success);
        ScriptedChooser chooser({Q(dir / "hypar.glb")});
        exportAction->trigger();
        QCOMPARE(boxes.texts.size(), 1);
        QVERIFY(ReadFile(dir / "hypar.glb").starts_with("glTF"));
    }
};

QTEST_MAIN(SurfaceFilesTest)
#include "surface_files_test.moc"
