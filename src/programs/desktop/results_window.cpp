#include "desktop/results_window.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>

#include "common/key_index.h"
#include "common/number_format.h"
#include "desktop/classic_font.h"
#include "desktop/convergence_plot.h"
#include "desktop/grid_columns.h"
#include "desktop/number_edit.h"
#include "desktop/outcome_text.h"
#include "desktop/qt_canvas.h"
#include "desktop/slot_guard.h"
#include "desktop/surface_files.h"
#include "desktop/surface_pane.h"
#include "heightfield/field_reader.h"
#include "heightfield/model_mesh_source.h"
#include "heightfield/vrml_export.h"
#include "plot/mesh_drawing.h"
#include "plot/plotter.h"

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

// The default size and the classic places within it.
constexpr int kClientWidth = 1011;
constexpr int kClientHeight = 615;
constexpr int kNotebookWidth = 361;
constexpr int kHandleWidth = 4;  // the gap between the notebook and the drawing's frame
constexpr int kMsgPanelHeight = 33;
constexpr int kPaintWidth = 634;
constexpr int kPaintHeight = 474;
constexpr int kPaintBoxInset = 4;     // the paint box in its frame
constexpr int kLegendHeight = 20;     // above the drawing's frame
constexpr int kFactsHeight = 80;      // below it: iterations, areas, the scene's controls
constexpr int kFrameRightMargin = 4;  // right of the frame and of the group box
constexpr int kGroupRightMargin = 5;
constexpr int kGridBottomMargin = 3;  // below a grid of 525 rows' height in its page
// The smallest a grid and the paint box get when the window is made smaller.
constexpr int kMinGridHeight = 150;
constexpr int kMinPaintWidth = 240;
constexpr int kMinPaintHeight = 180;
constexpr int kLeastNotebookWidth = 120;
constexpr int kResizeDelayMs = 40;
constexpr int kTabMargins = 8;                       // both sides of a tab's caption together
constexpr int kHeightColumnWidth = 140;              // the 16 characters of a height
constexpr const char* kDesignWidth = "designWidth";  // a grid's width at the default size
// The drawing's mouse: a wheel notch zooms by 1.25, a drag starts after 3 pixels, a
// click takes a node within 6 pixels.
constexpr double kWheelZoom = 1.25;
constexpr double kMinZoom = 0.25;
constexpr double kMaxZoom = 1000.0;
constexpr int kDragStart = 3;
constexpr double kPickRadius = 6.0;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QTableView* MakeGrid(QWidget* page, GridModel* model) {
    auto* grid = new QTableView(page);
    grid->setModel(model);
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(18);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setWordWrap(false);
    grid->setMinimumHeight(kMinGridHeight);
    QFont font("Courier");
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(13);
    grid->setFont(font);
    grid->horizontalHeader()->setDefaultSectionSize(kGridColumnWidth);
    return grid;
}

QLabel* AddLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

// Tabs with narrow margins beside their captions: six captions share the notebook's width,
// so they are shortened less (or not at all).
class NarrowTabs final : public QProxyStyle {
  public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        if (metric == PM_TabBarTabHSpace) return kTabMargins;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// The smallest and largest of some node or element numbers.
struct NumberRange {
    std::int64_t lowest = 0, highest = 0;
    void Add(std::int64_t n) {
        lowest = std::min(lowest, n);
        highest = std::max(highest, n);
    }
    QString Widest() const { return WidestNumber(lowest, highest); }
};

void FitGrid(QTableView& grid) {
    FitGridWidth(grid, grid.property(kDesignWidth).toInt());
    // The notebook takes the width the grid wants from the drawing, as far as the drawing
    // can give it; the window keeps its size.
    if (auto* window = qobject_cast<ResultsWindow*>(grid.window())) window->FitNotebook();
}

// "ITERATION 3 : Elimination" -> 3 and "Elimination" (the solve; "Cholesky" when sparse
// Cholesky solves); false for any other line.
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

ResultsWindow::ResultsWindow(Opener& opener, MessageSink& messages, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint),
      opener_(opener),
      messages_(messages, this),
      image_(kPaintWidth, kPaintHeight, QImage::Format_RGB32) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("Resultform");
    setWindowTitle("membrane results");
    move(276, 160);
    setFont(ClassicFontPixels(13, true));  // the bold system face of dialogs
    image_.fill(Qt::white);

    BuildGrids();
    QWidget* drawing = BuildDrawingPanel();
    BuildMessageLine();
    AddExportAction(*this);
    // A small tool bar right of the legend, in the legend's row: the window's commands.
    auto* bar = new QToolBar(drawing);
    bar->setObjectName("resultsToolBar");
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->setFont(ClassicFontPixels(11));
    bar->setFixedHeight(kLegendHeight);
    bar->setContentsMargins(0, 0, 0, 0);
    for (const char* name :
         {"exportAction", "saveResultsAction", "savePictureAction", "closeAction"})
        if (auto* action = findChild<QAction*>(name)) bar->addAction(action);
    auto* drawingColumn = static_cast<QVBoxLayout*>(drawing->layout());
    drawingColumn->setContentsMargins(0, 0, 0, 0);
    auto* top = new QHBoxLayout;
    // Left of the Plan / 3D tabs, which stand at the frame's right end in the same row.
    top->setContentsMargins(0, 0, kFrameRightMargin + surfacePane_->Tabs()->sizeHint().width() + 4,
                            0);
    top->addStretch(1);
    top->addWidget(bar);
    drawingColumn->insertLayout(0, top);

