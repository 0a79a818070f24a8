// The results window of one run: progress line, the four input tables, the computed
// heights, the flat and final areas, the drawing of the mesh and the "Show 3D-VRML model"
// controls. It is the run's ResultsView: the computation fills it through that interface.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <functional>
#include <memory>

#include "common/results_view.h"
#include "common/run_state.h"

namespace membrane {

class GridModel;
class QtCanvas;
class TNumberEdit;
class TWPPlot;
class PaintBox;
class Opener;

class TResultform final : public QDialog, public ResultsView {
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

    // Controls, by their names in the window.
    QTabWidget* TabbedNotebook1;
    QTableView *BrimelResultGrid, *CoordGrid, *ElemGrid, *ConstrGrid, *InitGrid;
    QLabel *Label2, *InitAreaLabel, *OptimumAreaLabel, *MsgPanel;
    QLineEdit* IterEdit;
    QCheckBox *CheckBox6, *CheckBox7, *CheckBox8;
    TNumberEdit* NumberEdit1;
    QPushButton* Button3;
    PaintBox* PaintBox1;
    QTimer Timer1;

    // The text of a grid cell (what the user sees).
    QString CellText(QTableView* grid, int row, int column) const;
    // Row selection: marks the node or element named in column 0 of the row.
    void SelectRow(QTableView* grid, int row);
    void Timer1Timer();
    void Button3Click();
    bool HasPlot() const { return plot_ != nullptr; }
    // The picture of the paint box as last drawn.
    const QImage& Picture() const { return image_; }

private:
    void Redraw();
    void BuildGrids();

    RunState& state_;
    Opener& opener_;
    GridModel *resultModel_, *coordModel_, *elemModel_, *constrModel_, *initModel_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<QtCanvas> canvas_;
    std::unique_ptr<TWPPlot> plot_;
};

}  // namespace membrane
