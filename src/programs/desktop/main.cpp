// membrane-gui: the desktop program. The main window chooses the model file and the
// settings; every Run opens a results window and runs the model in it. A model file named
// on the command line is opened as if chosen in the open dialog.
#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <clocale>

#include "common/temp_registry.h"
#include "desktop/about_box.h"
#include "desktop/main_window.h"
#include "desktop/qt_services.h"
#include "desktop/run_wiring.h"
#include "desktop/settings_dialog.h"
#include "linalg/amg_system.h"

int main(int argc, char** argv) {
    membrane::AmgSystem::PrepareProcess();  // before any other thread
    QApplication app(argc, argv);
    QApplication::setApplicationName("membrane");
    // Numbers are read and written with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    // An interrupted run leaves no temporary file behind.
    membrane::RemoveTempFilesOnSignals();

    membrane::QtMessageSink messages;
    membrane::DesktopOpener opener(messages);

    // The settings, scene options and recent files of the last session.
    QSettings store(QStringLiteral("membrane"), QStringLiteral("membrane-gui"));
    membrane::MainWindow window;
    if (window.QuitChosen()) return 0;  // at the start-up's box about a small screen
    window.SetStore(&store);
    messages.SetOwner(&window);
    membrane::ConnectRuns(window, messages, opener);

    // The about box and the defaults dialog exist, hidden, from the start; the commands
    // show their own modal copies.
    auto* about = new membrane::AboutBox(&window);
    about->hide();
    auto* defaults = new membrane::SettingsDialog(&window, window.CurrentSettings());
    defaults->hide();

    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1) window.SelectModelFile(arguments.at(1));
    return app.exec();
}
