#include "ui/results_form.h"

#include <QAbstractTableModel>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QPaintEvent>
#include <QTabBar>
#include <algorithm>
#include <array>
#include <functional>

#include "common/number_format.h"
#include "common/opener.h"
#include "model/coor_table.h"
#include "model/elem_table.h"
#include "model/field_reader.h"
#include "model/value_lists.h"
#include "output/vrml_export.h"
#include "plot/mesh_drawing.h"
#include "plot/run_mesh_source.h"
#include "plot/wp_plot.h"
#include "ui/classic_font.h"
#include "ui/number_edit.h"
#include "ui/qt_canvas.h"

namespace membrane {

// A grid whose cells are produced on demand: a model of a million nodes costs one
// snapshot of numbers, not a million text items.
class GridModel final : public QAbstractTableModel {
public:
    using CellFunction = std::function<QString(int row, int column)>;
    GridModel(int columns, QObject* parent) : QAbstractTableModel(parent), columns_(columns) {}

    void Fill(int rows, CellFunction cell) {
        beginResetModel();
        rows_ = rows;
        cell_ = std::move(cell);
        endResetModel();
    }
    int rowCount(const QModelIndex& = {}) const override { return rows_; }
    int columnCount(const QModelIndex& = {}) const override { return columns_; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !cell_ || !index.isValid()) return {};
        return cell_(index.row(), index.column());
    }
    QString Text(int row, int column) const {
        if (!cell_ || row < 0 || row >= rows_ || column < 0 || column >= columns_) return {};
        return cell_(row, column);
    }

private:
    int columns_;
    int rows_ = 0;
    CellFunction cell_;
};

class PaintBox final : public QWidget {
public:
    PaintBox(const QImage& image, std::function<void()> beforePaint, QWidget* parent)
        : QWidget(parent), image_(image), beforePaint_(std::move(beforePaint)) {}

protected:
    // Only copies the picture: the mesh is drawn into it outside paint events.
    void paintEvent(QPaintEvent*) override {
        if (beforePaint_) beforePaint_();
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!image_.isNull()) painter.drawImage(0, 0, image_);
    }

private:
    const QImage& image_;
    std::function<void()> beforePaint_;
};

namespace {

constexpr int kClientWidth = 1011;
constexpr int kClientHeight = 615;
constexpr int kNotebookWidth = 361;
constexpr int kMsgPanelHeight = 33;
constexpr int kPaintWidth = 634;
constexpr int kPaintHeight = 474;
constexpr int kDefaultColumnWidth = 80;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QTableView* MakeGrid(QWidget* page, GridModel* model, QRect place) {
    auto* grid = new QTableView(page);
    grid->setModel(model);
    grid->setGeometry(place);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(kDefaultColumnWidth);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    QFont font("Courier");
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    grid->setFont(font);
    return grid;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

// "ITERATION 3 : Elimination" -> 3 and "Elimination"; false for any other line.
bool ParseIterationLine(const std::string& text, int& iteration, std::string& phase) {
    static const std::string prefix = "ITERATION ";
    if (text.rfind(prefix, 0) != 0) return false;
    const std::size_t colon = text.find(" : ", prefix.size());
    if (colon == std::string::npos) return false;
    const std::string number = text.substr(prefix.size(), colon - prefix.size());
    if (!IsInteger(number)) return false;
    iteration = ConvertInteger(number).value;
    phase = text.substr(colon + 3);
    return true;
}

}  // namespace

TResultform::TResultform(RunState& state, Opener& opener, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      opener_(opener),
      image_(kPaintWidth, kPaintHeight, QImage::Format_RGB32) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("Resultform");
    setWindowTitle("Resultform");
    setFixedSize(kClientWidth, kClientHeight);
    move(276, 160);
    setFont(ClassicFontPixels(13, true));  // the bold system face of dialogs
    image_.fill(Qt::white);

    BuildGrids();
    BuildPanel();

    MsgPanel = new QLabel(" no message", this);
    MsgPanel->setObjectName("MsgPanel");
    MsgPanel->setGeometry(0, kClientHeight - kMsgPanelHeight, kClientWidth, kMsgPanelHeight);
    MsgPanel->setFont(ClassicFontPixels(13));
    MsgPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    MsgPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Progress of a run, at the right end of the message line; shown only while the run
    // of this window goes on.
    RunProgress = new QProgressBar(MsgPanel);
    RunProgress->setObjectName("RunProgress");
    RunProgress->setGeometry(kClientWidth - 8 - 80 - 8 - 280, 5, 280, 23);
    RunProgress->setFont(ClassicFontPixels(11));
    RunProgress->hide();
    CancelButton = new QPushButton("Cancel", MsgPanel);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(kClientWidth - 8 - 80, 4, 80, 25);
    CancelButton->setFont(ClassicFontPixels(11));
    CancelButton->setToolTip("stop the run after the current phase");
    CancelButton->hide();
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelClick(); });

    // FormCreate
    resultModel_->Fill(1, [](int, int column) { return column == 0 ? QString("no data") : QString("available"); });
    Button3->setVisible(true);

    Timer1.setSingleShot(true);
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1.start();
}

