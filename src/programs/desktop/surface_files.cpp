#include "desktop/surface_files.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <atomic>
#include <new>

#include "common/io_error.h"
#include "desktop/results_window.h"
#include "desktop/ui_hooks.h"
#include "desktop/worker_thread.h"
#include "formats/import_error.h"
#include "formats/surface_export.h"
#include "formats/surface_format.h"
#include "heightfield/lifted_surface.h"
#include "heightfield/save_results.h"
#include "heightfield/surface_import.h"

namespace membrane {
namespace {

SurfaceFileChooser& Chooser() {
    static SurfaceFileChooser chooser;
    return chooser;
}

}  // namespace

std::optional<QString> ChooseSurfaceFile(const SurfaceFileRequest& request) {
    if (Chooser()) return Chooser()(request);
    if (request.folder) {
        const QString folder =
            QFileDialog::getExistingDirectory(request.owner, request.title, request.fileName);
        if (folder.isEmpty()) return std::nullopt;
        return folder;
    }
    QString selectedFilter;
    const QString path =
        request.save ? QFileDialog::getSaveFileName(request.owner, request.title, request.fileName,
                                                    request.filter, &selectedFilter)
                     : QFileDialog::getOpenFileName(request.owner, request.title, request.fileName,
                                                    request.filter);
    if (path.isEmpty()) return std::nullopt;
    // A name typed without an extension takes the one of the filter chosen ("(*.glb)").
    if (request.save && QFileInfo(path).suffix().isEmpty()) {
        const qsizetype star = selectedFilter.indexOf(QLatin1String("*."));
        if (star >= 0) return path + selectedFilter.mid(star + 1).section(QLatin1Char(')'), 0, 0);
    }
    return path;
}

namespace {

const std::string kCancelled = "cancelled";

// Imports on a worker thread while the GUI thread goes on handling events, a dialog
// offering Cancel (shown when the import takes longer than a moment). What went wrong,
// kCancelled, or empty when the model file is written.
std::string ImportInBackground(QWidget* owner, ImportRequest request) {
    std::atomic<bool> cancel{false};
    request.cancel = &cancel;
    QProgressDialog progress(QStringLiteral("Importing ") +
                                 QFileInfo(QString::fromStdString(request.surface)).fileName() +
                                 QStringLiteral(" ..."),
                             QStringLiteral("Cancel"), 0, 0, owner);
    progress.setObjectName(QStringLiteral("importProgress"));
    progress.setWindowTitle(QStringLiteral("Import Surface"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    QObject relay;
    QObject::connect(&progress, &QProgressDialog::canceled, &relay, [&cancel, &progress] {
        cancel = true;
        progress.setLabelText(QStringLiteral("Cancelling ..."));
    });
    // A run of the model (in another process) holds its lock: the import waits for it.
    request.waiting = [&relay, &progress] {
        QMetaObject::invokeMethod(
            &relay,
            [&progress] {
                progress.setLabelText(
                    QStringLiteral("Waiting for a run of the model to end (Cancel stops the "
                                   "import then) ..."));
            },
            Qt::QueuedConnection);
    };
    return OnWorkerThread<std::string>(relay, [&]() -> std::string {
        try {
            ImportSurface(request);
            return {};
        } catch (const ImportCancelled&) {
            return kCancelled;
        } catch (const std::bad_alloc&) {
            return "The surface " + request.surface + " needs more memory than there is";
        } catch (const std::exception& e) {  // ImportError, IoError
            return e.what();
        }
    });
}

}  // namespace

SurfaceFileChooser SetSurfaceFileChooser(SurfaceFileChooser chooser) {
    return std::exchange(Chooser(), std::move(chooser));
}

std::optional<QString> ImportSurfaceWithDialogs(QWidget* owner, const QString& directory) {
    const auto surface =
        ChooseSurfaceFile({owner, false, QStringLiteral("Import Surface"), directory,
                           QStringLiteral("Surfaces (*.msh *.geo *.obj *.stl *.ply);;"
                                          "All files (*)")});
    if (!surface) return std::nullopt;
    const QFileInfo source(*surface);
    const auto model = ChooseSurfaceFile({owner, true, QStringLiteral("Save Model File As"),
                                          source.absolutePath() + QLatin1Char('/') +
                                              source.completeBaseName() + QStringLiteral(".DAT"),
                                          QStringLiteral("Model files (*.DAT)")});
    if (!model) return std::nullopt;
    ImportRequest request;
    request.surface = surface->toStdString();
    request.model = model->toStdString();
    const std::string failure = ImportInBackground(owner, request);
    if (failure.empty()) return model;
    if (failure != kCancelled)
        ShowMessageBox(owner, QString::fromStdString(failure), BoxKind::Error);
    return std::nullopt;
}

bool ExportSurfaceWithDialog(QWidget* owner, const Model& model, const Solution& solution) {
    const QFileInfo modelFile(QString::fromStdString(model.fileName));
    const auto path = ChooseSurfaceFile(
        {owner, true, QStringLiteral("Export Membrane"),
         modelFile.absolutePath() + QLatin1Char('/') + modelFile.completeBaseName(),
         QStringLiteral("glTF binary (*.glb);;Wavefront OBJ (*.obj);;STL binary (*.stl);;"
                        "PLY (*.ply);;DXF drawing (*.dxf)")});
    if (!path) return false;
    const std::string file = path->toStdString();
    if (!IsExportFormat(file)) {
        ShowMessageBox(owner,
                       QStringLiteral("The membrane can be exported to .glb, .obj, .stl, .ply or "
                                      ".dxf files, not to ") +
                           *path,
                       BoxKind::Error);
        return false;
    }
    try {
        ExportSurface(file, LiftSurface(model, solution.liftedZ));
        return true;
    } catch (const IoError& e) {
        ShowMessageBox(owner, QString::fromStdString(e.what()), BoxKind::Error);
    }
    return false;
}

bool SaveResultsWithDialog(ResultsWindow& window) {
    if (window.ShownModel() == nullptr || window.ShownSolution() == nullptr) {
        ShowMessageBox(&window, QStringLiteral("There is no membrane to save yet."));
        return false;
    }
    const QFileInfo modelFile(QString::fromStdString(window.ShownModel()->fileName));
    const auto folder = ChooseSurfaceFile({.owner = &window,
                                           .save = true,
                                           .title = QStringLiteral("Save Results In Folder"),
                                           .fileName = modelFile.absolutePath(),
                                           .filter = {},
                                           .folder = true});
    if (!folder) return false;
    const SavedResults saved = SaveResultsIn(window.ShownModelShared(), *window.ShownSolution(),
                                             window.ShownSettings(), folder->toStdString());
    if (!saved.error.empty()) {
        ShowMessageBox(&window, QString::fromStdString(saved.error), BoxKind::Error);
        return false;
    }
    window.ShowMessage("results saved : " + saved.reportFile + ", " + saved.trussFile);
    return true;
}

bool SavePictureWithDialog(ResultsWindow& window) {
    const QString model =
        window.ShownModel() ? QString::fromStdString(window.ShownModel()->fileName) : QString();
    const QFileInfo modelFile(model);
    const auto path = ChooseSurfaceFile(
        {.owner = &window,
         .save = true,
         .title = QStringLiteral("Save Picture"),
         .fileName = model.isEmpty() ? QString()
                                     : modelFile.absolutePath() + QLatin1Char('/') +
                                           modelFile.completeBaseName() + QStringLiteral(".png"),
         .filter = QStringLiteral("PNG picture (*.png)")});
    if (!path) return false;
    if (!window.Picture().save(*path, "PNG")) {
        ShowMessageBox(&window, QStringLiteral("Can not write the picture ") + *path,
                       BoxKind::Error);
        return false;
    }
    return true;
}

void AddExportAction(ResultsWindow& window) {
    auto* action = new QAction(QStringLiteral("Export membrane..."), &window);
    action->setObjectName(QStringLiteral("exportAction"));
    action->setIconText(QStringLiteral("Export"));
    action->setToolTip(QStringLiteral("write the membrane as a surface file (Ctrl+E)"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    QObject::connect(action, &QAction::triggered, &window, [&window] {
        if (window.ShownModel() == nullptr || window.ShownSolution() == nullptr) {
            ShowMessageBox(&window, QStringLiteral("There is no membrane to export yet."));
            return;
        }
        ExportSurfaceWithDialog(&window, *window.ShownModel(), *window.ShownSolution());
    });
    window.addAction(action);
    auto* save = new QAction(QStringLiteral("Save results as..."), &window);
    save->setObjectName(QStringLiteral("saveResultsAction"));
    save->setIconText(QStringLiteral("Save"));
    save->setToolTip(QStringLiteral("write the report and the truss model file to a folder"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    QObject::connect(save, &QAction::triggered, &window,
                     [&window] { SaveResultsWithDialog(window); });
    window.addAction(save);
    auto* picture = new QAction(QStringLiteral("Save picture..."), &window);
    picture->setObjectName(QStringLiteral("savePictureAction"));
    picture->setIconText(QStringLiteral("Picture"));
    picture->setToolTip(QStringLiteral("save the drawing of the mesh as a PNG picture"));
    QObject::connect(picture, &QAction::triggered, &window,
                     [&window] { SavePictureWithDialog(window); });
    window.addAction(picture);
    auto* close = new QAction(QStringLiteral("Close"), &window);
    close->setObjectName(QStringLiteral("closeAction"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    QObject::connect(close, &QAction::triggered, &window, [&window] { window.close(); });
    window.addAction(close);
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace membrane
