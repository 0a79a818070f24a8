#include "formats/vtu_writer.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/number_format.h"

namespace membrane {
namespace {

constexpr std::size_t kBlockBytes = 32768;

void Append(std::string& bytes, std::uint64_t value) {
    char raw[8];
    std::memcpy(raw, &value, 8);  // the program runs on little-endian machines only
    bytes.append(raw, 8);
}

// The values as zlib blocks of kBlockBytes, behind VTK's compression header.
std::string Compressed(const void* data, std::size_t size) {
    const auto* in = static_cast<const unsigned char*>(data);
    const std::size_t blocks = (size + kBlockBytes - 1) / kBlockBytes;
    std::vector<std::string> packed(blocks);
    for (std::size_t b = 0; b < blocks; ++b) {
        const std::size_t length = std::min(kBlockBytes, size - b * kBlockBytes);
        uLongf bound = compressBound(static_cast<uLong>(length));
        packed[b].resize(bound);
        // Level 1: most of what the deeper levels save on these arrays (regular offsets,
        // constant types, zeros) at a fraction of their time.
        if (compress2(reinterpret_cast<Bytef*>(packed[b].data()), &bound, in + b * kBlockBytes,
                      static_cast<uLong>(length), 1) != Z_OK)
            throw std::runtime_error("zlib could not compress a data array");
        packed[b].resize(bound);
    }
    std::string bytes;
    Append(bytes, blocks);
    Append(bytes, kBlockBytes);
    Append(bytes, size % kBlockBytes);
    for (const std::string& block : packed) Append(bytes, block.size());
    for (const std::string& block : packed) bytes += block;
    return bytes;
}

std::string Attributes(const std::string& name, const std::string& type, int components) {
    return "type=\"" + type + "\" Name=\"" + name + "\" NumberOfComponents=\"" +
           std::to_string(components) + "\"";
}

}  // namespace

VtuWriter::Array VtuWriter::MakeBytes(const std::string& name, const char* type, int components,
                                      std::string text, const void* data, std::size_t size) const {
    Array array{name, type, components, {}, {}};
    if (encoding_ == VtuEncoding::Ascii) {
        array.text = std::move(text);
    } else if (encoding_ == VtuEncoding::Compressed) {
        array.bytes = Compressed(data, size);
    } else {
        Append(array.bytes, size);
        array.bytes.append(static_cast<const char*>(data), size);
    }
    return array;
}

VtuWriter::Array VtuWriter::Make(const std::string& name, int components,
                                 std::span<const double> values) const {
    std::string text;
    if (encoding_ == VtuEncoding::Ascii)
        for (std::size_t i = 0; i < values.size(); ++i)
            text += FormatShortest(values[i]) + ((i + 1) % components == 0 ? "\n" : " ");
    return MakeBytes(name, "Float64", components, std::move(text), values.data(),
                     values.size_bytes());
}

VtuWriter::Array VtuWriter::Make(const std::string& name, int components,
                                 std::span<const std::int32_t> values, const char* type) const {
    std::string text;
    if (encoding_ == VtuEncoding::Ascii)
        for (std::size_t i = 0; i < values.size(); ++i)
            text += std::to_string(values[i]) + ((i + 1) % components == 0 ? "\n" : " ");
    return MakeBytes(name, type, components, std::move(text), values.data(), values.size_bytes());
}

void VtuWriter::Points(std::span<const double> xyz) {
    points_ = xyz.size() / 3;
    geometry_.insert(geometry_.begin(), Make("position", 3, xyz));
}

void VtuWriter::Cells(std::span<const std::int32_t> connectivity, std::span<const VtuCell> types) {
    cells_ = types.size();
    std::vector<std::int32_t> offsets(types.size());
    std::int32_t end = 0;
    for (std::size_t c = 0; c < types.size(); ++c) {
        end += types[c] == VtuCell::Triangle ? 3 : types[c] == VtuCell::Line ? 2 : 1;
        offsets[c] = end;
    }
    if (static_cast<std::size_t>(end) != connectivity.size())
        throw std::invalid_argument("the cells' point lists do not match their types");
    Array cellPoints = Make("connectivity", 1, connectivity);
    if (encoding_ == VtuEncoding::Ascii) {  // one cell a line
        cellPoints.text.clear();
        std::size_t at = 0;
        for (const std::int32_t last : offsets) {
            for (; static_cast<std::int32_t>(at) < last; ++at)
                cellPoints.text += std::to_string(connectivity[at]) +
                                   (static_cast<std::int32_t>(at) + 1 < last ? " " : "\n");
        }
    }
    geometry_.push_back(std::move(cellPoints));
    geometry_.push_back(Make("offsets", 1, offsets));
    std::string text;
    if (encoding_ == VtuEncoding::Ascii)
        for (const VtuCell type : types) text += std::to_string(static_cast<int>(type)) + "\n";
    geometry_.push_back(
        MakeBytes("types", "UInt8", 1, std::move(text), types.data(), types.size()));
}

void VtuWriter::PointData(const std::string& name, int components, std::span<const double> values) {
    pointData_.push_back(Make(name, components, values));
}
void VtuWriter::PointData(const std::string& name, std::span<const std::int32_t> values) {
    pointData_.push_back(Make(name, 1, values));
}
void VtuWriter::CellData(const std::string& name, int components, std::span<const double> values) {
    cellData_.push_back(Make(name, components, values));
}
void VtuWriter::CellData(const std::string& name, std::span<const std::int32_t> values) {
    cellData_.push_back(Make(name, 1, values));
}

void VtuWriter::Declare(TextSink& out, const Array& array, std::uint64_t& offset) const {
    const std::string head =
        "        <DataArray " + Attributes(array.name, array.type, array.components);
    if (encoding_ == VtuEncoding::Ascii) {
        out.Write(head + " format=\"ascii\">\n");
        out.Write(array.text);
        out.Write("        </DataArray>\n");
    } else {
        out.Write(head + " format=\"appended\" offset=\"" + std::to_string(offset) + "\"/>\n");
        offset += array.bytes.size();
    }
}

void VtuWriter::Finish(TextSink& out) const {
    std::uint64_t offset = 0;
    const auto section = [&](const char* tag, const std::vector<Array>& arrays) {
        std::string attributes;
        const auto first = [&](int components) {
            return std::find_if(arrays.begin(), arrays.end(), [components](const Array& a) {
                return a.components == components;
            });
        };
        if (auto v = first(3); v != arrays.end()) attributes += " Vectors=\"" + v->name + "\"";
        if (auto s = first(1); s != arrays.end()) attributes += " Scalars=\"" + s->name + "\"";
        out.Write(std::string("      <") + tag + attributes + ">\n");
        for (const Array& array : arrays) Declare(out, array, offset);
        out.Write(std::string("      </") + tag + ">\n");
    };
    out.Write("<?xml version=\"1.0\"?>\n");
    out.Write(
        std::string("<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" "
                    "byte_order=\"LittleEndian\" header_type=\"UInt64\"") +
        (encoding_ == VtuEncoding::Compressed ? " compressor=\"vtkZLibDataCompressor\"" : "") +
        ">\n");
    out.Write("  <UnstructuredGrid>\n");
    out.Write("    <Piece NumberOfPoints=\"" + std::to_string(points_) + "\" NumberOfCells=\"" +
              std::to_string(cells_) + "\">\n");
    section("PointData", pointData_);
    section("CellData", cellData_);
    out.Write("      <Points>\n");
    Declare(out, geometry_.front(), offset);
    out.Write("      </Points>\n      <Cells>\n");
    for (std::size_t k = 1; k < geometry_.size(); ++k) Declare(out, geometry_[k], offset);
    out.Write("      </Cells>\n    </Piece>\n  </UnstructuredGrid>\n");
    if (encoding_ != VtuEncoding::Ascii) {
        out.Write("  <AppendedData encoding=\"raw\">\n   _");
        // In the order declared: point data, cell data, points, cells.
        for (const auto* arrays : {&pointData_, &cellData_})
            for (const Array& array : *arrays) out.Write(array.bytes);
        for (const Array& array : geometry_) out.Write(array.bytes);
        out.Write("\n  </AppendedData>\n");
    }
    out.Write("</VTKFile>\n");
}

}  // namespace membrane
