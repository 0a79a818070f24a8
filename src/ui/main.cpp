// membrane-gui: the desktop program. The main window chooses the model file and the
// settings; every Run opens a results window and runs the model in it.
#include <QApplication>
#include <QLocale>
#include <clocale>

#include "common/run_state.h"
#include "solver/iteration.h"
#include "ui/main_window.h"
#include "ui/qt_services.h"
#include "ui/results_form.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("membrane");
    // Numbers are read and written with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, "C");

    membrane::RunState state;
    membrane::QtMessageSink messages;
    membrane::DesktopOpener opener;
    state.messages = &messages;

    membrane::TMainApp window;
    messages.SetOwner(&window);
    window.SetRunHandler([&](const std::string& modelFile) {
        membrane::ResetRun(state);
        state.settings = window.CurrentSettings();
        state.boundaryPointsPath = window.BoundaryPointsPath();
        auto* results = new membrane::TResultform(state, opener, &window);
        state.view = results;
        results->show();
        membrane::RunModel(state, modelFile, state.settings.accuracy);
    });
    window.show();
    return app.exec();
}
