#include "heightfield/boundary_points.h"

#include <unistd.h>

#include <ctime>

#include "common/file_names.h"
#include "common/text_file.h"

namespace membrane {

void RenderBoundaryPoints(TextSink& out, const std::string& modelFileName,
                          std::span<const std::int32_t> nodes, const std::string& when) {
    out.Line("TEXT FILE");
    out.Line("- ALL BOUNDARY POINTS FROM RECENT BRIMEL.EXE CALCULATION");
    out.Line("- usage   : if needed adjust *.dat model with this list");
    out.Line("- model   : " + PrintableName(modelFileName));
    out.Line("- created : " + when);
    out.Line();
    out.Line("&CONSTRAINTS " + std::to_string(nodes.size()) + " ");
    for (const std::int32_t node : nodes) out.Line("   " + std::to_string(node));
}

bool WriteBoundaryPointsFile(const std::string& path, const std::string& modelFileName,
                             std::span<const std::int32_t> nodes, const std::string& when) {
    if (nodes.empty()) return false;
    AtomicFile target(path);
    auto file = target.Create();
    if (!file) return false;
    RenderBoundaryPoints(*file, modelFileName, nodes, when);
    file->Close();
    target.Commit();
    return true;
}

std::string CurrentDateTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

std::string ChooseBoundaryPointsPath(const std::string& preferred,
                                     const std::string& modelFileName) {
    std::string directory = ExtractFilePath(preferred);
    if (directory.empty()) directory = "./";
    if (::access(directory.c_str(), W_OK) == 0) return preferred;
    return ExtractFilePath(modelFileName) + "BNDRYPTS.txt";
}

}  // namespace membrane
