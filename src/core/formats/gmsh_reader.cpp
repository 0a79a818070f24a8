#include "formats/gmsh_reader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <unordered_map>

#include "formats/confined_child.h"
#include "formats/gmsh_library.h"
#include "formats/import_error.h"
#include "formats/msh_format.h"

namespace membrane {
namespace {

// A call of Gmsh's C interface failed; Gmsh's last error says why.
struct GmshFailed {};

void Check(int ierr) {
    if (ierr != 0) throw GmshFailed{};
}

// An array that Gmsh allocated, given back to it.
template <class T>
class GmshArray {
  public:
    explicit GmshArray(const GmshLibrary& gmsh) : gmsh_(gmsh) {}
    ~GmshArray() {
        if (data_ != nullptr) gmsh_.free(data_);
    }
    GmshArray(const GmshArray&) = delete;
    GmshArray& operator=(const GmshArray&) = delete;

    T** Data() { return &data_; }
    std::size_t* Size() { return &size_; }
    std::span<const T> View() const { return {data_, data_ != nullptr ? size_ : 0}; }

  private:
    const GmshLibrary& gmsh_;
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

std::string TakeString(const GmshLibrary& gmsh, char* text) {
    std::string taken = text != nullptr ? text : "";
    if (text != nullptr) gmsh.free(text);
    return taken;
}

// Gmsh started in the confined child, without its configuration files. Its messages go
// to the terminal, which is the pipe to the parent: the error lines say why a script
// failed even when it ends the child. It is never finalized: finalizing may save
// Gmsh's session and options files, which the sandbox forbids; the child ends instead.
void StartGmsh(const GmshLibrary& gmsh) {
    int ierr = 0;
    gmsh.initialize(0, nullptr, 0, &ierr);
    Check(ierr);
    for (const auto& [option, value] : {std::pair<const char*, double>{"General.Terminal", 1},
                                        {"General.Verbosity", 1},
                                        {"General.SaveOptions", 0},
                                        {"General.SaveSession", 0},
                                        {"General.NumThreads", 1},
                                        {"Mesh.MaxNumThreads1D", 1},
                                        {"Mesh.MaxNumThreads2D", 1},
                                        {"Mesh.MaxNumThreads3D", 1}})
        gmsh.optionSetNumber(option, value, &ierr);
}

// Node tag -> index into the surface's points.
class NodeIndex {
  public:
    explicit NodeIndex(std::span<const std::size_t> tags) {
        for (std::size_t i = 0; i < tags.size(); ++i)
            index_.emplace(tags[i], static_cast<std::uint32_t>(i));
    }
    std::uint32_t operator()(std::size_t tag) const {
        const auto found = index_.find(tag);
        if (found == index_.end())
            throw ImportError("The mesh names node " + std::to_string(tag) +
                              ", which it does not define");
        return found->second;
    }

  private:
    std::unordered_map<std::size_t, std::uint32_t> index_;
};

// The element types of one dimension (of one entity, or all for -1) with their element
// and node tags: arrays of arrays, each given back to Gmsh.
class GmshElements {
  public:
    GmshElements(const GmshLibrary& gmsh, int dimension, int entity) : gmsh_(gmsh) {
        int ierr = 0;
        gmsh.modelMeshGetElements(&types_, &typeCount_, &elementTags_, &elementTagCounts_,
                                  &elementArrays_, &nodeTags_, &nodeTagCounts_, &nodeArrays_,
                                  dimension, entity, &ierr);
        Check(ierr);
    }
    ~GmshElements() {
        for (std::size_t k = 0; elementTags_ != nullptr && k < elementArrays_; ++k)
            gmsh_.free(elementTags_[k]);
        for (std::size_t k = 0; nodeTags_ != nullptr && k < nodeArrays_; ++k)
            gmsh_.free(nodeTags_[k]);
        for (void* array : {static_cast<void*>(types_), static_cast<void*>(elementTags_),
                            static_cast<void*>(elementTagCounts_), static_cast<void*>(nodeTags_),
                            static_cast<void*>(nodeTagCounts_)})
            if (array != nullptr) gmsh_.free(array);
    }
    GmshElements(const GmshElements&) = delete;
    GmshElements& operator=(const GmshElements&) = delete;

