#include "ui/main_window.h"

#include "ui/about_box.h"
#include "ui/classic_font.h"
#include "ui/clickable_label.h"
#include "ui/decimal_point.h"
#include "ui/defaults_form.h"
#include "ui/ui_hooks.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>

// Resources of a static library are linked only when something refers to them.
static void InitUiResources() { Q_INIT_RESOURCE(resources); }

namespace membrane {
namespace {

const QColor kMoneyGreen(192, 220, 192);
constexpr int kMinScreenWidth = 1024;
constexpr int kMinScreenHeight = 800;

#if defined(Q_OS_WIN)
const char* const kPlatform = " for Windows : ";
#elif defined(Q_OS_MACOS)
const char* const kPlatform = " for macOS : ";
#else
const char* const kPlatform = " for Linux : ";
#endif

QPlainTextEdit* MakeMemo(QWidget* page, const char* name, const QStringList& lines,
                         Qt::ScrollBarPolicy scrollBar) {
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(QLatin1String(name));
    memo->setGeometry(8, 1, 233, 296);
    memo->setFont(ClassicFontPoints(8));
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(scrollBar);
    memo->setPlainText(lines.join(QLatin1Char('\n')));
    return memo;
}

void Colour(QWidget* widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

ClickableLabel* MakeStepLabel(QWidget* parent, const char* name, const QString& text, int left, int top) {
    auto* label = new ClickableLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(ClassicFontPoints(10, true));
    label->move(left, top);
    label->adjustSize();
    return label;
}

// Lines of a text file; a final line end does not start another line.
QStringList SplitLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    return lines;
}

std::optional<QString> ShowOpenDialog(const OpenFileRequest& request) {
    QFileDialog dialog(request.owner, request.title, request.directory);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Any name may be typed; a file that cannot be read is reported by the caller, who
    // then shows the dialog again.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilter(request.filter);
    // A wildcard typed into the name field would replace the case-insensitive filter.
    if (!request.fileName.contains(QLatin1Char('*'))) dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

}  // namespace

QStringList TMainApp::ReadMeLines() {
    return {
        QStringLiteral("This application requires an input file"),
        QStringLiteral("which can be loaded with the File menu"),
        QStringLiteral("option. The optimal membrane can be"),
        QStringLiteral("computed with the menu option Run. The"),
        QStringLiteral("results are written to an outputfile [.OUT]"),
        QStringLiteral("and also to a 3D truss model file [*.TRS]."),
        QStringLiteral("With this latter file a 3D truss analysis of the"),
        QStringLiteral("can be obtianed with the Stavel programm."),
        QString(),
        QStringLiteral("The input file has a fixed syntax in which"),
        QStringLiteral("coordinates, elements, constraints "),
        QStringLiteral("and an initial displacement of the "),
        QStringLiteral("nodes of the membrane are specified. The"),
        QStringLiteral("initial condition for constrained nodes are"),
        QStringLiteral("permanent, the position of the unconstrained"),
        QStringLiteral("nodes are calculated."),
        QString(),
        QStringLiteral("The syntax is fixed and only limited checks"),
        QStringLiteral("are performed on the input. The number "),
        QStringLiteral("of lines in each table MUST be specified "),
        QStringLiteral("in the table header and should correspond "),
        QStringLiteral("to the actual specified number of lines. "),
        QString(),
        QStringLiteral("Models can be prepared with existing Mesh"),
        QStringLiteral("programmes which can be found on the"),
        QStringLiteral("internet e.g. Gmsh."),
    };
}

QStringList TMainApp::SyntaxLines() {
    return {
        QStringLiteral("The syntax is specified below. The"),
        QStringLiteral("current version uses a fixed format."),
        QStringLiteral("There are a few consistency checks"),
        QStringLiteral("but make sure the files are correct to"),
        QStringLiteral("avoid errors."),
        QString(),
        QStringLiteral("&COORDINATES n"),
        QStringLiteral("  node-nr     x      y"),
        QString(),
        QStringLiteral("&ELEMENTS n "),
        QStringLiteral("  nr    node-nr1   node-nr2  node-nr3"),
        QString(),
        QStringLiteral("&CONSTRAINTS n"),
        QStringLiteral("  node-nr"),
        QString(),
        QStringLiteral("&INITIAL n"),
        QStringLiteral("  node-nr   value"),
        QString(),
        QStringLiteral("note:"),
        QStringLiteral("1) After each table header it is"),
        QStringLiteral("   advised to add a few spaces"),
        QStringLiteral("2) Each data line within a table"),
        QStringLiteral("   should NOT contain spaces at"),
        QStringLiteral("   the end of the line."),
        QStringLiteral("3) To avoid errors use a generator"),
        QStringLiteral("    to create the ASCII text based "),
        QStringLiteral("    input file."),
    };
}

QStringList TMainApp::ExampleLines() {
    InitUiResources();
    QStringList lines{
        QStringLiteral("An example of a complete data file is "),
        QStringLiteral("given below. Use copy and paste to"),
        QStringLiteral("create a valid data file."),
        QString(),
    };
    QFile example(QStringLiteral(":/examples/TEST3.DAT"));
    if (example.open(QIODevice::ReadOnly))
        lines += SplitLines(QString::fromLatin1(example.readAll()));  // 8-bit text
    return lines;
}

QString TMainApp::PluginPageUrl() { return QStringLiteral("https://freewrl.sourceforge.io/"); }

QString TMainApp::OpenDialogFilter(const QString& name) {
    const QString description = name + QStringLiteral(" project (*.dat)");
#if defined(Q_OS_WIN)
    return description + QStringLiteral(" (*.DAT)");
#else
    // File names are case-sensitive here: "*.DAT" alone would hide "dome.dat".
    return description + QStringLiteral(" (*.[dD][aA][tT])");
#endif
}

TMainApp::TMainApp(QWidget* parent, const MainWindowStartup& startup) : QMainWindow(parent) {
    InitUiResources();
    setObjectName(QStringLiteral("MainApp"));
    programFile_ = startup.programFile.isEmpty() ? QCoreApplication::applicationFilePath() : startup.programFile;

    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("Client"));
    client->setFixedSize(647, 353);  // with the status bar below: 647 x 372
    client->setFont(ClassicFontPoints(8));
    setCentralWidget(client);
    CreateMenu();
    CreatePages(client);
    CreateIntroPanel(client);
    CreateStepPanel(client);
    CreateStatusBar();
    layout()->setSizeConstraint(QLayout::SetFixedSize);  // fixed single border

