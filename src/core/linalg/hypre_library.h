// hypre (BoomerAMG and the parallel compressed-row matrices it works on), loaded the first
// time a model is solved by algebraic multigrid.
//
// Debian builds hypre against Open MPI: the library and the thirty libraries it brings
// (MPI's runtime, hwloc, libevent, SuperLU_DIST, PT-Scotch, ...) would be loaded at every
// start of either program, and MPI must be initialised before hypre's first call. Loaded
// on demand, both cost something only in a run that uses the multigrid solver; a process
// that never does never starts MPI.
//
// MPI runs as a "singleton" (one process, no launcher): before it is initialised, the
// environment gets the settings that keep it to itself (no launcher daemon, the in-process
// transport only, no signal handlers of its own), unless the user has set them. That
// takes MPI's start from about 0.45 s to 0.03 s.
#pragma once

#include <HYPRE.h>
#include <HYPRE_parcsr_ls.h>

#include <mutex>
#include <string>

namespace membrane {

// The functions of hypre's IJ and BoomerAMG interfaces that the multigrid solver calls,
// and the communicator of this process alone.
struct HypreLibrary {
    MPI_Comm self;
    decltype(&HYPRE_ClearAllErrors) clearAllErrors;
    decltype(&HYPRE_IJMatrixCreate) matrixCreate;
    decltype(&HYPRE_IJMatrixDestroy) matrixDestroy;
    decltype(&HYPRE_IJMatrixSetObjectType) matrixSetObjectType;
    decltype(&HYPRE_IJMatrixSetDiagOffdSizes) matrixSetDiagOffdSizes;
    decltype(&HYPRE_IJMatrixInitialize) matrixInitialize;
    decltype(&HYPRE_IJMatrixSetValues) matrixSetValues;
    decltype(&HYPRE_IJMatrixAssemble) matrixAssemble;
    decltype(&HYPRE_IJMatrixGetObject) matrixGetObject;
    decltype(&HYPRE_IJVectorCreate) vectorCreate;
    decltype(&HYPRE_IJVectorDestroy) vectorDestroy;
    decltype(&HYPRE_IJVectorSetObjectType) vectorSetObjectType;
    decltype(&HYPRE_IJVectorInitialize) vectorInitialize;
    decltype(&HYPRE_IJVectorAssemble) vectorAssemble;
    decltype(&HYPRE_IJVectorGetObject) vectorGetObject;
    decltype(&HYPRE_BoomerAMGCreate) amgCreate;
    decltype(&HYPRE_BoomerAMGDestroy) amgDestroy;
    decltype(&HYPRE_BoomerAMGSetup) amgSetup;
    decltype(&HYPRE_BoomerAMGSolve) amgSolve;
    decltype(&HYPRE_BoomerAMGSetPrintLevel) amgSetPrintLevel;
    decltype(&HYPRE_BoomerAMGSetMaxIter) amgSetMaxIter;
    decltype(&HYPRE_BoomerAMGSetTol) amgSetTol;
    decltype(&HYPRE_BoomerAMGSetCoarsenType) amgSetCoarsenType;
    decltype(&HYPRE_BoomerAMGSetInterpType) amgSetInterpType;
    decltype(&HYPRE_BoomerAMGSetPMaxElmts) amgSetPMaxElmts;
    decltype(&HYPRE_BoomerAMGSetStrongThreshold) amgSetStrongThreshold;
    decltype(&HYPRE_BoomerAMGSetAggNumLevels) amgSetAggNumLevels;
    decltype(&HYPRE_BoomerAMGSetCycleRelaxType) amgSetCycleRelaxType;
    decltype(&HYPRE_BoomerAMGSetNumSweeps) amgSetNumSweeps;
    decltype(&HYPRE_BoomerAMGSetMaxCoarseSize) amgSetMaxCoarseSize;
    decltype(&HYPRE_BoomerAMGSetNumFunctions) amgSetNumFunctions;
};

// Sets the environment MPI reads when it starts (see above), where the user has not set it.
// Called by the programs before any other thread runs (setting the environment while
// another thread reads it is not safe); LoadHypreLibrary calls it too, for processes that
// did not.
void KeepMpiToItself();

// The library, loaded and MPI and hypre initialised once, kept for the rest of the process
// (MPI can be initialised only once in a process). Null, with the reason in `why`, when
// the library cannot be loaded, lacks a function or does not start.
const HypreLibrary* LoadHypreLibrary(std::string& why);

// hypre keeps global state (its error flag, its memory bookkeeping) and MPI is started for
// calls from one thread at a time: every call into the library holds this lock.
std::mutex& HypreLock();

}  // namespace membrane
