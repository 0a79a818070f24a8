#include "formats/ply_format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "formats/import_error.h"

namespace membrane {
namespace {

enum class Encoding { Ascii, LittleEndian, BigEndian };

// A scalar type: its size in bytes and how its bits are read.
struct Scalar {
    int bytes = 0;
    bool isFloat = false, isSigned = false;
};

struct Property {
    std::string name;
    Scalar type;
    bool isList = false;
    Scalar countType;
};

struct Element {
    std::string name;
    std::uint64_t count = 0;
    std::vector<Property> properties;
};

[[noreturn]] void Fail(const std::string& what) {
    throw ImportError("PLY file: " + what);
}

Scalar ScalarType(std::string_view name) {
    if (name == "char" || name == "int8") return {1, false, true};
    if (name == "uchar" || name == "uint8") return {1, false, false};
    if (name == "short" || name == "int16") return {2, false, true};
    if (name == "ushort" || name == "uint16") return {2, false, false};
    if (name == "int" || name == "int32") return {4, false, true};
    if (name == "uint" || name == "uint32") return {4, false, false};
    if (name == "float" || name == "float32") return {4, true, true};
    if (name == "double" || name == "float64") return {8, true, true};
    Fail("unknown property type \"" + std::string(name) + "\"");
}

std::vector<std::string_view> Split(std::string_view line) {
    std::vector<std::string_view> words;
    while (true) {
        const std::size_t begin = line.find_first_not_of(" \t\r");
        if (begin == std::string_view::npos) return words;
        line.remove_prefix(begin);
        const std::size_t end = std::min(line.find_first_of(" \t\r"), line.size());
        words.push_back(line.substr(0, end));
        line.remove_prefix(end);
    }
}

struct Header {
    Encoding encoding = Encoding::Ascii;
    std::vector<Element> elements;
    std::size_t dataStart = 0;
};

Header ReadHeader(std::string_view bytes) {
    Header header;
    std::size_t at = 0;
    bool first = true, format = false;
    while (true) {
        const std::size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) Fail("the header has no \"end_header\" line");
        const std::vector<std::string_view> words = Split(bytes.substr(at, end - at));
        at = end + 1;
        if (first) {
            if (words.size() != 1 || words[0] != "ply") Fail("the first line is not \"ply\"");
            first = false;
            continue;
        }
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info") continue;
        if (words[0] == "end_header") break;
        if (words[0] == "format" && words.size() == 3) {
            if (words[1] == "ascii")
                header.encoding = Encoding::Ascii;
            else if (words[1] == "binary_little_endian")
                header.encoding = Encoding::LittleEndian;
            else if (words[1] == "binary_big_endian")
                header.encoding = Encoding::BigEndian;
            else
                Fail("unknown format \"" + std::string(words[1]) + "\"");
            format = true;
        } else if (words[0] == "element" && words.size() == 3) {
            Element element{std::string(words[1]), 0, {}};
            const auto [stop, ec] =
                std::from_chars(words[2].data(), words[2].data() + words[2].size(), element.count);
            if (ec != std::errc() || stop != words[2].data() + words[2].size())
                Fail("the count of element \"" + element.name + "\" is not a number");
            header.elements.push_back(std::move(element));
        } else if (words[0] == "property" && !header.elements.empty() &&
                   (words.size() == 3 || (words.size() == 5 && words[1] == "list"))) {
            Property property;
            property.name = words.back();
            if (words.size() == 5) {
                property.isList = true;
                property.countType = ScalarType(words[2]);
                if (property.countType.isFloat) Fail("a list counted by a real number");
                property.type = ScalarType(words[3]);
            } else {
                property.type = ScalarType(words[1]);
            }
            header.elements.back().properties.push_back(std::move(property));
        } else {
            Fail("a header line that is not PLY, starting \"" +
                 std::string(words[0].substr(0, 40)) + "\"");
        }
    }
    if (!format) Fail("the header has no \"format\" line");
    header.dataStart = at;
    return header;
}

// Reads the data section value by value, in the header's encoding.
class Values {
  public:
    Values(std::string_view data, Encoding encoding) : rest_(data), encoding_(encoding) {}

    double Read(const Scalar& type) {
        if (encoding_ == Encoding::Ascii) return ReadWord();
        if (rest_.size() < static_cast<std::size_t>(type.bytes))
            Fail("the data ends before the last element");
        std::uint64_t bits = 0;
        for (int k = 0; k < type.bytes; ++k) {
            const int at = encoding_ == Encoding::LittleEndian ? type.bytes - 1 - k : k;
            bits = bits << 8 | static_cast<unsigned char>(rest_[at]);
        }
        rest_.remove_prefix(type.bytes);
        if (type.isFloat) {
            if (type.bytes == 4) return std::bit_cast<float>(static_cast<std::uint32_t>(bits));
            return std::bit_cast<double>(bits);
        }
        if (!type.isSigned) return static_cast<double>(bits);
        const int shift = 64 - 8 * type.bytes;  // sign extension
        return static_cast<double>(static_cast<std::int64_t>(bits << shift) >> shift);
    }
    // The fewest bytes one element of `element` takes in the data: a bound on the count
    // a file of this size can hold.
    std::size_t SmallestBytes(const Element& element) const {
        std::size_t bytes = 0;
        for (const Property& p : element.properties)
            bytes +=
                encoding_ == Encoding::Ascii ? 2 : (p.isList ? p.countType.bytes : p.type.bytes);
        return bytes;
    }
    // The bytes left; in text one more, for the separator the last value may lack.
    std::size_t Left() const { return rest_.size() + (encoding_ == Encoding::Ascii); }