    FormCreate(startup);
}

void TMainApp::CreateMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    Open1 = file->addAction(QStringLiteral("Open"), this, &TMainApp::Open1Click);
    Open1->setObjectName(QStringLiteral("Open1"));
    Defaults1 = file->addAction(QStringLiteral("Defaults"), this, &TMainApp::Defaults1Click);
    Defaults1->setObjectName(QStringLiteral("Defaults1"));
    Exit1 = file->addAction(QStringLiteral("Exit"), this, &TMainApp::Exit1Click);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    Run1 = menuBar()->addAction(QStringLiteral("Run"), this, &TMainApp::Run1Click);
    Run1->setObjectName(QStringLiteral("Run1"));
    Help1 = menuBar()->addAction(QStringLiteral("Help"), this, &TMainApp::Help1Click);
    Help1->setObjectName(QStringLiteral("Help1"));
}

void TMainApp::CreatePages(QWidget* client) {
    PageControl1 = new QTabWidget(client);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(8, 8, 257, 337);
    struct Page {
        const char* tab;
        const char* memo;
        QStringList lines;
        QPlainTextEdit** field;
        // The read-me memo has no scroll bar of its own unless the fonts of this desktop
        // make its lines run past the bottom.
        Qt::ScrollBarPolicy scrollBar;
    };
    const Page pages[] = {
        {"ReadMe", "Memo1", ReadMeLines(), &Memo1, Qt::ScrollBarAsNeeded},
        {"Syntax", "Memo2", SyntaxLines(), &Memo2, Qt::ScrollBarAlwaysOn},
        {"Example", "Memo3", ExampleLines(), &Memo3, Qt::ScrollBarAlwaysOn},
    };
    for (const Page& page : pages) {
        auto* sheet = new QWidget;
        *page.field = MakeMemo(sheet, page.memo, page.lines, page.scrollBar);
        PageControl1->addTab(sheet, QLatin1String(page.tab));
    }
}

