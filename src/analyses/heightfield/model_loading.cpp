#include "heightfield/model_loading.h"

#include "common/file_names.h"
#include "common/number_format.h"
#include "heightfield/boundary_points.h"
#include "heightfield/model_loader.h"

namespace membrane {
namespace {

bool InputError(MessageSink& messages) {
    messages.Show("error in input", MessageKind::Error);
    return false;
}

// Passes the reader's messages on and counts them: a model that loads after messages
// (a field that did not convert, a table that ended early) may not be what its file says.
class CountingSink final : public MessageSink {
  public:
    explicit CountingSink(MessageSink& next) : next_(next) {}
    using MessageSink::Show;
    void Show(const UserMessage& message) override {
        // A table cut short is told with the caption of its reader; a field that does not
        // convert without one.
        ++(message.caption.empty() ? conversions : cutTables);
        next_.Show(message);
    }
    int conversions = 0;
    int cutTables = 0;

  private:
    MessageSink& next_;
};

std::string Plural(int count, const std::string& what) {
    return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

std::shared_ptr<const ModelFile> OpenModelFile(const std::string& path, MessageSink& messages,
                                               RunResult& result) {
    std::string why;
    auto file = ReadModelFile(path, &why);
    if (!file) {
        messages.Show({"Read Coordinates From File", "Inputfile not found", MessageKind::Error,
                       path + (why.empty() ? "" : " (" + why + ")")});
        auto empty = std::make_shared<Model>();
        empty->fileName = path;
        result.model = std::move(empty);
        InputError(messages);
    }
    return file;
}

void WriteBoundaryPoints(const Model& model, const RunRequest& request, RunResult& result) {
    if (model.boundary.nodes.empty()) return;
    result.boundaryPointsFile =
        request.boundaryPointsPath.empty()
            ? ExtractFilePath(model.fileName) + "BNDRYPTS.txt"
            : ChooseBoundaryPointsPath(request.boundaryPointsPath, model.fileName);
    if (!WriteBoundaryPointsFile(result.boundaryPointsFile, model.fileName, model.boundary.nodes,
                                 CurrentDateTimeText()))
        result.boundaryPointsFile.clear();
}

bool LoadCheckedModel(const ModelFile& file, const RunRequest& request, MessageSink& messages,
                      ResultsView* view, RunResult& result) {
    CountingSink reader(messages);
    const std::shared_ptr<const Model> model = ReadModel(file, reader);
    result.model = model;
    if (!model->complete) {
        if (view) view->ShowInput(model, false);
        return InputError(messages);
    }

    if (reader.conversions > 0)
        result.warnings.push_back("the model file gave " +
                                  Plural(reader.conversions, "reader message"));
    if (reader.cutTables > 0)
        result.warnings.push_back(Plural(reader.cutTables, "table") +
                                  " ended before the records announced");
    for (std::string& warning : MissingNodeWarnings(*model))
        result.warnings.push_back(std::move(warning));
    if (request.strict && !result.warnings.empty()) {
        // Nothing is written: not even the boundary points file.
        std::string text = "Warnings are input errors in a strict run:";
        for (const std::string& warning : result.warnings) text += "\n" + warning;
        messages.Show(text, MessageKind::Error, "Model check");
        if (view) view->ShowInput(model, false);
        return InputError(messages);
    }

    // A strict run writes it with the other files, once it is known to be clean.
    if (!request.strict && request.boundaryPoints) WriteBoundaryPoints(*model, request, result);
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