TResultform::~TResultform() {
    if (state_.view == this) state_.view = nullptr;
    plot_.reset();
    canvas_.reset();
    if (painter_) painter_->end();
}

void TResultform::BuildPanel() {
    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(kNotebookWidth, 0, kClientWidth - kNotebookWidth, kClientHeight - kMsgPanelHeight);

    Label12 = AddLabel(Panel1, "Label12", "Constrained in GREEN, Initial in RED and Boundary in BLUE", 15, 4);
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(11);
    Label12->setFont(tahoma);
    Label12->adjustSize();

    auto* frame = new QFrame(Panel1);
    frame->setObjectName("Panel3");
    frame->setGeometry(4, 20, 642, 482);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setAutoFillBackground(true);
    QPalette white = frame->palette();
    white.setColor(QPalette::Window, Qt::white);
    frame->setPalette(white);
    PaintBox1 = new PaintBox(
        image_,
        [this] {
            if (!plot_ && Label2->text() != "plot not initialised") Label2->setText("plot not initialised");
        },
        frame);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setGeometry(4, 4, kPaintWidth, kPaintHeight);

    Label2 = AddLabel(Panel1, "Label2", "Label2", 8, 512);
    Label2->setFixedWidth(310);
    IterEdit = new QLineEdit("0", Panel1);
    IterEdit->setObjectName("IterEdit");
    IterEdit->setGeometry(8, 536, 73, 24);
    IterEdit->setFont(ClassicFontPixels(13));
    IterEdit->setEnabled(false);
    Label1 = AddLabel(Panel1, "Label1", "iterations", 87, 540);
    InitAreaLabel = AddLabel(Panel1, "InitAreaLabel", "initial area : ", 160, 528);
    InitAreaLabel->setFont(ClassicFontPixels(11));
    OptimumAreaLabel = AddLabel(Panel1, "OptimumAreaLabel", "final area : ", 160, 552);
    OptimumAreaLabel->setFont(ClassicFontPixels(11));

    auto* group = new QGroupBox("Show 3D-VRML model", Panel1);
    group->setObjectName("GroupBox5");
    group->setGeometry(324, 502, 321, 77);
    group->setFont(ClassicFontPixels(11));
    CheckBox6 = new QCheckBox("show numbering", group);
    CheckBox6->setObjectName("CheckBox6");
    CheckBox6->move(8, 16);
    CheckBox7 = new QCheckBox("show xyz-axis", group);
    CheckBox7->setObjectName("CheckBox7");
    CheckBox7->move(8, 32);
    CheckBox7->setChecked(true);
    CheckBox8 = new QCheckBox("show deformed state", group);
    CheckBox8->setObjectName("CheckBox8");
    CheckBox8->move(8, 48);
    CheckBox8->setChecked(true);
    for (QCheckBox* box : {CheckBox6, CheckBox7, CheckBox8}) box->adjustSize();
    NumberEdit1 = new TNumberEdit(group);
    NumberEdit1->setObjectName("NumberEdit1");
    NumberEdit1->SetNumType(TNumberType::RealType);
    NumberEdit1->SetMax(100.0);
    NumberEdit1->SetText("1.0");
    NumberEdit1->setGeometry(137, 46, 49, 21);
    NumberEdit1->setToolTip("displacement times scale are shown");
    Label11 = AddLabel(group, "Label11", "scaling", 193, 50);
    Button3 = new QPushButton("Show", group);
    Button3->setObjectName("Button3");
    Button3->setGeometry(257, 43, 56, 25);
    Button3->setToolTip("view model with VRML plug in in your web browser");
    connect(CheckBox8, &QCheckBox::toggled, this, [this](bool on) { NumberEdit1->setEnabled(on); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
}

void TResultform::BuildGrids() {
    TabbedNotebook1 = new QTabWidget(this);
    TabbedNotebook1->setObjectName("TabbedNotebook1");
    TabbedNotebook1->setGeometry(0, 0, kNotebookWidth, kClientHeight - kMsgPanelHeight);
    TabbedNotebook1->tabBar()->setFont(ClassicFontPixels(11));
    struct Page {
        const char* caption;
        const char* name;
        GridModel** model;
        QTableView** grid;
        int columns;
        QRect place;
        std::vector<std::pair<const char*, int>> labels;
    };
    Page pages[] = {
        {"Results", "BrimelResultGrid", &resultModel_, &BrimelResultGrid, 2, {8, 24, 265, 525},
         {{"node", 16}, {"z-value", 104}}},
        {"Coordinates", "CoordGrid", &coordModel_, &CoordGrid, 3, {8, 24, 265, 525},
         {{"node", 24}, {"x", 128}, {"y", 200}}},
        {"Elements", "ElemGrid", &elemModel_, &ElemGrid, 4, {8, 24, 345, 525}, {}},
        {"Constraints", "ConstrGrid", &constrModel_, &ConstrGrid, 1, {64, 24, 105, 525}, {}},
        {"Initial Displacements", "InitGrid", &initModel_, &InitGrid, 2, {8, 24, 305, 525},
         {{"node", 32}, {"z-value", 120}, {"comment", 216}}},
    };
    for (Page& page : pages) {
        auto* widget = new QWidget;
        *page.model = new GridModel(page.columns, this);
        QTableView* grid = MakeGrid(widget, *page.model, page.place);
        grid->setObjectName(QLatin1String(page.name));
        *page.grid = grid;
        for (auto [text, x] : page.labels) AddLabel(widget, "", text, x, 5);
        TabbedNotebook1->addTab(widget, page.caption);
        // Keyboard and mouse move the current row; a click on the row that is already
        // current marks it again when something else has been marked since.
        connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, grid](const QModelIndex& current) { SelectRow(grid, current.row()); });
        connect(grid, &QTableView::clicked, this, [this, grid](const QModelIndex& index) {
            if (lastMarked_ != std::make_pair(grid, index.row())) SelectRow(grid, index.row());
        });
    }
}

