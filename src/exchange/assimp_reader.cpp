#include "exchange/assimp_reader.h"

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>

#include "exchange/import_error.h"

namespace membrane {

SurfaceMesh ReadAssimpSurface(const std::string& path) {
    Assimp::Importer importer;
    // Points and lines are of no use to a membrane; faces with more than four corners are
    // triangulated by the library, quadrilaterals are kept for the shorter-diagonal split.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE,
                                aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    const aiScene* scene = importer.ReadFile(path, aiProcess_SortByPType);
    if (scene == nullptr)
        throw ImportError("Can not read the surface " + path + ": " + importer.GetErrorString());
    SurfaceMesh mesh;
    std::vector<std::uint32_t> corners;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
        const aiMesh& part = *scene->mMeshes[m];
        const auto first = static_cast<std::uint32_t>(mesh.points.size());
        for (unsigned v = 0; v < part.mNumVertices; ++v) {
            const aiVector3D& p = part.mVertices[v];
            mesh.points.push_back({p.x, p.y, p.z});
        }
        for (unsigned f = 0; f < part.mNumFaces; ++f) {
            const aiFace& face = part.mFaces[f];
            corners.clear();
            for (unsigned k = 0; k < face.mNumIndices; ++k)
                corners.push_back(first + face.mIndices[k]);
            if (corners.size() == 3 || corners.size() == 4)
                mesh.AddFace(corners);
            else
                for (std::size_t k = 1; k + 1 < corners.size(); ++k)  // a fan
                    mesh.triangles.push_back({corners[0], corners[k], corners[k + 1]});
        }
    }
    return mesh;
}

}  // namespace membrane
