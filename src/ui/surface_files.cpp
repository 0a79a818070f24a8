#include "ui/surface_files.h"

#include <QAction>
#include <QFileDialog>
#include <QFileInfo>

#include "common/io_error.h"
#include "exchange/import_error.h"
#include "exchange/surface_export.h"
#include "exchange/surface_format.h"
#include "exchange/surface_import.h"
#include "ui/results_window.h"
#include "ui/ui_hooks.h"

namespace membrane {
namespace {

SurfaceFileChooser& Chooser() {
    static SurfaceFileChooser chooser;
    return chooser;
}

}  // namespace

std::optional<QString> ChooseSurfaceFile(const SurfaceFileRequest& request) {
    if (Chooser()) return Chooser()(request);
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
    try {
        ImportSurface(request);
        return model;
    } catch (const ImportError& e) {
        ShowMessageBox(owner, QString::fromStdString(e.what()), BoxKind::Error);
    } catch (const IoError& e) {
        ShowMessageBox(owner, QString::fromStdString(e.what()), BoxKind::Error);
    }
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

void AddExportAction(ResultsWindow& window) {
    auto* action = new QAction(QStringLiteral("Export membrane..."), &window);
    action->setObjectName(QStringLiteral("exportAction"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    QObject::connect(action, &QAction::triggered, &window, [&window] {
        if (window.ShownModel() == nullptr || window.ShownSolution() == nullptr) {
            ShowMessageBox(&window, QStringLiteral("There is no membrane to export yet."));
            return;
        }
        ExportSurfaceWithDialog(&window, *window.ShownModel(), *window.ShownSolution());
    });
    window.addAction(action);
    window.setContextMenuPolicy(Qt::ActionsContextMenu);
}

}  // namespace membrane