void TResultform::ShowMessage(const std::string& text) {
    MsgPanel->setText(Q(" " + text));
    // The run goes on in this thread: repaint now, or the line would show only at its end.
    MsgPanel->repaint();
    if (reporting_) ShowProgress(text);
}

void TResultform::ShowProgress(const std::string& text) {
    int iteration = 0;
    std::string phase;
    if (!ParseIterationLine(text, iteration, phase)) return;
    // Two phases per iteration; the limit of iterations is the end of the bar (a run that
    // converges earlier simply ends before the bar is full).
    const int limit = std::max(1, state_.settings.maxIterations);
    RunProgress->setRange(0, 2 * limit);
    const int done = 2 * (iteration - 1) + (phase == "Elimination" ? 1 : 0);
    RunProgress->setValue(std::clamp(done, 0, 2 * limit));
    RunProgress->setFormat(QString("iteration %1 of %2 : %3").arg(iteration).arg(limit).arg(Q(phase)));
    RunProgress->repaint();
}

bool TResultform::CancelRequested() {
    // Let the windows repaint and take clicks (Cancel among them). The commands that
    // would change the run's objects are disabled while it goes on; a nested call (from
    // an event handled here) does not process events again.
    if (!processingEvents_) {
        processingEvents_ = true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        processingEvents_ = false;
    }
    return cancelRequested_;
}

