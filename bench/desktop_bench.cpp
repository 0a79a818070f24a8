// The desktop program with a large model, step by step as a user goes: File -> Open,
// Run with the stored settings (the run on its worker thread), the results window's grids
// (every tab looked at, the last rows of the Coordinates and Elements grids scrolled to and
// read), the plan drawing (first picture, a wheel zoom, a drag, a click on a node) and the
// 3D tab (first frame, a turn with the left button, the frame at rest). One line
// "name : seconds" a step, then the peak memory.
//
//   export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/membrane_desktop_bench MODEL.DAT
//
// The run writes its files beside the model file (BNDRYPTS.txt too). Without OpenGL the
// 3D steps are reported as missing.
#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QWheelEvent>
#include <clocale>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

#include "common/messages.h"
#include "common/opener.h"
#include "desktop/main_window.h"
#include "desktop/results_window.h"
#include "desktop/run_wiring.h"
#include "desktop/surface_pane.h"
#include "desktop/surface_view.h"
#include "plot/plotter.h"

using namespace membrane;

namespace {

// Messages go to stderr; nothing waits for a user.
class PrintingSink final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage& message) override {
        std::fprintf(stderr, "message: %s %s\n", message.text.c_str(), message.detail.c_str());
    }
};

class NoOpener final : public Opener {
  public:
    bool Open(const std::string&) override { return true; }
};

// The processor time of the last step timed by Time (all threads of the process), shown
// beside its wall time: on a machine shared with other work the wall time is what this
// process got of it, the processor time what the step cost. Negative: none.
double lastProcessorSeconds = -1.0;

double ProcessorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

void Report(const char* name, double seconds) {
    if (lastProcessorSeconds >= 0.0)
        std::printf("%-44s : %.3f  (processor %.3f)\n", name, seconds, lastProcessorSeconds);
    else
        std::printf("%-44s : %.3f\n", name, seconds);
    lastProcessorSeconds = -1.0;
    std::fflush(stdout);
}

// Seconds that `step` takes.
double Time(const std::function<void()>& step) {
    QElapsedTimer timer;
    const double processor = ProcessorSeconds();
    timer.start();
    step();
    lastProcessorSeconds = ProcessorSeconds() - processor;
    return timer.nsecsElapsed() * 1e-9;
}

