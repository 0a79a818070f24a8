#include "run/model_loading.h"

#include "common/number_format.h"
#include "model/model_loader.h"
#include "output/boundary_points.h"

namespace membrane {
namespace {

bool InputError(MessageSink& messages) {
    messages.Show("error in input", MessageKind::Error);
    return false;
}

}  // namespace

std::shared_ptr<const ModelFile> OpenModelFile(const std::string& path, MessageSink& messages,
                                               RunResult& result) {
    auto file = ReadModelFile(path);
    if (!file) {
        messages.Show({"Read Coordinates From File", "Inputfile not found", MessageKind::Error});
        auto empty = std::make_shared<Model>();
        empty->fileName = path;
        result.model = std::move(empty);
        InputError(messages);
    }
    return file;
}

bool LoadCheckedModel(const ModelFile& file, const RunRequest& request, MessageSink& messages,
                      ResultsView* view, RunResult& result) {
    const std::shared_ptr<const Model> model = ReadModel(file, messages);
    result.model = model;
    if (!model->complete) {
        if (view) view->ShowInput(model, false);
        return InputError(messages);
    }

    if (!model->boundary.nodes.empty()) {
        result.boundaryPointsFile =
            ChooseBoundaryPointsPath(request.boundaryPointsPath, model->fileName);
        WriteBoundaryPointsFile(result.boundaryPointsFile, model->fileName, model->boundary.nodes,
                                CurrentDateTimeText());
    }
    result.flatArea = model->flatArea;
    if (view) view->SetFlatArea("Flat mesh surface : " + FormatFixed(model->flatArea, 12, 3));

    const std::vector<std::string> faults = CheckModel(*model);
    result.modelLoaded = faults.empty();
    if (view) view->ShowInput(model, result.modelLoaded);
    if (result.modelLoaded) return true;
    std::string text;
    for (const std::string& fault : faults) text += (text.empty() ? "" : "\n") + fault;
    messages.Show(text, MessageKind::Error, "Model check");
    return InputError(messages);
}

}  // namespace membrane
