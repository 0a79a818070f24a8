// The main window: three help texts, the choice of the model file, the settings dialog,
// the about box and the start of a run. The run itself is handed to a run handler that
// opens its own results window.
#pragma once

#include <QMainWindow>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>

#include "desktop/stored_choices.h"
#include "heightfield/settings.h"

class QAction;
class QCloseEvent;
class QFrame;
class QLabel;
class QMenu;
class QSettings;

namespace membrane {

class ClickableLabel;

// What the window learns about its surroundings at creation; tests fill it in.
struct MainWindowStartup {
    QString programFile;              // empty: this executable's path
    std::optional<QSize> screenSize;  // empty: the primary screen's size
};

// What the open-file dialog is asked to show.
struct OpenFileRequest {
    QWidget* owner = nullptr;
    QString title;      // "Open File"
    QString directory;  // the program's directory
    QString filter;     // Qt name filter: description and patterns
    QString fileName;   // preset of the file name field
};

// Shows the dialog; returns the chosen path, or nothing when the user cancelled.
using OpenFileChooser = std::function<std::optional<QString>(const OpenFileRequest&)>;
// Runs the model file (full path; empty when no file was chosen yet).
using RunHandler = std::function<void(const std::string& modelFile)>;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr, const MainWindowStartup& startup = {});

    static QStringList ReadMeLines();
    static QStringList SyntaxLines();
    static QStringList ExampleLines();  // header lines, then the bundled example model
    static QString PluginPageUrl();
    // The filter of the open dialog for program name `name`.
    static QString OpenDialogFilter(const QString& name);

    // Full path of the chosen model file, empty until a file has been opened.
    const std::string& ModelFileName() const { return modelFileName_; }
    // Where the run writes the boundary points table: the program's directory.
    const std::string& BoundaryPointsPath() const { return boundaryPointsPath_; }
    const Settings& CurrentSettings() const { return settings_; }
    void SetCurrentSettings(const Settings& settings) { settings_ = settings; }

    // Keeps the settings, the scene options and the recent files in `store` (not owned;
    // null: kept in memory only) and takes over what it holds.
    void SetStore(QSettings* store);
    // The scene options the last "Show" used, for the next results window.
    const SceneChoices& Scene() const { return scene_; }
    void KeepScene(const SceneChoices& scene);
    // The 3D view choices of the last form-finding results window, for the next one.
    const FormViewChoices& FormChoices() const { return formView_; }
    void KeepFormView(const FormViewChoices& choices);
    // The model files opened last, newest first (File -> Recent files).
    const QStringList& RecentFiles() const { return recentFiles_; }

    void SetRunHandler(RunHandler handler) { runHandler_ = std::move(handler); }
    // Asks the run that is going to stop (used when the window is closed during a run).
    void SetCancelHandler(std::function<void()> handler) { cancelHandler_ = std::move(handler); }
    // True while a run goes on: Open, Run and Defaults are off until it has ended.
    bool RunGoing() const { return runGoing_; }
    // Replaces the open-file dialog; an empty chooser restores it.
    void SetFileChooser(OpenFileChooser chooser) { fileChooser_ = std::move(chooser); }

    // Takes `path` as if chosen in the open dialog (used for a model file named on the
    // command line). A file that cannot be read is reported and changes nothing.
    bool SelectModelFile(const QString& path);

    // The commands of the menu, of the step labels and of the link.
    void Open();
    void Run();
    // Runs `run` as Run runs its handler: Open, Run and Defaults off meanwhile, nothing
    // when a run goes on ("Run again" of a form-finding results window).
    void RunWith(const std::function<void()>& run);
    void EditDefaults();
    void ShowAbout();
    void Exit();
    void OpenPluginPage();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    enum class StepLook { Black, Grey };

    void CreateMenu();
    void CreatePages(QWidget* client);
    void CreateIntroPanel(QWidget* client);
    void CreateStepPanel(QWidget* client);
    void CreateStatusBar();
    void StartUp(const MainWindowStartup& startup);

    std::optional<QString> ChooseFile(const OpenFileRequest& request);
    void TakeModelFile(const QString& path);
    void SetStep(QLabel* label, StepLook look, bool visible);
    QString ProgramName() const;
    // Where the Open and Import dialogs start: the last model's folder.
    QString StartFolder() const;
    void Store();
    void FillRecentMenu();

    QAction* openAction_ = nullptr;
    QAction* defaultsAction_ = nullptr;
    QAction* runAction_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QFrame* stepPanel_ = nullptr;
    ClickableLabel* openStep_ = nullptr;
    ClickableLabel* runStep_ = nullptr;
    ClickableLabel* exitStep_ = nullptr;
    QLabel* screenText_ = nullptr;

    QString programFile_;
    std::string modelFileName_;
    std::string boundaryPointsPath_;
    Settings settings_;
    SceneChoices scene_;
    FormViewChoices formView_;
    QStringList recentFiles_;
    QSettings* store_ = nullptr;
    RunHandler runHandler_;
    OpenFileChooser fileChooser_;
    std::function<void()> cancelHandler_;
    bool runGoing_ = false;
    bool closeAfterRun_ = false;
    bool quitChosen_ = false;  // the user chose Quit at start-up

  public:
    // Whether the user chose Quit in the start-up's box about a small screen.
    bool QuitChosen() const { return quitChosen_; }
};

}  // namespace membrane