// Handles events until `done` holds; false after `limitMs`.
bool WaitFor(const std::function<bool()>& done, int limitMs = 600'000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

long PeakKb() {
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

void Send(QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButton button,
          Qt::MouseButtons held) {
    QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

// Notes that a widget was painted.
struct PaintSeen : QObject {
    bool seen = false;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) seen = true;
        return false;
    }
};

// The last row of `grid` brought into view and drawn; its last cell read.
QString ScrollToEnd(QTableView* grid) {
    grid->scrollToBottom();
    grid->viewport()->repaint();
    const int last = grid->model()->rowCount() - 1;
    return ResultsWindow::CellText(grid, last, grid->model()->columnCount() - 1);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s MODEL.DAT\n", argv[0]);
        return 64;
    }
    const QString model = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();

    PrintingSink sink;
    NoOpener opener;
    // The program "lives" beside the model: the boundary points table goes there.
    MainWindow window(nullptr, MainWindowStartup{QFileInfo(model).absolutePath() + "/membrane-gui",
                                                 QSize(1280, 1024)});
    ResultsWindow* results = nullptr;
    RunResult outcome;
    ConnectRuns(
        window, sink, opener, [&](ResultsWindow& created) { results = &created; },
        [&](const RunResult& result) { outcome = result; });
    window.show();
    WaitFor([&] { return window.isVisible(); });

    // File -> Open with the dialog answered.
    window.SetFileChooser([&](const OpenFileRequest&) { return std::optional<QString>(model); });
    Report("open (File -> Open)", Time([&] { window.Open(); }));

    // Run; a timer of 100 ms tells how long the window did not answer meanwhile.
    QElapsedTimer sinceTick;
    double largestGap = 0;
    QTimer ticker;
    ticker.setInterval(100);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        largestGap = std::max(largestGap, sinceTick.nsecsElapsed() * 1e-9);
        sinceTick.restart();
    });
    sinceTick.start();
    ticker.start();
    Report("run (Run to the results in the window)", Time([&] { window.Run(); }));
    largestGap = std::max(largestGap, sinceTick.nsecsElapsed() * 1e-9);
    ticker.stop();
    Report("largest gap between 100 ms ticks, run", largestGap);
    if (!results || !outcome.solution) {
        std::fprintf(stderr, "the run gave no membrane\n");
        return 1;
    }
    const std::string_view solver = ChoiceName(outcome.solver);
    std::printf("%-44s : %.*s\n", "solver", int(solver.size()), solver.data());

    // The plan drawing: made at the window's timer after the run, then copied to the screen.
    auto* paintBox = results->findChild<QWidget*>("paintBox");
    Report("plan drawing, first picture on screen", Time([&] {
               WaitFor([&] { return results->HasPlot() && !results->DrawingDue(); });
               paintBox->repaint();
           }));

    auto* tabs = results->findChild<QTabWidget*>("tables");
    auto* coordinates = results->findChild<QTableView*>("coordinatesGrid");
    auto* elements = results->findChild<QTableView*>("elementsGrid");
    QString lastCoordinate, lastElement;
    Report("grids: six tabs shown, last rows read", Time([&] {
               for (int k = 0; k < tabs->count(); ++k) {
                   tabs->setCurrentIndex(k);
                   tabs->currentWidget()->repaint();
               }
               tabs->setCurrentWidget(coordinates->parentWidget());
               lastCoordinate = ScrollToEnd(coordinates);
               tabs->setCurrentWidget(elements->parentWidget());
               lastElement = ScrollToEnd(elements);
           }));
    std::fprintf(stderr, "last cells: %s | %s\n", qPrintable(lastCoordinate),
                 qPrintable(lastElement));

    const QPointF centre(paintBox->width() / 2.0, paintBox->height() / 2.0);
    Report("plan: wheel zoom and repaint", Time([&] {
               QWheelEvent wheel(centre, paintBox->mapToGlobal(centre), QPoint(), QPoint(0, 120),
                                 Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
               QApplication::sendEvent(paintBox, &wheel);
               WaitFor([&] { return !results->RedrawDue(); });
               paintBox->repaint();
           }));
    // Five notches that arrive while the window is busy: drawn once, after the last.
    Report("plan: five wheel notches queued, repaint", Time([&] {
               for (int k = 0; k < 5; ++k)
                   QCoreApplication::postEvent(
                       paintBox, new QWheelEvent(centre, paintBox->mapToGlobal(centre), QPoint(),
                                                 QPoint(0, k % 2 ? -120 : 120), Qt::NoButton,
                                                 Qt::NoModifier, Qt::NoScrollPhase, false));
               QCoreApplication::sendPostedEvents(paintBox);
               WaitFor([&] { return !results->RedrawDue(); });
               paintBox->repaint();
           }));
    Report("plan: drag (pan) and repaint", Time([&] {
               Send(paintBox, QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
               Send(paintBox, QEvent::MouseMove, centre + QPointF(40, 25), Qt::NoButton,
                    Qt::LeftButton);
               WaitFor([&] { return !results->RedrawDue(); });
               paintBox->repaint();
               Send(paintBox, QEvent::MouseButtonRelease, centre + QPointF(40, 25), Qt::LeftButton,
                    Qt::NoButton);
           }));
    // A click on a node in the picture (the middle one of the node table that is in view)
    // selects its row of the Coordinates grid and marks it.
    QPointF node(-1, -1);
    const auto& nodes = results->ShownModel()->nodes.Nodes();
    for (std::size_t k = nodes.size() / 2; k < nodes.size(); ++k) {
        double x = nodes[k].x, y = nodes[k].y;
        if (results->Plot()->WorldToDevice(x, y) && x > 10 && y > 10 &&
            x < paintBox->width() - 10 && y < paintBox->height() - 10) {
            node = QPointF(x, y);
            break;
        }
    }
    Report("plan: click on a node (its row marked)", Time([&] {
               Send(paintBox, QEvent::MouseButtonPress, node, Qt::LeftButton, Qt::LeftButton);
               Send(paintBox, QEvent::MouseButtonRelease, node, Qt::LeftButton, Qt::NoButton);
               paintBox->repaint();
           }));
    std::fprintf(stderr, "marked: row %d of the Coordinates grid\n",
                 coordinates->currentIndex().row());

    // The 3D tab: the surface built, uploaded and drawn; then a turn. A frame counts when
    // the renderer has finished it (software rendering draws behind the swap otherwise), and
    // the first picture is the last frame before the view rests (the view is drawn once more
    // at its size in the pane's layout).
    auto* pane = results->findChild<SurfacePane*>("surfacePane");
    int frames = 0;
    QElapsedTimer clock;
    qint64 lastFrameNs = 0;
    SurfaceView* view = nullptr;
    PaintSeen painted;
    // Handles events until a frame has come and no other followed within `quietMs`; the
    // seconds from `since` to the end of the last frame.
    auto settle = [&](qint64 since, int quietMs) {
        const int before = frames;
        WaitFor([&] { return frames > before; }, 300'000);
        QElapsedTimer quiet;
        quiet.start();
        for (int seen = frames; quiet.elapsed() < quietMs;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            if (frames != seen) {
                seen = frames;
                quiet.restart();
            }
        }
        return (lastFrameNs - since) * 1e-9;
    };
    clock.start();
    pane->Tabs()->setCurrentIndex(1);
    view = pane->View();
    if (view) {
        view->installEventFilter(&painted);
        QObject::connect(view, &QOpenGLWidget::frameSwapped, [&] {
            // A window's composition also reports a swap; only one with a new picture of
            // the view counts.
            if (!painted.seen) return;
            painted.seen = false;
            view->makeCurrent();
            view->context()->functions()->glFinish();
            view->doneCurrent();
            ++frames;
            lastFrameNs = clock.nsecsElapsed();
        });
    }
    const double firstFrame = view ? settle(0, 1000) : 0;
    if (!view || frames == 0 || !view->Ready()) {
        std::printf("%-44s : none (%s)\n", "3D view", view ? qPrintable(view->Problem()) : "");
    } else {
        Report("3D: first frame (build, upload, draw)", firstFrame);
        std::fprintf(stderr, "3D: %d pictures to rest, %lld triangles drawn of %lld\n", frames,
                     static_cast<long long>(view->Mesh().drawnTriangles),
                     static_cast<long long>(view->Mesh().modelTriangles));
        const QPointF at(view->width() / 2.0, view->height() / 2.0);
        qint64 since = clock.nsecsElapsed();
        Send(view, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        Send(view, QEvent::MouseMove, at + QPointF(30, 10), Qt::NoButton, Qt::LeftButton);
        Report("3D: turn (left drag), frame thinned out", settle(since, 500));
        if (!view->Moving()) std::fprintf(stderr, "3D: not moving while the button is held\n");
        since = clock.nsecsElapsed();
        Send(view, QEvent::MouseButtonRelease, at + QPointF(30, 10), Qt::LeftButton, Qt::NoButton);
        view->update();
        Report("3D: released, whole surface drawn again", settle(since, 500));
    }
    std::printf("%-44s : %.0f\n", "peak memory (VmHWM, MB)", PeakKb() / 1024.0);
    return 0;
}
