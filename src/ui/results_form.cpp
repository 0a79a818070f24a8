#include "ui/results_form.h"

#include <QAbstractTableModel>
#include <QGroupBox>
#include <algorithm>
#include <array>
#include <QHeaderView>
#include <QPaintEvent>

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
    PaintBox(const QImage& image, QWidget* parent) : QWidget(parent), image_(image) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        if (!image_.isNull()) painter.drawImage(0, 0, image_);
    }

private:
    const QImage& image_;
};

namespace {

constexpr int kPaintWidth = 634;
constexpr int kPaintHeight = 474;
constexpr int kDefaultColumnWidth = 80;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QTableView* MakeGrid(QWidget* page, GridModel* model, QRect place, int columnWidth = kDefaultColumnWidth) {
    auto* grid = new QTableView(page);
    grid->setModel(model);
    grid->setGeometry(place);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    QFont font("Courier");
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    grid->setFont(font);
    return grid;
}

void AddLabel(QWidget* parent, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
}

}  // namespace

TResultform::TResultform(RunState& state, Opener& opener, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint),
      state_(state),
      opener_(opener),
      image_(kPaintWidth, kPaintHeight, QImage::Format_RGB32) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("Resultform");
    setFixedSize(1011, 615);
    move(276, 160);
    image_.fill(Qt::white);

    BuildGrids();

    auto* legend = new QLabel("Constrained in GREEN, Initial in RED and Boundary in BLUE", this);
    legend->setObjectName("Label12");
    legend->move(361 + 15, 4);
    auto* frame = new QFrame(this);
    frame->setObjectName("Panel3");
    frame->setGeometry(361 + 4, 20, 642, 482);
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setStyleSheet("QFrame#Panel3 { background: white; }");
    PaintBox1 = new PaintBox(image_, frame);
    PaintBox1->setObjectName("PaintBox1");
    PaintBox1->setGeometry(4, 4, kPaintWidth, kPaintHeight);

    Label2 = new QLabel("Label2", this);
    Label2->setObjectName("Label2");
    Label2->setGeometry(361 + 8, 508, 320, 18);
    IterEdit = new QLineEdit("0", this);
    IterEdit->setObjectName("IterEdit");
    IterEdit->setGeometry(361 + 8, 536, 73, 24);
    IterEdit->setEnabled(false);
    AddLabel(this, "iterations", 361 + 87, 540);
    InitAreaLabel = new QLabel("initial area : ", this);
    InitAreaLabel->setObjectName("InitAreaLabel");
    InitAreaLabel->setGeometry(361 + 160, 528, 160, 18);
    OptimumAreaLabel = new QLabel("final area : ", this);
    OptimumAreaLabel->setObjectName("OptimumAreaLabel");
    OptimumAreaLabel->setGeometry(361 + 160, 552, 160, 18);

    auto* group = new QGroupBox("Show 3D-VRML model", this);
    group->setObjectName("GroupBox5");
    group->setGeometry(361 + 324, 502, 321, 77);
    CheckBox6 = new QCheckBox("show numbering", group);
    CheckBox6->move(8, 16);
    CheckBox7 = new QCheckBox("show xyz-axis", group);
    CheckBox7->move(8, 34);
    CheckBox7->setChecked(true);
    CheckBox8 = new QCheckBox("show deformed state", group);
    CheckBox8->move(8, 52);
    CheckBox8->setChecked(true);
    NumberEdit1 = new TNumberEdit(group);
    NumberEdit1->setObjectName("NumberEdit1");
    NumberEdit1->SetNumType(TNumberType::RealType);
    NumberEdit1->SetMax(100.0);
    NumberEdit1->SetText("1.0");
    NumberEdit1->setGeometry(150, 48, 49, 21);
    NumberEdit1->setToolTip("displacement times scale are shown");
    AddLabel(group, "scaling", 205, 52);
    Button3 = new QPushButton("Show", group);
    Button3->setObjectName("Button3");
    Button3->setGeometry(257, 43, 56, 25);
    Button3->setToolTip("view model with VRML plug in in your web browser");
    connect(CheckBox8, &QCheckBox::toggled, this, [this](bool on) { NumberEdit1->setEnabled(on); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

    MsgPanel = new QLabel(" no message", this);
    MsgPanel->setObjectName("MsgPanel");
    MsgPanel->setGeometry(0, 615 - 33, 1011, 33);
    MsgPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    MsgPanel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

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

void TResultform::BuildGrids() {
    TabbedNotebook1 = new QTabWidget(this);
    TabbedNotebook1->setObjectName("TabbedNotebook1");
    TabbedNotebook1->setGeometry(0, 0, 361, 615 - 33);
    struct Page {
        const char* caption;
        GridModel** model;
        QTableView** grid;
        int columns;
        QRect place;
        std::vector<std::pair<const char*, int>> labels;
    };
    Page pages[] = {
        {"Results", &resultModel_, &BrimelResultGrid, 2, {8, 24, 265, 525}, {{"node", 16}, {"z-value", 104}}},
        {"Coordinates", &coordModel_, &CoordGrid, 3, {8, 24, 265, 525}, {{"node", 24}, {"x", 128}, {"y", 200}}},
        {"Elements", &elemModel_, &ElemGrid, 4, {8, 24, 345, 525}, {}},
        {"Constraints", &constrModel_, &ConstrGrid, 1, {64, 24, 105, 525}, {}},
        {"Initial Displacements", &initModel_, &InitGrid, 2, {8, 24, 305, 525},
         {{"node", 32}, {"z-value", 120}, {"comment", 216}}},
    };
    for (Page& page : pages) {
        auto* widget = new QWidget;
        *page.model = new GridModel(page.columns, this);
        *page.grid = MakeGrid(widget, *page.model, page.place);
        for (auto [text, x] : page.labels) AddLabel(widget, text, x, 6);
        TabbedNotebook1->addTab(widget, page.caption);
        QTableView* grid = *page.grid;
        connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this, grid](const QModelIndex& current) { SelectRow(grid, current.row()); });
    }
    BrimelResultGrid->setObjectName("BrimelResultGrid");
    CoordGrid->setObjectName("CoordGrid");
    ElemGrid->setObjectName("ElemGrid");
    ConstrGrid->setObjectName("ConstrGrid");
    InitGrid->setObjectName("InitGrid");
    resultModel_->Fill(1, [](int, int column) { return column == 0 ? QString("no data") : QString("available"); });
}

