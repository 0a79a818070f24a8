#include "formats/msh_format.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "formats/import_error.h"

namespace membrane {
namespace {

// Gmsh's element types by number: nodes per element, corner nodes and dimension. The
// number of nodes is not written in the file; an element of a type not listed here cannot
// be stepped over and the file is refused.
struct ElementKind {
    int nodes;
    int corners;
    int dimension;
};

std::optional<ElementKind> KindOf(long long type) {
    switch (type) {
        case 15:
            return ElementKind{1, 1, 0};  // point
        case 1:
            return ElementKind{2, 2, 1};  // lines of order 1 to 5
        case 8:
            return ElementKind{3, 2, 1};
        case 26:
            return ElementKind{4, 2, 1};
        case 27:
            return ElementKind{5, 2, 1};
        case 28:
            return ElementKind{6, 2, 1};
        case 2:
            return ElementKind{3, 3, 2};  // triangles, complete and incomplete
        case 9:
            return ElementKind{6, 3, 2};
        case 20:
            return ElementKind{9, 3, 2};
        case 21:
            return ElementKind{10, 3, 2};
        case 22:
            return ElementKind{12, 3, 2};
        case 23:
            return ElementKind{15, 3, 2};
        case 24:
            return ElementKind{15, 3, 2};
        case 25:
            return ElementKind{21, 3, 2};
        case 3:
            return ElementKind{4, 4, 2};  // quadrilaterals
        case 10:
            return ElementKind{9, 4, 2};
        case 16:
            return ElementKind{8, 4, 2};
        case 36:
            return ElementKind{16, 4, 2};
        case 37:
            return ElementKind{25, 4, 2};
        case 4:
            return ElementKind{4, 4, 3};  // solids: stepped over
        case 5:
            return ElementKind{8, 8, 3};
        case 6:
            return ElementKind{6, 6, 3};
        case 7:
            return ElementKind{5, 5, 3};
        case 11:
            return ElementKind{10, 4, 3};
        case 12:
            return ElementKind{27, 8, 3};
        case 13:
            return ElementKind{18, 6, 3};
        case 14:
            return ElementKind{14, 5, 3};
        case 17:
            return ElementKind{20, 8, 3};
        case 18:
            return ElementKind{15, 6, 3};
        case 19:
            return ElementKind{13, 5, 3};
        case 29:
            return ElementKind{20, 4, 3};
        case 30:
            return ElementKind{35, 4, 3};
        case 31:
            return ElementKind{56, 4, 3};
        case 92:
            return ElementKind{64, 8, 3};
        case 93:
            return ElementKind{125, 8, 3};
        default:
            return std::nullopt;
    }
}

// A cursor over the file, text or binary. Every read checks the bytes left first.
class Cursor {
  public:
    Cursor(std::string_view text, const std::string& name) : text_(text), name_(name) {}

    bool binary = false;
    int sizeBytes = 8;  // of a size_t in a binary version 4 file

    std::size_t Left() const { return text_.size() - at_; }
    bool AtEnd() {
        SkipBlanks();
        return at_ == text_.size();
    }

    [[noreturn]] void Fail(const std::string& why) const {
        throw ImportError("The mesh file " + name_ + " can not be read: " + why + " (at byte " +
                          std::to_string(at_) + ")");
    }

