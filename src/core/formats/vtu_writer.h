// VTK's XML unstructured grid (".vtu"), the file ParaView opens, for the results of every
// analysis: points, cells (triangles, lines, vertices), and named data arrays per point and
// per cell.
//
// Three encodings (VTK file format, "XML File Formats"):
// - ascii: every number as text, one value or tuple a line (the shortest text that reads
//   back as the same double), for reading by eye and by simple scripts;
// - binary: the arrays in an <AppendedData encoding="raw"> section after the XML, each a
//   UInt64 byte count and the values as little-endian bytes: a quarter of the text's size
//   and written at the speed of the disk;
// - compressed: the same with each array in zlib blocks of 32 KiB (vtkZLibDataCompressor,
//   a UInt64 header of block count, block size, last block size and each block's
//   compressed size), as ParaView reads it.
//
// The arrays are declared in the XML before their data, so the writer collects them first
// (the binary ones as their bytes, compressed where asked) and renders the file in Finish.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/text_sink.h"

namespace membrane {

enum class VtuEncoding { Ascii, Binary, Compressed };

// VTK's cell types.
enum class VtuCell : std::uint8_t { Vertex = 1, Line = 3, Triangle = 5 };

class VtuWriter {
  public:
    explicit VtuWriter(VtuEncoding encoding) : encoding_(encoding) {}

    // The points (x, y, z each) and the cells: each cell's point indices one after the
    // other, and its type.
    void Points(std::span<const double> xyz);
    void Cells(std::span<const std::int32_t> connectivity, std::span<const VtuCell> types);

    // A data array per point or per cell (`components` values each). The first array of
    // each kind with three components is named as the active vectors, the first with one
    // as the active scalars.
    void PointData(const std::string& name, int components, std::span<const double> values);
    void PointData(const std::string& name, std::span<const std::int32_t> values);
    void CellData(const std::string& name, int components, std::span<const double> values);
    void CellData(const std::string& name, std::span<const std::int32_t> values);

    // Renders the whole file.
    void Finish(TextSink& out) const;

  private:
    struct Array {
        std::string name;
        std::string type;  // Float64, Int32, UInt8
        int components = 1;
        std::string text;   // ascii: the values as lines
        std::string bytes;  // binary: the header and the (compressed) values
    };
    Array Make(const std::string& name, int components, std::span<const double> values) const;
    Array Make(const std::string& name, int components, std::span<const std::int32_t> values,
               const char* type = "Int32") const;
    Array MakeBytes(const std::string& name, const char* type, int components, std::string text,
                    const void* data, std::size_t size) const;
    void Declare(TextSink& out, const Array& array, std::uint64_t& offset) const;

    VtuEncoding encoding_;
    std::size_t points_ = 0, cells_ = 0;
    std::vector<Array> geometry_;  // points; connectivity, offsets, types
    std::vector<Array> pointData_, cellData_;
};

}  // namespace membrane
