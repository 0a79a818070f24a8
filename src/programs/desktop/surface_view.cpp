#include "desktop/surface_view.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QWheelEvent>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <utility>

#include "desktop/classic_font.h"
#include "desktop/gl_shaders.h"

namespace membrane {

namespace {

constexpr int kBarWidth = 14;
constexpr int kBarMargin = 36;
constexpr GLenum kProgramPointSize = 0x8642;  // GL_PROGRAM_POINT_SIZE, desktop OpenGL only

}  // namespace

SurfaceView::SurfaceView(QWidget* parent) : QOpenGLWidget(parent) {
    setObjectName("surfaceView");
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip("left drag: turn, right drag: move, wheel: zoom");
    wheelRest_.setSingleShot(true);
    wheelRest_.setInterval(300);
    connect(&wheelRest_, &QTimer::timeout, this, [this] { SetMoving(false); });
}

SurfaceView::~SurfaceView() {
    makeCurrent();
    ReleaseBuffers();
    doneCurrent();
}

void SurfaceView::Show(std::shared_ptr<const Model> model,
                       std::shared_ptr<const Solution> solution) {
    model_ = std::move(model);
    solution_ = std::move(solution);
    mesh_ = model_ && solution_ ? BuildShadedSurface(*model_, solution_->liftedZ,
                                                     kMaxDrawnTriangles, solution_->walls.elements)
                                : ShadedSurface{};
    movingMesh_ = mesh_.drawnTriangles > kMovingTriangles
                      ? BuildShadedSurface(*model_, solution_->liftedZ, kMovingTriangles,
                                           solution_->walls.elements)
                      : ShadedSurface{};
    barTexts_.clear();
    if (!mesh_.Empty())
        for (const std::string& text : ColourBarLabels(mesh_.zMin, mesh_.zMax))
            barTexts_ << QString::fromStdString(text);
    uploaded_ = false;
    ResetView();
}

void SurfaceView::SetMeshLines(bool on) {
    meshLines_ = on;
    update();
}

void SurfaceView::ResetView() {
    camera_.Frame(mesh_.LocalBox());
    update();
}

QRect SurfaceView::ColourBarRect() const {
    return QRect(width() - 80, kBarMargin, kBarWidth, std::max(10, height() - 2 * kBarMargin));
}

void SurfaceView::initializeGL() {
    initializeOpenGLFunctions();
    ready_ = false;
    const bool built =
        surfaceProgram_.addShaderFromSourceCode(QOpenGLShader::Vertex, kSurfaceVertexShader) &&
        surfaceProgram_.addShaderFromSourceCode(QOpenGLShader::Fragment, kSurfaceFragmentShader) &&
        surfaceProgram_.link() &&
        flatProgram_.addShaderFromSourceCode(QOpenGLShader::Vertex, kFlatVertexShader) &&
        flatProgram_.addShaderFromSourceCode(QOpenGLShader::Fragment, kFlatFragmentShader) &&
        flatProgram_.link();
    if (!built) {
        problem_ = "the 3D view's shaders could not be built: " + surfaceProgram_.log() +
                   flatProgram_.log();
        return;
    }
    // A membrane has more nodes than 16-bit vertex numbers reach.
    if (context()->isOpenGLES() && context()->format().majorVersion() < 3 &&
        !context()->hasExtension("GL_OES_element_index_uint")) {
        problem_ = "the 3D view needs 32-bit vertex indices, which this OpenGL lacks";
        return;
    }
    ready_ = true;
    uploaded_ = false;
}

void SurfaceView::ReleaseBuffers() {
    if (heldShown_.isCreated()) heldShown_.destroy();
    for (Buffers* set : {&buffers_, &movingBuffers_})
        for (QOpenGLBuffer* buffer :
             {&set->vertices, &set->triangles, &set->lines, &set->held, &set->walls})
            if (buffer->isCreated()) buffer->destroy();
}

void SurfaceView::Upload() {
    ReleaseBuffers();
    auto fill = [](QOpenGLBuffer& buffer, const auto& data) {
        if (data.empty()) return;
        buffer.create();
        buffer.bind();
        buffer.setUsagePattern(QOpenGLBuffer::StaticDraw);
        buffer.allocate(data.data(), static_cast<int>(data.size() * sizeof(data[0])));
        buffer.release();
    };
    for (auto [mesh, set] : {std::pair{&mesh_, &buffers_}, {&movingMesh_, &movingBuffers_}}) {
        fill(set->vertices, mesh->vertices);
        fill(set->triangles, mesh->triangles);
        fill(set->lines, mesh->lines);
        fill(set->held, mesh->heldNodes);
        fill(set->walls, mesh->wallLines);
    }
    uploaded_ = true;
}

void SurfaceView::paintGL() {
    glClearColor(0.97f, 0.97f, 0.97f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (ready_ && !mesh_.Empty()) {
        if (!uploaded_) Upload();
        if (moving_ && !movingMesh_.Empty())
            Draw(movingMesh_, movingBuffers_);
        else
            Draw(mesh_, buffers_);
    }
    DrawOverlay();
}

void SurfaceView::Draw(const ShadedSurface& mesh, Buffers& buffers) {
    const Matrix4 m = camera_.ViewProjection(double(width()) / std::max(1, height()));
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);

    // The surface, pushed back a little so that its lines are drawn on top of it.
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.0f, 1.0f);
    surfaceProgram_.bind();
    glUniformMatrix4fv(surfaceProgram_.uniformLocation("viewProjection"), 1, GL_FALSE, m.data());
    const auto towards = camera_.Towards();
    const QVector3D light{float(towards[0]), float(towards[1]), float(towards[2]) + 0.5f};
    surfaceProgram_.setUniformValue("light", light.normalized());
    buffers.vertices.bind();
    const int stride = ShadedSurface::kFloatsPerVertex * sizeof(float);
    surfaceProgram_.enableAttributeArray("position");
    surfaceProgram_.enableAttributeArray("normal");
    surfaceProgram_.enableAttributeArray("colour");
    surfaceProgram_.setAttributeBuffer("position", GL_FLOAT, 0, 3, stride);
    surfaceProgram_.setAttributeBuffer("normal", GL_FLOAT, 3 * sizeof(float), 3, stride);
    surfaceProgram_.setAttributeBuffer("colour", GL_FLOAT, 6 * sizeof(float), 3, stride);
    buffers.triangles.bind();
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.triangles.size()), GL_UNSIGNED_INT,
                   nullptr);
    buffers.triangles.release();
    surfaceProgram_.disableAttributeArray("position");
    surfaceProgram_.disableAttributeArray("normal");
    surfaceProgram_.disableAttributeArray("colour");
    surfaceProgram_.release();
    glDisable(GL_POLYGON_OFFSET_FILL);

    flatProgram_.bind();
    glUniformMatrix4fv(flatProgram_.uniformLocation("viewProjection"), 1, GL_FALSE, m.data());
    flatProgram_.enableAttributeArray("position");
    flatProgram_.setAttributeBuffer("position", GL_FLOAT, 0, 3, stride);
    auto draw = [this](QOpenGLBuffer& indices, GLenum mode, std::size_t count, QColor colour,
                       float pointSize) {
        if (!indices.isCreated()) return;
        flatProgram_.setUniformValue("colour", colour);
        flatProgram_.setUniformValue("pointSize", pointSize);
        indices.bind();
        glDrawElements(mode, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
        indices.release();
    };
    // Sizes in the framebuffer's pixels: scaled with the screen's.
    const float dpr = static_cast<float>(devicePixelRatioF());
    glLineWidth(dpr);
    if (meshLines_) draw(buffers.lines, GL_LINES, mesh.lines.size(), QColor(40, 40, 40), dpr);
    // The near-vertical walls outlined in the plan drawing's purple (no height has that
    // colour), mesh lines on or off.
    draw(buffers.walls, GL_LINES, mesh.wallLines.size(), QColor(182, 4, 234), dpr);
    // The held nodes in the plan drawing's green, outlined (the surface lies a little
    // behind them, so they show where they are not hidden by another part of it); only
    // those that stay apart on the screen, so that a ring of many does not become a thick
    // black line over the boundary.
    if (!context()->isOpenGLES()) glEnable(kProgramPointSize);
    const std::size_t held = UploadApartHeld(mesh, m, 10.0);
    draw(heldShown_, GL_POINTS, held, QColor(0, 0, 0), 8.0f * dpr);
    draw(heldShown_, GL_POINTS, held, QColor(0, 200, 0), 6.0f * dpr);
    flatProgram_.disableAttributeArray("position");
    flatProgram_.release();
    buffers.vertices.release();
    glDisable(GL_DEPTH_TEST);
}

