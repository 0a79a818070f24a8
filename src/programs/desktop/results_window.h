// The results window of one run: progress line, the four input tables, the computed
// heights, the flat and final areas, the drawing of the mesh and the "Show 3D-VRML model"
// controls. It is the run's ResultsView, and it keeps the run it shows: the model and the
// membrane it was handed, whatever runs after it. Its drawing, row marks and "Show" act on
// that model only.
//
// The drawing is made into a picture that the paint box only copies to the screen, so
// every drawing (and any message box the plotting object raises) happens outside paint
// events: at the window's one-shot timer, after a row selection, a zoom or a pan and when
// the run ends. On the drawing the wheel zooms about the pointer, dragging pans, a
// double click shows the whole mesh again, and a click on a node or a triangle selects
// its row of the Coordinates or Elements grid.
//
// The window grows: the drawing takes the width it gains (a splitter sets the notebook's
// share), the grids and the drawing its height. A grid is as wide as its columns, which fit
// the widest number and value of the table, and the notebook as wide as its widest grid.
//
// While its run goes on (on a worker thread, background_run.h) the window shows a progress
// bar and a "Cancel" button below the message line.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "common/messages.h"
#include "common/opener.h"
#include "desktop/qt_services.h"
#include "desktop/stored_choices.h"
#include "heightfield/model_mesh_source.h"
#include "heightfield/results_view.h"
#include "heightfield/run_result.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPainter;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTableView;

namespace membrane {

class ConvergencePlot;
class GridModel;
class NumberEdit;
class Plotter;
class QtCanvas;
class SurfacePane;

class ResultsWindow final : public QWidget, public ResultsView {
    Q_OBJECT
  public:
    // `opener` opens the scene, `messages` shows what the drawing and the scene export
    // have to say; both outlive the window.
    ResultsWindow(Opener& opener, MessageSink& messages, QWidget* parent = nullptr);
    ~ResultsWindow() override;

    // ResultsView
    void ShowMessage(const std::string& text) override;
    void ShowInput(std::shared_ptr<const Model> model, bool loaded) override;
    void SetFlatArea(const std::string& text) override;
    void SetFinalArea(const std::string& text) override;
    void ShowResults(std::shared_ptr<const Solution> solution) override;
    bool CancelRequested() override;

    // The run this window reports, with its iteration limit (the end of the progress
    // bar): shows the progress bar and "Cancel", and turns "Show" off.
    void RunStarted(int maxIterations);
    // Hides the progress bar, redraws the mesh with the run's outcome and closes the
    // window if the user asked to close it during the run.
    void RunEnded(const RunResult& result);
    bool RunGoing() const { return reporting_; }

    // The model and the membrane the window shows (null before the run has read them).
    const Model* ShownModel() const { return model_.get(); }
    const Solution* ShownSolution() const { return solution_.get(); }
    const std::shared_ptr<const Model>& ShownModelShared() const { return model_; }
    // The settings of the run shown (accuracy and weight go into its files).
    const Settings& ShownSettings() const { return settings_; }

    // The text of a grid cell (what the user sees).
    static QString CellText(QTableView* grid, int row, int column);
    // Row selection: marks the node or element named in column 0 of the row.
    void SelectRow(QTableView* grid, int row);
    // The first drawing, at the window's timer.
    void DrawFirstTime();
    // "Show": writes the scene with the options of the group box and opens it
    // (SceneShown tells the options).
    void ShowScene();
    // The options of the "Show 3D-VRML model" group box.
    void SetSceneChoices(const SceneChoices& scene);
    SceneChoices CurrentSceneChoices() const;
    // Captions the window with the name of the model file of its run.
    void SetModelName(const QString& modelFile);
    // Asks the run to stop (CancelAsked); nothing when no run goes on.
    void Cancel();
    // Widens the notebook for grids wider than it, taking the width from the drawing as
    // far as the drawing can give it; never the window.
    void FitNotebook();
    // Makes the window no larger than the screen's free area (a small or scaled screen),
    // and places it within it.
    void FitToScreen();

  signals:
    void CancelAsked();
    void SceneShown(const SceneChoices& scene);

