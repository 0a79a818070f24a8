#include "desktop/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>

#include "desktop/about_box.h"
#include "desktop/classic_font.h"
#include "desktop/clickable_label.h"
#include "desktop/decimal_point.h"
#include "desktop/settings_dialog.h"
#include "desktop/surface_files.h"
#include "desktop/ui_hooks.h"

// Resources of a static library are linked only when something refers to them.
static void InitUiResources() {
    Q_INIT_RESOURCE(resources);
}

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

ClickableLabel* MakeStepLabel(QWidget* parent, const char* name, const QString& text, int left,
                              int top) {
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

QStringList MainWindow::ReadMeLines() {
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

QStringList MainWindow::SyntaxLines() {
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

QStringList MainWindow::ExampleLines() {
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

QString MainWindow::PluginPageUrl() {
    return QStringLiteral("https://freewrl.sourceforge.io/");
}

QString MainWindow::OpenDialogFilter(const QString& name) {
    // A project (.DAT) or a form-finding model (.toml), in one filter.
    const QString description = name + QStringLiteral(" project (*.dat) or form model (*.toml)");
#if defined(Q_OS_WIN)
    return description + QStringLiteral(" (*.DAT *.toml)");
#else
    // File names are case-sensitive here: "*.DAT" alone would hide "dome.dat".
    return description + QStringLiteral(" (*.[dD][aA][tT] *.[tT][oO][mM][lL])");
#endif
}

MainWindow::MainWindow(QWidget* parent, const MainWindowStartup& startup) : QMainWindow(parent) {
    InitUiResources();
    setObjectName(QStringLiteral("MainApp"));
    programFile_ = startup.programFile.isEmpty() ? QCoreApplication::applicationFilePath()
                                                 : startup.programFile;

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

    StartUp(startup);
}

void MainWindow::CreateMenu() {
    // File, Run and Help as menus with mnemonics (Alt+F, Alt+R, Alt+H), each command with
    // its key.
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("fileMenu"));
    openAction_ = file->addAction(QStringLiteral("&Open..."), this, &MainWindow::Open);
    openAction_->setObjectName(QStringLiteral("openAction"));
    openAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    file->addAction(QStringLiteral("&Import..."), this,
                    [this] {
                        if (runGoing_) return;
                        if (const auto model = ImportSurfaceWithDialogs(this, StartFolder()))
                            SelectModelFile(*model);
                    })
        ->setObjectName(QStringLiteral("importAction"));
    recentMenu_ = file->addMenu(QStringLiteral("Recent &files"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    recentMenu_->setEnabled(false);
    defaultsAction_ =
        file->addAction(QStringLiteral("&Defaults..."), this, &MainWindow::EditDefaults);
    defaultsAction_->setObjectName(QStringLiteral("defaultsAction"));
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &MainWindow::Exit);
    exit->setObjectName(QStringLiteral("exitAction"));
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    QMenu* run = menuBar()->addMenu(QStringLiteral("&Run"));
    run->setObjectName(QStringLiteral("runMenu"));
    runAction_ = run->addAction(QStringLiteral("&Run the model"), this, &MainWindow::Run);
    runAction_->setObjectName(QStringLiteral("runAction"));
    runAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("helpMenu"));
    QAction* about =
        help->addAction(QStringLiteral("&About membrane"), this, &MainWindow::ShowAbout);
    about->setObjectName(QStringLiteral("helpAction"));
    about->setShortcut(QKeySequence(Qt::Key_F1));
    help->addAction(QStringLiteral("VRML &browser web site"), this, &MainWindow::OpenPluginPage)
        ->setObjectName(QStringLiteral("pluginAction"));
}

QString MainWindow::StartFolder() const {
    // The folder of the model opened last (the recent files are kept between sessions),
    // else the program's.
    if (!recentFiles_.isEmpty()) {
        const QFileInfo last(recentFiles_.constFirst());
        if (last.absoluteDir().exists()) return last.absolutePath();
    }
    return QFileInfo(programFile_).absolutePath();
}

void MainWindow::SetStore(QSettings* store) {
    store_ = store;
    if (!store_) return;
    const StoredChoices choices = LoadChoices(*store_);
    settings_ = choices.settings;
    scene_ = choices.scene;
    formView_ = choices.form;
    recentFiles_ = choices.recentFiles;
    FillRecentMenu();
}

void MainWindow::KeepScene(const SceneChoices& scene) {
    scene_ = scene;
    Store();
}

void MainWindow::KeepFormView(const FormViewChoices& choices) {
    formView_ = choices;
    Store();
}

void MainWindow::Store() {
    if (store_) SaveChoices(*store_, StoredChoices{settings_, scene_, recentFiles_, formView_});
}

void MainWindow::FillRecentMenu() {
    recentMenu_->clear();
    for (const QString& path : recentFiles_)
        // Taking the file fills this menu anew: not from inside its own action.
        recentMenu_->addAction(QDir::toNativeSeparators(path), this, [this, path] {
            QTimer::singleShot(0, this, [this, path] {
                if (!runGoing_) SelectModelFile(path);
            });
        });
    recentMenu_->setEnabled(!recentFiles_.isEmpty());
}

void MainWindow::CreatePages(QWidget* client) {
    auto* pages = new QTabWidget(client);
    pages->setObjectName(QStringLiteral("helpPages"));
    pages->setGeometry(8, 8, 257, 337);
    struct Page {
        const char* tab;
        const char* memo;
        QStringList lines;
        // The read-me memo has no scroll bar of its own unless the fonts of this desktop
        // make its lines run past the bottom.
        Qt::ScrollBarPolicy scrollBar;
    };
    const Page all[] = {
        {"ReadMe", "readMeText", ReadMeLines(), Qt::ScrollBarAsNeeded},
        {"Syntax", "syntaxText", SyntaxLines(), Qt::ScrollBarAlwaysOn},
        {"Example", "exampleText", ExampleLines(), Qt::ScrollBarAlwaysOn},
    };
    for (const Page& page : all) {
        auto* sheet = new QWidget;
        MakeMemo(sheet, page.memo, page.lines, page.scrollBar);
        pages->addTab(sheet, QLatin1String(page.tab));
    }
}

void MainWindow::CreateIntroPanel(QWidget* client) {
    auto* intro = new QFrame(client);
    intro->setObjectName(QStringLiteral("introPanel"));
    intro->setGeometry(272, 8, 369, 113);
    intro->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    intro->setAutoFillBackground(true);
    Colour(intro, QPalette::Window, kMoneyGreen);

    auto* picture = new ClickableLabel(QString(), intro);
    picture->setObjectName(QStringLiteral("introImage"));
    picture->setGeometry(16, 16, 89, 26);
    picture->setAlignment(Qt::AlignCenter);
    const QPixmap image(QStringLiteral(":/images/intro.jpg"));
    if (!image.isNull())
        picture->setPixmap(
            image.scaled(picture->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    picture->setToolTip(QStringLiteral("double click for website"));
    connect(picture, &ClickableLabel::doubleClicked, this, &MainWindow::OpenPluginPage);

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
            auto* link = new ClickableLabel(QStringLiteral("FreeWRL VRML browser"), intro);
            link->setObjectName(QStringLiteral("pluginLink"));
            link->setFont(ClassicFontPoints(8, true, true));
            Colour(link, QPalette::WindowText, Qt::blue);
            link->setToolTip(QStringLiteral("go to the web site"));
            link->move(120, top);
            link->adjustSize();
            connect(link, &ClickableLabel::clicked, this, &MainWindow::OpenPluginPage);
            continue;
        }
        auto* label = new QLabel(sentence[i], intro);
        label->setObjectName(QStringLiteral("introLine%1").arg(i + 1));
        label->move(120, top);
        label->adjustSize();
    }
}

void MainWindow::CreateStepPanel(QWidget* client) {
    stepPanel_ = new QFrame(client);
    stepPanel_->setObjectName(QStringLiteral("stepPanel"));
    stepPanel_->setGeometry(360, 152, 193, 121);
    stepPanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);

    auto* bar = new QFrame(stepPanel_);
    bar->setObjectName(QStringLiteral("stepBar"));
    bar->setGeometry(40, 8, 9, 105);
    bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bar->setAutoFillBackground(true);
    Colour(bar, QPalette::Window, kMoneyGreen);

    openStep_ = MakeStepLabel(stepPanel_, "openStep", QStringLiteral("read input file"), 64, 9);
    runStep_ = MakeStepLabel(stepPanel_, "runStep", QStringLiteral("calculate results"), 62, 49);
    exitStep_ = MakeStepLabel(stepPanel_, "exitStep", QStringLiteral("exit program"), 63, 89);
    connect(openStep_, &ClickableLabel::clicked, this, &MainWindow::Open);
    connect(runStep_, &ClickableLabel::clicked, this, &MainWindow::Run);
    connect(exitStep_, &ClickableLabel::clicked, this, &MainWindow::Exit);
    SetStep(openStep_, StepLook::Black, true);
    SetStep(runStep_, StepLook::Black, false);
    SetStep(exitStep_, StepLook::Black, false);
}

void MainWindow::CreateStatusBar() {
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->setSizeGripEnabled(false);
    auto* name = new QLabel(QStringLiteral(" membrane FEM"));
    name->setObjectName(QStringLiteral("programText"));
    name->setFixedWidth(130);
    screenText_ = new QLabel;
    screenText_->setObjectName(QStringLiteral("screenText"));
    statusBar()->addWidget(name);
    statusBar()->addWidget(screenText_, 1);
}

QString MainWindow::ProgramName() const {
    // The name the program is installed and started under, whatever its file is called.
    return QStringLiteral("membrane");
}

void MainWindow::StartUp(const MainWindowStartup& startup) {
    const QString programDir = QFileInfo(programFile_).absolutePath();
    boundaryPointsPath_ =
        QFile::encodeName(programDir + QStringLiteral("/BNDRYPTS.txt")).toStdString();

    ForceDotDecimalPoint();

    QSize screen = startup.screenSize.value_or(QSize());
    if (!startup.screenSize) {
        if (const QScreen* primary = QGuiApplication::primaryScreen()) screen = primary->size();
    }

    // A run needs sound settings and a chosen file on any screen: both are set up before
    // the small-screen warning ends the start-up.
    runAction_->setEnabled(false);
    settings_ = Settings{};

    // A small screen (or a large scale factor) may not show the windows whole: the user
    // chooses whether to go on.
    if (screen.width() < kMinScreenWidth || screen.height() < kMinScreenHeight) {
        const QString text =
            QStringLiteral(
                "The screen has room for %1 x %2 pixels (at the desktop's scale); "
                "the windows are laid out for at least 1024 x 800 and may not fit.")
                .arg(screen.width())
                .arg(screen.height());
        if (!ShowMessageBox(this, text, BoxKind::Warning, BoxButton::ContinueOrQuit)) {
            quitChosen_ = true;
            QTimer::singleShot(0, this, &MainWindow::close);
            return;
        }
    }
    screenText_->setText(
        QStringLiteral(" screenresolution :%1x%2").arg(screen.width()).arg(screen.height()));
    setWindowTitle(ProgramName());
}

// ---------------------------------------------------------------------------------------
// Commands

std::optional<QString> MainWindow::ChooseFile(const OpenFileRequest& request) {
    return fileChooser_ ? fileChooser_(request) : ShowOpenDialog(request);
}

void MainWindow::Open() {
    if (runGoing_) return;
    const QString name = ProgramName();
    const OpenFileRequest request{this, QStringLiteral("Open File"), StartFolder(),
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

bool MainWindow::SelectModelFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessageBox(this, QStringLiteral("unkown file : ") + path);
        return false;
    }
    file.close();
    TakeModelFile(path);
    return true;
}

void MainWindow::TakeModelFile(const QString& path) {
    const QFileInfo info(path);
    setWindowTitle(ProgramName() + QLatin1String(kPlatform) + info.fileName());
    modelFileName_ = QFile::encodeName(info.absoluteFilePath()).toStdString();
    recentFiles_ = WithRecentFile(recentFiles_, info.absoluteFilePath());
    FillRecentMenu();
    Store();
    runAction_->setEnabled(true);
    SetStep(exitStep_, StepLook::Black, false);
    SetStep(runStep_, StepLook::Black, true);
    SetStep(openStep_, StepLook::Grey, true);
}

void MainWindow::Run() {
    RunWith([this] {
        if (runHandler_) runHandler_(modelFileName_);
    });
}

void MainWindow::RunWith(const std::function<void()>& run) {
    // The run processes events between its phases; nothing may start another run, choose
    // another file or change the settings until it has ended.
    if (runGoing_) return;
    runGoing_ = true;
    const bool runEnabled = runAction_->isEnabled();
    for (QAction* action : {openAction_, runAction_, defaultsAction_}) action->setEnabled(false);
    recentMenu_->setEnabled(false);
    run();
    runGoing_ = false;
    recentMenu_->setEnabled(!recentFiles_.isEmpty());
    openAction_->setEnabled(true);
    defaultsAction_->setEnabled(true);
    runAction_->setEnabled(runEnabled);
    SetStep(openStep_, StepLook::Black, true);
    SetStep(runStep_, StepLook::Grey, runStep_->isVisibleTo(stepPanel_));
    SetStep(exitStep_, StepLook::Black, true);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void MainWindow::EditDefaults() {
    if (runGoing_) return;
    if (EditSettings(this, settings_)) Store();
}

void MainWindow::ShowAbout() {
    AboutBox about(this);
    RunModal(about);
}

void MainWindow::Exit() {
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
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

void MainWindow::OpenPluginPage() {
    OpenExternalUrl(QUrl(PluginPageUrl()));
}

void MainWindow::SetStep(QLabel* label, StepLook look, bool visible) {
    const QColor colour = look == StepLook::Black
                              ? QColor(Qt::black)
                              : palette().color(QPalette::Disabled, QPalette::WindowText);
    Colour(label, QPalette::WindowText, colour);
    label->setVisible(visible);
}

}  // namespace membrane