  private:
    double ReadWord() {
        const std::size_t begin = rest_.find_first_not_of(" \t\r\n");
        if (begin == std::string_view::npos) Fail("the data ends before the last element");
        rest_.remove_prefix(begin);
        const std::size_t end = std::min(rest_.find_first_of(" \t\r\n"), rest_.size());
        const std::string_view word = rest_.substr(0, end);
        rest_.remove_prefix(end);
        double value = 0.0;
        const auto [stop, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (ec != std::errc() || stop != word.data() + word.size())
            Fail("\"" + std::string(word.substr(0, 40)) + "\" is not a number");
        return value;
    }

    std::string_view rest_;
    Encoding encoding_;
};

// A value as the file wrote it when it is a whole number, in full otherwise.
std::string Integer(double value) {
    if (std::fabs(value) < 1e15 && value == std::floor(value))
        return std::to_string(static_cast<long long>(value));
    return std::to_string(value);
}

// The position of the property called one of `names`, -1 when there is none.
int Find(const Element& element, std::initializer_list<std::string_view> names) {
    for (std::size_t k = 0; k < element.properties.size(); ++k)
        for (std::string_view name : names)
            if (element.properties[k].name == name) return static_cast<int>(k);
    return -1;
}

}  // namespace

SurfaceMesh ParsePly(std::string_view bytes) {
    const Header header = ReadHeader(bytes);
    Values values(bytes.substr(header.dataStart), header.encoding);
    SurfaceMesh mesh;
    std::vector<std::uint32_t> corners;
    std::vector<double> row;
    std::uint64_t vertexCount = 0;
    bool verticesRead = false;
    for (const Element& element : header.elements) {
        const std::size_t smallest = values.SmallestBytes(element);
        if (smallest > 0 && element.count > values.Left() / smallest)
            Fail("the element \"" + element.name + "\" counts " + std::to_string(element.count) +
                 ", more than the file can hold");
        if (smallest == 0 && element.count > 0)
            Fail("the element \"" + element.name + "\" has no properties");
        const bool isVertex = element.name == "vertex", isFace = element.name == "face";
        const int x = Find(element, {"x"}), y = Find(element, {"y"}), z = Find(element, {"z"});
        const int list = Find(element, {"vertex_indices", "vertex_index"});
        if (isVertex && (x < 0 || y < 0 || z < 0)) Fail("the vertices have no x, y and z");
        if (isVertex && verticesRead) Fail("a second \"vertex\" element");
        if (isVertex) {
            vertexCount = element.count;
            verticesRead = true;
            mesh.points.reserve(element.count);
        }
        if (isFace && (list < 0 || !element.properties[list].isList))
            Fail("the faces have no list \"vertex_indices\"");
        if (isFace && !verticesRead) Fail("the faces come before the vertices");
        for (std::uint64_t e = 0; e < element.count; ++e) {
            row.assign(element.properties.size(), 0.0);
            for (std::size_t k = 0; k < element.properties.size(); ++k) {
                const Property& property = element.properties[k];
                if (!property.isList) {
                    row[k] = values.Read(property.type);
                    continue;
                }
                const double length = values.Read(property.countType);
                if (!(length >= 0) || length != std::floor(length))
                    Fail("a list length " + std::to_string(length) + " in element \"" +
                         element.name + "\"");
                const bool isCorners = isFace && static_cast<int>(k) == list;
                if (isCorners) corners.clear();
                for (double n = 0; n < length; ++n) {
                    const double value = values.Read(property.type);
                    if (!isCorners) continue;
                    if (!(value >= 0 && value < static_cast<double>(vertexCount)) ||
                        value != std::floor(value))
                        Fail("face " + std::to_string(e + 1) + " names vertex " + Integer(value) +
                             ", and there are " + std::to_string(vertexCount));
                    corners.push_back(static_cast<std::uint32_t>(value));
                }
            }
            if (isVertex) {
                mesh.points.push_back({row[x], row[y], row[z]});
            } else if (isFace) {
                if (corners.size() < 3)
                    Fail("face " + std::to_string(e + 1) + " has fewer than three corners");
                if (corners.size() <= 4)
                    mesh.AddFace(corners);
                else
                    for (std::size_t k = 1; k + 1 < corners.size(); ++k)
                        mesh.triangles.push_back({corners[0], corners[k], corners[k + 1]});
            }
        }
    }
    return mesh;
}

}  // namespace membrane
