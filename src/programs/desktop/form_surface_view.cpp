#include "desktop/form_surface_view.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "common/number_format.h"
#include "desktop/classic_font.h"
#include "desktop/gl_shaders.h"
#include "desktop/surface_view.h"

namespace membrane {
namespace {

constexpr int kBarWidth = 14;
constexpr int kBarMargin = 36;
constexpr GLenum kProgramPointSize = 0x8642;  // GL_PROGRAM_POINT_SIZE, desktop OpenGL only
constexpr double kPickPixels = 7.0;
constexpr std::size_t kCollapsedRings = 5000;  // at most, each frame
constexpr double kArrowShare = 0.1;  // the largest reaction's arrow, of the shape's diagonal
const QColor kMarked(255, 0, 255);
const QColor kArrow(150, 0, 0);
const QColor kCable(60, 60, 60);
const QColor kCollapsed(182, 4, 234);

double SegmentDistance(QPointF p, QPointF a, QPointF b) {
    const QPointF ab = b - a;
    const double length2 = QPointF::dotProduct(ab, ab);
    const double t =
        length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

QString Number(double value, int decimals) {
    return QString::fromStdString(FormatFixed(value, 15, decimals));
}

}  // namespace

FormSurfaceView::FormSurfaceView(QWidget* parent) : QOpenGLWidget(parent) {
    setObjectName("formSurfaceView");
    setMinimumSize(200, 150);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    wheelRest_.setSingleShot(true);
    wheelRest_.setInterval(300);
    connect(&wheelRest_, &QTimer::timeout, this, [this] { SetMoving(false); });
}

FormSurfaceView::~FormSurfaceView() {
    makeCurrent();
    ReleaseBuffers();
    doneCurrent();
}

void FormSurfaceView::Show(std::shared_ptr<const FormModel> model,
                           std::shared_ptr<const FormSolution> solution,
                           std::vector<std::int32_t> collapsed) {
    model_ = std::move(model);
    solution_ = std::move(solution);
    collapsed_ = std::move(collapsed);
    selectedNode_ = selectedCable_ = -1;
    arrowScale_ = 0.0;
    if (model_ && solution_ && solution_->reactions.size() == model_->NodeCount()) {
        double largest = 0.0;
        for (std::size_t i = 0; i < model_->NodeCount(); ++i)
            if (model_->held[i]) largest = std::max(largest, Norm(solution_->reactions[i]));
        Build();
        if (largest > 0) arrowScale_ = kArrowShare * 2.0 * scene_.box.Radius() / largest;
    } else {
        Build();
    }
    ResetView();
}

void FormSurfaceView::Build() {
    const bool shaped = model_ && solution_ && solution_->shape.size() == model_->NodeCount();
    if (!shaped) {
        scene_ = movingScene_ = FormScene{};
    } else {
        const std::vector<double> values = FormFieldValues(*model_, *solution_, field_);
        scene_ = BuildFormScene(*model_, solution_->shape, values, collapsed_);
        movingScene_ =
            scene_.drawnTriangles > kMovingTriangles
                ? BuildFormScene(*model_, solution_->shape, values, collapsed_, kMovingTriangles)
                : FormScene{};
    }
    barTexts_.clear();
    if (!scene_.Empty())
        for (const std::string& text : ColourBarLabels(scene_.valueMin, scene_.valueMax))
            barTexts_ << QString::fromStdString(text);
    uploaded_ = false;
}

void FormSurfaceView::SetField(FormField field) {
    if (field == field_) return;
    field_ = field;
    Build();  // the same shape: the camera stays
    update();
}

void FormSurfaceView::SetMeshLines(bool on) {
    meshLines_ = on;
    update();
}

void FormSurfaceView::SetReactions(bool on) {
    reactions_ = on;
    update();
}

void FormSurfaceView::ResetView() {
    camera_.Frame(scene_.LocalBox());
    update();
}

void FormSurfaceView::SetNotice(const QString& text) {
    notice_ = text;
    update();
}

void FormSurfaceView::SelectNode(int node) {
    selectedNode_ = node;
    selectedCable_ = -1;
    update();
}

void FormSurfaceView::SelectCable(int cable) {
    selectedCable_ = cable;
    selectedNode_ = -1;
    update();
}

QRect FormSurfaceView::ColourBarRect() const {
    return QRect(width() - 80, kBarMargin, kBarWidth, std::max(10, height() - 2 * kBarMargin));
}

Matrix4 FormSurfaceView::ViewMatrix() const {
    return camera_.ViewProjection(double(width()) / std::max(1, height()));
}

std::optional<QPointF> FormSurfaceView::ToWidget(const Matrix4& m, const Vec3& world) const {
    const std::array<double, 3> local{world.x - scene_.origin[0], world.y - scene_.origin[1],
                                      world.z - scene_.origin[2]};
    const std::array<double, 3> ndc = Project(m, local);
    if (!(std::isfinite(ndc[0]) && std::isfinite(ndc[1])) || ndc[2] < -1 || ndc[2] > 1)
        return std::nullopt;
    return QPointF((ndc[0] + 1) / 2 * width(), (1 - ndc[1]) / 2 * height());
}

std::optional<QPointF> FormSurfaceView::NodePoint(int node) const {
    if (!solution_ || node < 0 || static_cast<std::size_t>(node) >= solution_->shape.size())
        return std::nullopt;
    return ToWidget(ViewMatrix(), solution_->shape[node]);
}

Vec3 FormSurfaceView::ArrowTip(int node) const {
    return solution_->shape[node] + arrowScale_ * solution_->reactions[node];
}

int FormSurfaceView::NodeAt(QPointF at) const {
    if (!model_ || !solution_ || solution_->shape.size() != model_->NodeCount()) return -1;
    const Matrix4 m = ViewMatrix();
    const bool arrows = reactions_ && arrowScale_ > 0;
    int best = -1;
    double nearest = kPickPixels;
    for (std::size_t i = 0; i < model_->NodeCount(); ++i) {
        if (!model_->held[i]) continue;
        const auto base = ToWidget(m, solution_->shape[i]);
        if (!base) continue;
        const auto tip = arrows ? ToWidget(m, ArrowTip(static_cast<int>(i))) : base;
        const double d = SegmentDistance(at, *base, tip.value_or(*base));
        if (d <= nearest) {
            nearest = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

QString FormSurfaceView::ReactionText(int node) const {
    if (!model_ || !solution_ || node < 0 || static_cast<std::size_t>(node) >= model_->NodeCount())
        return {};
    QString text = QString("node %1").arg(model_->labels[node]);
    if (solution_->reactions.size() != model_->NodeCount()) return text;
    const Vec3& r = solution_->reactions[node];
    return text + QString(": R = (%1, %2, %3) kN, |R| = %4 kN")
                      .arg(Number(r.x, 3), Number(r.y, 3), Number(r.z, 3), Number(Norm(r), 3));
}

void FormSurfaceView::initializeGL() {
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
    if (context()->isOpenGLES() && context()->format().majorVersion() < 3 &&
        !context()->hasExtension("GL_OES_element_index_uint")) {
        problem_ = "the 3D view needs 32-bit vertex indices, which this OpenGL lacks";
        return;
    }
    ready_ = true;
    uploaded_ = false;
}

void FormSurfaceView::ReleaseBuffers() {
    for (Buffers* set : {&buffers_, &movingBuffers_})
        for (QOpenGLBuffer* buffer : {&set->vertices, &set->triangles, &set->lines, &set->cables,
                                      &set->held, &set->collapsed})
            if (buffer->isCreated()) buffer->destroy();
}

void FormSurfaceView::Upload() {
    ReleaseBuffers();
    auto fill = [](QOpenGLBuffer& buffer, const auto& data) {
        if (data.empty()) return;
        buffer.create();
        buffer.bind();
        buffer.setUsagePattern(QOpenGLBuffer::StaticDraw);
        buffer.allocate(data.data(), static_cast<int>(data.size() * sizeof(data[0])));
        buffer.release();
    };
    for (auto [scene, set] : {std::pair{&scene_, &buffers_}, {&movingScene_, &movingBuffers_}}) {
        fill(set->vertices, scene->vertices);
        fill(set->triangles, scene->triangles);
        fill(set->lines, scene->lines);
        fill(set->cables, scene->cableLines);
        fill(set->held, scene->heldNodes);
        fill(set->collapsed, scene->collapsedLines);
    }
    uploaded_ = true;
}

void FormSurfaceView::paintGL() {
    glClearColor(0.97f, 0.97f, 0.97f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (ready_ && !scene_.Empty()) {
        if (!uploaded_) Upload();
        if (moving_ && !movingScene_.Empty())
            Draw(movingScene_, movingBuffers_);
        else
            Draw(scene_, buffers_);
    }
    DrawOverlay();
}

void FormSurfaceView::Draw(const FormScene& scene, Buffers& buffers) {
    const Matrix4 m = ViewMatrix();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    const int stride = FormScene::kFloatsPerVertex * sizeof(float);
    buffers.vertices.bind();
    if (buffers.triangles.isCreated()) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(1.0f, 1.0f);
        surfaceProgram_.bind();
        glUniformMatrix4fv(surfaceProgram_.uniformLocation("viewProjection"), 1, GL_FALSE,
                           m.data());
        const auto towards = camera_.Towards();
        const QVector3D light{float(towards[0]), float(towards[1]), float(towards[2]) + 0.5f};
        surfaceProgram_.setUniformValue("light", light.normalized());
        surfaceProgram_.enableAttributeArray("position");
        surfaceProgram_.enableAttributeArray("normal");
        surfaceProgram_.enableAttributeArray("colour");
        surfaceProgram_.setAttributeBuffer("position", GL_FLOAT, 0, 3, stride);
        surfaceProgram_.setAttributeBuffer("normal", GL_FLOAT, 3 * sizeof(float), 3, stride);
        surfaceProgram_.setAttributeBuffer("colour", GL_FLOAT, 6 * sizeof(float), 3, stride);
        buffers.triangles.bind();
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(scene.triangles.size()), GL_UNSIGNED_INT,
                       nullptr);
        buffers.triangles.release();
        surfaceProgram_.disableAttributeArray("position");
        surfaceProgram_.disableAttributeArray("normal");
        surfaceProgram_.disableAttributeArray("colour");
        surfaceProgram_.release();
        glDisable(GL_POLYGON_OFFSET_FILL);
    }

    flatProgram_.bind();
    glUniformMatrix4fv(flatProgram_.uniformLocation("viewProjection"), 1, GL_FALSE, m.data());
    flatProgram_.enableAttributeArray("position");
    flatProgram_.setAttributeBuffer("position", GL_FLOAT, 0, 3, stride);
    auto draw = [this](QOpenGLBuffer& indices, GLenum mode, std::size_t count, QColor colour,
                       float size) {
        if (!indices.isCreated()) return;
        flatProgram_.setUniformValue("colour", colour);
        flatProgram_.setUniformValue("pointSize", size);
        if (mode == GL_LINES) glLineWidth(size);
        indices.bind();
        glDrawElements(mode, static_cast<GLsizei>(count), GL_UNSIGNED_INT, nullptr);
        indices.release();
    };
    if (meshLines_) draw(buffers.lines, GL_LINES, scene.lines.size(), QColor(40, 40, 40), 1.0f);
    draw(buffers.collapsed, GL_LINES, scene.collapsedLines.size(), kCollapsed, 2.0f);
    draw(buffers.cables, GL_LINES, scene.cableLines.size(), kCable, 4.0f);
    glLineWidth(1.0f);
    if (!context()->isOpenGLES()) glEnable(kProgramPointSize);
    draw(buffers.held, GL_POINTS, scene.heldNodes.size(), QColor(0, 0, 0), 8.0f);
    draw(buffers.held, GL_POINTS, scene.heldNodes.size(), QColor(0, 200, 0), 6.0f);
    flatProgram_.disableAttributeArray("position");
    flatProgram_.release();
    buffers.vertices.release();
    glDisable(GL_DEPTH_TEST);
}

// The colour bar, the cables' forces, the reactions, the marks and the notice, painted over
// the picture (a saved picture has them too).
void FormSurfaceView::DrawOverlay() {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(ClassicFontPixels(12));
    painter.setPen(Qt::black);
    if (!ready_ || scene_.Empty()) {
        const QString text = !ready_ && !problem_.isEmpty() ? problem_
                             : model_                       ? QString("no shape to show")
                                                            : QString(
                                                                  "no shape: the run has not "
                                                                                        "found one");
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
        return;
    }
    const Matrix4 m = ViewMatrix();
    // The reactions as arrows from their nodes.
    if (reactions_ && arrowScale_ > 0 && !moving_) {
        painter.setPen(QPen(kArrow, 2));
        for (std::size_t i = 0; i < model_->NodeCount(); ++i) {
            if (!model_->held[i]) continue;
            const auto base = ToWidget(m, solution_->shape[i]);
            const auto tip = ToWidget(m, ArrowTip(static_cast<int>(i)));
            if (!base || !tip || *base == *tip) continue;
            painter.drawLine(*base, *tip);
            const QPointF along = *tip - *base;
            const double length = std::hypot(along.x(), along.y());
            const QPointF unit = along / length, across(-unit.y(), unit.x());
            const double head = std::min(8.0, 0.4 * length);
            painter.drawLine(*tip, *tip - head * unit + 0.5 * head * across);
            painter.drawLine(*tip, *tip - head * unit - 0.5 * head * across);
        }
    }
    // Each cable's force by its middle node.
    painter.setPen(Qt::black);
    for (const CableSpec& cable : model_->cables) {
        if (cable.nodes.empty()) continue;
        const auto at = ToWidget(m, solution_->shape[cable.nodes[cable.nodes.size() / 2]]);
        if (at)
            painter.drawText(*at + QPointF(6, -6),
                             QString("%1: %2 kN")
                                 .arg(QString::fromStdString(cable.name), Number(cable.force, 1)));
    }
    // A collapsed triangle has no size left to outline: a ring at its centre.
    painter.setPen(QPen(kCollapsed, 2));
    painter.setBrush(Qt::NoBrush);
    for (std::size_t k = 0; k < collapsed_.size() && k < kCollapsedRings; ++k) {
        const auto& c = model_->triangles[collapsed_[k]];
        const Vec3 centre = (1.0 / 3.0) * (solution_->shape[c[0]] + solution_->shape[c[1]] +
                                           solution_->shape[c[2]]);
        if (const auto at = ToWidget(m, centre)) painter.drawEllipse(*at, 4.0, 4.0);
    }
    // The marks.
    painter.setPen(QPen(kMarked, 4));
    painter.setBrush(Qt::NoBrush);
    if (selectedCable_ >= 0 && static_cast<std::size_t>(selectedCable_) < model_->cables.size()) {
        QPainterPath path;
        bool first = true;
        for (const std::int32_t node : model_->cables[selectedCable_].nodes) {
            const auto at = ToWidget(m, solution_->shape[node]);
            if (!at) continue;
            first ? path.moveTo(*at) : path.lineTo(*at);
            first = false;
        }
        painter.drawPath(path);
    }
    if (const auto at = NodePoint(selectedNode_)) painter.drawEllipse(*at, 9.0, 9.0);

    painter.setPen(Qt::black);
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
    painter.drawText(QRect(bar.left() - 120, bar.top() - 24, 196, 16),
                     Qt::AlignRight | Qt::AlignVCenter,
                     QString("%1, %2").arg(FormFieldName(field_), FormFieldUnit(field_)));
    QString count = QString("%1 triangles").arg(scene_.modelTriangles);
    if (scene_.Thinned()) count += QString(", drawn thinned out to %1").arg(scene_.drawnTriangles);
    painter.drawText(QRect(8, height() - 22, width() - 16, 16), Qt::AlignLeft | Qt::AlignVCenter,
                     count);
    if (!notice_.isEmpty()) {
        painter.setPen(QColor(200, 0, 0));
        painter.drawText(QRect(8, 6, width() - 120, 60), Qt::AlignLeft | Qt::TextWordWrap, notice_);
    }
}

void FormSurfaceView::mousePressEvent(QMouseEvent* event) {
    lastMouse_ = pressedAt_ = event->position().toPoint();
    SetMoving(true);
}

void FormSurfaceView::SetMoving(bool moving) {
    if (moving == moving_) return;
    moving_ = moving;
    update();
}

void FormSurfaceView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->buttons() == Qt::NoButton) SetMoving(false);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && (at - pressedAt_).manhattanLength() <= 3) {
        const int node = NodeAt(at);
        if (node >= 0) {
            SelectNode(node);
            emit NodePicked(node);
            emit Hovered(ReactionText(node));
        }
    }
}

void FormSurfaceView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QPoint delta = at - lastMouse_;
    lastMouse_ = at;
    if (event->buttons() & Qt::LeftButton) {
        camera_.Orbit(delta.x(), delta.y());
    } else if (event->buttons() & (Qt::RightButton | Qt::MiddleButton)) {
        camera_.Pan(delta.x(), delta.y(), height());
    } else {
        const QString text = ReactionText(NodeAt(at));
        if (!text.isEmpty()) QToolTip::showText(event->globalPosition().toPoint(), text, this);
        emit Hovered(text);
        return;
    }
    update();
}

void FormSurfaceView::wheelEvent(QWheelEvent* event) {
    camera_.Zoom(event->angleDelta().y() / 120.0);
    SetMoving(true);
    wheelRest_.start();
    update();
}

}  // namespace membrane