    // The notebook keeps its width, the drawing takes what the window gains in width; both
    // take the height. The splitter's handle is the gap left of the drawing's frame.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName("resultsSplitter");
    splitter_->setHandleWidth(kHandleWidth);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(tabs_);
    splitter_->addWidget(drawing);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(splitter_, 1);
    column->addWidget(messageLine_);
    resize(kClientWidth, kClientHeight);
    splitter_->setSizes({kNotebookWidth, kClientWidth - kNotebookWidth - kHandleWidth});

    resultsModel_->Fill(
        1, [](int, int column) { return column == 0 ? QString("no data") : QString("available"); });

    firstDrawTimer_.setSingleShot(true);
    firstDrawTimer_.setInterval(10);
    connect(&firstDrawTimer_, &QTimer::timeout, this, [this] { DrawFirstTime(); });
    firstDrawTimer_.start();
    // A new size of the paint box is drawn once the resizing pauses: a large mesh is not
    // drawn again at every step of a drag.
    resizeTimer_.setSingleShot(true);
    resizeTimer_.setInterval(kResizeDelayMs);
    connect(&resizeTimer_, &QTimer::timeout, this, [this] { FitPictureToPaintBox(); });
    // A large mesh takes seconds to draw: the wheel notches and drag steps that queue up
    // meanwhile change the view at once and are drawn together, once.
    viewTimer_.setSingleShot(true);
    viewTimer_.setInterval(0);
    connect(&viewTimer_, &QTimer::timeout, this, [this] {
        if (plot_) RedrawView();
    });
}

ResultsWindow::~ResultsWindow() {
    plot_.reset();
    canvas_.reset();
    if (painter_) painter_->end();
}

void ResultsWindow::BuildMessageLine() {
    messageLine_ = new QLabel(" no message", this);
    messageLine_->setObjectName("messageLine");
    messageLine_->setFixedHeight(kMsgPanelHeight);
    messageLine_->setFont(ClassicFontPixels(13));
    messageLine_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    messageLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    // Progress of a run, at the right end of the message line; shown only while the run
    // of this window goes on.
    progressBar_ = new QProgressBar(messageLine_);
    progressBar_->setObjectName("progressBar");
    progressBar_->setFixedSize(280, 23);
    progressBar_->setFont(ClassicFontPixels(11));
    progressBar_->hide();
    cancelButton_ = new QPushButton("Cancel", messageLine_);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setFixedSize(80, 25);
    cancelButton_->setFont(ClassicFontPixels(11));
    cancelButton_->setToolTip("stop the run");
    cancelButton_->hide();
    connect(cancelButton_, &QPushButton::clicked, this, [this] { Cancel(); });
    auto* row = new QHBoxLayout(messageLine_);
    row->setContentsMargins(0, 4, 8, 4);
    row->setSpacing(8);
    row->addStretch(1);
    row->addWidget(progressBar_);
    row->addWidget(cancelButton_);
}

