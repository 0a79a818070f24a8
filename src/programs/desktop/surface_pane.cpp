#include "desktop/surface_pane.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabBar>
#include <QVBoxLayout>

#include "desktop/classic_font.h"
#include "desktop/surface_view.h"
#include "desktop/ui_hooks.h"

namespace membrane {

namespace {

// Mesh lines darken a dense mesh to black: they start off above this many triangles.
constexpr std::int64_t kLinesOnUpTo = 20'000;

}  // namespace

SurfacePane::SurfacePane(QWidget* plan) : QWidget(plan->parentWidget()), plan_(plan) {
    setObjectName("surfacePane");
    setFont(ClassicFontPixels(11));
    setAutoFillBackground(true);
    hide();

    tabs_ = new QTabBar(plan->parentWidget());
    tabs_->setObjectName("planOr3dTabs");
    tabs_->setFont(ClassicFontPixels(11));
    tabs_->setDrawBase(false);
    tabs_->setExpanding(false);
    tabs_->addTab("Plan");
    tabs_->addTab("3D");
    tabs_->setFixedHeight(std::min(tabs_->sizeHint().height(), 20));
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) { Switch(index); });

    linesCheck_ = new QCheckBox("mesh lines", this);
    linesCheck_->setObjectName("meshLinesCheck");
    linesCheck_->setChecked(true);
    auto* reset = new QPushButton("Reset view", this);
    reset->setObjectName("resetViewButton");
    auto* save = new QPushButton("Save picture ...", this);
    save->setObjectName("savePictureButton");
    save->setToolTip("save the 3D view as a PNG picture");
    status_ = new QLabel("left drag: turn, right drag: move, wheel: zoom", this);
    status_->setObjectName("surfaceStatus");

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(4, 2, 4, 2);
    controls->addWidget(linesCheck_);
    controls->addWidget(reset);
    controls->addWidget(save);
    controls->addWidget(status_, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addStretch(1);  // the view goes here when it is made
    column->addLayout(controls);

    connect(linesCheck_, &QCheckBox::toggled, this, [this](bool on) {
        if (view_) view_->SetMeshLines(on);
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        if (view_) view_->ResetView();
    });
    connect(save, &QPushButton::clicked, this, [this] { AskAndSavePicture(); });

    plan->installEventFilter(this);
    FollowPlan();
}

void SurfacePane::Show(std::shared_ptr<const Model> model,
                       std::shared_ptr<const Solution> solution) {
    model_ = std::move(model);
    solution_ = std::move(solution);
    shownInView_ = false;
    if (isVisible()) Present();
}

void SurfacePane::SelectTab(int index) {
    tabs_->setCurrentIndex(index);
}

void SurfacePane::Switch(int index) {
    FollowPlan();
    setVisible(index == 1);
    if (index == 1) raise();
}

void SurfacePane::showEvent(QShowEvent*) {
    Present();
}

void SurfacePane::Present() {
    if (!view_) {
        view_ = new SurfaceView(this);
        auto* column = static_cast<QVBoxLayout*>(layout());
        delete column->takeAt(0);  // the stretch that kept the place
        column->insertWidget(0, view_, 1);
    }
    if (!shownInView_) {
        view_->Show(model_, solution_);
        linesCheck_->setChecked(view_->Mesh().drawnTriangles <= kLinesOnUpTo);
        view_->SetMeshLines(linesCheck_->isChecked());
        shownInView_ = true;
    }
}

bool SurfacePane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == plan_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        FollowPlan();
    return QWidget::eventFilter(watched, event);
}

void SurfacePane::FollowPlan() {
    const QRect place = plan_->geometry();
    setGeometry(place);
    const QSize bar = tabs_->sizeHint().boundedTo(QSize(place.width(), tabs_->height()));
    tabs_->setGeometry(place.right() + 1 - bar.width(), std::max(0, place.top() - bar.height()),
                       bar.width(), bar.height());
    tabs_->raise();
}

bool SurfacePane::SavePicture(const QString& path) {
    const bool saved = view_ && view_->grabFramebuffer().save(path, "PNG");
    status_->setText(saved ? "saved " + QFileInfo(path).fileName()
                           : "could not save the picture as " + path);
    return saved;
}

void SurfacePane::AskAndSavePicture() {
    QString name = "membrane.png";
    if (model_)
        name = QFileInfo(QString::fromStdString(model_->fileName)).completeBaseName() + ".png";
    QFileDialog dialog(this, "Save picture", name);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilter("PNG pictures (*.png)");
    dialog.setDefaultSuffix("png");
    if (RunModal(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    if (!SavePicture(dialog.selectedFiles().constFirst()))
        ShowMessageBox(this,
                       "The picture could not be saved:\n" + dialog.selectedFiles().constFirst(),
                       BoxKind::Warning);
}

}  // namespace membrane