void TResultform::ShowMessage(const std::string& text) {
    MsgPanel->setText(Q(" " + text));
    MsgPanel->repaint();
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
    InitGrid->setColumnWidth(1, 3 * kDefaultColumnWidth);
    initModel_->Fill(static_cast<int>(rows->size()), [rows](int row, int column) {
        const Row& r = (*rows)[row];
        if (column == 0) return Q("node " + std::to_string(r.node));
        return Q(FormatFixed(r.value, 16, 8) + (r.constrained ? " *constrained*" : ""));
    });
    InitGrid->repaint();
}

void TResultform::SetFlatArea(const std::string& text) { InitAreaLabel->setText(Q(text)); }
void TResultform::SetFinalArea(const std::string& text) { OptimumAreaLabel->setText(Q(text)); }

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
    BrimelResultGrid->setColumnWidth(1, 2 * kDefaultColumnWidth);
    resultModel_->Fill(static_cast<int>(shared->size()), [shared](int row, int column) {
        const auto& [node, height] = (*shared)[row];
        if (column == 0) return Q("node " + std::to_string(node));
        return Q(FormatFixed(height, 16, 8));
    });
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
        canvas_ = std::make_unique<QtCanvas>(*painter_, kPaintWidth, kPaintHeight);
        plot_ = std::make_unique<TWPPlot>(canvas_.get(), state_.messages);
    } else {
        plot_->Clear();
    }
    Redraw();
}

void TResultform::Button3Click() {
    double scale = -1;
    if (CheckBox8->isChecked()) scale = NumberEdit1->RealValue();
    if (scale != -1 && scale == 0) scale = 10;
    if (!state_.modelLoaded) return;
    ExportVrml(state_, CheckBox6->isChecked(), CheckBox7->isChecked(), CheckBox8->isChecked(), scale);
    ShowVrml(state_, opener_);
}

}  // namespace membrane