// The drawing panel right of the splitter's handle; the places below are those of the
// panel at the default size, the handle's width to its left.
QWidget* ResultsWindow::BuildDrawingPanel() {
    auto* panel = new QWidget(this);  // the window's font from the start
    panel->setObjectName("drawingPanel");
    constexpr int dx = kHandleWidth;

    QLabel* legend = AddLabel(
        panel, "legend", "Constrained in GREEN, Initial in RED and Boundary in BLUE", 15 - dx, 4);
    QFont tahoma("Tahoma");
    tahoma.setPixelSize(11);
    legend->setFont(tahoma);
    legend->adjustSize();

    auto* frame = new QFrame(panel);
    frame->setObjectName("drawingFrame");
    frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    frame->setLineWidth(2);
    frame->setAutoFillBackground(true);
    QPalette white = frame->palette();
    white.setColor(QPalette::Window, Qt::white);
    frame->setPalette(white);
    paintBox_ = new PaintBox(
        image_,
        [this] {
            if (!plot_ && drawingStatus_->text() != "plot not initialised")
                drawingStatus_->setText("plot not initialised");
        },
        frame);
    paintBox_->setObjectName("paintBox");
    paintBox_->setMinimumSize(kMinPaintWidth, kMinPaintHeight);
    paintBox_->installEventFilter(this);
    auto* inside = new QVBoxLayout(frame);
    const int m = kPaintBoxInset - frame->frameWidth();  // the margins count from the bevel
    inside->setContentsMargins(m, m, m, m);
    inside->addWidget(paintBox_);
    surfacePane_ = new SurfacePane(frame);

    // Below the drawing: what the run gave (left) and the scene's controls (right).
    auto* facts = new QWidget(panel);
    facts->setFixedSize(324 - dx, kFactsHeight);
    constexpr int top = 502;
    drawingStatus_ = AddLabel(facts, "drawingStatus", "Label2", 8 - dx, 512 - top);
    drawingStatus_->setFixedSize(310, 16);  // clear of the area labels below
    iterationsField_ = new QLineEdit("0", facts);
    iterationsField_->setObjectName("iterationsField");
    iterationsField_->setGeometry(8 - dx, 536 - top, 73, 24);
    iterationsField_->setFont(ClassicFontPixels(13));
    iterationsField_->setEnabled(false);
    AddLabel(facts, "iterationsLabel", "iterations", 87 - dx, 540 - top);
    flatAreaLabel_ = AddLabel(facts, "flatAreaLabel", "initial area : ", 160 - dx, 528 - top);
    flatAreaLabel_->setFont(ClassicFontPixels(11));
    finalAreaLabel_ = AddLabel(facts, "finalAreaLabel", "final area : ", 160 - dx, 552 - top);
    finalAreaLabel_->setFont(ClassicFontPixels(11));
    solverLabel_ = AddLabel(facts, "solverLabel", "", 8 - dx, 563 - top);
    solverLabel_->setFont(ClassicFontPixels(11));
    solverLabel_->setToolTip("the linear solver of the run");

    auto* group = new QGroupBox("Show 3D-VRML model", panel);
    group->setObjectName("sceneGroup");
    group->setFixedSize(321, 77);
    group->setFont(ClassicFontPixels(11));
    numberingCheck_ = new QCheckBox("show numbering", group);
    numberingCheck_->setObjectName("numberingCheck");
    numberingCheck_->move(8, 16);
    axesCheck_ = new QCheckBox("show xyz-axis", group);
    axesCheck_->setObjectName("axesCheck");
    axesCheck_->move(8, 32);
    axesCheck_->setChecked(true);
    deformedCheck_ = new QCheckBox("show deformed state", group);
    deformedCheck_->setObjectName("deformedCheck");
    deformedCheck_->move(8, 48);
    deformedCheck_->setChecked(true);
    for (QCheckBox* box : {numberingCheck_, axesCheck_, deformedCheck_}) box->adjustSize();
    scaleField_ = new NumberEdit(group);
    scaleField_->setObjectName("scaleField");
    scaleField_->SetKind(NumberKind::Real);
    scaleField_->SetMax(100.0);
    scaleField_->SetText("1.0");
    scaleField_->setGeometry(137, 46, 49, 21);
    scaleField_->setToolTip("displacement times scale are shown");
    AddLabel(group, "scaleLabel", "scaling", 193, 50);
    showButton_ = new QPushButton("Show", group);
    showButton_->setObjectName("showButton");
    showButton_->setGeometry(257, 43, 56, 25);
    showButton_->setToolTip("view model with VRML plug in in your web browser");
    connect(deformedCheck_, &QCheckBox::toggled, this,
            [this](bool on) { scaleField_->setEnabled(on); });
    connect(showButton_, &QPushButton::clicked, this, [this] { ShowScene(); });

    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(0);
    bottom->addWidget(facts);
    bottom->addStretch(1);
    bottom->addWidget(group, 0, Qt::AlignTop);
    bottom->addSpacing(kGroupRightMargin);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, kLegendHeight, 0, 0);
    column->setSpacing(0);
    // The frame's right margin is the group box's.
    auto* drawingRow = new QHBoxLayout;
    drawingRow->addWidget(frame, 1);
    drawingRow->addSpacing(kFrameRightMargin);
    column->addLayout(drawingRow, 1);
    column->addLayout(bottom);
    return panel;
}

