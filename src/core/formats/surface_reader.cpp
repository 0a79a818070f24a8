#include "formats/surface_reader.h"

#include "common/io_error.h"
#include "common/regular_file.h"
#include "formats/gmsh_reader.h"
#include "formats/import_error.h"
#include "formats/msh_format.h"
#include "formats/obj_format.h"
#include "formats/ply_format.h"
#include "formats/stl_format.h"
#include "formats/surface_format.h"

namespace membrane {

SurfaceMesh ParseSurface(const std::string& extension, std::string_view bytes) {
    if (extension == ".msh") return ParseMsh(bytes, "the mesh file");
    if (extension == ".obj") return ParseObj(bytes);
    if (extension == ".stl") return ParseStl(bytes);
    if (extension == ".ply") return ParsePly(bytes);
    throw ImportError("The import reads Gmsh (.msh, .geo), OBJ, STL and PLY files; a " + extension +
                      " file is none of them");
}

SurfaceMesh ReadSurface(const std::string& path, double size, double seconds) {
    const std::string extension = LowerCaseExtension(path);
    if (extension != ".msh" && extension != ".geo" && extension != ".obj" && extension != ".stl" &&
        extension != ".ply")
        throw ImportError("The import reads Gmsh (.msh, .geo), OBJ, STL and PLY files; " + path +
                          " is none of them");
    // A file that cannot be read is an input/output error, as for every command.
    std::string why;
    const std::optional<std::string> bytes = ReadRegularFile(path, kMaxSurfaceFileBytes, &why);
    if (!bytes) throw IoError("Can not read the surface file " + path + ": " + why);
    if (extension == ".msh" || extension == ".geo")
        return extension == ".geo" ? ReadGmshSurface(path, true, size, seconds)
                                   : ParseMsh(*bytes, path);
    return ParseSurface(extension, *bytes);
}

}  // namespace membrane
