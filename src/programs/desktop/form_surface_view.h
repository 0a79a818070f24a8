// The 3D view of a form-finding run: the shape shaded and coloured by a chosen field with
// its colour bar, the cables as thick lines labelled with their force, the held nodes in
// green, each support's reaction as an arrow from its node (length by size, the largest a
// tenth of the shape's diagonal), the collapsed triangles of a run without equilibrium
// outlined in purple. A click on or a pause over an arrow tells its value (NodePicked);
// the node or cable chosen in a table is marked in magenta. Left drag turns the shape,
// right or middle drag moves it, the wheel zooms.
//
// As in the height-field view, the buffers are built once per shape and field; a frame
// sets the camera and draws them; while the mouse moves the view a shape of more than
// kMovingTriangles triangles is drawn thinned out.
#pragma once

#include <QOpenGLBuffer>
#include <QOpenGLFunctions>
#include <QOpenGLShaderProgram>
#include <QOpenGLWidget>
#include <QStringList>
#include <QTimer>
#include <memory>
#include <optional>

#include "form/form_model.h"
#include "form/form_scene.h"
#include "form/form_solution.h"

namespace membrane {

class FormSurfaceView final : public QOpenGLWidget, protected QOpenGLFunctions {
    Q_OBJECT
  public:
    explicit FormSurfaceView(QWidget* parent = nullptr);
    ~FormSurfaceView() override;

    // The shape of a run (nothing without a solution), seen from the default direction;
    // `collapsed` are the triangles to outline.
    void Show(std::shared_ptr<const FormModel> model, std::shared_ptr<const FormSolution> solution,
              std::vector<std::int32_t> collapsed);
    void SetField(FormField field);
    FormField Field() const { return field_; }
    void SetMeshLines(bool on);
    void SetReactions(bool on);
    void ResetView();
    // A line over the picture (red): why the run found no equilibrium; empty: none.
    void SetNotice(const QString& text);

    // Marks a node (a support's), a cable or nothing (-1).
    void SelectNode(int node);
    void SelectCable(int cable);
    int SelectedNode() const { return selectedNode_; }
    int SelectedCable() const { return selectedCable_; }

    // Where a node is drawn, in widget pixels; nothing when behind the camera.
    std::optional<QPointF> NodePoint(int node) const;
    // The held node whose marker or reaction arrow is within a few pixels of `at`; -1: none.
    int NodeAt(QPointF at) const;
    // "node 12: R = (1.000, -2.000, 3.000) kN, |R| = 3.742 kN".
    QString ReactionText(int node) const;

    const FormScene& Scene() const { return scene_; }
    bool Moving() const { return moving_; }
    OrbitCamera& Camera() { return camera_; }
    const QStringList& ColourBarTexts() const { return barTexts_; }
    QRect ColourBarRect() const;
    bool Ready() const { return ready_; }
    const QString& Problem() const { return problem_; }

  signals:
    // A click on a held node's marker or its reaction arrow.
    void NodePicked(int node);
    // What is under the mouse (a reaction's value), or empty.
    void Hovered(const QString& text);

  protected:
    void initializeGL() override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    struct Buffers {
        QOpenGLBuffer vertices{QOpenGLBuffer::VertexBuffer};
        QOpenGLBuffer triangles{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer lines{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer cables{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer held{QOpenGLBuffer::IndexBuffer};
        QOpenGLBuffer collapsed{QOpenGLBuffer::IndexBuffer};
    };
    void Build();
    void Upload();
    void Draw(const FormScene& scene, Buffers& buffers);
    void DrawOverlay();
    void SetMoving(bool moving);
    void ReleaseBuffers();
    Matrix4 ViewMatrix() const;
    std::optional<QPointF> ToWidget(const Matrix4& m, const Vec3& world) const;
    // The reaction arrow's tip of a held node (world coordinates).
    Vec3 ArrowTip(int node) const;

    std::shared_ptr<const FormModel> model_;
    std::shared_ptr<const FormSolution> solution_;
    std::vector<std::int32_t> collapsed_;
    FormField field_ = FormField::Height;
    FormScene scene_, movingScene_;
    OrbitCamera camera_;
    QStringList barTexts_;
    QString notice_;
    double arrowScale_ = 0.0;  // m per kN
    int selectedNode_ = -1, selectedCable_ = -1;
    bool meshLines_ = true;
    bool reactions_ = true;
    bool uploaded_ = false;
    bool ready_ = false;
    QString problem_;
    QPoint lastMouse_, pressedAt_;
    bool moving_ = false;
    QTimer wheelRest_;

    QOpenGLShaderProgram surfaceProgram_, flatProgram_;
    Buffers buffers_, movingBuffers_;
};

}  // namespace membrane
