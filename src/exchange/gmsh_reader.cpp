#include "exchange/gmsh_reader.h"

#include <fstream>
#include <iterator>
#include <regex>
#include <span>
#include <unordered_map>

#include "exchange/gmsh_library.h"
#include "exchange/import_error.h"

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

// The Gmsh library keeps one global model: it lives as long as one import.
class GmshSession {
  public:
    explicit GmshSession(const GmshLibrary& gmsh) : gmsh_(gmsh) {
        int ierr = 0;
        gmsh_.initialize(0, nullptr, 0, &ierr);
        Check(ierr);
        gmsh_.optionSetNumber("General.Terminal", 0, &ierr);
        gmsh_.optionSetNumber("General.Verbosity", 0, &ierr);
    }
    ~GmshSession() {
        int ierr = 0;
        gmsh_.finalize(&ierr);
    }
    GmshSession(const GmshSession&) = delete;
    GmshSession& operator=(const GmshSession&) = delete;

  private:
    const GmshLibrary& gmsh_;
};

// A ".geo" file is a script: it may run programs and write or delete files. Those
// commands have no place in a membrane's geometry and are refused before Gmsh sees them.
void RefuseSideEffects(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    static const std::regex command(
        R"(\b(System|SystemCall|NonBlockingSystemCall|Save|Print|Delete\s+File|CreateDir|OnelabRun)\b)");
    std::smatch found;
    if (std::regex_search(text, found, command))
        throw ImportError("The geometry file " + path + " uses \"" + found.str(1) +
                          "\", which the import does not run");
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

// The element types of dimension 2 with their element and node tags: arrays of arrays,
// each given back to Gmsh.
class GmshElements {
  public:
    explicit GmshElements(const GmshLibrary& gmsh) : gmsh_(gmsh) {
        int ierr = 0;
        gmsh.modelMeshGetElements(&types_, &typeCount_, &elementTags_, &elementTagCounts_,
                                  &elementArrays_, &nodeTags_, &nodeTagCounts_, &nodeArrays_, 2, -1,
                                  &ierr);
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

    const GmshElements elements(gmsh);
    for (std::size_t t = 0; t < elements.Types(); ++t) {
        char* name = nullptr;
        int dim = 0, order = 0, nodesPer = 0, corners = 0;
        GmshArray<double> local(gmsh);
        gmsh.modelMeshGetElementProperties(elements.Type(t), &name, &dim, &order, &nodesPer,
                                           local.Data(), local.Size(), &corners, &ierr);
        TakeString(gmsh, name);
        Check(ierr);
        if (corners != 3 && corners != 4) continue;  // polygons other than these: none in 2D
        const auto nodes = elements.Nodes(t);
        std::uint32_t c[4];
        for (std::size_t e = 0; e + nodesPer <= nodes.size(); e += nodesPer) {
            for (int k = 0; k < corners; ++k) c[k] = index(nodes[e + k]);
            mesh.AddFace({c, static_cast<std::size_t>(corners)});
        }
    }

    GmshArray<int> groups(gmsh);  // dimension, tag pairs
    gmsh.modelGetPhysicalGroups(groups.Data(), groups.Size(), -1, &ierr);
    Check(ierr);
    const auto dimTags = groups.View();
    for (std::size_t g = 0; g + 1 < dimTags.size(); g += 2) {
        const int dim = dimTags[g], tag = dimTags[g + 1];
        PointGroup group;
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

}  // namespace

SurfaceMesh ReadGmshSurface(const std::string& path, bool geometry, double size) {
    if (geometry) RefuseSideEffects(path);
    std::string why;
    const GmshLibrary* gmsh = LoadGmshLibrary(why);
    if (gmsh == nullptr) throw ImportError("Gmsh can not read " + path + ": " + why);
    try {
        GmshSession session(*gmsh);
        int ierr = 0;
        if (size > 0) {
            gmsh->optionSetNumber("Mesh.MeshSizeMin", size, &ierr);
            gmsh->optionSetNumber("Mesh.MeshSizeMax", size, &ierr);
        }
        gmsh->open(path.c_str(), &ierr);
        Check(ierr);
        if (geometry) {
            gmsh->modelMeshGenerate(2, &ierr);
            Check(ierr);
        }
        return TakeMesh(*gmsh);
    } catch (const ImportError&) {
        throw;
    } catch (const GmshFailed&) {
        const std::string reason = LastError(*gmsh);
        throw ImportError("Gmsh can not read " + path + (reason.empty() ? "" : ": " + reason));
    } catch (const std::exception& e) {
        throw ImportError("Gmsh can not read " + path + ": " + e.what());
    }
}

}  // namespace membrane