void ResultsWindow::BuildGrids() {
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("tables");
    tabs_->tabBar()->setFont(ClassicFontPixels(11));
    // All pages reachable at a glance: the tabs share the width (their captions shortened
    // when they must be) instead of hiding behind scroll arrows.
    tabs_->tabBar()->setUsesScrollButtons(false);
    tabs_->tabBar()->setElideMode(Qt::ElideRight);
    tabs_->tabBar()->setExpanding(true);
    // Narrower only in a window made small (a small or scaled screen): the captions then
    // shorten and the grids scroll.
    tabs_->setMinimumWidth(kLeastNotebookWidth);
    auto* narrow = new NarrowTabs;
    narrow->setParent(tabs_->tabBar());
    tabs_->tabBar()->setStyle(narrow);
    struct Page {
        const char* caption;
        const char* name;
        GridModel** model;
        QTableView** grid;
        int columns;
        QRect place;  // at the default size; the height grows with the window
        std::vector<std::pair<const char*, int>> labels;
    };
    // Short captions that the notebook's width shows whole; the tool tips name the tables.
    Page pages[] = {
        {"Results",
         "resultsGrid",
         &resultsModel_,
         &resultsGrid_,
         2,
         {8, 24, 265, 525},
         {{"node", 16}, {"z-value", 104}}},
        {"Nodes",
         "coordinatesGrid",
         &coordinatesModel_,
         &coordinatesGrid_,
         3,
         {8, 24, 265, 525},
         {{"node", 24}, {"x", 128}, {"y", 200}}},
        {"Elements", "elementsGrid", &elementsModel_, &elementsGrid_, 4, {8, 24, 345, 525}, {}},
        {"Constraints",
         "constraintsGrid",
         &constraintsModel_,
         &constraintsGrid_,
         1,
         {64, 24, 105, 525},
         {}},
        {"Initial",
         "initialGrid",
         &initialModel_,
         &initialGrid_,
         2,
         {8, 24, 305, 525},
         {{"node", 32}, {"z-value", 120}, {"comment", 216}}},
    };
    convergencePlot_ = new ConvergencePlot;
    for (Page& page : pages) {
        auto* widget = new QWidget;
        *page.model = new GridModel(page.columns, this);
        QTableView* grid = MakeGrid(widget, *page.model);
        grid->setObjectName(QLatin1String(page.name));
        *page.grid = grid;
        grid->setProperty(kDesignWidth, page.place.width());
        FitGridWidth(*grid, page.place.width());
        // The grid as wide as its columns where the page has the room, left-aligned.
        auto* place = new QHBoxLayout(widget);
        place->setContentsMargins(page.place.left(), page.place.top(), 0, kGridBottomMargin);
        place->setSpacing(0);
        place->addWidget(grid, 1000);
        place->addStretch(1);
        for (auto [text, x] : page.labels) AddLabel(widget, "", text, x, 5);
        static const std::map<std::string, QString> tips = {
            {"Results", "Results: the computed heights"},
            {"Nodes", "Coordinates of the nodes"},
            {"Elements", "Elements: the triangles' nodes"},
            {"Constraints", "Constraints: the held nodes"},
            {"Initial", "Initial Displacements: the start heights"}};
        tabs_->setTabToolTip(tabs_->addTab(widget, page.caption), tips.at(page.caption));
        // Keyboard and mouse move the current row; a click on the row that is already
        // current marks it again when something else has been marked since.
        connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, grid](const QModelIndex& current) { SelectRow(grid, current.row()); });
        connect(grid, &QTableView::clicked, this, [this, grid](const QModelIndex& index) {
            if (lastMarked_ != std::make_pair(grid, index.row())) SelectRow(grid, index.row());
        });
    }
    tabs_->addTab(convergencePlot_, "Convergence");
}

void ResultsWindow::FitToScreen() {
    const QScreen* shown = screen();
    if (!shown) return;
    // Room for the window's frame and title bar, which the window manager adds.
    constexpr int kFrameRoom = 16, kTitleRoom = 48;
    const QRect room = shown->availableGeometry();
    const QSize fits(std::min(width(), room.width() - kFrameRoom),
                     std::min(height(), room.height() - kTitleRoom));
    if (fits == size()) return;
    resize(fits.expandedTo(minimumSizeHint()));
    move(
        room.left() + std::max(0, std::min(x() - room.left(), room.width() - width() - kFrameRoom)),
        room.top() +
            std::max(0, std::min(y() - room.top(), room.height() - height() - kTitleRoom)));
}

void ResultsWindow::FitNotebook() {
    int wanted = kNotebookWidth;  // taken back when a window made small grows again
    for (QTableView* grid :
         {resultsGrid_, coordinatesGrid_, elementsGrid_, constraintsGrid_, initialGrid_}) {
        const QWidget* page = grid->parentWidget();
        wanted = std::max(wanted, grid->maximumWidth() + page->layout()->contentsMargins().left() +
                                      (tabs_->width() - tabs_->currentWidget()->width()) + 4);
    }
    const QList<int> sizes = splitter_->sizes();
    if (sizes.size() != 2 || wanted <= sizes[0]) return;
    const int drawingLeast = splitter_->widget(1)->minimumSizeHint().width();
    const int room = sizes[0] + sizes[1] - drawingLeast;
    const int notebook = std::min(wanted, room);
    if (notebook > sizes[0]) splitter_->setSizes({notebook, sizes[0] + sizes[1] - notebook});
}

void ResultsWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitNotebook();
}

void ResultsWindow::ShowMessage(const std::string& text) {
    messageLine_->setText(Q(" " + text));
    if (reporting_) ShowProgress(text);
}

void ResultsWindow::ShowProgress(const std::string& text) {
    int iteration = 0;
    std::string phase;
    if (!ParseIterationLine(text, iteration, phase)) {
        // Between the iterations the bar names the phase the run is in: a harmonic start
        // of a large model takes as long as an iteration.
        static const std::string harmonic = "HARMONIC START : ";
        if (text.rfind(harmonic, 0) == 0)
            progressBar_->setFormat(Q("start heights : " + text.substr(harmonic.size())));
        else if (text.find("starting again") != std::string::npos)
            progressBar_->setFormat("starting again with a line search");
        else if (text.rfind("waiting", 0) == 0)
            progressBar_->setFormat(Q(text));
        return;
    }
    // Two phases per iteration; the limit of iterations is the end of the bar (a run that
    // converges earlier simply ends before the bar is full).
    const int limit = std::max(1, maxIterations_);
    progressBar_->setRange(0, 2 * limit);
    const int done = 2 * (iteration - 1) + (phase == "Assemble" ? 0 : 1);
    progressBar_->setValue(std::clamp(done, 0, 2 * limit));
    progressBar_->setFormat(
        QString("iteration %1 of %2 : %3").arg(iteration).arg(limit).arg(Q(phase)));
}

