#include "formats/gmsh_library.h"

#include <dlfcn.h>

#include <mutex>

namespace membrane {
namespace {

struct Loaded {
    GmshLibrary library{};
    bool ok = false;
    std::string why;
};

template <class Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& why) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr) why = std::string("the Gmsh library has no ") + name;
    return function != nullptr;
}

Loaded Load() {
    Loaded loaded;
    // The library this program was built against, by its run-time name.
    void* handle = dlopen(MEMBRANE_GMSH_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        loaded.why = reason != nullptr ? reason : "cannot load " MEMBRANE_GMSH_LIBRARY;
        return loaded;
    }
    GmshLibrary& g = loaded.library;
    std::string& why = loaded.why;
    loaded.ok = Resolve(handle, "gmshFree", g.free, why) &&
                Resolve(handle, "gmshInitialize", g.initialize, why) &&
                Resolve(handle, "gmshFinalize", g.finalize, why) &&
                Resolve(handle, "gmshOptionSetNumber", g.optionSetNumber, why) &&
                Resolve(handle, "gmshOpen", g.open, why) &&
                Resolve(handle, "gmshLoggerGetLastError", g.loggerGetLastError, why) &&
                Resolve(handle, "gmshModelGetPhysicalGroups", g.modelGetPhysicalGroups, why) &&
                Resolve(handle, "gmshModelGetPhysicalName", g.modelGetPhysicalName, why) &&
                Resolve(handle, "gmshModelGetEntitiesForPhysicalGroup",
                        g.modelGetEntitiesForPhysicalGroup, why) &&
                Resolve(handle, "gmshModelMeshGenerate", g.modelMeshGenerate, why) &&
                Resolve(handle, "gmshModelMeshGetNodes", g.modelMeshGetNodes, why) &&
                Resolve(handle, "gmshModelMeshGetElements", g.modelMeshGetElements, why) &&
                Resolve(handle, "gmshModelMeshGetElementProperties",
                        g.modelMeshGetElementProperties, why) &&
                Resolve(handle, "gmshModelMeshGetNodesForPhysicalGroup",
                        g.modelMeshGetNodesForPhysicalGroup, why);
    // The handle stays open even when a function is missing: nothing else is loaded twice.
    return loaded;
}

}  // namespace

const GmshLibrary* LoadGmshLibrary(std::string& why) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    why = loaded.why;
    return loaded.ok ? &loaded.library : nullptr;
}

}  // namespace membrane
