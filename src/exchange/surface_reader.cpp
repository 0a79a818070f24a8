#include "exchange/surface_reader.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/io_error.h"
#include "exchange/assimp_reader.h"
#include "exchange/gmsh_reader.h"
#include "exchange/import_error.h"
#include "exchange/obj_format.h"
#include "exchange/surface_format.h"

namespace membrane {

SurfaceMesh ReadSurface(const std::string& path, double size, double seconds) {
    std::ifstream in(path, std::ios::binary);
    // A file that cannot be read is an input/output error, as for every command.
    if (!in || std::filesystem::is_directory(path))
        throw IoError("Can not open the surface file " + path);
    const std::string extension = LowerCaseExtension(path);
    if (extension == ".msh" || extension == ".geo")
        return ReadGmshSurface(path, extension == ".geo", size, seconds);
    if (extension == ".obj") {
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        return ParseObj(text);
    }
    if (extension == ".stl" || extension == ".ply") return ReadAssimpSurface(path);
    throw ImportError("The import reads Gmsh (.msh, .geo), OBJ, STL and PLY files; " + path +
                      " is none of them");
}

}  // namespace membrane