  public:
    bool HasPlot() const { return plot_ != nullptr; }
    // A drawing is due at the window's timer (after the start or the end of a run).
    bool DrawingDue() const { return firstDrawTimer_.isActive(); }
    // A zoom or pan waits for its redraw (at a zero timer, once for a burst of steps).
    bool RedrawDue() const { return viewTimer_.isActive(); }
    Plotter* Plot() const { return plot_.get(); }
    // The picture of the paint box as last drawn.
    const QImage& Picture() const { return image_; }
    // A click on the drawing at a point of the picture: selects the grid row of the node
    // near it (within a few pixels) or of the triangle under it.
    void PickAt(QPointF at);
    // Zooms by `factor` keeping the world point under `at` in place; pans by `by` pixels.
    void ZoomAt(QPointF at, double factor);
    void PanBy(QPointF by);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // The mouse on the paint box: wheel, drag, click and double click.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void MarkRow(QTableView* grid, int row);
    void Draw();
    void WriteAndOpenScene();
    void Redraw();
    // What the mesh drawing shows of the run: loaded, run, and the membrane's walls.
    RunStatus DrawnRun() const;
    // Draws again after a change of the view, the marked row marked again.
    void RedrawView();
    void SelectGridRow(QTableView* grid, int row);
    void BuildGrids();
    QWidget* BuildDrawingPanel();
    // A picture and a plotting object of the paint box's new size, the view kept.
    void FitPictureToPaintBox();
    void MakePlot();
    void BuildMessageLine();
    void ShowProgress(const std::string& text);
    // The line under the drawing: the drawing's words (DrawMesh's status) and the run's.
    QString StatusText(const std::string& drawn) const;
    void FillCoordinatesGrid(const Model& model);
    void FillElementsGrid(const Model& model);
    void FillConstraintsGrid(const Model& model);
    void FillInitialGrid(const Model& model);

    Opener& opener_;
    OwnedMessages messages_;  // the boxes of the drawing and the scene, over this window

    // The run this window shows.
    std::shared_ptr<const Model> model_;
    std::shared_ptr<const Solution> solution_;
    bool modelLoaded_ = false;
    Settings settings_;
    int maxIterations_ = 1;

    QTabWidget* tabs_;
    ConvergencePlot* convergencePlot_ = nullptr;  // the "Convergence" tab
    QTableView *resultsGrid_, *coordinatesGrid_, *elementsGrid_, *constraintsGrid_, *initialGrid_;
    GridModel *resultsModel_, *coordinatesModel_, *elementsModel_, *constraintsModel_,
        *initialModel_;
    QLabel* drawingStatus_;
    QLineEdit* iterationsField_;
    QLabel *flatAreaLabel_, *finalAreaLabel_;
    QLabel* solverLabel_;  // the linear solver that ran
    QCheckBox *numberingCheck_, *axesCheck_, *deformedCheck_;
    NumberEdit* scaleField_;
    QPushButton* showButton_;
    QWidget* paintBox_;         // copies the picture of the drawing to the screen
    SurfacePane* surfacePane_;  // the 3D view, a tab beside the drawing
    QLabel* messageLine_;
    QProgressBar* progressBar_;
    QPushButton* cancelButton_;
    QTimer firstDrawTimer_;
    QTimer resizeTimer_;   // draws the picture at the paint box's new size
    QTimer viewTimer_;     // draws the picture after zoom and pan steps
    QSplitter* splitter_;  // the notebook | the drawing

    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> canvas_;
    std::unique_ptr<Plotter> plot_;
    bool reporting_ = false;  // this window's run goes on
    bool runEnded_ = false;   // RunEnded has told the outcome below
    QString outcomeState_;    // OutcomeState of the run ended
    bool cancelRequested_ = false;
    bool closeAfterRun_ = false;
    std::pair<QTableView*, int> lastMarked_{nullptr, -1};  // the grid row last marked
    QPointF pressedAt_, draggedTo_;                        // a left button drag on the drawing
    bool pressed_ = false, dragging_ = false;
};

}  // namespace membrane