    // --- text
    std::string_view Token() {
        SkipBlanks();
        const std::size_t start = at_;
        while (at_ < text_.size() && !IsBlank(text_[at_])) ++at_;
        if (at_ == start) Fail("it ends early");
        return text_.substr(start, at_ - start);
    }
    long long Integer(const char* what) {
        const std::string_view token = Token();
        long long value = 0;
        const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (ec != std::errc() || end != token.data() + token.size())
            Fail(std::string(what) + " \"" + std::string(token.substr(0, 40)) +
                 "\" is not a whole number");
        return value;
    }
    int Int(const char* what) {
        const long long value = Integer(what);
        if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
            Fail(std::string(what) + " " + std::to_string(value) + " is out of range");
        return static_cast<int>(value);
    }
    double Real() {
        const std::string_view token = Token();
        double value = 0;
        const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (ec != std::errc() || end != token.data() + token.size())
            Fail("the coordinate \"" + std::string(token.substr(0, 40)) + "\" is not a number");
        return value;
    }
    // The rest of the line after a text count that binary data follows: Gmsh writes a
    // line end right after the number.
    void LineEnd() {
        while (at_ < text_.size() && text_[at_] == ' ') ++at_;
        if (at_ < text_.size() && text_[at_] == '\r') ++at_;
        if (at_ >= text_.size() || text_[at_] != '\n') Fail("a line end is missing");
        ++at_;
    }

    // --- binary (little-endian, as Gmsh writes on the machines this program runs on)
    template <class T>
    T Raw() {
        if (Left() < sizeof(T)) Fail("it ends early");
        T value;
        std::memcpy(&value, text_.data() + at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    std::uint64_t RawSize() { return sizeBytes == 4 ? Raw<std::uint32_t>() : Raw<std::uint64_t>(); }
    int RawInt() { return Raw<std::int32_t>(); }

    // --- either
    // A count of things each taking at least `textTokens` numbers of text or `bytes` bytes
    // of binary data: refused when the rest of the file could not hold that many.
    std::size_t Bounded(std::uint64_t count, int textTokens, std::size_t bytes, const char* what) {
        const std::size_t each = binary ? bytes : 2 * static_cast<std::size_t>(textTokens);
        if (each > 0 && count > (Left() + 1) / each)
            Fail("it claims " + std::to_string(count) + " " + what +
                 ", more than the rest of the file holds");
        return static_cast<std::size_t>(count);
    }
    std::size_t TextCount(const char* what, int textTokens, std::size_t bytes) {
        const long long value = Integer(what);
        if (value < 0) Fail(std::string("a negative number of ") + what);
        return Bounded(static_cast<std::uint64_t>(value), textTokens, bytes, what);
    }
    std::size_t Count(const char* what, int textTokens, std::size_t bytes) {
        if (!binary) return TextCount(what, textTokens, bytes);
        return Bounded(RawSize(), textTokens, bytes, what);
    }
    std::uint64_t Tag() {
        if (binary) return RawSize();
        const long long value = Integer("a number");
        if (value < 0) Fail("the negative number " + std::to_string(value));
        return static_cast<std::uint64_t>(value);
    }
    int Int4() { return binary ? RawInt() : Int("a number"); }
    double Real8() { return binary ? Raw<double>() : Real(); }

    // --- sections
    std::string SectionName() {
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '$') Fail("a section does not begin with $");
        std::size_t end = text_.find('\n', at_);
        if (end == std::string_view::npos) end = text_.size();
        std::string name(text_.substr(at_ + 1, end - at_ - 1));
        while (!name.empty() && IsBlank(name.back())) name.pop_back();
        at_ = std::min(end + 1, text_.size());
        return name;
    }
    void ExpectEnd(const std::string& section) {
        SkipBlanks();
        const std::string end = "$End" + section;
        if (text_.substr(at_, end.size()) != end) Fail("$" + section + " does not end with " + end);
        at_ += end.size();
    }
    void SkipSection(const std::string& section) {
        const std::string end = "\n$End" + section;
        const std::size_t found = text_.find(end, at_ > 0 ? at_ - 1 : 0);
        if (found == std::string_view::npos) Fail("$" + section + " has no $End" + section);
        at_ = found + end.size();
    }
    // A quoted name to the closing quote on the same line.
    std::string Quoted() {
        SkipBlanks();
        if (at_ >= text_.size() || text_[at_] != '"') Fail("a group name is not in quotes");
        const std::size_t close = text_.find('"', at_ + 1);
        const std::size_t line = text_.find('\n', at_ + 1);
        if (close == std::string_view::npos || close > line) Fail("a group name has no end quote");
        std::string name(text_.substr(at_ + 1, close - at_ - 1));
        at_ = close + 1;
        return name;
    }

  private:
    static bool IsBlank(char c) {
        return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\v';
    }
    void SkipBlanks() {
        while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
    }

    std::string_view text_;
    const std::string& name_;
    std::size_t at_ = 0;
};

using GroupKey = std::pair<int, int>;  // dimension, physical tag

struct GroupMembers {
    std::vector<std::uint32_t> points;
    std::vector<std::array<std::uint32_t, 2>> lines;
    std::vector<std::uint32_t> triangles;
};

class MeshBuilder {
  public:
    // `memberships`: how many elements' memberships of groups the file may bring (an
    // entity in a million groups must not make a million copies of each of its elements).
    MeshBuilder(Cursor& cursor, const std::string& name, std::size_t memberships)
        : cursor_(cursor), name_(name), memberships_(memberships) {}