std::size_t SurfaceView::UploadApartHeld(const ShadedSurface& mesh, const Matrix4& m,
                                         double spacing) {
    std::vector<std::uint32_t> shown;
    std::unordered_map<std::int64_t, std::pair<double, double>> taken;
    const double halfWidth = 0.5 * width(), halfHeight = 0.5 * height();
    for (const std::uint32_t vertex : mesh.heldNodes) {
        const float* p = &mesh.vertices[std::size_t(vertex) * ShadedSurface::kFloatsPerVertex];
        const auto ndc = Project(m, {p[0], p[1], p[2]});
        const double x = (ndc[0] + 1) * halfWidth, y = (1 - ndc[1]) * halfHeight;
        if (!std::isfinite(x) || !std::isfinite(y)) continue;
        const auto cx = static_cast<std::int64_t>(std::floor(x / spacing));
        const auto cy = static_cast<std::int64_t>(std::floor(y / spacing));
        bool apart = true;
        for (std::int64_t i = cx - 1; i <= cx + 1 && apart; ++i)
            for (std::int64_t j = cy - 1; j <= cy + 1 && apart; ++j) {
                const auto found = taken.find((i << 32) ^ (j & 0xffffffff));
                if (found == taken.end()) continue;
                const double dx = found->second.first - x, dy = found->second.second - y;
                apart = dx * dx + dy * dy >= spacing * spacing;
            }
        if (!apart) continue;
        taken.emplace((cx << 32) ^ (cy & 0xffffffff), std::make_pair(x, y));
        shown.push_back(vertex);
    }
    if (heldShown_.isCreated()) heldShown_.destroy();
    if (shown.empty()) return 0;
    heldShown_.create();
    heldShown_.bind();
    heldShown_.setUsagePattern(QOpenGLBuffer::StreamDraw);
    heldShown_.allocate(shown.data(), static_cast<int>(shown.size() * sizeof(shown[0])));
    heldShown_.release();
    return shown.size();
}

