#include "mesh/topology.h"

#include <algorithm>

#include "common/pair_map.h"

namespace membrane {
namespace {

// The triangles of every edge, in compressed rows.
struct EdgeTriangles {
    std::vector<std::int32_t> start, triangles;
};

EdgeTriangles TrianglesOfEdges(const EdgeTable& edges) {
    EdgeTriangles of;
    of.start.assign(edges.ends.size() + 1, 0);
    for (const auto& sides : edges.ofTriangle)
        for (const std::int32_t e : sides) ++of.start[e + 1];
    for (std::size_t e = 0; e < edges.ends.size(); ++e) of.start[e + 1] += of.start[e];
    of.triangles.resize(static_cast<std::size_t>(of.start.back()));
    std::vector<std::int32_t> fill(of.start.begin(), of.start.end() - 1);
    for (std::size_t t = 0; t < edges.ofTriangle.size(); ++t)
        for (const std::int32_t e : edges.ofTriangle[t])
            of.triangles[fill[e]++] = static_cast<std::int32_t>(t);
    return of;
}

// Whether triangle t runs along its side on edge e from the edge's first end to its second.
bool RunsForward(const Triangle& t, const std::array<std::int32_t, 2>& edge) {
    for (int k = 0; k < 3; ++k)
        if (t[k] == edge[0]) return t[(k + 1) % 3] == edge[1];
    return false;
}

}  // namespace

EdgeTable BuildEdges(std::span<const Triangle> triangles) {
    EdgeTable edges;
    PairMap index;
    const auto edge = [&](std::int32_t a, std::int32_t b) {
        const std::uint64_t key = PairMap::Key(a, b);
        std::int32_t found = index.Find(key);
        if (found == PairMap::kNone) {
            found = static_cast<std::int32_t>(edges.ends.size());
            index.Set(key, found);
            edges.ends.push_back({std::min(a, b), std::max(a, b)});
            edges.uses.push_back(0);
        }
        ++edges.uses[found];
        return found;
    };
    edges.ofTriangle.reserve(triangles.size());
    for (const Triangle& c : triangles)
        edges.ofTriangle.push_back({edge(c[1], c[2]), edge(c[2], c[0]), edge(c[0], c[1])});
    return edges;
}

std::vector<char> BoundaryNodes(const EdgeTable& edges, std::size_t nodes) {
    std::vector<char> boundary(nodes, 0);
    for (std::size_t e = 0; e < edges.ends.size(); ++e)
        if (edges.uses[e] == 1) boundary[edges.ends[e][0]] = boundary[edges.ends[e][1]] = 1;
    return boundary;
}

std::vector<std::int32_t> TriangleParts(std::span<const Triangle> triangles, const EdgeTable& edges,
                                        std::int32_t& parts) {
    const EdgeTriangles of = TrianglesOfEdges(edges);
    std::vector<std::int32_t> part(triangles.size(), -1), stack;
    parts = 0;
    for (std::size_t seed = 0; seed < triangles.size(); ++seed) {
        if (part[seed] >= 0) continue;
        part[seed] = parts;
        stack.assign(1, static_cast<std::int32_t>(seed));
        while (!stack.empty()) {
            const std::int32_t t = stack.back();
            stack.pop_back();
            for (const std::int32_t e : edges.ofTriangle[t])
                for (std::int32_t k = of.start[e]; k < of.start[e + 1]; ++k)
                    if (part[of.triangles[k]] < 0) {
                        part[of.triangles[k]] = parts;
                        stack.push_back(of.triangles[k]);
                    }
        }
        ++parts;
    }
    return part;
}

std::vector<std::array<std::int32_t, 2>> OrientationConflicts(std::span<const Triangle> triangles,
                                                              const EdgeTable& edges) {
    const EdgeTriangles of = TrianglesOfEdges(edges);
    std::vector<std::array<std::int32_t, 2>> conflicts;
    for (std::size_t e = 0; e < edges.ends.size(); ++e)
        for (std::int32_t i = of.start[e]; i < of.start[e + 1]; ++i)
            for (std::int32_t j = i + 1; j < of.start[e + 1]; ++j) {
                const std::int32_t a = of.triangles[i], b = of.triangles[j];
                if (a != b && RunsForward(triangles[a], edges.ends[e]) ==
                                  RunsForward(triangles[b], edges.ends[e]))
                    conflicts.push_back({std::min(a, b), std::max(a, b)});
            }
    return conflicts;
}

bool OrientConsistently(std::span<Triangle> triangles, const EdgeTable& edges) {
    const EdgeTriangles of = TrianglesOfEdges(edges);
    std::vector<char> seen(triangles.size(), 0);
    std::vector<std::int32_t> stack;
    bool consistent = true;
    for (std::size_t seed = 0; seed < triangles.size(); ++seed) {
        if (seen[seed]) continue;
        seen[seed] = 1;
        stack.assign(1, static_cast<std::int32_t>(seed));
        while (!stack.empty()) {
            const std::int32_t t = stack.back();
            stack.pop_back();
            for (const std::int32_t e : edges.ofTriangle[t]) {
                const bool forward = RunsForward(triangles[t], edges.ends[e]);
                for (std::int32_t k = of.start[e]; k < of.start[e + 1]; ++k) {
                    const std::int32_t u = of.triangles[k];
                    if (u == t) continue;
                    const bool agrees = RunsForward(triangles[u], edges.ends[e]) != forward;
                    if (seen[u]) {
                        consistent = consistent && agrees;
                        continue;
                    }
                    if (!agrees) std::swap(triangles[u][1], triangles[u][2]);
                    seen[u] = 1;
                    stack.push_back(u);
                }
            }
        }
    }
    return consistent;
}

}  // namespace membrane
