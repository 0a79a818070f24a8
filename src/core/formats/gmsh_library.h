// The Gmsh library, loaded in the confined child that meshes a ".geo" file
// (gmsh_reader.h); a ".msh" file is read without it.
//
// Gmsh brings some ninety shared libraries with it (its geometry kernel, a GUI toolkit,
// OpenGL, image codecs), and resolving their symbols at start-up took about a quarter of
// a second on every start of either program: longer than a whole run of a 10 000-node
// model. Loaded on demand through its C interface, it costs that only in an import of a
// ".geo" file.
#pragma once

#include <gmshc.h>

#include <string>

namespace membrane {

// The functions of Gmsh's C interface that the import calls.
struct GmshLibrary {
    decltype(&gmshFree) free;
    decltype(&gmshInitialize) initialize;
    decltype(&gmshFinalize) finalize;
    decltype(&gmshOptionSetNumber) optionSetNumber;
    decltype(&gmshOpen) open;
    decltype(&gmshLoggerGetLastError) loggerGetLastError;
    decltype(&gmshModelGetPhysicalGroups) modelGetPhysicalGroups;
    decltype(&gmshModelGetPhysicalName) modelGetPhysicalName;
    decltype(&gmshModelGetEntitiesForPhysicalGroup) modelGetEntitiesForPhysicalGroup;
    decltype(&gmshModelMeshGenerate) modelMeshGenerate;
    decltype(&gmshModelMeshGetNodes) modelMeshGetNodes;
    decltype(&gmshModelMeshGetElements) modelMeshGetElements;
    decltype(&gmshModelMeshGetElementProperties) modelMeshGetElementProperties;
    decltype(&gmshModelMeshGetNodesForPhysicalGroup) modelMeshGetNodesForPhysicalGroup;
};

// The library, loaded once and kept for the rest of the process (Gmsh keeps global
// state). Null, with the reason in `why`, when it cannot be loaded or lacks a function.
const GmshLibrary* LoadGmshLibrary(std::string& why);

}  // namespace membrane
