#include "formats/assimp_writer.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <assimp/Exporter.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "common/io_error.h"
#include "common/text_file.h"
#include "formats/surface_format.h"

namespace membrane {
namespace {

// One mesh under the root node, one plain material (the glTF writer needs one).
std::unique_ptr<aiScene> SceneOf(const SurfaceMesh& mesh, const std::vector<SurfacePoint>& normals,
                                 bool yUp) {
    auto scene = std::make_unique<aiScene>();
    scene->mRootNode = new aiNode("membrane");
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    auto* material = new aiMaterial();
    const int twoSided = 1;  // a membrane is seen from above and below
    material->AddProperty(&twoSided, 1, AI_MATKEY_TWOSIDED);
    scene->mMaterials = new aiMaterial* [1] { material };
    auto* part = new aiMesh();
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh* [1] { part };
    part->mName = "membrane";
    part->mMaterialIndex = 0;
    part->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    const auto n = static_cast<unsigned>(mesh.points.size());
    auto axes = [yUp](const SurfacePoint& p) {
        return yUp ? aiVector3D(static_cast<ai_real>(p.x), static_cast<ai_real>(p.z),
                                static_cast<ai_real>(-p.y))
                   : aiVector3D(static_cast<ai_real>(p.x), static_cast<ai_real>(p.y),
                                static_cast<ai_real>(p.z));
    };
    part->mNumVertices = n;
    part->mVertices = new aiVector3D[n];
    part->mNormals = new aiVector3D[n];
    for (unsigned i = 0; i < n; ++i) {
        part->mVertices[i] = axes(mesh.points[i]);
        part->mNormals[i] = axes(normals[i]);
    }
    part->mNumFaces = static_cast<unsigned>(mesh.triangles.size());
    part->mFaces = new aiFace[part->mNumFaces];
    for (unsigned f = 0; f < part->mNumFaces; ++f) {
        aiFace& face = part->mFaces[f];
        face.mNumIndices = 3;
        face.mIndices =
            new unsigned[3]{mesh.triangles[f][0], mesh.triangles[f][1], mesh.triangles[f][2]};
    }
    return scene;
}

}  // namespace

void WriteAssimpFile(const std::string& path, const SurfaceMesh& mesh,
                     const std::vector<SurfacePoint>& normals) {
    const std::string extension = LowerCaseExtension(path);
    const char* format = extension == ".stl" ? "stlb" : extension == ".ply" ? "plyb" : "glb2";
    const auto scene = SceneOf(mesh, normals, extension == ".glb");
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), format);
    if (blob == nullptr) throw IoError("Can not make " + path + ": " + exporter.GetErrorString());

    std::string_view bytes(static_cast<const char*>(blob->data), blob->size);
    std::string renamed;
    if (extension == ".ply") {
        // The library names the face list "vertex_index"; the original PLY description and
        // most readers call it "vertex_indices".
        const std::size_t header = bytes.find("end_header\n");
        const std::size_t list = bytes.substr(0, header).find(" vertex_index\n");
        if (list != std::string_view::npos) {
            renamed.assign(bytes);
            renamed.replace(list, 14, " vertex_indices\n");
            bytes = renamed;
        }
    }

    AtomicFile target(path);
    auto file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    file->Write(bytes);  // bytes as they are: the writer translates nothing
    file->Close();
    target.Commit();
}

}  // namespace membrane
