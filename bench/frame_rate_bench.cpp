// Frames per second of the 3D view on half catenoids of the given node counts (about two
// triangles a node), lifted to their start heights: each frame on screen asks for the next
// one turned a little further, for 4 s, window by window, with the mesh lines off, on, and
// off with the left mouse button held (the view then draws its copy thinned out to
// kMovingTriangles triangles). One line per case.
//
// With --form, the form-finding view instead: a catenoid form of that many nodes at its
// start (a cylinder), coloured by height, its rings' reactions drawn as arrows (at rest),
// at rest and with the left button held (thinned out, arrows left out while it moves).
//
//   export QT_QPA_PLATFORM=xcb LIBGL_ALWAYS_SOFTWARE=1
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/membrane_frame_rate_bench 100000 [...]
//   xvfb-run -a -s "-screen 0 1600x1200x24" build/membrane_frame_rate_bench --form 100000
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "desktop/form_surface_view.h"
#include "desktop/surface_view.h"
#include "form/form_generator.h"
#include "form/form_surface.h"
#include "heightfield/model_file.h"
#include "heightfield/model_generator.h"
#include "heightfield/model_loader.h"
#include "heightfield/solution.h"

using namespace membrane;

namespace {

class NoMessages final : public MessageSink {
  public:
    using MessageSink::Show;
    void Show(const UserMessage&) override {}
};

// Processor time of this process so far, every thread (the renderer's among them).
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           1e-6 * (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

// Handles events until `done` holds (or a minute has gone by: no picture at all).
template <typename Done>
bool WaitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 60000) QCoreApplication::processEvents();
    return done();
}

void Measure(const std::shared_ptr<const Model>& model,
             const std::shared_ptr<const Solution>& solution, QSize window, int mode) {
    const bool lines = mode == 1;  // lines off, lines on, lines off and the mouse held
    SurfaceView view;
    view.resize(window);
    QElapsedTimer build;
    build.start();
    view.Show(model, solution);
    const qint64 buildMs = build.elapsed();
    view.SetMeshLines(lines);
    view.show();
    int frames = -1;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, &view, [&] {
        ++frames;
        view.Camera().Orbit(4, 0);
        view.update();
    });
    view.update();
    if (!WaitFor([&] { return frames >= 0; })) {  // the first frame uploads the buffers
        std::printf("no picture: is there an OpenGL context?\n");
        return;
    }
    if (mode == 2) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10),
                          view.mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
    }
    frames = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = CpuSeconds();
    while (timer.elapsed() < 4000) QCoreApplication::processEvents();
    const double seconds = timer.nsecsElapsed() * 1e-9;
    const double cpu = CpuSeconds() - cpuBefore;
    const long long drawn = mode == 2 && view.Mesh().drawnTriangles > kMovingTriangles
                                ? kMovingTriangles
                                : view.Mesh().drawnTriangles;
    std::printf(
        "%lld triangles (drawn %lld), %dx%d, lines %s%s: %.1f frames/s, %.1f ms of processor "
        "time a frame (all threads), buffers built in %lld ms\n",
        static_cast<long long>(view.Mesh().modelTriangles), drawn, window.width(), window.height(),
        lines ? "on" : "off", mode == 2 ? ", mouse held" : "", frames / seconds,
        1e3 * cpu / std::max(1, frames), buildMs);
    std::fflush(stdout);
}

// Frames a second of `view` turned a little further each frame for 4 s; with `held` the
// left button is held down on it meanwhile.
template <typename View>
void Turn(View& view, bool held, double& framesPerSecond, double& cpuPerFrame) {
    int frames = -1;
    QObject::connect(&view, &QOpenGLWidget::frameSwapped, &view, [&] {
        ++frames;
        view.Camera().Orbit(4, 0);
        view.update();
    });
    view.update();
    if (!WaitFor([&] { return frames >= 0; })) {
        std::printf("no picture: is there an OpenGL context?\n");
        framesPerSecond = cpuPerFrame = 0;
        return;
    }
    if (held) {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10),
                          view.mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&view, &press);
    }
    frames = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = CpuSeconds();
    while (timer.elapsed() < 4000) QCoreApplication::processEvents();
    framesPerSecond = frames / (timer.nsecsElapsed() * 1e-9);
    cpuPerFrame = 1e3 * (CpuSeconds() - cpuBefore) / std::max(1, frames);
}

void MeasureForm(std::int64_t nodes) {
    auto model = std::make_shared<const FormModel>(GenerateCatenoidForm({10.0, 12.0, 1.0}, nodes));
    auto solution = std::make_shared<FormSolution>();
    solution->shape = model->start;
    solution->reactions.assign(model->NodeCount(), Vec3{});
    for (std::size_t i = 0; i < model->NodeCount(); ++i)
        if (model->held[i])
            solution->reactions[i] = {0.1 * model->start[i].x, 0.1 * model->start[i].y,
                                      model->start[i].z > 0 ? 1.0 : -1.0};
    for (const QSize window : {QSize(710, 600), QSize(1280, 960)})
        for (const bool held : {false, true}) {
            FormSurfaceView view;
            view.resize(window);
            QElapsedTimer build;
            build.start();
            view.Show(model, solution, {});
            const qint64 buildMs = build.elapsed();
            view.SetMeshLines(false);
            view.show();
            double fps = 0, cpu = 0;
            Turn(view, held, fps, cpu);
            const FormScene& drawn = view.Scene();
            std::printf(
                "form view: %lld triangles (drawn %s), %dx%d, lines off%s: %.1f frames/s, %.1f "
                "ms of processor time a frame (all threads), buffers built in %lld ms\n",
                static_cast<long long>(drawn.modelTriangles),
                held ? "thinned out while moving" : std::to_string(drawn.drawnTriangles).c_str(),
                window.width(), window.height(), held ? ", mouse held" : "", fps, cpu, buildMs);
            std::fflush(stdout);
        }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: membrane_frame_rate_bench NODES [NODES...]\n");
        return 64;
    }
    if (std::string(argv[1]) == "--form") {
        for (int k = 2; k < argc; ++k) MeasureForm(std::atoll(argv[k]));
        return 0;
    }
    for (int k = 1; k < argc; ++k) {
        QTemporaryDir dir;
        const std::string path = dir.filePath("CAT.DAT").toStdString();
        if (!WriteGeneratedModel(GenerateModel(GeneratedShape::Catenoid, std::atoll(argv[k])),
                                 path))
            return 5;
        NoMessages sink;
        std::shared_ptr<const Model> model = ReadModel(*ReadModelFile(path), sink);
        auto solution =
            std::make_shared<const Solution>(LiftMembrane(*model, model->startHeights, 0));
        for (const QSize window : {QSize(642, 456), QSize(1280, 960)})
            for (const int mode : {0, 1, 2}) Measure(model, solution, window, mode);
    }
    return 0;
}
