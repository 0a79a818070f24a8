#include "form/form_model_reader.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "common/hash_seed.h"
#include "common/number_format.h"
#include "formats/import_error.h"
#include "formats/surface_reader.h"
#include "heightfield/model_file.h"

namespace membrane {
namespace {

// What a [[cable]] or [[support]] selects, as written.
struct Selection {
    toml::source_region where;  // the table
    std::string name;
    std::optional<std::string> group;
    toml::source_region groupWhere;
    std::vector<std::int64_t> nodes;
    std::vector<Vec3> near;
    bool boundary = false;
    double value = 0.0;     // a cable's force, a region's prestress
    double pressure = 0.0;  // a region's pressure
};

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

class Reader {
  public:
    Reader(std::string path, const SurfaceLoader& load) : path_(std::move(path)), load_(load) {}

    FormModel Read(std::string_view text) {
        toml::table root;
        try {
            root = toml::parse(text, path_);
        } catch (const toml::parse_error& error) {
            Error(error.source(), std::string(error.description()));
            Throw();
        }
        Keys(root, "the file",
             {"units", "surface", "solver", "membrane", "cable", "support",
              // The tables of the analyses that start from the form, read by their own
              // readers from the same text (FormModel::source).
              "material", "load_case", "combination", "seam", "pattern"});
        ReadUnits(root);
        ReadSurfaceTable(root);
        ReadSolver(root);
        regions_ = Tables(root, "membrane", {"name", "group", "prestress", "pressure"}, true);
        cables_ = Tables(root, "cable", {"name", "group", "nodes", "force"}, false);
        supports_ = Tables(root, "support", {"name", "group", "nodes", "near", "boundary"}, true);
        if (!errors_.empty()) Throw();

        LoadSurface();
        if (!errors_.empty()) Throw();
        BuildRegions();
        BuildCables();
        BuildSupports();
        if (!errors_.empty()) Throw();
        DropUnusedPoints();
        FinishFormModel(model_);
        return std::move(model_);
    }

  private:
    [[noreturn]] void Throw() { throw FormInputError(errors_); }

    void Error(const toml::source_region& where, const std::string& text) {
        errors_.push_back(path_ + ":" + std::to_string(where.begin.line) + ": " + text);
    }

    void Keys(const toml::table& table, const std::string& what,
              std::initializer_list<std::string_view> known) {
        for (auto&& [key, node] : table)
            if (std::find(known.begin(), known.end(), key.str()) == known.end()) {
                std::vector<std::string> names;
                for (std::string_view k : known) names.emplace_back(k);
                Error(key.source(), "unknown key " + Quoted(key.str()) + " in " + what +
                                        " (known: " + Join(names) + ")");
            }
    }

    const toml::table* Table(const toml::table& root, std::string_view key, bool required) {
        const toml::node* node = root.get(key);
        if (node == nullptr) {
            if (required) errors_.push_back(path_ + ": no [" + std::string(key) + "] table");
            return nullptr;
        }
        if (!node->is_table()) {
            Error(node->source(), Quoted(key) + " must be a table ([" + std::string(key) + "])");
            return nullptr;
        }
        return node->as_table();
    }

    // A number under `key`, > 0 (or >= 0 when zero is allowed).
    std::optional<double> Number(const toml::table& table, std::string_view key,
                                 const std::string& what, bool required, bool zeroAllowed = false,
                                 bool negativeAllowed = false) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            if (required) Error(table.source(), what + " has no " + Quoted(key));
            return std::nullopt;
        }
        const std::optional<double> value = node->value<double>();
        if (!value || !std::isfinite(*value)) {
            Error(node->source(), Quoted(key) + " in " + what + " must be a number");
            return std::nullopt;
        }
        if (!negativeAllowed && (*value < 0.0 || (*value == 0.0 && !zeroAllowed))) {
            Error(node->source(), Quoted(key) + " in " + what + " must be " +
                                      (zeroAllowed ? "0 or more" : "more than 0") + ", not " +
                                      FormatGeneral(*value));
            return std::nullopt;
        }
        return value;
    }