    bool dropRepeats = false;  // version 2 repeats an element once for each of its groups

    void ReserveNodes(std::size_t count) {
        mesh_.points.reserve(mesh_.points.size() + count);
        index_.reserve(index_.size() + count);
    }
    void AddNode(std::uint64_t tag, double x, double y, double z) {
        if (mesh_.points.size() >= std::numeric_limits<std::uint32_t>::max())
            cursor_.Fail("too many nodes");
        if (!index_.emplace(tag, static_cast<std::uint32_t>(mesh_.points.size())).second)
            cursor_.Fail("node " + std::to_string(tag) + " is defined twice");
        mesh_.points.push_back({x, y, z});
    }
    void NameGroup(int dimension, int tag, std::string name) {
        names_[{dimension, tag}] = std::move(name);
    }
    void DeclareGroup(int dimension, int tag) { groups_[{dimension, tag}]; }

    // One element given by its node tags, in the physical groups `physicals` of its
    // dimension.
    void AddElement(const ElementKind& kind, std::span<const std::uint64_t> nodes,
                    std::span<const int> physicals) {
        if (kind.dimension > 2) return;
        std::array<std::uint32_t, 4> c{};
        for (int k = 0; k < kind.corners; ++k) c[k] = Node(nodes[k]);
        std::vector<std::uint32_t> faces;
        if (kind.dimension == 2)
            faces = AddFace({c.data(), static_cast<std::size_t>(kind.corners)});
        if (physicals.size() > memberships_)
            cursor_.Fail("its elements belong to more groups than a mesh of its size can");
        memberships_ -= physicals.size();
        for (int physical : physicals) {
            GroupMembers& group = groups_[{kind.dimension, physical}];
            group.points.insert(group.points.end(), c.begin(), c.begin() + kind.corners);
            if (kind.dimension == 1) group.lines.push_back({c[0], c[1]});
            group.triangles.insert(group.triangles.end(), faces.begin(), faces.end());
        }
    }

    SurfaceMesh Take() {
        for (auto& [key, members] : groups_) {
            PointGroup group;
            const auto named = names_.find(key);
            group.name = named != names_.end() ? named->second : std::to_string(key.second);
            group.dimension = key.first;
            std::sort(members.points.begin(), members.points.end());
            members.points.erase(std::unique(members.points.begin(), members.points.end()),
                                 members.points.end());
            group.points = std::move(members.points);
            group.lines = std::move(members.lines);
            group.triangles = std::move(members.triangles);
            mesh_.groups.push_back(std::move(group));
        }
        return std::move(mesh_);
    }

  private:
    std::uint32_t Node(std::uint64_t tag) const {
        const auto found = index_.find(tag);
        if (found == index_.end())
            throw ImportError("The mesh file " + name_ + " names node " + std::to_string(tag) +
                              ", which it does not define");
        return found->second;
    }

