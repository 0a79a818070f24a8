// The 3D view of a run beside the plan drawing of its results window: a "Plan | 3D" tab
// bar just above the drawing switches between the drawing and this pane, which then takes
// the drawing's place (and follows it when the drawing moves or changes size). Below the
// view: mesh lines on/off, "Reset view" and "Save picture ..." (PNG).
//
// The OpenGL view is made only when the pane is first shown, so a results window whose
// 3D tab is never opened needs no OpenGL at all.
#pragma once

#include <QWidget>
#include <memory>

#include "heightfield/model.h"
#include "heightfield/solution.h"

class QCheckBox;
class QLabel;
class QTabBar;

namespace membrane {

class SurfaceView;

class SurfacePane final : public QWidget {
    Q_OBJECT
  public:
    // Puts the pane (hidden) over `plan`, in the same parent, and the tab bar above it.
    explicit SurfacePane(QWidget* plan);

    // The membrane of the run; shown at once when the 3D tab is open, else when it opens.
    void Show(std::shared_ptr<const Model> model, std::shared_ptr<const Solution> solution);
    // The 3D tab (1) or the plan (0).
    void SelectTab(int index);
    QTabBar* Tabs() const { return tabs_; }
    // Null until the pane was first shown.
    SurfaceView* View() const { return view_; }
    // Writes the view's picture as PNG; false (and a line below the view) when it could not.
    bool SavePicture(const QString& path);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void Switch(int index);
    // Makes the view when there is none yet and hands it the run when it has not got it.
    void Present();
    void FollowPlan();
    void AskAndSavePicture();

    QWidget* plan_;
    QTabBar* tabs_;
    SurfaceView* view_ = nullptr;
    QCheckBox* linesCheck_;
    QLabel* status_;
    std::shared_ptr<const Model> model_;
    std::shared_ptr<const Solution> solution_;
    bool shownInView_ = true;
};

}  // namespace membrane
