#include "desktop/form_results_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "common/io_error.h"
#include "common/number_format.h"
#include "common/text_file.h"
#include "desktop/classic_font.h"
#include "desktop/convergence_plot.h"
#include "desktop/form_surface_view.h"
#include "desktop/surface_files.h"
#include "desktop/ui_hooks.h"
#include "form/form_report.h"
#include "form/form_results.h"
#include "form/form_surface.h"
#include "formats/surface_export.h"
#include "formats/surface_format.h"

namespace membrane {
namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// The report's way of writing a number: fixed, `decimals` after the point.
QString Fixed(double value, int decimals) {
    return Q(FormatFixed(value, 15, decimals));
}

QTableWidget* MakeTable(const char* name, const QStringList& headings) {
    auto* table = new QTableWidget(0, static_cast<int>(headings.size()));
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(headings);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(18);
    table->setFont(ClassicFontPixels(11));
    return table;
}

void SetRow(QTableWidget* table, int row, const QStringList& cells) {
    for (int c = 0; c < cells.size(); ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(row, c, item);
    }
}

bool EndsWith(const std::string& text, const std::string& end) {
    if (text.size() < end.size()) return false;
    return std::equal(end.rbegin(), end.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

std::string OutcomeText(const FormRunResult& run) {
    if (run.outcome != RunOutcome::Success)
        return run.reason.empty() ? "not run" : "ERRORS reported " + run.reason;
    return run.solution && run.solution->converged
               ? "converged in " + std::to_string(run.iterations) + " iterations"
               : "iteration limit reached, not converged";
}

template <typename Render>
void WriteText(const std::string& path, Render render) {
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    render(*file);
    file->Close();
    target.Commit();
}

}  // namespace

bool IsFormModelFile(const std::string& path) {
    return EndsWith(path, ".toml");
}

FormResultsWindow::FormResultsWindow(MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), messages_(messages) {
    setObjectName("FormResultform");
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(ClassicFontPixels(11));
    resize(1180, 720);

    supports_ = MakeTable("supportsTable", {"support", "node", "x m", "y m", "z m", "Rx kN",
                                            "Ry kN", "Rz kN", "|R| kN"});
    cables_ = MakeTable("cablesTable",
                        {"cable", "force kN", "length m", "sag m", "smallest kN", "largest kN"});
    regions_ = MakeTable("regionsTable", {"region", "prestress kN/m", "pressure kN/m^2", "area m^2",
                                          "smallest kN/m", "largest kN/m"});
    runTable_ = MakeTable("runTable", {"", ""});
    runTable_->horizontalHeader()->setVisible(false);
    runTable_->horizontalHeader()->setStretchLastSection(true);
    plot_ = new ConvergencePlot;
    plot_->SetCaptions("largest movement of a node across the shape, m (log), W kN m (right)",
                       "iteration", "no iterations", 1.0, "movement", "W");

    tabs_ = new QTabWidget;
    tabs_->setObjectName("formTabs");
    tabs_->addTab(supports_, "Supports");
    tabs_->addTab(cables_, "Cables");
    tabs_->addTab(regions_, "Regions");
    tabs_->addTab(runTable_, "Run");
    tabs_->addTab(plot_, "Convergence");
    tabs_->addTab(BuildSettingsPage(), "Settings");

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName("formSplitter");
    splitter->addWidget(tabs_);
    splitter->addWidget(BuildViewPanel());
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({470, 710});

    messageLine_ = new QLabel;
    messageLine_->setObjectName("messageLine");
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName("progressBar");
    progressBar_->setTextVisible(true);
    progressBar_->hide();
    cancelButton_ = new QPushButton("Cancel");
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setToolTip("stop the run (Esc)");
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, &FormResultsWindow::Cancel);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(messageLine_, 1);
    bottom->addWidget(progressBar_, 1);
    bottom->addWidget(cancelButton_);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    column->addWidget(splitter, 1);
    column->addLayout(bottom);

    connect(supports_, &QTableWidget::currentCellChanged, this,
            [this](int row) { SelectSupportRow(row); });
    connect(cables_, &QTableWidget::currentCellChanged, this,
            [this](int row) { SelectCableRow(row); });
    BuildShortcuts();
    setWindowTitle("Form-finding");
}

FormResultsWindow::~FormResultsWindow() = default;

QWidget* FormResultsWindow::BuildViewPanel() {
    auto* panel = new QWidget;
    view_ = new FormSurfaceView(panel);
    fieldChoice_ = new QComboBox;
    fieldChoice_->setObjectName("fieldChoice");
    for (int k = 0; k < kFormFieldCount; ++k)
        fieldChoice_->addItem(FormFieldName(static_cast<FormField>(k)));
    fieldChoice_->setToolTip("what colours the shape");
    linesCheck_ = new QCheckBox("mesh lines");
    linesCheck_->setObjectName("meshLinesCheck");
    linesCheck_->setChecked(true);
    reactionsCheck_ = new QCheckBox("reactions");
    reactionsCheck_->setObjectName("reactionsCheck");
    reactionsCheck_->setChecked(true);
    auto* reset = new QPushButton("Reset view");
    reset->setObjectName("resetViewButton");
    auto* save = new QPushButton("Save picture ...");
    save->setObjectName("savePictureButton");
    save->setToolTip("save the 3D view as a PNG picture (Ctrl+P)");
    auto* exportButton = new QPushButton("Export ...");
    exportButton->setObjectName("exportButton");
    exportButton->setToolTip("write the shape: report, ParaView, Gmsh or a surface file (Ctrl+E)");
    viewStatus_ = new QLabel("left drag: turn, right drag: move, wheel: zoom; click a reaction");
    viewStatus_->setObjectName("viewStatus");

    auto* controls = new QHBoxLayout;
    controls->setContentsMargins(4, 2, 4, 2);
    controls->addWidget(fieldChoice_);
    controls->addWidget(linesCheck_);
    controls->addWidget(reactionsCheck_);
    controls->addWidget(reset);
    controls->addWidget(save);
    controls->addWidget(exportButton);
    controls->addStretch(1);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addLayout(controls);
    column->addWidget(view_, 1);
    column->addWidget(viewStatus_);

    connect(fieldChoice_, &QComboBox::currentIndexChanged, this, [this](int index) {
        view_->SetField(static_cast<FormField>(std::max(0, index)));
        emit ChoicesChanged(Choices());
    });
    connect(linesCheck_, &QCheckBox::toggled, this, [this](bool on) {
        view_->SetMeshLines(on);
        emit ChoicesChanged(Choices());
    });
    connect(reactionsCheck_, &QCheckBox::toggled, this, [this](bool on) {
        view_->SetReactions(on);
        emit ChoicesChanged(Choices());
    });
    connect(reset, &QPushButton::clicked, view_, &FormSurfaceView::ResetView);
    connect(save, &QPushButton::clicked, this, [this] { AskAndSavePicture(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { Export(); });
    connect(view_, &FormSurfaceView::Hovered, this, [this](const QString& text) {
        if (!text.isEmpty()) viewStatus_->setText(text);
    });
    connect(view_, &FormSurfaceView::NodePicked, this, [this](int node) {
        const auto at = std::find(supportRows_.begin(), supportRows_.end(), node);
        if (at == supportRows_.end()) return;
        selecting_ = true;
        tabs_->setCurrentWidget(supports_);
        supports_->selectRow(static_cast<int>(at - supportRows_.begin()));
        selecting_ = false;
    });
    return panel;
}

QWidget* FormResultsWindow::BuildSettingsPage() {
    auto* page = new QWidget;
    settingsTable_ = MakeTable("settingsTable", {"", "value"});
    settingsTable_->horizontalHeader()->setStretchLastSection(true);
    settingsTable_->setSelectionMode(QAbstractItemView::NoSelection);
    againFromShape_ = new QPushButton("Run again from the shape found");
    againFromShape_->setObjectName("runAgainFromShapeButton");
    againFromShape_->setToolTip("form-find with these values, starting at the shape (Ctrl+R)");
    againFromStart_ = new QPushButton("Run again from the start");
    againFromStart_->setObjectName("runAgainFromStartButton");
    againFromStart_->setToolTip(
        "form-find with these values, starting at the model's start (Ctrl+Shift+R)");
    auto* note = new QLabel(
        "The prestress of each membrane region (kN/m) and the force of each cable (kN) for "
        "the next run. A run again writes no files: Export writes its results.");
    note->setWordWrap(true);
    auto* column = new QVBoxLayout(page);
    column->addWidget(note);
    column->addWidget(settingsTable_, 1);
    column->addWidget(againFromShape_);
    column->addWidget(againFromStart_);
    connect(againFromShape_, &QPushButton::clicked, this, [this] { RunAgain(true); });
    connect(againFromStart_, &QPushButton::clicked, this, [this] { RunAgain(false); });
    againFromShape_->setEnabled(false);
    againFromStart_->setEnabled(false);
    return page;
}

void FormResultsWindow::BuildShortcuts() {
    const auto add = [this](QKeySequence keys, auto action) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    add(QKeySequence(Qt::CTRL | Qt::Key_E), [this] { Export(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { AskAndSavePicture(); });
    add(QKeySequence(Qt::CTRL | Qt::Key_R), [this] { RunAgain(true); });
    add(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), [this] { RunAgain(false); });
    add(QKeySequence(Qt::CTRL | Qt::Key_W), [this] { close(); });
    add(QKeySequence(Qt::Key_Escape), [this] { Cancel(); });
}

void FormResultsWindow::SetModelName(const QString& modelFile) {
    const QString name = QFileInfo(modelFile).fileName();
    setWindowTitle(name.isEmpty() ? QString("Form-finding") : name + " - Form-finding");
}

void FormResultsWindow::ShowMessage(const std::string& text) {
    messageLine_->setText(Q(" " + text));
    if (!reporting_) return;
    // "ITERATION n : phase": two phases an iteration, the limit the end of the bar.
    static const std::string kIteration = "ITERATION ";
    if (text.rfind(kIteration, 0) != 0) return;
    const std::size_t colon = text.find(" : ");
    const int iteration = std::atoi(text.c_str() + kIteration.size());
    const std::string phase = colon == std::string::npos ? "" : text.substr(colon + 3);
    const int limit = std::max(1, maxIterations_);
    progressBar_->setRange(0, 2 * limit);
    progressBar_->setValue(
        std::clamp(2 * (iteration - 1) + (phase == "Solve" ? 1 : 0), 0, 2 * limit));
    progressBar_->setFormat(
        QString("iteration %1 of %2 : %3").arg(iteration).arg(limit).arg(Q(phase)));
}

void FormResultsWindow::ShowModel(std::shared_ptr<const FormModel> model) {
    model_ = std::move(model);
    if (model_) maxIterations_ = model_->settings.maxIterations;
}

void FormResultsWindow::ShowResults(std::shared_ptr<const FormSolution> solution) {
    solution_ = std::move(solution);
}

bool FormResultsWindow::CancelRequested() {
    return cancelRequested_;
}

void FormResultsWindow::Cancel() {
    if (!reporting_) return;
    cancelRequested_ = true;
    cancelButton_->setEnabled(false);
    progressBar_->setFormat("cancelling ...");
    emit CancelAsked();
}

void FormResultsWindow::RunStarted(int maxIterations) {
    reporting_ = true;
    cancelRequested_ = closeAfterRun_ = false;
    maxIterations_ = maxIterations;
    progressBar_->setRange(0, 2 * std::max(1, maxIterations));
    progressBar_->setValue(0);
    progressBar_->setFormat("reading the model");
    progressBar_->show();
    cancelButton_->setEnabled(true);
    cancelButton_->show();
    againFromShape_->setEnabled(false);
    againFromStart_->setEnabled(false);
}

void FormResultsWindow::RunEnded(const FormRunResult& result) {
    reporting_ = false;
    run_ = result;
    model_ = result.model;
    solution_ = result.solution;
    progressBar_->hide();
    cancelButton_->hide();
    NewtonHistory history;
    for (const FormStepRecord& step : result.history)
        history.push_back({step.iteration, step.movement, 0.0, 1.0, step.energy, false});
    plot_->SetHistory(history, model_ ? model_->settings.accuracy : 0.0);
    FillTables();
    FillSettings();
    ShowInView();
    againFromShape_->setEnabled(model_ != nullptr);
    againFromStart_->setEnabled(model_ != nullptr);
    if (closeAfterRun_) close();
    emit RunFinished();
}

void FormResultsWindow::ShowInView() {
    const bool failed = run_.outcome != RunOutcome::Success;
    std::vector<std::int32_t> collapsed;
    if (model_ && solution_ && run_.outcome == RunOutcome::Diverged)
        collapsed = CollapsedTriangles(*model_, solution_->shape);
    view_->Show(model_, solution_, std::move(collapsed));
    QString notice;
    if (failed && !run_.reason.empty())
        notice = Q(run_.reason);
    else if (!run_.warnings.empty())
        notice = "warning: " + Q(run_.warnings.front());
    view_->SetNotice(notice);
}

void FormResultsWindow::FillTables() {
    supports_->setRowCount(0);
    cables_->setRowCount(0);
    regions_->setRowCount(0);
    runTable_->setRowCount(0);
    supportRows_.clear();
    const bool solved = model_ && solution_ && run_.outcome == RunOutcome::Success;

    QList<QStringList> runRows;
    const auto add = [&runRows](const QString& what, const QString& value) {
        runRows.append(QStringList{what, value});
    };
    add("outcome", Q(OutcomeText(run_)));
    add("iterations", QString::number(run_.iterations));
    if (solved) {
        const FormSolution& s = *solution_;
        add("residual kN", Q(ShortScientific(s.residual)));
        add("largest movement m", Q(ShortScientific(s.movement)));
        add("area m^2", Fixed(s.area, 6));
        add("largest reaction kN", Fixed(BalanceOf(s).largestReaction, 4));
        add("smallest angle, degrees", Fixed(s.smallestAngleAfter, 2));
    }
    for (const std::string& warning : run_.warnings) add("warning", Q(warning));
    runTable_->setRowCount(static_cast<int>(runRows.size()));
    for (int r = 0; r < runRows.size(); ++r) {
        SetRow(runTable_, r, runRows[r]);
        runTable_->item(r, 1)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        runTable_->item(r, 1)->setToolTip(runRows[r][1]);
    }
    runTable_->resizeColumnToContents(0);
    if (!solved) return;

    const FormModel& m = *model_;
    const FormSolution& s = *solution_;
    for (const SupportSpec& support : m.supports)
        for (const std::int32_t node : support.nodes) {
            const Vec3& p = s.shape[node];
            const Vec3& r = s.reactions[node];
            const int row = supports_->rowCount();
            supports_->insertRow(row);
            SetRow(supports_, row,
                   {Q(support.name), QString::number(m.labels[node]), Fixed(p.x, 4), Fixed(p.y, 4),
                    Fixed(p.z, 4), Fixed(r.x, 5), Fixed(r.y, 5), Fixed(r.z, 5), Fixed(Norm(r), 5)});
            supportRows_.push_back(node);
        }
    cables_->setRowCount(static_cast<int>(m.cables.size()));
    for (std::size_t c = 0; c < m.cables.size(); ++c) {
        const CableResult& r = s.cables[c];
        SetRow(cables_, static_cast<int>(c),
               {Q(m.cables[c].name), Fixed(m.cables[c].force, 4), Fixed(r.length, 6),
                m.cables[c].Closed() ? QString("closed") : Fixed(r.sag, 6),
                Fixed(r.smallestForce, 6), Fixed(r.largestForce, 6)});
    }
    regions_->setRowCount(static_cast<int>(m.regions.size()));
    for (std::size_t r = 0; r < m.regions.size(); ++r) {
        double area = 0.0, smallest = 0.0, largest = 0.0;
        bool first = true;
        for (std::size_t t = 0; t < m.triangles.size(); ++t) {
            if (static_cast<std::size_t>(m.triangleRegion[t]) != r) continue;
            area += s.triangleAreas[t];
            smallest = first ? s.stresses[t].minor : std::min(smallest, s.stresses[t].minor);
            largest = first ? s.stresses[t].major : std::max(largest, s.stresses[t].major);
            first = false;
        }
        SetRow(
            regions_, static_cast<int>(r),
            {Q(m.regions[r].name), Fixed(m.regions[r].stress, 4), Fixed(m.regions[r].pressure, 4),
             Fixed(area, 4), Fixed(smallest, 6), Fixed(largest, 6)});
    }
    for (QTableWidget* table : {supports_, cables_, regions_}) table->resizeColumnsToContents();
}

void FormResultsWindow::FillSettings() {
    settingsTable_->setRowCount(0);
    if (!model_) return;
    const auto add = [this](const QString& what, double value, const char* name, int index,
                            const char* suffix) {
        const int row = settingsTable_->rowCount();
        settingsTable_->insertRow(row);
        settingsTable_->setItem(row, 0, new QTableWidgetItem(what));
        auto* edit = new QDoubleSpinBox;
        edit->setObjectName(QString("%1%2").arg(name).arg(index));
        edit->setDecimals(4);
        edit->setRange(1e-4, 1e7);
        edit->setSuffix(suffix);
        edit->setValue(value);
        settingsTable_->setCellWidget(row, 1, edit);
    };
    for (std::size_t r = 0; r < model_->regions.size(); ++r)
        add("prestress of " + Q(model_->regions[r].name), model_->regions[r].stress, "regionStress",
            static_cast<int>(r), " kN/m");
    for (std::size_t c = 0; c < model_->cables.size(); ++c)
        add("force of cable " + Q(model_->cables[c].name), model_->cables[c].force, "cableForce",
            static_cast<int>(c), " kN");
    settingsTable_->resizeColumnToContents(0);
}

QDoubleSpinBox* FormResultsWindow::RegionStressEdit(int region) const {
    return settingsTable_->findChild<QDoubleSpinBox*>(QString("regionStress%1").arg(region));
}

QDoubleSpinBox* FormResultsWindow::CableForceEdit(int cable) const {
    return settingsTable_->findChild<QDoubleSpinBox*>(QString("cableForce%1").arg(cable));
}

std::shared_ptr<const FormModel> FormResultsWindow::EditedModel(bool fromShapeFound) const {
    if (!model_) return nullptr;
    auto edited = std::make_shared<FormModel>(*model_);
    for (std::size_t r = 0; r < edited->regions.size(); ++r)
        if (const QDoubleSpinBox* edit = RegionStressEdit(static_cast<int>(r)))
            edited->regions[r].stress = edit->value();
    for (std::size_t c = 0; c < edited->cables.size(); ++c)
        if (const QDoubleSpinBox* edit = CableForceEdit(static_cast<int>(c)))
            edited->cables[c].force = edit->value();
    // A shape that collapsed is no start: the run again then starts where the model does.
    if (fromShapeFound && solution_ && run_.outcome == RunOutcome::Success &&
        solution_->shape.size() == edited->NodeCount()) {
        edited->start = solution_->shape;
        FinishFormModel(*edited);
    }
    return edited;
}

void FormResultsWindow::RunAgain(bool fromShapeFound) {
    if (reporting_ || !model_) return;
    emit RunAgainAsked(EditedModel(fromShapeFound));
}

int FormResultsWindow::SupportRowNode(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < supportRows_.size() ? supportRows_[row] : -1;
}

void FormResultsWindow::SelectSupportRow(int row) {
    if (selecting_) return;
    if (supports_->currentRow() != row && row >= 0) supports_->selectRow(row);
    const int node = SupportRowNode(row);
    view_->SelectNode(node);
    viewStatus_->setText(node >= 0 ? view_->ReactionText(node) : QString());
}

void FormResultsWindow::SelectCableRow(int row) {
    if (cables_->currentRow() != row && row >= 0) cables_->selectRow(row);
    view_->SelectCable(row);
}

bool FormResultsWindow::SavePicture(const QString& path) {
    const bool saved = view_->grabFramebuffer().save(path, "PNG");
    viewStatus_->setText(saved ? "saved " + QFileInfo(path).fileName()
                               : "could not save the picture as " + path);
    return saved;
}

void FormResultsWindow::AskAndSavePicture() {
    QString name = "form.png";
    if (model_) name = QFileInfo(Q(model_->fileName)).completeBaseName() + ".png";
    const auto path = ChooseSurfaceFile({this, true, "Save picture", name, "PNG pictures (*.png)"});
    if (path && !SavePicture(*path))
        ShowMessageBox(this, "The picture could not be saved:\n" + *path, BoxKind::Warning);
}

bool FormResultsWindow::ExportTo(const QString& path) {
    if (!model_ || !solution_ || run_.outcome != RunOutcome::Success) {
        messages_.Show("There is no shape to export: the run has not found one.",
                       MessageKind::Error, "Export");
        return false;
    }
    const std::string file = path.toStdString();
    const FormModel& m = *model_;
    const FormSolution& s = *solution_;
    try {
        if (EndsWith(file, ".form.txt") || EndsWith(file, ".txt")) {
            const FormReportHeading heading{OutcomeText(run_), run_.warnings};
            WriteText(file,
                      [&](TextSink& out) { RenderFormReport(out, m, s, heading, run_.history); });
        } else if (EndsWith(file, ".vtu")) {
            WriteText(file, [&](TextSink& out) { RenderFormVtu(out, m, s); });
        } else if (EndsWith(file, ".msh")) {
            WriteText(file, [&](TextSink& out) { RenderFormMsh(out, m, s); });
        } else if (IsExportFormat(file)) {
            ExportSurface(file, FormSurface(m, s));
        } else {
            messages_.Show(
                "The shape can be exported to .form.txt, .vtu, .msh, .glb, .obj, "
                ".stl, .ply or .dxf files, not to " +
                    file,
                MessageKind::Error, "Export");
            return false;
        }
    } catch (const IoError& e) {
        messages_.Show(e.what(), MessageKind::Error, "Export");
        return false;
    }
    viewStatus_->setText("exported " + QFileInfo(path).fileName());
    return true;
}

void FormResultsWindow::Export() {
    QString base = "form";
    if (model_) {
        const QFileInfo info(Q(model_->fileName));
        base = info.absolutePath() + "/" + info.completeBaseName();
    }
    const auto path = ChooseSurfaceFile(
        {this, true, "Export Shape", base,
         "Form report (*.form.txt);;ParaView (*.vtu);;Gmsh (*.msh);;glTF binary (*.glb);;"
         "Wavefront OBJ (*.obj);;STL binary (*.stl);;PLY (*.ply);;DXF drawing (*.dxf)"});
    if (path) ExportTo(*path);
}

void FormResultsWindow::SetChoices(const FormViewChoices& choices) {
    fieldChoice_->setCurrentIndex(std::clamp(choices.field, 0, kFormFieldCount - 1));
    linesCheck_->setChecked(choices.meshLines);
    reactionsCheck_->setChecked(choices.reactions);
}

FormViewChoices FormResultsWindow::Choices() const {
    return {fieldChoice_->currentIndex(), linesCheck_->isChecked(), reactionsCheck_->isChecked()};
}

void FormResultsWindow::closeEvent(QCloseEvent* event) {
    if (reporting_) {
        closeAfterRun_ = true;
        Cancel();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace membrane