bool ResultsWindow::CancelRequested() {
    return cancelRequested_;
}

void ResultsWindow::Cancel() {
    if (!reporting_) return;
    cancelRequested_ = true;
    cancelButton_->setEnabled(false);
    progressBar_->setFormat(QString("cancelling ..."));
    emit CancelAsked();
}

void ResultsWindow::RunStarted(int maxIterations) {
    reporting_ = true;
    runEnded_ = false;
    cancelRequested_ = false;
    closeAfterRun_ = false;
    maxIterations_ = maxIterations;
    progressBar_->setRange(0, 2 * std::max(1, maxIterations));
    progressBar_->setValue(0);
    progressBar_->setFormat("reading the model");
    progressBar_->show();
    cancelButton_->setEnabled(true);
    cancelButton_->show();
    showButton_->setEnabled(false);
}

void ResultsWindow::RunEnded(const RunResult& result) {
    reporting_ = false;
    runEnded_ = true;
    outcomeState_ = OutcomeState(result);
    messageLine_->setText(" " + OutcomeLine(result));
    // The steps that ran, whether or not they gave a membrane.
    iterationsField_->setText(QString::number(result.iterations));
    model_ = result.model;
    modelLoaded_ = result.modelLoaded;
    solution_ = result.solution;
    settings_ = result.settings;
    convergencePlot_->SetHistory(result.history, result.settings.accuracy);
    progressBar_->hide();
    cancelButton_->hide();
    showButton_->setEnabled(true);
    surfacePane_->Show(model_, solution_);
    // The solver that ran, in the words of the command line's summary; nothing when the
    // run made no Newton step.
    solverLabel_->setText(result.solver == SolverChoice::Auto
                              ? QString()
                              : QStringLiteral("solver: ") +
                                    QString::fromLatin1(ChoiceName(result.solver).data(),
                                                        ChoiceName(result.solver).size()));
    solverLabel_->adjustSize();
    // The timer may have drawn the mesh while the run was going; draw it again with the
    // run's outcome, at the timer, so that the end of a run (a cancel above all) is not
    // held up by the drawing of a large mesh.
    lastMarked_ = {nullptr, -1};
    firstDrawTimer_.start();
    if (closeAfterRun_) close();
}

void ResultsWindow::closeEvent(QCloseEvent* event) {
    if (reporting_) {
        // The run still writes into this window: stop it first, close when it has ended.
        closeAfterRun_ = true;
        Cancel();
        event->ignore();
        return;
    }
    // The plotting object goes with the window.
    plot_.reset();
    canvas_.reset();
    if (painter_) painter_->end();
    painter_.reset();
    event->accept();
}

void ResultsWindow::ShowInput(std::shared_ptr<const Model> model, bool loaded) {
    model_ = std::move(model);
    modelLoaded_ = loaded;
    if (!model_->nodes.Empty()) FillCoordinatesGrid(*model_);
    if (!model_->complete) return;
    FillElementsGrid(*model_);
    FillConstraintsGrid(*model_);
    FillInitialGrid(*model_);
}

// The grids read the model they were filled from: the window keeps it, so a grid of a
// million nodes costs no copy.
void ResultsWindow::FillCoordinatesGrid(const Model& model) {
    const NodeTable& nodes = model.nodes;
    coordinatesModel_->Fill(nodes.Count(), [model = model_, &nodes](int row, int column) {
        const NodeEntry& node = nodes.Nodes()[row];
        if (column == 0) return Q("node " + std::to_string(node.number));
        return Q(FormatFixed(column == 1 ? node.x : node.y, 8, 3));
    });
    NumberRange numbers;
    for (const NodeEntry& node : nodes.Nodes()) numbers.Add(node.number);
    const PlanExtent& e = nodes.Extent();
    FitColumn(*coordinatesGrid_, 0, "node " + numbers.Widest());
    FitColumn(*coordinatesGrid_, 1, WidestFixed(e.xMin, e.xMax, 8, 3));
    FitColumn(*coordinatesGrid_, 2, WidestFixed(e.yMin, e.yMax, 8, 3));
    FitGrid(*coordinatesGrid_);
    coordinatesGrid_->repaint();
}