void TResultform::CancelClick() {
    if (!reporting_) return;
    cancelRequested_ = true;
    CancelButton->setEnabled(false);
    RunProgress->setFormat(QString("cancelling ..."));
}

void TResultform::RunStarted() {
    reporting_ = true;
    cancelRequested_ = false;
    closeAfterRun_ = false;
    RunProgress->setRange(0, 2 * std::max(1, state_.settings.maxIterations));
    RunProgress->setValue(0);
    RunProgress->setFormat("reading the model");
    RunProgress->show();
    CancelButton->setEnabled(true);
    CancelButton->show();
    SetRunGoing(true);
}

void TResultform::RunEnded() {
    reporting_ = false;
    RunProgress->hide();
    CancelButton->hide();
    SetRunGoing(false);
    // The timer may have drawn the mesh while the run was going; draw it again with the
    // run's outcome.
    lastMarked_ = {nullptr, -1};
    if (plot_) {
        plot_->Clear();
        Redraw();
    }
    if (closeAfterRun_) close();
}

void TResultform::SetRunGoing(bool going) {
    runGoing_ = going;
    Button3->setEnabled(!going);
}

void TResultform::closeEvent(QCloseEvent* event) {
    if (reporting_) {
        // The run still writes into this window: stop it first, close when it has ended.
        closeAfterRun_ = true;
        CancelClick();
        event->ignore();
        return;
    }
    // FormClose: the plotting object goes with the window; the run state forgets it.
    if (state_.view == this) state_.view = nullptr;
    plot_.reset();
    canvas_.reset();
    if (painter_) painter_->end();
    painter_.reset();
    event->accept();
}

void TResultform::FillCoordGrid(const RunState& state) {
    if (!state.model.nodes) return;
    auto nodes = std::make_shared<std::vector<NodeEntry>>(state.model.nodes->Nodes());
    coordModel_->Fill(static_cast<int>(nodes->size()), [nodes](int row, int column) {
        const NodeEntry& node = (*nodes)[row];
        if (column == 0) return Q("node " + std::to_string(node.number));
        return Q(FormatFixed(column == 1 ? node.x : node.y, 8, 3));
    });
    CoordGrid->repaint();
}

void TResultform::FillElemGrid(const RunState& state) {
    if (!state.model.elements) return;
    const TElemClass& table = *state.model.elements;
    auto rows = std::make_shared<std::vector<std::array<std::int32_t, 4>>>();
    rows->reserve(table.Elements().size());
    for (const ElementEntry& element : table.Elements()) {
        std::array<std::int32_t, 4> row{element.number, 0, 0, 0};
        const auto nodes = table.NodesOf(element);
        for (std::size_t k = 0; k < 3 && k < nodes.size(); ++k) row[k + 1] = nodes[k];
        rows->push_back(row);
    }
    elemModel_->Fill(static_cast<int>(rows->size()), [rows](int row, int column) {
        return Q((column == 0 ? "elnr " : "node ") + std::to_string((*rows)[row][column]));
    });
    ElemGrid->repaint();
}

void TResultform::FillConstrGrid(const RunState& state) {
    if (!state.model.constraints) return;
    auto nodes = std::make_shared<std::vector<TIntList::Entry>>(state.model.constraints->Entries());
    constrModel_->Fill(static_cast<int>(nodes->size()),
                       [nodes](int row, int) { return Q("node " + std::to_string((*nodes)[row].value)); });
    ConstrGrid->repaint();
}

void TResultform::FillInitGrid(const RunState& state) {
    if (!state.model.initial || !state.model.constraints) return;
    struct Row {
        std::int32_t node;
        double value;
        bool constrained;
    };
    auto rows = std::make_shared<std::vector<Row>>();
    for (const auto& entry : state.model.initial->Entries())
        rows->push_back(Row{entry.key, entry.value, state.model.constraints->ContainsValue(entry.key)});
    initModel_->Fill(static_cast<int>(rows->size()), [rows](int row, int column) {
        const Row& r = (*rows)[row];
        if (column == 0) return Q("node " + std::to_string(r.node));
        return Q(FormatFixed(r.value, 16, 8) + (r.constrained ? " *constrained*" : ""));
    });
    InitGrid->setColumnWidth(1, 3 * kDefaultColumnWidth);
    InitGrid->repaint();
}

