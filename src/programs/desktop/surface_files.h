// File -> Import of the main window and Export of the results window: the file dialogs
// around the import of a surface into a model file and the export of a membrane as a
// surface. Failures are shown in message boxes (ShowMessageBox).
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "heightfield/model.h"
#include "heightfield/solution.h"

class QMenu;
class QWidget;

namespace membrane {

struct SurfaceFileRequest {
    QWidget* owner = nullptr;
    bool save = false;  // a save-as dialog (else an open dialog)
    QString title;
    QString fileName;     // directory or preset name
    QString filter;       // Qt name filters, ";;" between them
    bool folder = false;  // a folder chooser (fileName: the folder it starts in)
};

// Shows the dialog; returns the chosen path, or nothing when the user cancelled.
using SurfaceFileChooser = std::function<std::optional<QString>(const SurfaceFileRequest&)>;
// Replaces the dialogs (tests); an empty chooser restores them. Returns the previous one.
SurfaceFileChooser SetSurfaceFileChooser(SurfaceFileChooser chooser);
// The dialog of `request` (or the chooser set in its place); a save dialog adds the
// extension of the filter chosen to a name typed without one.
std::optional<QString> ChooseSurfaceFile(const SurfaceFileRequest& request);

// Asks for a surface (.msh, .geo, .obj, .stl, .ply), then where to save the model file,
// and imports on a worker thread, a dialog offering Cancel meanwhile. The model file
// written, or nothing (cancelled, or the failure shown).
std::optional<QString> ImportSurfaceWithDialogs(QWidget* owner, const QString& directory);

// Asks where to write the membrane (.glb, .obj, .stl, .ply or .dxf, by the filter chosen
// or the name given) and writes it. Returns whether a file was written.
bool ExportSurfaceWithDialog(QWidget* owner, const Model& model, const Solution& solution);

class ResultsWindow;

// "Save results as": asks for a folder and writes the report and the truss model file of
// the window's membrane there (for a run whose own folder would not take them). Returns
// whether both were written; a failure is a message box over the window.
bool SaveResultsWithDialog(ResultsWindow& window);

// "Save picture": asks where and saves the drawing of the mesh as a PNG picture.
bool SavePictureWithDialog(ResultsWindow& window);

// Export (Ctrl+E), Save results as (Ctrl+Shift+S), Save picture and Close (Ctrl+W) as
// commands of the results window, in its context menu (the window shows them in its
// tool bar).
void AddExportAction(ResultsWindow& window);

}  // namespace membrane
