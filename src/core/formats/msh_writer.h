// Gmsh's mesh file format 2.2 as text (".msh"), as this program writes it: the section
// by section writer under the whole-mesh RenderMsh (msh_format.h, where the reader is too)
// and the form-finding's results with their fields.
//
//   $MeshFormat 2.2 0 8         version, text, size of a double
//   $PhysicalNames              "dimension number "name"" per physical group
//   $Nodes                      "number x y z", numbered from 1
//   $Elements                   "number type 2 physical elementary node...", from 1
//   $NodeData / $ElementData    a view: its name, time 0, then "number value..." lines
//
// Numbers are written as the shortest text that reads back as the same double; lines end
// with LF. In the binary form ("2.2 1 8", then the int 1 to tell the byte order) the
// section headers stay text, while the nodes (int number, three doubles), the elements
// (each behind a header of type, 1, its tag count: int number, tags, nodes) and the data
// (int number, doubles) are the little-endian bytes of their numbers, as Gmsh writes and
// reads them: a third of the text's size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "common/text_sink.h"

namespace membrane {

// Gmsh's numbers of the element types written here.
enum MshElementType { kMshLine = 1, kMshTriangle = 2, kMshPoint = 15 };

struct MshGroup {
    int dimension = 0;  // 0 points, 1 curves, 2 surfaces
    std::string name;
};

enum class MshEncoding { Text, Binary };

class MshWriter {
  public:
    // Writes the "$MeshFormat" section.
    explicit MshWriter(TextSink& out, MshEncoding encoding = MshEncoding::Text);

    // The physical groups, numbered from 1 in this order. A double quote in a name is
    // written as a single one, a line break as a blank.
    void PhysicalNames(std::span<const MshGroup> groups);

    void BeginNodes(std::size_t count);
    void Node(double x, double y, double z);  // numbered from 1 in this order
    void EndNodes();

    void BeginElements(std::size_t count);
    // An element of physical group `group` (from 1; 0: none), its nodes numbered from 0;
    // numbered from 1 in this order.
    void Element(MshElementType type, int group, std::initializer_list<std::int64_t> nodes);
    void EndElements();

    // A view of `components` values per node ("$NodeData") or per element ("$ElementData").
    void BeginNodeData(const std::string& name, int components, std::size_t count);
    void BeginElementData(const std::string& name, int components, std::size_t count);
    void Values(std::size_t number, std::initializer_list<double> values);  // number from 1
    void EndNodeData();
    void EndElementData();

  private:
    void Put(const std::string& line);
    // The end of a section: after binary data on a line of its own.
    void End(const char* section);
    template <typename T>
    void Bytes(T value) {
        out_.Write(std::string_view(reinterpret_cast<const char*>(&value), sizeof value));
    }
    bool Binary() const { return encoding_ == MshEncoding::Binary; }
    void DataHeader(const char* section, const std::string& name, int components,
                    std::size_t count);

    TextSink& out_;
    MshEncoding encoding_;
    std::size_t node_ = 0, element_ = 0;
};

}  // namespace membrane
