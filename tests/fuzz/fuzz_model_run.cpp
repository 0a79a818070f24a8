// Fuzz target: one whole run over an arbitrary model file.
//
// The input is written to a model file in a private temporary directory and run as the
// desktop program runs it: load, at most 3 Newton iterations, report and truss model
// files, boundary points file, then the VRML scene and the mesh drawing. Messages are
// recorded, not shown. Beyond the sanitizers' findings the target stops on:
//   - an outcome that contradicts the files on disk (success without a report, a failed
//     run that wrote one, a temporary file left behind);
//   - a message flood: one bad file must not produce hundreds of message boxes.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "heightfield/model_mesh_source.h"
#include "heightfield/run_model.h"
#include "heightfield/vrml_export.h"
#include "plot/mesh_drawing.h"
#include "support/recording.h"

namespace {

std::string g_dir;

std::vector<std::string> DirectoryEntries(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (const dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        ::closedir(d);
    }
    return names;
}

void RemoveAll(const std::string& dir) {
    for (const std::string& name : DirectoryEntries(dir)) std::remove((dir + "/" + name).c_str());
}

bool Exists(const std::string& path) {
    return ::access(path.c_str(), F_OK) == 0;
}

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_model_run: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/membrane-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) Fail("mkdtemp failed");
    g_dir = pattern;
    std::atexit([] {
        RemoveAll(g_dir);
        ::rmdir(g_dir.c_str());
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace membrane;
    RemoveAll(g_dir);
    const std::string model = g_dir + "/MODEL.DAT";
    if (std::FILE* f = std::fopen(model.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        Fail("cannot write the model file");
    }

    test::RecordingMessageSink sink;
    {
        RunRequest request{model, Settings{}, g_dir + "/BNDRYPTS.txt"};
        request.settings.maxIterations = 3;
        const RunResult result = RunModel(request, sink);

        const bool report = Exists(g_dir + "/MODEL.OUT");
        const bool truss = Exists(g_dir + "/MODEL.TRS");
        if (result.outcome == RunOutcome::Success && !(report && truss))
            Fail("success without outputs");
        if (result.outcome != RunOutcome::Success && (report || truss))
            Fail("failed run wrote outputs");

        if (result.modelLoaded)
            ExportVrml(*result.model, result.solution.get(), VrmlOptions{}, sink);
        RenderMeshSvg(
            ModelMeshSource(result.model.get(), {.modelLoaded = result.modelLoaded,
                                                 .resultsAvailable = result.solution != nullptr}),
            g_dir + "/MODEL.svg", 634, 474, &sink);
    }
    for (const std::string& name : DirectoryEntries(g_dir))
        if (name.find(".part-") != std::string::npos) Fail("temporary file left behind");
    // Four tables, each with a bounded number of conversion messages, plus the table
    // end, the model check, the solver and the final verdict.
    if (sink.messages.size() > 60) Fail("message flood");
    return 0;
}
