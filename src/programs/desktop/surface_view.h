// The 3D view of a run's membrane: the lifted surface shaded and coloured by height, with
// a colour bar of the heights, the mesh lines (on or off) and the held nodes in green.
// Left drag turns the membrane, right or middle drag moves it, the wheel zooms.
//
// The buffers are built by ShadedSurface and uploaded once per run; a frame only sets the
// camera's matrix and draws them, and frames are drawn only when something changed. While
// the mouse turns, moves or zooms a large membrane, a thinned-out copy of at most
// kMovingTriangles is drawn, and the whole one again when the mouse rests. The shaders are
// of OpenGL ES 2 / OpenGL 2.1, which Mesa's software renderer runs.
#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "heightfield/model.h"
#include "heightfield/shaded_surface.h"
#include "heightfield/solution.h"

namespace membrane {

// Triangles drawn while the mouse moves the view.
constexpr std::int64_t kMovingTriangles = 50'000;

class SurfaceView final : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
  public:
    explicit SurfaceView(QWidget* parent = nullptr);
    ~SurfaceView() override;

    // The membrane of a run (nothing without a solution) seen from the default direction.
    void Show(std::shared_ptr<const Model> model, std::shared_ptr<const Solution> solution);
    void SetMeshLines(bool on);
    bool MeshLines() const { return meshLines_; }
    void ResetView();

    const ShadedSurface& Mesh() const { return mesh_; }
    // Whether the view is being moved (and a large membrane drawn thinned out).
    bool Moving() const { return moving_; }
    OrbitCamera& Camera() { return camera_; }
    // The texts of the colour bar, lowest height first.
    const QStringList& ColourBarTexts() const { return barTexts_; }
    // Where the colour bar is drawn (its coloured strip), in widget pixels.
    QRect ColourBarRect() const;
    // Whether OpenGL could be started and the shaders built; the reason when not.
    bool Ready() const { return ready_; }
    const QString& Problem() const { return problem_; }

  protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    // A mesh's buffers on the graphics side.
    struct Buffers {
        QOpenGLBuffer vertices{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer triangles{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer lines{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer held{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer walls{QOpenGLBuffer::IndexBuffer};
    };
    void Upload();
    void Draw(const ShadedSurface& mesh, Buffers& buffers);
    void SetMoving(bool moving);
    void DrawOverlay();
    void ReleaseBuffers();
    // The held nodes whose markers stay apart on the screen in the current view (all of
    // them when the view is zoomed in far enough), into heldShown_.
    std::size_t UploadApartHeld(const ShadedSurface& mesh, const Matrix4& m, double spacing);

    std::shared_ptr<const Model> model_;
    std::shared_ptr<const Solution> solution_;
    ShadedSurface mesh_;
    ShadedSurface movingMesh_;  // empty when the membrane is small enough
    OrbitCamera camera_;
    QStringList barTexts_;
    bool meshLines_ = true;
    bool uploaded_ = false;
    bool ready_ = false;
    QString problem_;
    QPoint lastMouse_;
    bool moving_ = false;
    QTimer wheelRest_;  // the view rests a moment after the last wheel step

    QOpenGLShaderProgram surfaceProgram_, flatProgram_;
    Buffers buffers_, movingBuffers_;
    QOpenGLBuffer heldShown_{QOpenGLBuffer::IndexBuffer};
};

}  // namespace membrane