    std::optional<std::string> String(const toml::table& table, std::string_view key,
                                      const std::string& what, bool required) {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            if (required) Error(table.source(), what + " has no " + Quoted(key));
            return std::nullopt;
        }
        if (!node->is_string() || node->value<std::string>()->empty()) {
            Error(node->source(), Quoted(key) + " in " + what + " must be a text in quotes");
            return std::nullopt;
        }
        return node->value<std::string>();
    }

    void ReadUnits(const toml::table& root) {
        const toml::table* units = Table(root, "units", true);
        if (units == nullptr) return;
        Keys(*units, "[units]", {"force", "length"});
        if (const auto force = String(*units, "force", "[units]", true)) {
            if (*force == "kN")
                forceFactor_ = 1.0;
            else if (*force == "N")
                forceFactor_ = 1e-3;
            else
                Error(units->get("force")->source(),
                      "unit " + Quoted(*force) + " for force: write \"kN\" or \"N\"");
        }
        if (const auto length = String(*units, "length", "[units]", true)) {
            if (*length == "m")
                lengthFactor_ = 1.0;
            else if (*length == "mm")
                lengthFactor_ = 1e-3;
            else
                Error(units->get("length")->source(),
                      "unit " + Quoted(*length) + " for length: write \"m\" or \"mm\"");
        }
    }

    void ReadSurfaceTable(const toml::table& root) {
        const toml::table* surface = Table(root, "surface", true);
        if (surface == nullptr) return;
        Keys(*surface, "[surface]", {"file", "mesh_size"});
        surfaceWhere_ = surface->source();
        if (const auto file = String(*surface, "file", "[surface]", true)) {
            surfaceWhere_ = surface->get("file")->source();
            const std::filesystem::path named(*file);
            surfaceFile_ = named.is_absolute()
                               ? named.string()
                               : (std::filesystem::path(path_).parent_path() / named).string();
        }
        if (const auto size = Number(*surface, "mesh_size", "[surface]", false)) meshSize_ = *size;
    }

    void ReadSolver(const toml::table& root) {
        const toml::table* solver = Table(root, "solver", false);
        if (solver == nullptr) return;
        Keys(*solver, "[solver]", {"accuracy", "max_iterations"});
        if (const auto accuracy = Number(*solver, "accuracy", "[solver]", false))
            accuracy_ = *accuracy;
        if (const toml::node* limit = solver->get("max_iterations")) {
            const std::optional<std::int64_t> value = limit->value_exact<std::int64_t>();
            if (!value || *value < 1 || *value > 1000000)
                Error(limit->source(),
                      "\"max_iterations\" in [solver] must be a whole number from 1 to 1000000");
            else
                model_.settings.maxIterations = static_cast<int>(*value);
        }
    }

    std::vector<Selection> Tables(const toml::table& root, std::string_view key,
                                  std::initializer_list<std::string_view> known, bool required) {
        std::vector<Selection> selections;
        const std::string heading = "[[" + std::string(key) + "]]";
        const toml::node* node = root.get(key);
        if (node == nullptr) {
            if (required)
                errors_.push_back(
                    path_ + ": no " + heading + " table" +
                    (key == "support" ? ": nothing holds the membrane in place" : ""));
            return selections;
        }
        const toml::array* array = node->as_array();
        if (array == nullptr || !array->is_array_of_tables()) {
            Error(node->source(), Quoted(key) + " must be written as " + heading + " tables");
            return selections;
        }
        for (const toml::node& element : *array) {
            const toml::table& table = *element.as_table();
            const std::string what = heading + " " + std::to_string(selections.size() + 1);
            Keys(table, what, known);
            Selection& s = selections.emplace_back();
            s.where = table.source();
            if (const auto group = String(table, "group", what, false)) {
                s.group = group;
                s.groupWhere = table.get("group")->source();
            }
            s.name =
                String(table, "name", what, false)
                    .value_or(s.group ? *s.group
                                      : std::string(key) + " " + std::to_string(selections.size()));
            if (key == "membrane") {
                s.value = Number(table, "prestress", what, true).value_or(0.0);
                s.pressure = Number(table, "pressure", what, false, true, true).value_or(0.0) *
                             forceFactor_ / (lengthFactor_ * lengthFactor_);
                s.value *= forceFactor_ / lengthFactor_;
                continue;
            }
            if (key == "cable")
                s.value = Number(table, "force", what, true).value_or(0.0) * forceFactor_;
            ReadSelectors(table, what, key == "support", s);
        }
        return selections;
    }

    void ReadSelectors(const toml::table& table, const std::string& what, bool support,
                       Selection& s) {
        int given = s.group ? 1 : 0;
        if (const toml::node* nodes = table.get("nodes")) {
            ++given;
            const toml::array* list = nodes->as_array();
            if (list == nullptr || list->empty())
                Error(nodes->source(), "\"nodes\" in " + what + " must be a list of node numbers");
            if (list != nullptr)
                for (const toml::node& item : *list) {
                    const auto number = item.value_exact<std::int64_t>();
                    if (!number || *number < 1)
                        Error(item.source(),
                              "\"nodes\" in " + what + ": a node number is a whole number from 1");
                    else
                        s.nodes.push_back(*number);
                }
        }
        if (const toml::node* near = table.get("near"); support && near != nullptr) {
            ++given;
            const toml::array* list = near->as_array();
            if (list == nullptr || list->empty())
                Error(near->source(), "\"near\" in " + what + " must be a list of [x, y, z]");
            if (list != nullptr)
                for (const toml::node& item : *list) {
                    const toml::array* xyz = item.as_array();
                    std::optional<double> c[3];
                    if (xyz != nullptr && xyz->size() == 3)
                        for (int k = 0; k < 3; ++k) c[k] = (*xyz)[k].value<double>();
                    if (!c[0] || !c[1] || !c[2])
                        Error(item.source(), "\"near\" in " + what + ": each place is [x, y, z]");
                    else
                        s.near.push_back(Vec3{*c[0], *c[1], *c[2]} * lengthFactor_);
                }
        }
        if (const toml::node* boundary = table.get("boundary"); support && boundary != nullptr) {
            ++given;
            const auto value = boundary->value_exact<bool>();
            if (!value)
                Error(boundary->source(), "\"boundary\" in " + what + " must be true or false");
            s.boundary = value.value_or(false);
        }
        if (given != 1)
            Error(s.where, what + " must name its nodes one way: " +
                               (support ? "\"group\", \"nodes\", \"near\" or \"boundary\""
                                        : "\"group\" or \"nodes\""));
    }

    void LoadSurface() {
        SurfaceMesh surface;
        try {
            surface = load_(surfaceFile_, meshSize_ > 0.0 ? meshSize_ / lengthFactor_ : 0.0);
        } catch (const ImportError& error) {
            Error(surfaceWhere_, error.what());
            return;
        }
        if (surface.triangles.empty()) {
            Error(surfaceWhere_, "the surface file " + surfaceFile_ + " has no triangles");
            return;
        }
        for (const SurfacePoint& p : surface.points)
            if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
                Error(surfaceWhere_,
                      "the surface file " + surfaceFile_ + " has a point that is no number");
                return;
            }
        Weld(surface);
        groups_ = std::move(surface.groups);
        model_.fileName = path_;
        model_.surfaceFile = surfaceFile_;
        model_.settings.accuracy = accuracy_ * lengthFactor_;
    }

    // Merges the points that coincide (within 1e-9 of the surface's size): a point's cell
    // of that size and its neighbours are searched.
    void Weld(const SurfaceMesh& surface) {
        Vec3 low{INFINITY, INFINITY, INFINITY}, high{-INFINITY, -INFINITY, -INFINITY};
        for (const SurfacePoint& p : surface.points) {
            low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
            high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        }
        const double tolerance = std::max(1e-9 * Norm(high - low), 1e-300);
        struct CellHash {
            std::size_t operator()(const std::array<std::int64_t, 3>& c) const {
                return static_cast<std::size_t>(
                    SeededHash(static_cast<std::uint64_t>(c[0]) * 73856093u ^
                               static_cast<std::uint64_t>(c[1]) * 19349663u ^
                               static_cast<std::uint64_t>(c[2]) * 83492791u));
            }
        };
        std::unordered_map<std::array<std::int64_t, 3>, std::vector<std::int32_t>, CellHash> cells;
        welded_.resize(surface.points.size());
        for (std::size_t i = 0; i < surface.points.size(); ++i) {
            const SurfacePoint& p = surface.points[i];
            const Vec3 v{p.x, p.y, p.z};
            const std::array<std::int64_t, 3> cell{
                static_cast<std::int64_t>(std::floor((p.x - low.x) / tolerance)),
                static_cast<std::int64_t>(std::floor((p.y - low.y) / tolerance)),
                static_cast<std::int64_t>(std::floor((p.z - low.z) / tolerance))};
            std::int32_t found = -1;
            for (int dx = -1; dx <= 1 && found < 0; ++dx)
                for (int dy = -1; dy <= 1 && found < 0; ++dy)
                    for (int dz = -1; dz <= 1 && found < 0; ++dz) {
                        const auto it = cells.find({cell[0] + dx, cell[1] + dy, cell[2] + dz});
                        if (it == cells.end()) continue;
                        for (std::int32_t j : it->second)
                            if (Norm(model_.start[j] - v * lengthFactor_) <=
                                tolerance * lengthFactor_) {
                                found = j;
                                break;
                            }
                    }
            if (found < 0) {
                found = static_cast<std::int32_t>(model_.start.size());
                model_.start.push_back(v * lengthFactor_);
                model_.labels.push_back(static_cast<std::int64_t>(i) + 1);
                cells[cell].push_back(found);
            }
            welded_[i] = found;
        }
        for (const auto& t : surface.triangles) {
            const std::array<std::int32_t, 3> c{welded_[t[0]], welded_[t[1]], welded_[t[2]]};
            triangleOfSurface_.push_back(c[0] == c[1] || c[1] == c[2] || c[0] == c[2]
                                             ? -1
                                             : static_cast<std::int32_t>(model_.triangles.size()));
            if (triangleOfSurface_.back() >= 0) model_.triangles.push_back(c);
        }
    }

    const PointGroup* Group(const Selection& s) {
        for (const PointGroup& group : groups_)
            if (group.name == *s.group) return &group;
        std::vector<std::string> names;
        for (const PointGroup& group : groups_) names.push_back(Quoted(group.name));
        Error(s.groupWhere,
              "group " + Quoted(*s.group) + " is not in the surface file " + surfaceFile_ +
                  (names.empty() ? " (it has no groups)" : " (its groups: " + Join(names) + ")"));
        return nullptr;
    }

    void BuildRegions() {
        model_.triangleRegion.assign(model_.triangles.size(), -1);
        int catchAll = -1;
        for (std::size_t r = 0; r < regions_.size(); ++r) {
            const Selection& s = regions_[r];
            model_.regions.push_back({s.name, s.value, s.pressure});
            if (!s.group) {
                if (catchAll >= 0)
                    Error(
                        s.where,
                        "two [[membrane]] tables without a \"group\": only one may take the rest");
                catchAll = static_cast<int>(r);
                continue;
            }
            const PointGroup* group = Group(s);
            if (group == nullptr) continue;
            if (group->triangles.empty()) {
                Error(s.groupWhere, "group " + Quoted(*s.group) +
                                        " has no triangles: a membrane is a surface group");
                continue;
            }
            for (std::uint32_t t : group->triangles) {
                const std::int32_t own = t < triangleOfSurface_.size() ? triangleOfSurface_[t] : -1;
                if (own < 0) continue;
                if (model_.triangleRegion[own] >= 0 &&
                    model_.triangleRegion[own] != static_cast<int>(r)) {
                    Error(s.groupWhere,
                          "group " + Quoted(*s.group) + " shares triangles with [[membrane]] " +
                              Quoted(model_.regions[model_.triangleRegion[own]].name));
                    break;
                }
                model_.triangleRegion[own] = static_cast<int>(r);
            }
        }
        std::size_t orphans = 0;
        for (std::int32_t& region : model_.triangleRegion)
            if (region < 0) {
                if (catchAll >= 0)
                    region = catchAll;
                else
                    ++orphans;
            }
        if (orphans > 0)
            errors_.push_back(
                path_ + ": " + std::to_string(orphans) +
                " triangles belong to no [[membrane]]: add one without a \"group\" for the rest");
    }

    // The points a selection names by number, as welded node indices.
    std::vector<std::int32_t> NodesByNumber(const Selection& s, const std::string& what) {
        std::vector<std::int32_t> nodes;
        for (std::int64_t number : s.nodes) {
            if (number > static_cast<std::int64_t>(welded_.size())) {
                Error(s.where, what + ": node " + std::to_string(number) +
                                   " is not in the surface file (it has " +
                                   std::to_string(welded_.size()) + " points)");
                continue;
            }
            nodes.push_back(welded_[number - 1]);
        }
        return nodes;
    }

    std::vector<std::int32_t> GroupPoints(const PointGroup& group) const {
        std::vector<std::int32_t> nodes;
        for (std::uint32_t p : group.points)
            if (p < welded_.size()) nodes.push_back(welded_[p]);
        std::sort(nodes.begin(), nodes.end());
        nodes.erase(std::unique(nodes.begin(), nodes.end()), nodes.end());
        return nodes;
    }

    // The sides of the mesh used by one triangle only.
    std::vector<std::array<std::int32_t, 2>> BoundarySides() const {
        std::map<std::pair<std::int32_t, std::int32_t>, int> uses;
        for (const auto& c : model_.triangles)
            for (int k = 0; k < 3; ++k)
                ++uses[{std::min(c[k], c[(k + 1) % 3]), std::max(c[k], c[(k + 1) % 3])}];
        std::vector<std::array<std::int32_t, 2>> sides;
        for (const auto& [side, count] : uses)
            if (count == 1) sides.push_back({side.first, side.second});
        return sides;
    }

    // Segments between the points of a group without segments of its own: the mesh's
    // sides between them (only boundary sides when the points all lie on the boundary).
    std::vector<std::array<std::int32_t, 2>> SidesWithin(
        const std::vector<std::int32_t>& nodes) const {
        const std::set<std::int32_t> in(nodes.begin(), nodes.end());
        const std::vector<std::array<std::int32_t, 2>> boundary = BoundarySides();
        std::set<std::int32_t> onBoundary;
        for (const auto& side : boundary) onBoundary.insert(side.begin(), side.end());
        const bool allOnBoundary = std::all_of(
            nodes.begin(), nodes.end(), [&](std::int32_t n) { return onBoundary.count(n) > 0; });
        std::set<std::pair<std::int32_t, std::int32_t>> sides;
        const auto take = [&](std::int32_t a, std::int32_t b) {
            if (in.count(a) && in.count(b)) sides.insert({std::min(a, b), std::max(a, b)});
        };
        if (allOnBoundary)
            for (const auto& side : boundary) take(side[0], side[1]);
        else
            for (const auto& c : model_.triangles)
                for (int k = 0; k < 3; ++k) take(c[k], c[(k + 1) % 3]);
        std::vector<std::array<std::int32_t, 2>> list;
        for (const auto& [a, b] : sides) list.push_back({a, b});
        return list;
    }

    // Orders segments into one chain (open or closed); empty after an error.
    std::vector<std::int32_t> Chain(const std::vector<std::array<std::int32_t, 2>>& segments,
                                    const Selection& s) {
        std::map<std::int32_t, std::vector<std::int32_t>> next;
        for (const auto& [a, b] : segments) {
            if (a == b) continue;
            next[a].push_back(b);
            next[b].push_back(a);
        }
        const toml::source_region& where = s.group ? s.groupWhere : s.where;
        if (next.empty()) {
            Error(where, "cable " + Quoted(s.name) +
                             " is no curve: its nodes are joined by no side of the mesh");
            return {};
        }
        std::int32_t first = -1;
        for (auto& [node, others] : next) {
            std::sort(others.begin(), others.end());
            others.erase(std::unique(others.begin(), others.end()), others.end());
            if (others.size() > 2) {
                Error(where, "cable " + Quoted(s.name) + " is no curve: it branches at node " +
                                 std::to_string(model_.labels[node]));
                return {};
            }
            if (others.size() == 1 && first < 0) first = node;  // an open chain: from its first end
        }
        if (first < 0) first = next.begin()->first;
        std::vector<std::int32_t> chain{first};
        std::set<std::int32_t> visited{first};
        for (std::int32_t before = -1, at = first;;) {
            std::int32_t step = -1;
            for (std::int32_t n : next[at])
                if (n != before && !visited.count(n)) step = n;
            if (step < 0) {
                const auto& around = next[at];
                if (chain.size() > 2 &&
                    std::find(around.begin(), around.end(), first) != around.end())
                    chain.push_back(first);  // closed
                break;
            }
            chain.push_back(step);
            visited.insert(step);
            before = at;
            at = step;
        }
        if (visited.size() != next.size()) {
            Error(where, "cable " + Quoted(s.name) +
                             " is no curve: its segments form more than one piece");
            return {};
        }
        return chain;
    }

    void BuildCables() {
        for (const Selection& s : cables_) {
            const std::string what = "[[cable]] " + Quoted(s.name);
            std::vector<std::int32_t> chain;
            if (s.group) {
                const PointGroup* group = Group(s);
                if (group == nullptr) continue;
                std::vector<std::array<std::int32_t, 2>> segments;
                for (const auto& [a, b] : group->lines)
                    if (a < welded_.size() && b < welded_.size())
                        segments.push_back({welded_[a], welded_[b]});
                if (segments.empty()) segments = SidesWithin(GroupPoints(*group));
                chain = Chain(segments, s);
            } else {
                chain = NodesByNumber(s, what);
                for (std::size_t k = 1; k < chain.size(); ++k)
                    if (chain[k] == chain[k - 1]) {
                        Error(s.where, what + ": node " + std::to_string(model_.labels[chain[k]]) +
                                           " follows itself");
                        break;
                    }
                if (chain.size() < 2) Error(s.where, what + ": a cable needs two nodes at least");
            }
            if (chain.size() >= 2) model_.cables.push_back({s.name, s.value, std::move(chain)});
        }
    }

    void BuildSupports() {
        for (const Selection& s : supports_) {
            const std::string what = "[[support]] " + Quoted(s.name);
            SupportSpec support{s.name, {}};
            if (s.group) {
                if (const PointGroup* group = Group(s)) support.nodes = GroupPoints(*group);
            } else if (!s.nodes.empty()) {
                support.nodes = NodesByNumber(s, what);
            } else if (!s.near.empty()) {
                support.nodes = Nearest(s, what);
            } else if (s.boundary) {
                for (const auto& side : BoundarySides())
                    support.nodes.insert(support.nodes.end(), side.begin(), side.end());
                if (support.nodes.empty())
                    Error(s.where, what + ": the surface has no boundary (it is closed)");
            }
            std::sort(support.nodes.begin(), support.nodes.end());
            support.nodes.erase(std::unique(support.nodes.begin(), support.nodes.end()),
                                support.nodes.end());
            model_.supports.push_back(std::move(support));
        }
    }

    // The point nearest to each place (within a thousandth of the surface's size).
    std::vector<std::int32_t> Nearest(const Selection& s, const std::string& what) {
        FinishFormModel(model_);  // the extent
        std::vector<std::int32_t> nodes;
        for (const Vec3& place : s.near) {
            std::int32_t best = -1;
            double distance = INFINITY;
            for (std::size_t i = 0; i < model_.start.size(); ++i)
                if (const double d = Norm(model_.start[i] - place); d < distance) {
                    distance = d;
                    best = static_cast<std::int32_t>(i);
                }
            if (best < 0 || distance > 1e-3 * model_.extent)
                Error(s.where, what + ": no point of the surface near (" + std::to_string(place.x) +
                                   ", " + std::to_string(place.y) + ", " + std::to_string(place.z) +
                                   ")");
            else
                nodes.push_back(best);
        }
        return nodes;
    }

    // Points of no triangle and no cable carry nothing: they are left out.
    void DropUnusedPoints() {
        std::vector<char> used(model_.start.size(), 0);
        for (const auto& c : model_.triangles)
            for (std::int32_t i : c) used[i] = 1;
        for (const CableSpec& cable : model_.cables)
            for (std::int32_t i : cable.nodes) used[i] = 1;
        std::vector<std::int32_t> renumber(model_.start.size(), -1);
        std::vector<Vec3> start;
        std::vector<std::int64_t> labels;
        for (std::size_t i = 0; i < used.size(); ++i)
            if (used[i]) {
                renumber[i] = static_cast<std::int32_t>(start.size());
                start.push_back(model_.start[i]);
                labels.push_back(model_.labels[i]);
            }
        if (start.size() == model_.start.size()) return;
        model_.start = std::move(start);
        model_.labels = std::move(labels);
        for (auto& c : model_.triangles)
            for (std::int32_t& i : c) i = renumber[i];
        for (CableSpec& cable : model_.cables)
            for (std::int32_t& i : cable.nodes) i = renumber[i];
        for (SupportSpec& support : model_.supports) {
            std::vector<std::int32_t> kept;
            for (std::int32_t i : support.nodes)
                if (renumber[i] >= 0) kept.push_back(renumber[i]);
            support.nodes = std::move(kept);
        }
    }

    std::string path_;
    const SurfaceLoader& load_;
    std::vector<std::string> errors_;
    double forceFactor_ = 1.0, lengthFactor_ = 1.0;  // to kN and m
    std::string surfaceFile_;
    toml::source_region surfaceWhere_;
    double meshSize_ = 0.0;
    double accuracy_ = FormSettings{}.accuracy;
    std::vector<Selection> regions_, cables_, supports_;

    FormModel model_;
    std::vector<PointGroup> groups_;
    std::vector<std::int32_t> welded_;             // per surface point: its node
    std::vector<std::int32_t> triangleOfSurface_;  // per surface triangle: its own, or -1
};

}  // namespace

FormInputError::FormInputError(std::vector<std::string> messages)
    : std::runtime_error(messages.empty() ? std::string("bad form model") : messages.front()),
      messages_(std::move(messages)) {}

FormModel ParseFormModel(std::string_view text, const std::string& path,
                         const SurfaceLoader& loadSurface) {
    FormModel model = Reader(path, loadSurface).Read(text);
    model.source = std::make_shared<const std::string>(text);
    return model;
}

FormModel ReadFormModel(const std::string& path) {
    std::string why;
    const std::shared_ptr<const ModelFile> file = ReadModelFile(path, &why);
    if (!file) throw FormInputError({path + ": can not be read (" + why + ")"});
    return ParseFormModel(file->text, path, [](const std::string& surface, double size) {
        return ReadSurface(surface, size);
    });
}

}  // namespace membrane