void ResultsWindow::FillElementsGrid(const Model& model) {
    const ElementTable& table = model.elements;
    elementsModel_->Fill(table.Count(), [model = model_, &table](int row, int column) {
        const ElementEntry& element = table.Elements()[row];
        const auto nodes = table.NodesOf(element);
        const std::int32_t value =
            column == 0
                ? element.number
                : (static_cast<std::size_t>(column) <= nodes.size() ? nodes[column - 1] : 0);
        return Q((column == 0 ? "elnr " : "node ") + std::to_string(value));
    });
    NumberRange numbers;
    for (const ElementEntry& element : table.Elements()) {
        numbers.Add(element.number);
        for (std::int32_t node : table.NodesOf(element)) numbers.Add(node);
    }
    for (int column = 0; column < elementsModel_->columnCount(); ++column)
        FitColumn(*elementsGrid_, column, "node " + numbers.Widest());
    FitGrid(*elementsGrid_);
    elementsGrid_->repaint();
}

void ResultsWindow::FillConstraintsGrid(const Model& model) {
    const IntList& held = model.constraints;
    constraintsModel_->Fill(held.Count(), [model = model_, &held](int row, int) {
        return Q("node " + std::to_string(held.Entries()[row].value));
    });
    NumberRange numbers;
    for (const auto& entry : held.Entries()) numbers.Add(entry.value);
    FitColumn(*constraintsGrid_, 0, "node " + numbers.Widest());
    FitGrid(*constraintsGrid_);
    constraintsGrid_->repaint();
}

void ResultsWindow::FillInitialGrid(const Model& model) {
    auto held = std::make_shared<KeyIndex>();
    for (const auto& entry : model.constraints.Entries()) held->Set(entry.value, 0);
    const RealList& initial = model.initial;
    initialModel_->Fill(initial.Count(), [model = model_, &initial, held](int row, int column) {
        const auto& entry = initial.Entries()[row];
        if (column == 0) return Q("node " + std::to_string(entry.key));
        const bool constrained = held->Find(entry.key) != KeyIndex::kNone;
        return Q(FormatFixed(entry.value, 16, 8) + (constrained ? " *constrained*" : ""));
    });
    NumberRange numbers;
    double lowest = 0, highest = 0;
    bool anyHeld = false;
    for (const auto& entry : initial.Entries()) {
        numbers.Add(entry.key);
        lowest = std::min(lowest, entry.value);
        highest = std::max(highest, entry.value);
        anyHeld = anyHeld || held->Find(entry.key) != KeyIndex::kNone;
    }
    FitColumn(*initialGrid_, 0, "node " + numbers.Widest());
    FitColumn(*initialGrid_, 1,
              WidestFixed(lowest, highest, 16, 8) + (anyHeld ? " *constrained*" : ""));
    FitGrid(*initialGrid_);
    initialGrid_->repaint();
}

void ResultsWindow::SetFlatArea(const std::string& text) {
    flatAreaLabel_->setText(Q(text));
    flatAreaLabel_->adjustSize();
}

void ResultsWindow::SetFinalArea(const std::string& text) {
    finalAreaLabel_->setText(Q(text));
    finalAreaLabel_->adjustSize();
}

void ResultsWindow::ShowResults(std::shared_ptr<const Solution> solution) {
    solution_ = std::move(solution);
    iterationsField_->setText(QString::number(solution_->iterations));
    // Every node in ascending node number (for nodes numbered 1..N exactly the rows
    // "node 1" to "node N"), with its computed height.
    std::vector<std::pair<std::int32_t, double>> rows;
    const auto& nodes = model_->nodes.Nodes();
    rows.reserve(nodes.size());
    for (std::size_t k = 0; k < nodes.size(); ++k)
        rows.emplace_back(nodes[k].number, solution_->heights[k]);
    std::sort(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.first < b.first; });
    rows.erase(
        std::unique(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.first == b.first; }),
        rows.end());
    auto shared = std::make_shared<decltype(rows)>(std::move(rows));
    resultsModel_->Fill(static_cast<int>(shared->size()), [shared](int row, int column) {
        const auto& [node, height] = (*shared)[row];
        if (column == 0) return Q("node " + std::to_string(node));
        return Q(FormatFixed(height, 16, 8));
    });
    double lowest = 0, highest = 0;
    for (const auto& [node, height] : *shared) {
        lowest = std::min(lowest, height);
        highest = std::max(highest, height);
    }
    FitColumn(*resultsGrid_, 0,
              "node " + WidestNumber(shared->empty() ? 0 : shared->front().first,
                                     shared->empty() ? 0 : shared->back().first));
    FitColumn(*resultsGrid_, 1, WidestFixed(lowest, highest, 16, 8), kHeightColumnWidth);
    FitGrid(*resultsGrid_);
    resultsGrid_->repaint();
}

QString ResultsWindow::CellText(QTableView* grid, int row, int column) {
    return static_cast<GridModel*>(grid->model())->Text(row, column);
}

void ResultsWindow::SelectRow(QTableView* grid, int row) {
    Guarded(messages_, [&] { MarkRow(grid, row); });
}