void TMainApp::CreateIntroPanel(QWidget* client) {
    IntroPanel = new QFrame(client);
    IntroPanel->setObjectName(QStringLiteral("IntroPanel"));
    IntroPanel->setGeometry(272, 8, 369, 113);
    IntroPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    IntroPanel->setAutoFillBackground(true);
    Colour(IntroPanel, QPalette::Window, kMoneyGreen);

    Image2 = new ClickableLabel(QString(), IntroPanel);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setGeometry(16, 16, 89, 26);
    Image2->setAlignment(Qt::AlignCenter);
    const QPixmap picture(QStringLiteral(":/images/intro.jpg"));
    if (!picture.isNull())
        Image2->setPixmap(picture.scaled(Image2->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    Image2->setToolTip(QStringLiteral("double click for website"));
    connect(Image2, &ClickableLabel::doubleClicked, this, &TMainApp::Image2DblClick);

    const QStringList sentence{
        QStringLiteral("To view the 3D model this "),
        QStringLiteral("program requires a web browser"),
        QStringLiteral("with a VRML plug in. Download the"),
        QString(),  // the link label
        QStringLiteral("if no VRML"),
        QStringLiteral("is already installed."),
    };
    for (int i = 0; i < sentence.size(); ++i) {
        const int top = 6 + 17 * i;
        if (i == 3) {
            Label42 = new ClickableLabel(QStringLiteral("FreeWRL VRML browser"), IntroPanel);
            Label42->setObjectName(QStringLiteral("Label42"));
            Label42->setFont(ClassicFontPoints(8, true, true));
            Colour(Label42, QPalette::WindowText, Qt::blue);
            Label42->setToolTip(QStringLiteral("go to the web site"));
            Label42->move(120, top);
            Label42->adjustSize();
            connect(Label42, &ClickableLabel::clicked, this, &TMainApp::Label42Click);
            continue;
        }
        auto* label = new QLabel(sentence[i], IntroPanel);
        label->setObjectName(QStringLiteral("IntroLabel%1").arg(i + 1));
        label->move(120, top);
        label->adjustSize();
    }
}

void TMainApp::CreateStepPanel(QWidget* client) {
    Panel2 = new QFrame(client);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(360, 152, 193, 121);
    Panel2->setFrameStyle(QFrame::Panel | QFrame::Raised);

    Panel3 = new QFrame(Panel2);
    Panel3->setObjectName(QStringLiteral("Panel3"));
    Panel3->setGeometry(40, 8, 9, 105);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel3->setAutoFillBackground(true);
    Colour(Panel3, QPalette::Window, kMoneyGreen);

    OpenLabel = MakeStepLabel(Panel2, "OpenLabel", QStringLiteral("read input file"), 64, 9);
    runlabel = MakeStepLabel(Panel2, "runlabel", QStringLiteral("calculate results"), 62, 49);
    ExitLabel = MakeStepLabel(Panel2, "ExitLabel", QStringLiteral("exit program"), 63, 89);
    connect(OpenLabel, &ClickableLabel::clicked, this, &TMainApp::OpenLabelClick);
    connect(runlabel, &ClickableLabel::clicked, this, &TMainApp::runlabelClick);
    connect(ExitLabel, &ClickableLabel::clicked, this, &TMainApp::ExitLabelClick);
    SetStep(OpenLabel, StepLook::Black, true);
    SetStep(runlabel, StepLook::Black, false);
    SetStep(ExitLabel, StepLook::Black, false);
}

void TMainApp::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->setSizeGripEnabled(false);
    StatusPanel1 = new QLabel(QStringLiteral(" membrane FEM"));
    StatusPanel1->setObjectName(QStringLiteral("StatusPanel1"));
    StatusPanel1->setFixedWidth(130);
    StatusPanel2 = new QLabel;
    StatusPanel2->setObjectName(QStringLiteral("StatusPanel2"));
    statusBar()->addWidget(StatusPanel1);
    statusBar()->addWidget(StatusPanel2, 1);
}

QString TMainApp::ProgramName() const { return QFileInfo(programFile_).completeBaseName(); }

void TMainApp::FormCreate(const MainWindowStartup& startup) {
    const QString programDir = QFileInfo(programFile_).absolutePath();
    boundaryPointsPath_ = QFile::encodeName(programDir + QStringLiteral("/BNDRYPTS.txt")).toStdString();

    ForceDotDecimalPoint();

    QSize screen = startup.screenSize.value_or(QSize());
    if (!startup.screenSize) {
        if (const QScreen* primary = QGuiApplication::primaryScreen()) screen = primary->size();
    }

    // A run needs sound settings and a chosen file on any screen: both are set up before
    // the small-screen warning ends the start-up.
    Run1->setEnabled(false);
    settings_ = Settings{};

    if (screen.width() < kMinScreenWidth || screen.height() < kMinScreenHeight) {
        ShowMessageBox(this, QStringLiteral("set screen resolution to at least 1024x800 pixels"), BoxKind::Error,
                       BoxButton::Cancel);
        return;
    }
    StatusPanel2->setText(QStringLiteral(" screenresolution :%1x%2").arg(screen.width()).arg(screen.height()));
    setWindowTitle(ProgramName());
}

// ---------------------------------------------------------------------------------------
// Commands

std::optional<QString> TMainApp::ChooseFile(const OpenFileRequest& request) {
    return fileChooser_ ? fileChooser_(request) : ShowOpenDialog(request);
}

void TMainApp::Open1Click() {
    if (runGoing_) return;
    const QString name = ProgramName();
    const OpenFileRequest request{this, QStringLiteral("Open File"), QFileInfo(programFile_).absolutePath(),
                                  OpenDialogFilter(name), QStringLiteral("*.dat")};
    for (;;) {
        const std::optional<QString> chosen = ChooseFile(request);
        if (!chosen) return;  // cancelled: nothing changes
        QFile file(*chosen);
        if (file.open(QIODevice::ReadOnly)) {
            file.close();
            TakeModelFile(*chosen);
            return;
        }
        ShowMessageBox(this, QStringLiteral("unkown file : ") + *chosen);
    }
}

bool TMainApp::SelectModelFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(this, QStringLiteral("unkown file : ") + path);
        return false;
    }
    file.close();
    TakeModelFile(path);
    return true;
}

