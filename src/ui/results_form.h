// The results window of one run: progress line, the four input tables, the computed
// heights, the flat and final areas, the drawing of the mesh and the "Show 3D-VRML model"
// controls. It is the run's ResultsView: the computation fills it through that interface.
//
// The drawing is made into a picture that the paint box only copies to the screen, so
// every drawing (and any message box the plotting object raises) happens outside paint
// events: at the window's one-shot timer, after a row selection and when a run ends.
//
// While a run goes on the window shows a progress bar and a "Cancel" button below the
// message line; between the phases of the run the pending events are processed so that
// the windows stay responsive and Cancel can be pressed.
#pragma once

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "common/results_view.h"
#include "common/run_state.h"

namespace membrane {

class GridModel;
class QtCanvas;
class TNumberEdit;
class TWPPlot;
class Opener;

class TResultform final : public QWidget, public ResultsView {
    Q_OBJECT
public:
    // `state` is the program's run state; it outlives the window. `opener` opens the scene.
    TResultform(RunState& state, Opener& opener, QWidget* parent = nullptr);
    ~TResultform() override;

    // ResultsView
    void ShowMessage(const std::string& text) override;
    void FillCoordGrid(const RunState& state) override;
    void FillElemGrid(const RunState& state) override;
    void FillConstrGrid(const RunState& state) override;
    void FillInitGrid(const RunState& state) override;
    void SetFlatArea(const std::string& text) override;
    void SetFinalArea(const std::string& text) override;
    void ShowResultHeights(const RunState& state, int iterationCount) override;
    bool CancelRequested() override;

    // The run this window reports: shows the progress bar and "Cancel". While any run
    // goes on, "Show" of every results window is disabled (SetRunGoing).
    void RunStarted();
    // Hides the progress bar, redraws the mesh with the run's outcome and closes the
    // window if the user asked to close it during the run.
    void RunEnded();
    // Disables "Show" while a run (of this or another window) changes the model objects.
    void SetRunGoing(bool going);
    bool RunGoing() const { return runGoing_; }

    // Controls, by their names in the window.
    QTabWidget* TabbedNotebook1;
    QTableView *BrimelResultGrid, *CoordGrid, *ElemGrid, *ConstrGrid, *InitGrid;
    QWidget* Panel1;
    QLabel *Label12, *Label2, *Label1, *InitAreaLabel, *OptimumAreaLabel, *Label11, *MsgPanel;
    QLineEdit* IterEdit;
    QCheckBox *CheckBox6, *CheckBox7, *CheckBox8;
    TNumberEdit* NumberEdit1;
    QPushButton* Button3;
    QWidget* PaintBox1;  // copies the picture of the drawing to the screen
    QProgressBar* RunProgress;
    QPushButton* CancelButton;
    QTimer Timer1;

    // The text of a grid cell (what the user sees).
    QString CellText(QTableView* grid, int row, int column) const;
    // Row selection: marks the node or element named in column 0 of the row.
    void SelectRow(QTableView* grid, int row);
    void Timer1Timer();
    void Button3Click();
    void CancelClick();
    bool HasPlot() const { return plot_ != nullptr; }
    TWPPlot* Plot() const { return plot_.get(); }
    // The picture of the paint box as last drawn.
    const QImage& Picture() const { return image_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Redraw();
    void BuildGrids();
    void BuildPanel();
    void ShowProgress(const std::string& text);

    RunState& state_;
    Opener& opener_;
    GridModel *resultModel_, *coordModel_, *elemModel_, *constrModel_, *initModel_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> canvas_;
    std::unique_ptr<TWPPlot> plot_;
    bool runGoing_ = false;      // some run is going: "Show" is off
    bool reporting_ = false;     // this window shows the run that is going
    bool cancelRequested_ = false;
    bool closeAfterRun_ = false;
    bool processingEvents_ = false;
    std::pair<QTableView*, int> lastMarked_{nullptr, -1};  // the grid row last marked
};

}  // namespace membrane