// The colour bar, the triangle count and what keeps the view empty, painted over the
// picture (so that a saved picture has them too).
void SurfaceView::DrawOverlay() {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(ClassicFontPixels(12));
    painter.setPen(Qt::black);
    if (!ready_ || mesh_.Empty()) {
        const QString text = !ready_ && !problem_.isEmpty() ? problem_
                             : model_ && solution_          ? QString("no triangles to show")
                                                            : QString(
                                                                  "no membrane: the run has not "
                                                                           "found one");
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    const QRect bar = ColourBarRect();
    QLinearGradient gradient(bar.bottomLeft(), bar.topLeft());
    for (int k = 0; k <= 8; ++k) {
        const Rgb c = HeightColour(k / 8.0);
        gradient.setColorAt(k / 8.0, QColor::fromRgbF(c.r, c.g, c.b));
    }
    painter.fillRect(bar, gradient);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    const int last = static_cast<int>(barTexts_.size()) - 1;
    for (int k = 0; k <= last; ++k) {
        const int y = bar.bottom() - (bar.height() - 1) * k / std::max(1, last);
        painter.drawLine(bar.right() + 1, y, bar.right() + 4, y);
        painter.drawText(QRect(bar.right() + 7, y - 8, 80, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         barTexts_[k]);
    }
    painter.drawText(QRect(bar.left() - 20, bar.top() - 24, 80, 16),
                     Qt::AlignLeft | Qt::AlignVCenter, "height z");
    QString count = QString("%1 triangles").arg(mesh_.modelTriangles);
    if (mesh_.Thinned()) count += QString(", drawn thinned out to %1").arg(mesh_.drawnTriangles);
    painter.drawText(QRect(8, height() - 22, width() - 16, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     count);
}

void SurfaceView::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = event->position().toPoint();
    SetMoving(true);
}

void SurfaceView::SetMoving(bool moving) {
    if (moving == moving_) return;
    moving_ = moving;
    if (!movingMesh_.Empty()) update();
}

void SurfaceView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) SetMoving(false);
}

void SurfaceView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QPoint delta = at - lastMouse_;
    lastMouse_ = at;
    if (event->buttons() & Qt::LeftButton)
        camera_.Orbit(delta.x(), delta.y());
    else if (event->buttons() & (Qt::RightButton | Qt::MiddleButton))
        camera_.Pan(delta.x(), delta.y(), height());
    else
        return;
    update();
}

void SurfaceView::wheelEvent(QWheelEvent* event) {
    camera_.Zoom(event->angleDelta().y() / 120.0);
    SetMoving(true);
    wheelRest_.start();
    update();
}

}  // namespace membrane