void ResultsWindow::MarkRow(QTableView* grid, int row) {
    int number = 0;
    const bool elements = grid == elementsGrid_;
    std::string s = CellText(grid, row, 0).toStdString();
    if (s.find(elements ? "elnr" : "node") != std::string::npos) {
        NormalizeSpaces(s);
        if (CountWords(s) == 2 && IsInteger(GetWord(2, s)))
            number = ConvertInteger(GetWord(2, s)).value;
    }
    if (!plot_) return;
    viewTimer_.stop();  // drawn here, in the current view
    lastMarked_ = {grid, row};
    const ModelMeshSource source(model_.get(), DrawnRun());
    std::optional<std::string> status =
        elements ? HighlightElement(*plot_, source, number) : HighlightNode(*plot_, source, number);
    if (status) drawingStatus_->setText(StatusText(*status));
    paintBox_->update();
}

bool ResultsWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != paintBox_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::Resize:
            resizeTimer_.start();
            return false;
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(event);
            ZoomAt(wheel->position(), std::pow(kWheelZoom, wheel->angleDelta().y() / 120.0));
            return true;
        }
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            pressed_ = true;
            dragging_ = false;
            pressedAt_ = draggedTo_ = mouse->position();
            return true;
        }
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!pressed_) return false;
            const QPointF at = mouse->position();
            if (!dragging_ && (at - pressedAt_).manhattanLength() < kDragStart) return true;
            dragging_ = true;
            PanBy(at - draggedTo_);
            draggedTo_ = at;
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!pressed_ || mouse->button() != Qt::LeftButton) return false;
            pressed_ = false;
            if (!dragging_) PickAt(mouse->position());
            dragging_ = false;
            return true;
        }
        case QEvent::MouseButtonDblClick:
            if (plot_) {
                plot_->SetView({});
                RedrawView();
            }
            return true;
        default:
            return false;
    }
}

void ResultsWindow::ZoomAt(QPointF at, double factor) {
    if (!plot_) return;
    PlotView view = plot_->View();
    const double zoom = std::clamp(view.zoom * factor, kMinZoom, kMaxZoom);
    const double f = zoom / view.zoom;
    // The device point p = centre + pan + zoom (p0 - centre) stays at `at`.
    const QPointF centre(0.5 * image_.width(), 0.5 * image_.height());
    const QPointF pan = (at - centre) - f * (at - centre - QPointF(view.panX, view.panY));
    plot_->SetView({.zoom = zoom, .panX = pan.x(), .panY = pan.y()});
    viewTimer_.start();
}

void ResultsWindow::PanBy(QPointF by) {
    if (!plot_) return;
    PlotView view = plot_->View();
    view.panX += by.x();
    view.panY += by.y();
    plot_->SetView(view);
    viewTimer_.start();
}

void ResultsWindow::RedrawView() {
    Guarded(messages_, [&] {
        if (lastMarked_.first) {
            MarkRow(lastMarked_.first, lastMarked_.second);
        } else {
            plot_->Clear();
            Redraw();
        }
    });
}

void ResultsWindow::PickAt(QPointF at) {
    if (!plot_ || !model_ || reporting_) return;
    double wx = at.x(), wy = at.y();
    if (!plot_->DeviceToWorld(wx, wy)) return;
    // The node nearest to the click on the picture, when it lies within a few pixels.
    const auto& nodes = model_->nodes.Nodes();
    int nearest = -1;
    double best = kPickRadius * kPickRadius;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        double x = nodes[k].x, y = nodes[k].y;
        if (!plot_->WorldToDevice(x, y)) return;
        const double d = (x - at.x()) * (x - at.x()) + (y - at.y()) * (y - at.y());
        if (d <= best) {
            best = d;
            nearest = static_cast<int>(k);
        }
    }
    if (nearest >= 0 && coordinatesModel_->rowCount() == static_cast<int>(nodes.size()))
        return SelectGridRow(coordinatesGrid_, nearest);
    // Otherwise the triangle under the click (the sign of the three edge products).
    const ElementTable& elements = model_->elements;
    if (elementsModel_->rowCount() != elements.Count()) return;
    for (int row = 0; row < elements.Count(); ++row) {
        const auto corners = elements.NodesOf(elements.Elements()[row]);
        if (corners.size() != 3) continue;
        const NodeEntry* p[3];
        bool all = true;
        for (int i = 0; i < 3; ++i) all = (p[i] = model_->nodes.Find(corners[i])) && all;
        if (!all) continue;
        double side[3];
        for (int i = 0; i < 3; ++i) {
            const NodeEntry& a = *p[i];
            const NodeEntry& b = *p[(i + 1) % 3];
            side[i] = (b.x - a.x) * (wy - a.y) - (b.y - a.y) * (wx - a.x);
        }
        const bool left = side[0] >= 0 && side[1] >= 0 && side[2] >= 0;
        const bool right = side[0] <= 0 && side[1] <= 0 && side[2] <= 0;
        if (left || right) return SelectGridRow(elementsGrid_, row);
    }
}