void TResultform::SetFlatArea(const std::string& text) {
    InitAreaLabel->setText(Q(text));
    InitAreaLabel->adjustSize();
}

void TResultform::SetFinalArea(const std::string& text) {
    OptimumAreaLabel->setText(Q(text));
    OptimumAreaLabel->adjustSize();
}

void TResultform::ShowResultHeights(const RunState& state, int iterationCount) {
    if (!state.model.nodes) return;
    IterEdit->setText(QString::number(iterationCount));
    // Every node in ascending node number (for nodes numbered 1..N exactly the rows
    // "node 1" to "node N"), with its computed height.
    std::vector<std::pair<std::int32_t, double>> rows;
    for (const NodeEntry& node : state.model.nodes->Nodes())
        rows.emplace_back(node.number, state.model.heights ? state.model.heights->ValueOf(node.number) : 0.0);
    std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.first < b.first; });
    rows.erase(std::unique(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.first == b.first; }),
               rows.end());
    auto shared = std::make_shared<decltype(rows)>(std::move(rows));
    resultModel_->Fill(static_cast<int>(shared->size()), [shared](int row, int column) {
        const auto& [node, height] = (*shared)[row];
        if (column == 0) return Q("node " + std::to_string(node));
        return Q(FormatFixed(height, 16, 8));
    });
    BrimelResultGrid->setColumnWidth(1, 2 * kDefaultColumnWidth);
    BrimelResultGrid->repaint();
}

QString TResultform::CellText(QTableView* grid, int row, int column) const {
    return static_cast<GridModel*>(grid->model())->Text(row, column);
}

void TResultform::SelectRow(QTableView* grid, int row) {
    int number = 0;
    const bool elements = grid == ElemGrid;
    std::string s = CellText(grid, row, 0).toStdString();
    if (s.find(elements ? "elnr" : "node") != std::string::npos) {
        NormalizeSpaces(s);
        if (CountWords(s) == 2 && IsInteger(GetWord(2, s))) number = ConvertInteger(GetWord(2, s)).value;
    }
    if (!plot_) return;
    lastMarked_ = {grid, row};
    const RunMeshSource source(state_);
    std::optional<std::string> status =
        elements ? HighlightElement(*plot_, source, number) : HighlightNode(*plot_, source, number);
    if (status) Label2->setText(Q(*status));
    PaintBox1->update();
}

void TResultform::Redraw() {
    const RunMeshSource source(state_);
    Label2->setText(Q(DrawMesh(plot_.get(), source)));
    PaintBox1->update();
}

void TResultform::Timer1Timer() {
    Timer1.stop();
    if (!plot_) {
        painter_ = std::make_unique<QPainter>(&image_);
        // The painter stays open on the picture for the plotting object's lifetime: the
        // canvas draws through it at every command.
        canvas_ = std::make_unique<QtCanvas>(*painter_, kPaintWidth, kPaintHeight);
        plot_ = std::make_unique<TWPPlot>(canvas_.get(), state_.messages);
    } else {
        plot_->Clear();
    }
    Redraw();
}

void TResultform::Button3Click() {
    // The model objects are being rebuilt while a run goes on.
    if (runGoing_) return;
    double scale = -1;
    if (CheckBox8->isChecked()) scale = NumberEdit1->RealValue();
    if (scale != -1 && scale == 0) scale = 10;
    if (!state_.modelLoaded) return;
    const VrmlExportResult result =
        ExportVrml(state_, CheckBox6->isChecked(), CheckBox7->isChecked(), CheckBox8->isChecked(), scale);
    // A scene broken off half-way was reported already; never hand it to the viewer.
    if (result != VrmlExportResult::WriteFailed) ShowVrml(state_, opener_);
}

}  // namespace membrane