    std::size_t Types() const { return types_ != nullptr ? typeCount_ : 0; }
    int Type(std::size_t t) const { return types_[t]; }
    std::span<const std::size_t> Nodes(std::size_t t) const {
        if (nodeTags_ == nullptr || t >= nodeArrays_ || nodeTags_[t] == nullptr) return {};
        return {nodeTags_[t], nodeTagCounts_[t]};
    }
    std::span<const std::size_t> Elements(std::size_t t) const {
        if (elementTags_ == nullptr || t >= elementArrays_ || elementTags_[t] == nullptr) return {};
        return {elementTags_[t], elementTagCounts_[t]};
    }

  private:
    const GmshLibrary& gmsh_;
    int* types_ = nullptr;
    std::size_t typeCount_ = 0;
    std::size_t** elementTags_ = nullptr;
    std::size_t* elementTagCounts_ = nullptr;
    std::size_t elementArrays_ = 0;
    std::size_t** nodeTags_ = nullptr;
    std::size_t* nodeTagCounts_ = nullptr;
    std::size_t nodeArrays_ = 0;
};

// Nodes per element and corner nodes of an element type.
std::pair<std::size_t, int> Shape(const GmshLibrary& gmsh, int type) {
    char* name = nullptr;
    int ierr = 0, dim = 0, order = 0, nodesPer = 0, corners = 0;
    GmshArray<double> local(gmsh);
    gmsh.modelMeshGetElementProperties(type, &name, &dim, &order, &nodesPer, local.Data(),
                                       local.Size(), &corners, &ierr);
    TakeString(gmsh, name);
    Check(ierr);
    if (nodesPer < 1 || corners < 1 || corners > nodesPer) throw GmshFailed{};
    return {static_cast<std::size_t>(nodesPer), corners};
}

SurfaceMesh TakeMesh(const GmshLibrary& gmsh) {
    SurfaceMesh mesh;
    int ierr = 0;
    GmshArray<std::size_t> nodeTags(gmsh);
    GmshArray<double> coords(gmsh), parametric(gmsh);
    gmsh.modelMeshGetNodes(nodeTags.Data(), nodeTags.Size(), coords.Data(), coords.Size(),
                           parametric.Data(), parametric.Size(), -1, -1, 0, 0, &ierr);
    Check(ierr);
    const auto tags = nodeTags.View();
    const auto xyz = coords.View();
    if (xyz.size() < 3 * tags.size()) throw GmshFailed{};
    mesh.points.reserve(tags.size());
    for (std::size_t i = 0; i < tags.size(); ++i)
        mesh.points.push_back({xyz[3 * i], xyz[3 * i + 1], xyz[3 * i + 2]});
    const NodeIndex index(tags);

    // Each face's triangles, by its element tag, for the surface groups.
    std::unordered_map<std::size_t, std::pair<std::uint32_t, std::uint32_t>> faces;
    const GmshElements elements(gmsh, 2, -1);
    for (std::size_t t = 0; t < elements.Types(); ++t) {
        const auto [nodesPer, corners] = Shape(gmsh, elements.Type(t));
        if (corners != 3 && corners != 4) continue;  // polygons other than these: none in 2D
        const auto nodes = elements.Nodes(t);
        const auto tags = elements.Elements(t);
        std::uint32_t c[4];
        for (std::size_t e = 0; (e + 1) * nodesPer <= nodes.size(); ++e) {
            for (int k = 0; k < corners; ++k) c[k] = index(nodes[e * nodesPer + k]);
            const auto first = static_cast<std::uint32_t>(mesh.triangles.size());
            mesh.AddFace({c, static_cast<std::size_t>(corners)});
            if (e < tags.size())
                faces[tags[e]] = {first, static_cast<std::uint32_t>(mesh.triangles.size())};
        }
    }

    GmshArray<int> groups(gmsh);  // dimension, tag pairs
    gmsh.modelGetPhysicalGroups(groups.Data(), groups.Size(), -1, &ierr);
    Check(ierr);
    const auto dimTags = groups.View();
    for (std::size_t g = 0; g + 1 < dimTags.size(); g += 2) {
        const int dim = dimTags[g], tag = dimTags[g + 1];
        PointGroup group;
        group.dimension = dim;
        char* name = nullptr;
        gmsh.modelGetPhysicalName(dim, tag, &name, &ierr);
        group.name = TakeString(gmsh, name);
        Check(ierr);
        if (group.name.empty()) group.name = std::to_string(tag);
        GmshArray<std::size_t> groupTags(gmsh);
        GmshArray<double> unused(gmsh);
        gmsh.modelMeshGetNodesForPhysicalGroup(dim, tag, groupTags.Data(), groupTags.Size(),
                                               unused.Data(), unused.Size(), &ierr);
        Check(ierr);
        for (std::size_t tagOfNode : groupTags.View()) group.points.push_back(index(tagOfNode));
        // A curve group's segments and a surface group's triangles, entity by entity.
        GmshArray<int> entities(gmsh);
        gmsh.modelGetEntitiesForPhysicalGroup(dim, tag, entities.Data(), entities.Size(), &ierr);
        Check(ierr);
        for (int entity : entities.View()) {
            if (dim != 1 && dim != 2) break;
            const GmshElements own(gmsh, dim, entity);
            for (std::size_t t = 0; t < own.Types(); ++t) {
                const auto [nodesPer, corners] = Shape(gmsh, own.Type(t));
                const auto nodes = own.Nodes(t);
                if (dim == 1 && corners == 2)
                    for (std::size_t e = 0; (e + 1) * nodesPer <= nodes.size(); ++e)
                        group.lines.push_back(
                            {index(nodes[e * nodesPer]), index(nodes[e * nodesPer + 1])});
                if (dim == 2)
                    for (std::size_t element : own.Elements(t))
                        if (const auto found = faces.find(element); found != faces.end())
                            for (std::uint32_t k = found->second.first; k < found->second.second;
                                 ++k)
                                group.triangles.push_back(k);
            }
        }
        mesh.groups.push_back(std::move(group));
    }
    return mesh;
}

std::string LastError(const GmshLibrary& gmsh) {
    char* text = nullptr;
    int ierr = 0;
    gmsh.loggerGetLastError(&text, &ierr);
    return TakeString(gmsh, text);
}

// In the confined child, before the filter: Gmsh loaded and started.
const GmshLibrary& PrepareGmsh() {
    std::string why;
    const GmshLibrary* gmsh = LoadGmshLibrary(why);
    if (gmsh == nullptr) throw ImportError(why);
    try {
        StartGmsh(*gmsh);
    } catch (const GmshFailed&) {
        throw ImportError(LastError(*gmsh));
    }
    return *gmsh;
}

// In the confined child, under the filter: Gmsh meshes the script; the mesh goes back as
// MSH text.
std::string MeshGeometry(const GmshLibrary& gmsh, const std::string& path, double size) {
    try {
        int ierr = 0;
        if (size > 0) {
            gmsh.optionSetNumber("Mesh.MeshSizeMin", size, &ierr);
            gmsh.optionSetNumber("Mesh.MeshSizeMax", size, &ierr);
        }
        gmsh.open(path.c_str(), &ierr);
        Check(ierr);
        gmsh.modelMeshGenerate(2, &ierr);
        Check(ierr);
        return RenderMsh(TakeMesh(gmsh));
    } catch (const GmshFailed&) {
        throw ImportError(LastError(gmsh));
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

SurfaceMesh ReadGmshSurface(const std::string& path, bool geometry, double size, double seconds) {
    if (!geometry) return ParseMsh(ReadFile(path), path);
    ConfinedLimits limits;
    limits.seconds = seconds;
    // The script may read beside itself (Include, Merge of its own files), nothing else
    // but the system's files.
    std::error_code error;
    const auto folder = std::filesystem::absolute(path, error).parent_path();
    if (!error) limits.readable.push_back(folder.string());
    const GmshLibrary* gmsh = nullptr;
    const ConfinedOutcome outcome = RunConfined(
        limits, [&] { gmsh = &PrepareGmsh(); }, [&] { return MeshGeometry(*gmsh, path, size); });
    if (!outcome.ok) {
        if (outcome.why.rfind("tried to", 0) == 0)
            throw ImportError("The Gmsh file " + path + " " + outcome.why +
                              ": an import runs no command and writes no file");
        throw ImportError("Gmsh can not mesh " + path + ": " + outcome.why);
    }
    return ParseMsh(outcome.result, path);
}

}  // namespace membrane
