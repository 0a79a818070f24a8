#include "exchange/gmsh_reader.h"

#include <gmsh.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <unordered_map>

#include "exchange/import_error.h"

namespace membrane {
namespace {

// The Gmsh library keeps one global model: it lives as long as one import.
class GmshSession {
  public:
    GmshSession() {
        gmsh::initialize(0, nullptr, false);
        gmsh::option::setNumber("General.Terminal", 0);
        gmsh::option::setNumber("General.Verbosity", 0);
    }
    ~GmshSession() { gmsh::finalize(); }
    GmshSession(const GmshSession&) = delete;
    GmshSession& operator=(const GmshSession&) = delete;
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
    NodeIndex(const std::vector<std::size_t>& tags) {
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

SurfaceMesh TakeMesh() {
    SurfaceMesh mesh;
    std::vector<std::size_t> nodeTags;
    std::vector<double> coords, parametric;
    gmsh::model::mesh::getNodes(nodeTags, coords, parametric, -1, -1, false, false);
    mesh.points.reserve(nodeTags.size());
    for (std::size_t i = 0; i < nodeTags.size(); ++i)
        mesh.points.push_back({coords[3 * i], coords[3 * i + 1], coords[3 * i + 2]});
    const NodeIndex index(nodeTags);

    std::vector<int> types;
    std::vector<std::vector<std::size_t>> elementTags, elementNodes;
    gmsh::model::mesh::getElements(types, elementTags, elementNodes, 2, -1);
    for (std::size_t t = 0; t < types.size(); ++t) {
        std::string name;
        int dim = 0, order = 0, nodesPer = 0, corners = 0;
        std::vector<double> local;
        gmsh::model::mesh::getElementProperties(types[t], name, dim, order, nodesPer, local,
                                                corners);
        if (corners != 3 && corners != 4) continue;  // polygons other than these: none in 2D
        const std::vector<std::size_t>& nodes = elementNodes[t];
        std::uint32_t c[4];
        for (std::size_t e = 0; e + nodesPer <= nodes.size(); e += nodesPer) {
            for (int k = 0; k < corners; ++k) c[k] = index(nodes[e + k]);
            mesh.AddFace({c, static_cast<std::size_t>(corners)});
        }
    }

    gmsh::vectorpair groups;
    gmsh::model::getPhysicalGroups(groups);
    for (const auto& [dim, tag] : groups) {
        PointGroup group;
        gmsh::model::getPhysicalName(dim, tag, group.name);
        if (group.name.empty()) group.name = std::to_string(tag);
        std::vector<std::size_t> tags;
        std::vector<double> unused;
        gmsh::model::mesh::getNodesForPhysicalGroup(dim, tag, tags, unused);
        for (std::size_t tagOfNode : tags) group.points.push_back(index(tagOfNode));
        mesh.groups.push_back(std::move(group));
    }
    return mesh;
}

}  // namespace

SurfaceMesh ReadGmshSurface(const std::string& path, bool geometry, double size) {
    if (geometry) RefuseSideEffects(path);
    GmshSession session;
    try {
        if (size > 0) {
            gmsh::option::setNumber("Mesh.MeshSizeMin", size);
            gmsh::option::setNumber("Mesh.MeshSizeMax", size);
        }
        gmsh::open(path);
        if (geometry) gmsh::model::mesh::generate(2);
        return TakeMesh();
    } catch (const ImportError&) {
        throw;
    } catch (const std::string& reason) {
        throw ImportError("Gmsh can not read " + path + ": " + reason);
    } catch (const std::exception& e) {
        throw ImportError("Gmsh can not read " + path + ": " + e.what());
    } catch (...) {
        std::string reason;
        gmsh::logger::getLastError(reason);
        throw ImportError("Gmsh can not read " + path + (reason.empty() ? "" : ": " + reason));
    }
}

}  // namespace membrane