void TMainApp::TakeModelFile(const QString& path) {
    const QFileInfo info(path);
    setWindowTitle(ProgramName() + QLatin1String(kPlatform) + info.fileName().toLower());
    modelFileName_ = QFile::encodeName(info.absoluteFilePath()).toStdString();
    Run1->setEnabled(true);
    SetStep(ExitLabel, StepLook::Black, false);
    SetStep(runlabel, StepLook::Black, true);
    SetStep(OpenLabel, StepLook::Grey, true);
}

void TMainApp::Run1Click() {
    // The run processes events between its phases; nothing may start another run, choose
    // another file or change the settings until it has ended.
    if (runGoing_) return;
    runGoing_ = true;
    const bool runEnabled = Run1->isEnabled();
    for (QAction* action : {Open1, Run1, Defaults1}) action->setEnabled(false);
    if (runHandler_) runHandler_(modelFileName_);
    runGoing_ = false;
    Open1->setEnabled(true);
    Defaults1->setEnabled(true);
    Run1->setEnabled(runEnabled);
    SetStep(OpenLabel, StepLook::Black, true);
    SetStep(runlabel, StepLook::Grey, runlabel->isVisibleTo(Panel2));
    SetStep(ExitLabel, StepLook::Black, true);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void TMainApp::Defaults1Click() {
    if (runGoing_) return;
    EditSettings(this, settings_);
}

void TMainApp::Help1Click() {
    TAboutBox about(this);
    RunModal(about);
}

void TMainApp::Exit1Click() { close(); }

void TMainApp::closeEvent(QCloseEvent* event) {
    if (runGoing_) {
        // Ending the program under a run would pull its windows and objects away: stop
        // the run and close when it has returned.
        closeAfterRun_ = true;
        if (cancelHandler_) cancelHandler_();
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TMainApp::Label42Click() { OpenExternalUrl(QUrl(PluginPageUrl())); }

void TMainApp::SetStep(QLabel* label, StepLook look, bool visible) {
    const QColor colour = look == StepLook::Black ? QColor(Qt::black)
                                                  : palette().color(QPalette::Disabled, QPalette::WindowText);
    Colour(label, QPalette::WindowText, colour);
    label->setVisible(visible);
}

}  // namespace membrane