    // The triangles of a face, once however often the file repeats it.
    std::vector<std::uint32_t> AddFace(std::span<const std::uint32_t> corners) {
        std::array<std::uint32_t, 4> key{0, 0, 0, std::numeric_limits<std::uint32_t>::max()};
        std::copy(corners.begin(), corners.end(), key.begin());
        std::sort(key.begin(), key.begin() + corners.size());
        if (dropRepeats) {
            const auto found = faces_.find(key);
            if (found != faces_.end()) return found->second;
        }
        const std::size_t first = mesh_.triangles.size();
        mesh_.AddFace(corners);
        std::vector<std::uint32_t> made;
        for (std::size_t t = first; t < mesh_.triangles.size(); ++t)
            made.push_back(static_cast<std::uint32_t>(t));
        if (dropRepeats) faces_.emplace(key, made);
        return made;
    }

    Cursor& cursor_;
    const std::string& name_;
    std::size_t memberships_;
    SurfaceMesh mesh_;
    std::unordered_map<std::uint64_t, std::uint32_t> index_;
    std::map<GroupKey, std::string> names_;
    std::map<GroupKey, GroupMembers> groups_;
    std::map<std::array<std::uint32_t, 4>, std::vector<std::uint32_t>> faces_;
};

void ReadPhysicalNames(Cursor& in, MeshBuilder& mesh) {
    const std::size_t count = in.TextCount("physical names", 3, 0);
    for (std::size_t i = 0; i < count; ++i) {
        const int dimension = in.Int("a group's dimension");
        const int tag = in.Int("a group's number");
        mesh.NameGroup(dimension, tag, in.Quoted());
    }
}

// --- version 2: nodes and elements numbered, each element with its tags (the first
// its physical group, 0 for none).

void ReadNodes2(Cursor& in, MeshBuilder& mesh) {
    const std::size_t count = in.TextCount("nodes", 4, 4 + 3 * 8);
    if (in.binary) in.LineEnd();
    mesh.ReserveNodes(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t tag = in.binary ? static_cast<std::uint32_t>(in.RawInt()) : in.Tag();
        const double x = in.Real8(), y = in.Real8(), z = in.Real8();
        mesh.AddNode(tag, x, y, z);
    }
}

void AddElement2(Cursor& in, MeshBuilder& mesh, long long type, std::span<const int> tags,
                 std::span<const std::uint64_t> nodes) {
    const std::optional<ElementKind> kind = KindOf(type);
    if (!kind) in.Fail("element type " + std::to_string(type) + " is not one the import knows");
    const int physical = tags.empty() ? 0 : tags[0];
    const std::span<const int> physicals = physical != 0 ? tags.first(1) : std::span<const int>();
    mesh.AddElement(*kind, nodes.first(kind->nodes), physicals);
}

void ReadElements2(Cursor& in, MeshBuilder& mesh) {
    const std::size_t count = in.TextCount("elements", 4, 4 * 2);
    std::vector<int> tags;
    std::vector<std::uint64_t> nodes;
    if (!in.binary) {
        for (std::size_t i = 0; i < count; ++i) {
            in.Integer("an element number");
            const long long type = in.Integer("an element type");
            const std::optional<ElementKind> kind = KindOf(type);
            if (!kind)
                in.Fail("element type " + std::to_string(type) + " is not one the import knows");
            const std::size_t tagCount = in.TextCount("element tags", 1, 0);
            tags.clear();
            for (std::size_t t = 0; t < tagCount; ++t) tags.push_back(in.Int("an element tag"));
            nodes.clear();
            for (int k = 0; k < kind->nodes; ++k) nodes.push_back(in.Tag());
            AddElement2(in, mesh, type, tags, nodes);
        }
        return;
    }
    in.LineEnd();
    for (std::size_t done = 0; done < count;) {
        const int type = in.RawInt();
        const int inBlock = in.RawInt();
        const int tagCount = in.RawInt();
        const std::optional<ElementKind> kind = KindOf(type);
        if (!kind) in.Fail("element type " + std::to_string(type) + " is not one the import knows");
        if (inBlock <= 0 || tagCount < 0 || static_cast<std::size_t>(inBlock) > count - done)
            in.Fail("an element block's counts are out of range");
        in.Bounded(static_cast<std::uint64_t>(inBlock), 0,
                   4 * (1 + static_cast<std::size_t>(tagCount) + kind->nodes), "elements");
        for (int e = 0; e < inBlock; ++e) {
            in.RawInt();  // the element's number
            tags.clear();
            for (int t = 0; t < tagCount; ++t) tags.push_back(in.RawInt());
            nodes.clear();
            for (int k = 0; k < kind->nodes; ++k)
                nodes.push_back(static_cast<std::uint32_t>(in.RawInt()));
            AddElement2(in, mesh, type, tags, nodes);
        }
        done += static_cast<std::size_t>(inBlock);
    }
}

// --- version 4.1: nodes and elements in blocks by geometric entity; the physical groups
// belong to the entities.

using EntityGroups = std::map<std::pair<int, int>, std::vector<int>>;

void ReadEntities4(Cursor& in, MeshBuilder& mesh, EntityGroups& groups) {
    std::array<std::size_t, 4> counts{};
    for (std::size_t& count : counts) count = in.Count("entities", 5, 4 + 3 * 8 + 8);
    for (int dimension = 0; dimension < 4; ++dimension) {
        for (std::size_t i = 0; i < counts[dimension]; ++i) {
            const int tag = in.Int4();
            for (int k = 0; k < (dimension == 0 ? 3 : 6); ++k) in.Real8();
            const std::size_t physicalCount = in.Count("physical tags", 1, 4);
            std::vector<int>& physicals = groups[{dimension, tag}];
            for (std::size_t p = 0; p < physicalCount; ++p) {
                physicals.push_back(in.Int4());
                if (dimension < 3) mesh.DeclareGroup(dimension, physicals.back());
            }
            if (dimension == 0) continue;
            const std::size_t bounding = in.Count("bounding entities", 1, 4);
            for (std::size_t b = 0; b < bounding; ++b) in.Int4();
        }
    }
}

void ReadNodes4(Cursor& in, MeshBuilder& mesh) {
    const std::size_t blocks = in.Count("node blocks", 4, 3 * 4 + 8);
    const std::size_t count = in.Count("nodes", 4, 8 + 3 * 8);
    in.Tag();  // the smallest and largest node numbers
    in.Tag();
    mesh.ReserveNodes(count);
    std::vector<std::uint64_t> tags;
    std::size_t read = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const int dimension = in.Int4();
        in.Int4();  // the entity
        const int parametric = in.Int4();
        const std::size_t inBlock = in.Count("nodes", 4, 8 + 3 * 8);
        if (inBlock > count - read) in.Fail("the node blocks hold more nodes than the section");
        if (dimension < 0 || dimension > 3 || parametric < 0 || parametric > 1)
            in.Fail("a node block's entity dimension or parametric flag is out of range");
        const int extra = parametric == 1 ? dimension : 0;  // u, v, w
        tags.clear();
        for (std::size_t i = 0; i < inBlock; ++i) tags.push_back(in.Tag());
        for (std::size_t i = 0; i < inBlock; ++i) {
            const double x = in.Real8(), y = in.Real8(), z = in.Real8();
            for (int k = 0; k < extra; ++k) in.Real8();
            mesh.AddNode(tags[i], x, y, z);
        }
        read += inBlock;
    }
}

void ReadElements4(Cursor& in, MeshBuilder& mesh, const EntityGroups& groups) {
    const std::size_t blocks = in.Count("element blocks", 4, 3 * 4 + 8);
    const std::size_t count = in.Count("elements", 2, 2 * 8);
    in.Tag();  // the smallest and largest element numbers
    in.Tag();
    std::vector<std::uint64_t> nodes;
    std::size_t read = 0;
    for (std::size_t b = 0; b < blocks; ++b) {
        const int dimension = in.Int4();
        const int entity = in.Int4();
        const int type = in.Int4();
        const std::optional<ElementKind> kind = KindOf(type);
        if (!kind) in.Fail("element type " + std::to_string(type) + " is not one the import knows");
        if (kind->dimension != dimension)
            in.Fail("element type " + std::to_string(type) + " in an entity of dimension " +
                    std::to_string(dimension));
        const std::size_t inBlock =
            in.Count("elements", 1 + kind->nodes, 8 * (1 + static_cast<std::size_t>(kind->nodes)));
        if (inBlock > count - read)
            in.Fail("the element blocks hold more elements than the section");
        const auto found = groups.find({dimension, entity});
        const std::span<const int> physicals =
            found != groups.end() ? std::span<const int>(found->second) : std::span<const int>();
        for (std::size_t e = 0; e < inBlock; ++e) {
            in.Tag();  // the element's number
            nodes.clear();
            for (int k = 0; k < kind->nodes; ++k) nodes.push_back(in.Tag());
            mesh.AddElement(*kind, nodes, physicals);
        }
        read += inBlock;
    }
}

}  // namespace

SurfaceMesh ParseMsh(std::string_view text, const std::string& name) {
    std::size_t start = text.find_first_not_of(" \t\r\n");
    if (text.substr(0, 3) == "\xEF\xBB\xBF") start = text.find_first_not_of(" \t\r\n", 3);
    if (start == std::string_view::npos || text.substr(start, 11) != "$MeshFormat")
        throw ImportError("The file " + name +
                          " is not a Gmsh mesh file: it does not begin with $MeshFormat (a "
                          ".msh file is read as data, never run as a script)");
    Cursor in(text.substr(start), name);
    in.SectionName();
    const std::string_view version = in.Token();
    const long long fileType = in.Integer("the file type");
    const long long dataSize = in.Integer("the data size");
    const bool two = version == "2" || version.substr(0, 2) == "2.";
    if (!two && version != "4.1")
        in.Fail("MSH version " + std::string(version.substr(0, 20)) +
                " is not read (versions 2.2 and 4.1 are: save the mesh in one of them)");
    if (fileType != 0 && fileType != 1) in.Fail("the file type is neither 0 (text) nor 1 (binary)");
    if (fileType == 1) {
        if (dataSize != 4 && dataSize != 8) in.Fail("the data size is neither 4 nor 8");
        in.binary = true;
        in.sizeBytes = static_cast<int>(dataSize);
        in.LineEnd();
        if (in.RawInt() != 1) in.Fail("binary data that is not little-endian");
    }
    in.ExpectEnd("MeshFormat");

    // Each element takes at least 4 bytes of the file: a quarter of its size bounds the
    // memberships of elements with room for several groups each.
    MeshBuilder mesh(in, name, text.size() / 4 + 1000);
    mesh.dropRepeats = two;
    EntityGroups entities;
    while (!in.AtEnd()) {
        const std::string section = in.SectionName();
        // Names and version 2 counts are text also in a binary file.
        if (section == "PhysicalNames") {
            const bool binary = in.binary;
            in.binary = false;
            ReadPhysicalNames(in, mesh);
            in.binary = binary;
        } else if (section == "Nodes") {
            two ? ReadNodes2(in, mesh) : ReadNodes4(in, mesh);
        } else if (section == "Elements") {
            two ? ReadElements2(in, mesh) : ReadElements4(in, mesh, entities);
        } else if (section == "Entities" && !two) {
            ReadEntities4(in, mesh, entities);
        } else {
            in.SkipSection(section);
            continue;
        }
        in.ExpectEnd(section);
    }
    return mesh.Take();
}

}  // namespace membrane
