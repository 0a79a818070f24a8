// The results window of a form-finding run: the 3D view of the shape (form_surface_view.h)
// beside tables of the supports with their reactions, the cables with force, length and
// sag, the membrane regions with their prestress and area, and the run (outcome, residual,
// iterations, warnings); the convergence plot; and a settings tab where the prestress of
// each region and the force of each cable are edited and the model run again, from the
// shape found or from the start. A row chosen in a table is marked in the view; a reaction
// clicked in the view chooses its row.
//
// It is the run's FormView and keeps the run it shows. While a run goes on it shows a
// progress bar and "Cancel" below the message line (Esc cancels too). Keys: Ctrl+E export,
// Ctrl+P save the picture, Ctrl+R run again from the shape found, Ctrl+Shift+R from the
// start, Ctrl+W close.
#pragma once

#include <QWidget>
#include <memory>

#include "common/messages.h"
#include "desktop/stored_choices.h"
#include "form/form_result.h"
#include "form/form_scene.h"
#include "form/form_surface.h"
#include "form/form_view.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace membrane {

class ConvergencePlot;
class FormSurfaceView;

class FormResultsWindow final : public QWidget, public FormView {
    Q_OBJECT
  public:
    // `messages` shows what the export has to say; it outlives the window.
    explicit FormResultsWindow(MessageSink& messages, QWidget* parent = nullptr);
    ~FormResultsWindow() override;

    // FormView
    void ShowMessage(const std::string& text) override;
    void ShowModel(std::shared_ptr<const FormModel> model) override;
    void ShowResults(std::shared_ptr<const FormSolution> solution) override;
    bool CancelRequested() override;

    // The run this window reports, with its iteration limit (the end of the progress bar).
    void RunStarted(int maxIterations);
    // Fills the tables and the view with the run's outcome (RunFinished afterwards).
    void RunEnded(const FormRunResult& result);
    bool RunGoing() const { return reporting_; }
    void Cancel();
    void SetModelName(const QString& modelFile);

    const FormRunResult& ShownRun() const { return run_; }
    FormSurfaceView* View() const { return view_; }
    QTableWidget* SupportsTable() const { return supports_; }
    QTableWidget* CablesTable() const { return cables_; }
    QTableWidget* RegionsTable() const { return regions_; }
    QTableWidget* RunTable() const { return runTable_; }
    // The node of a row of the supports table (-1: none).
    int SupportRowNode(int row) const;
    // Chooses a row (as a click does): the node or cable is marked in the view.
    void SelectSupportRow(int row);
    void SelectCableRow(int row);

    // The edits of the settings tab.
    QDoubleSpinBox* RegionStressEdit(int region) const;
    QDoubleSpinBox* CableForceEdit(int cable) const;
    // The model of the run shown with the prestress and forces of the settings tab, started
    // from the shape found (when there is one) or from the model's start.
    std::shared_ptr<const FormModel> EditedModel(bool fromShapeFound) const;
    // Asks for a run of EditedModel (RunAgainAsked); nothing while a run goes on.
    void RunAgain(bool fromShapeFound);

    // Writes the view's picture as PNG.
    bool SavePicture(const QString& path);
    // Writes the shape found to `path`: .form.txt (the report), .vtu, .msh, or a surface
    // (.glb, .obj, .stl, .ply, .dxf). Failures shown as messages; false then.
    bool ExportTo(const QString& path);
    void Export();  // asks where

    void SetChoices(const FormViewChoices& choices);
    FormViewChoices Choices() const;

  signals:
    void CancelAsked();
    void RunAgainAsked(std::shared_ptr<const FormModel> model);
    void ChoicesChanged(const FormViewChoices& choices);
    void RunFinished();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* BuildViewPanel();
    QWidget* BuildSettingsPage();
    void BuildShortcuts();
    void FillTables();
    void FillSettings();
    void ShowInView();
    void AskAndSavePicture();

    MessageSink& messages_;
    FormRunResult run_;
    std::shared_ptr<const FormModel> model_;  // as the run reported it
    std::shared_ptr<const FormSolution> solution_;
    std::vector<int> supportRows_;  // the node of each row of the supports table
    int maxIterations_ = 1;
    bool reporting_ = false, cancelRequested_ = false, closeAfterRun_ = false;
    bool selecting_ = false;  // a row chosen from the view: no echo back

    QTabWidget* tabs_;
    QTableWidget *supports_, *cables_, *regions_, *runTable_;
    QTableWidget* settingsTable_;
    QPushButton *againFromShape_, *againFromStart_;
    ConvergencePlot* plot_;
    FormSurfaceView* view_;
    QComboBox* fieldChoice_;
    QCheckBox *linesCheck_, *reactionsCheck_;
    QLabel* viewStatus_;
    QLabel* messageLine_;
    QProgressBar* progressBar_;
    QPushButton* cancelButton_;
};

// True for the name of a form-finding model file (.toml).
bool IsFormModelFile(const std::string& path);

}  // namespace membrane
