#ifdef MEMBRANE_HAVE_HYPRE
#include "linalg/hypre_library.h"

#include <dlfcn.h>

#include <cstdlib>

namespace membrane {
namespace {

struct Loaded {
    HypreLibrary library{};
    bool ok = false;
    std::string why;
};

template <class Function>
bool Resolve(void* handle, const char* name, Function& function, std::string& why) {
    function = reinterpret_cast<Function>(dlsym(handle, name));
    if (function == nullptr) why = std::string("the hypre library has no ") + name;
    return function != nullptr;
}

bool StartMpi(void* handle, std::string& why) {
    using Initialized = int (*)(int*);
    using InitThread = int (*)(int*, char***, int, int*);
    Initialized initialized = nullptr;
    InitThread initThread = nullptr;
    if (!Resolve(handle, "MPI_Initialized", initialized, why) ||
        !Resolve(handle, "MPI_Init_thread", initThread, why))
        return false;
    int running = 0;
    initialized(&running);
    if (running) return true;  // the host process started MPI itself
    KeepMpiToItself();
    // Calls come from one thread at a time (HypreLock), not always the same one: the GUI
    // runs each model on a worker thread of its own.
    int provided = 0;
    if (initThread(nullptr, nullptr, MPI_THREAD_SERIALIZED, &provided) != MPI_SUCCESS) {
        why = "MPI did not start";
        return false;
    }
    // MPI is not finalized: Open MPI cannot be started again in the process, and it ends
    // with the process.
    return true;
}

Loaded Load() {
    Loaded loaded;
    void* handle = dlopen(MEMBRANE_HYPRE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* reason = dlerror();
        loaded.why = reason != nullptr ? reason : "cannot load " MEMBRANE_HYPRE_LIBRARY;
        return loaded;
    }
    HypreLibrary& h = loaded.library;
    std::string& why = loaded.why;
    // MPI_COMM_SELF is the address of this object in Open MPI, the MPI hypre is built with.
    void* self = dlsym(handle, "ompi_mpi_comm_self");
    if (self == nullptr) {
        why = "the hypre library is not built with Open MPI";
        return loaded;
    }
    h.self = static_cast<MPI_Comm>(self);
    HYPRE_Int (*init)() = nullptr;
    const bool resolved =
        Resolve(handle, "HYPRE_Init", init, why) &&
        Resolve(handle, "HYPRE_ClearAllErrors", h.clearAllErrors, why) &&
        Resolve(handle, "HYPRE_IJMatrixCreate", h.matrixCreate, why) &&
        Resolve(handle, "HYPRE_IJMatrixDestroy", h.matrixDestroy, why) &&
        Resolve(handle, "HYPRE_IJMatrixSetObjectType", h.matrixSetObjectType, why) &&
        Resolve(handle, "HYPRE_IJMatrixSetDiagOffdSizes", h.matrixSetDiagOffdSizes, why) &&
        Resolve(handle, "HYPRE_IJMatrixInitialize", h.matrixInitialize, why) &&
        Resolve(handle, "HYPRE_IJMatrixSetValues", h.matrixSetValues, why) &&
        Resolve(handle, "HYPRE_IJMatrixAssemble", h.matrixAssemble, why) &&
        Resolve(handle, "HYPRE_IJMatrixGetObject", h.matrixGetObject, why) &&
        Resolve(handle, "HYPRE_IJVectorCreate", h.vectorCreate, why) &&
        Resolve(handle, "HYPRE_IJVectorDestroy", h.vectorDestroy, why) &&
        Resolve(handle, "HYPRE_IJVectorSetObjectType", h.vectorSetObjectType, why) &&
        Resolve(handle, "HYPRE_IJVectorInitialize", h.vectorInitialize, why) &&
        Resolve(handle, "HYPRE_IJVectorAssemble", h.vectorAssemble, why) &&
        Resolve(handle, "HYPRE_IJVectorGetObject", h.vectorGetObject, why) &&
        Resolve(handle, "HYPRE_BoomerAMGCreate", h.amgCreate, why) &&
        Resolve(handle, "HYPRE_BoomerAMGDestroy", h.amgDestroy, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetup", h.amgSetup, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSolve", h.amgSolve, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetPrintLevel", h.amgSetPrintLevel, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetMaxIter", h.amgSetMaxIter, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetTol", h.amgSetTol, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetCoarsenType", h.amgSetCoarsenType, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetInterpType", h.amgSetInterpType, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetPMaxElmts", h.amgSetPMaxElmts, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetStrongThreshold", h.amgSetStrongThreshold, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetAggNumLevels", h.amgSetAggNumLevels, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetCycleRelaxType", h.amgSetCycleRelaxType, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetNumSweeps", h.amgSetNumSweeps, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetMaxCoarseSize", h.amgSetMaxCoarseSize, why) &&
        Resolve(handle, "HYPRE_BoomerAMGSetNumFunctions", h.amgSetNumFunctions, why);
    if (!resolved || !StartMpi(handle, why)) return loaded;
    if (init() != 0) {
        why = "hypre did not start";
        return loaded;
    }
    // The handle stays open: MPI and hypre live until the process ends.
    loaded.ok = true;
    return loaded;
}

}  // namespace

// Open MPI's settings for a process that runs alone: no launcher daemon started beside it
// (0.4 s), only the transport to itself, and no handlers of its own for SIGSEGV, SIGBUS,
// SIGFPE and SIGABRT (the program's and the sanitizers' stay as they are). A value the
// user has set is kept.
void KeepMpiToItself() {
    setenv("OMPI_MCA_ess_singleton_isolated", "1", 0);
    setenv("OMPI_MCA_pml", "ob1", 0);
    setenv("OMPI_MCA_btl", "self", 0);
    setenv("OMPI_MCA_opal_signal", "", 0);
}

const HypreLibrary* LoadHypreLibrary(std::string& why) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    why = loaded.why;
    return loaded.ok ? &loaded.library : nullptr;
}

std::mutex& HypreLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace membrane

#endif  // MEMBRANE_HAVE_HYPRE