void ResultsWindow::SelectGridRow(QTableView* grid, int row) {
    tabs_->setCurrentWidget(grid->parentWidget());
    grid->selectRow(row);
    grid->scrollTo(grid->model()->index(row, 0));
    // Selecting the row that is already current changes nothing: mark it all the same.
    if (lastMarked_ != std::make_pair(grid, row)) SelectRow(grid, row);
}

RunStatus ResultsWindow::DrawnRun() const {
    RunStatus status{.modelLoaded = modelLoaded_, .resultsAvailable = solution_ != nullptr};
    if (solution_) status.walls = solution_->walls.elements;
    return status;
}

void ResultsWindow::Redraw() {
    viewTimer_.stop();
    const ModelMeshSource source(model_.get(), DrawnRun());
    drawingStatus_->setText(StatusText(DrawMesh(plot_.get(), source)));
    paintBox_->update();
}

QString ResultsWindow::StatusText(const std::string& drawn) const {
    // DrawMesh tells "drawing done" or "drawing skipped" for a model that loaded, then
    // whether there are results and a note in parentheses; the run's state is the
    // window's to tell.
    const std::size_t open = drawn.find(" (");
    const QString note = open == std::string::npos ? QString() : Q(drawn.substr(open));
    QString drawing;
    if (modelLoaded_ && drawn.rfind("drawing ", 0) == 0)
        drawing = Q(drawn.substr(0, drawn.find(' ', 8)));
    QString state;
    if (reporting_)
        state = "run going on";
    else if (runEnded_)
        state = outcomeState_;
    else if (model_ && !modelLoaded_)
        state = "input errors, no results";
    else if (!solution_)
        state = "no results";
    QString text = drawing;
    if (!state.isEmpty()) text += (text.isEmpty() ? "" : ", ") + state;
    return text + note;
}

void ResultsWindow::DrawFirstTime() {
    firstDrawTimer_.stop();
    Guarded(messages_, [&] { Draw(); });
}

void ResultsWindow::Draw() {
    if (!plot_)
        MakePlot();
    else
        plot_->Clear();
    Redraw();
}

void ResultsWindow::MakePlot() {
    painter_ = std::make_unique<QPainter>(&image_);
    // The painter stays open on the picture for the plotting object's lifetime: the canvas
    // draws through it at every command.
    canvas_ = std::make_unique<QtCanvas>(*painter_, image_.width(), image_.height());
    plot_ = std::make_unique<Plotter>(canvas_.get(), &messages_);
}

void ResultsWindow::FitPictureToPaintBox() {
    const QSize size = paintBox_->size();
    if (size == image_.size() || size.isEmpty()) return;
    // The plotting object maps onto a picture of one size: a new picture needs a new one,
    // which keeps the zoom and pan of the old.
    const bool drawn = plot_ != nullptr;
    const PlotView view = drawn ? plot_->View() : PlotView{};
    plot_.reset();
    canvas_.reset();
    if (painter_) painter_->end();
    painter_.reset();
    image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::white);
    // Before the first drawing (or while it is due) the timer draws at the new size.
    if (!drawn || DrawingDue()) {
        paintBox_->update();
        return;
    }
    Guarded(messages_, [&] {
        MakePlot();
        plot_->SetView(view);
    });
    if (plot_) RedrawView();
}

void ResultsWindow::ShowScene() {
    Guarded(messages_, [&] { WriteAndOpenScene(); });
    emit SceneShown(CurrentSceneChoices());
}

void ResultsWindow::SetSceneChoices(const SceneChoices& scene) {
    numberingCheck_->setChecked(scene.numbering);
    axesCheck_->setChecked(scene.axes);
    deformedCheck_->setChecked(scene.deformed);
    scaleField_->SetRealValue(scene.scale);
    scaleField_->SetText(QString::fromStdString(FormatGeneral(scene.scale)));
}

SceneChoices ResultsWindow::CurrentSceneChoices() const {
    return {.numbering = numberingCheck_->isChecked(),
            .axes = axesCheck_->isChecked(),
            .deformed = deformedCheck_->isChecked(),
            .scale = scaleField_->RealValue()};
}

void ResultsWindow::SetModelName(const QString& modelFile) {
    const QString name = QFileInfo(modelFile).fileName();
    setWindowTitle(name.isEmpty() ? QStringLiteral("membrane results")
                                  : name + QStringLiteral(" - membrane results"));
}

void ResultsWindow::WriteAndOpenScene() {
    if (reporting_ || !model_ || !modelLoaded_) return;
    double scale = -1;
    if (deformedCheck_->isChecked()) scale = scaleField_->RealValue();
    if (scale != -1 && scale == 0) scale = 10;
    const VrmlOptions options{.showNumbering = numberingCheck_->isChecked(),
                              .showAxes = axesCheck_->isChecked(),
                              .showDeformed = deformedCheck_->isChecked(),
                              .scale = scale};
    const VrmlExportResult result = ExportVrml(*model_, solution_.get(), options, messages_);
    // A scene broken off half-way was reported already; never hand it to the viewer.
    if (result != VrmlExportResult::WriteFailed) ShowVrml(*model_, opener_, messages_);
}

}  // namespace membrane
