#include "formats/dxf_writer.h"

#include <dxflib/dl_dxf.h>

#include <cctype>
#include <charconv>
#include <memory>
#include <string_view>

#include "common/io_error.h"
#include "common/text_file.h"

namespace membrane {
namespace {

constexpr const char* kMembraneLayer = "MEMBRANE";
constexpr const char* kHeldLayer = "HELD_NODES";

// $INSUNITS of the header: the drawing's unit, 6 = metres.
constexpr int kMetres = 6;

// dxflib's own writer hands every line of the file to the system by itself (some 8
// million writes for 2e5 triangles, 11 s); this one collects the same group codes and
// values in chunks of 64 kB for the program's file writer, the reals in the shortest form
// that reads back to the same double. dxflib's stream is left unused, on /dev/null.
class BufferedWriter final : public DL_WriterA {
  public:
    explicit BufferedWriter(TextSink& sink)
        : DL_WriterA("/dev/null", DL_Codes::AC1015), sink_(sink) {
        buffer_.reserve(kChunk + 256);
    }
    ~BufferedWriter() override = default;

    void dxfReal(int gc, double value) const override {
        Code(gc);
        char text[32];
        const auto [end, ec] = std::to_chars(text, text + sizeof text, value);
        const std::string_view written(text, static_cast<std::size_t>(end - text));
        buffer_.append(written);
        // A real keeps its point ("1.0", not "1"), as DXF readers expect of real groups.
        if (ec == std::errc() && written.find_first_of(".eEn") == std::string_view::npos)
            buffer_.append(".0");
        End();
    }
    void dxfInt(int gc, int value) const override {
        Code(gc);
        char text[16];
        buffer_.append(text, std::to_chars(text, text + sizeof text, value).ptr);
        End();
    }
    void dxfHex(int gc, int value) const override {
        Code(gc);
        char text[16];
        char* end = std::to_chars(text, text + sizeof text, static_cast<unsigned>(value), 16).ptr;
        for (char* c = text; c != end; ++c)
            *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        buffer_.append(text, end);
        End();
    }
    void dxfString(int gc, const char* value) const override {
        Code(gc);
        buffer_.append(value);
        End();
    }
    void dxfString(int gc, const std::string& value) const override {
        Code(gc);
        buffer_.append(value);
        End();
    }

    // Hands the rest to the sink.
    void Flush() const {
        sink_.Write(buffer_);
        buffer_.clear();
    }

  private:
    static constexpr std::size_t kChunk = std::size_t{1} << 16;

    // The group code right-aligned in three places, on a line of its own.
    void Code(int gc) const {
        char text[16];
        char* end = std::to_chars(text, text + sizeof text, gc).ptr;
        const auto length = static_cast<std::size_t>(end - text);
        if (length < 3) buffer_.append(3 - length, ' ');
        buffer_.append(text, end);
        buffer_.push_back('\n');
    }
    void End() const {
        buffer_.push_back('\n');
        if (buffer_.size() >= kChunk) Flush();
    }

    TextSink& sink_;
    mutable std::string buffer_;  // dxflib's writer is const throughout
};

// The tables and blocks every DXF reader expects before the entities.
void WriteHead(DL_Dxf& dxf, DL_WriterA& out) {
    dxf.writeHeader(out);
    out.dxfString(9, "$INSUNITS");
    out.dxfInt(70, kMetres);
    out.sectionEnd();
    out.sectionTables();
    dxf.writeVPort(out);
    out.tableLinetypes(3);
    dxf.writeLinetype(out, DL_LinetypeData("BYBLOCK", "BYBLOCK", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("BYLAYER", "BYLAYER", 0, 0, 0.0));
    dxf.writeLinetype(out, DL_LinetypeData("CONTINUOUS", "Continuous", 0, 0, 0.0));
    out.tableEnd();
    out.tableLayers(3);
    dxf.writeLayer(out, DL_LayerData("0", 0), DL_Attributes("", 7, 0x00000000, 100, "CONTINUOUS"));
    dxf.writeLayer(out, DL_LayerData(kMembraneLayer, 0),
                   DL_Attributes("", 4, 0x00000000, 100, "CONTINUOUS"));  // cyan
    dxf.writeLayer(out, DL_LayerData(kHeldLayer, 0),
                   DL_Attributes("", 1, 0x00000000, 100, "CONTINUOUS"));  // red
    out.tableEnd();
    out.tableStyle(1);
    // "Standard" by that name: dxflib then takes its handle for the dimension style's text
    // style (under any other name the dimension style points at no handle).
    dxf.writeStyle(out, DL_StyleData("Standard", 0, 2.5, 1.0, 0.0, 0, 2.5, "txt", ""));
    out.tableEnd();
    dxf.writeView(out);
    dxf.writeUcs(out);
    out.tableAppid(1);
    dxf.writeAppid(out, "ACAD");
    out.tableEnd();
    dxf.writeDimStyle(out, 1, 1, 1, 1, 1);
    dxf.writeBlockRecord(out);
    out.tableEnd();
    out.sectionEnd();
    out.sectionBlocks();
    for (const char* block : {"*Model_Space", "*Paper_Space", "*Paper_Space0"}) {
        dxf.writeBlock(out, DL_BlockData(block, 0, 0.0, 0.0, 0.0));
        dxf.writeEndBlock(out, block);
    }
    out.sectionEnd();
}

}  // namespace

void WriteDxfFile(const std::string& path, const SurfaceMesh& mesh, const std::vector<bool>& held) {
    AtomicFile target(path);
    const std::unique_ptr<TextFileWriter> file = target.Create();
    if (!file) throw IoError("Can not create " + target.Error());
    DL_Dxf dxf;
    BufferedWriter out(*file);
    WriteHead(dxf, out);
    out.sectionEntities();
    const DL_Attributes membrane(kMembraneLayer, 256, -1, -1, "BYLAYER");
    const DL_Attributes supports(kHeldLayer, 256, -1, -1, "BYLAYER");
    const auto& p = mesh.points;
    for (const auto& t : mesh.triangles) {
        const SurfacePoint &a = p[t[0]], &b = p[t[1]], &c = p[t[2]];
        // A triangle is a 3DFACE whose fourth corner repeats the third.
        dxf.write3dFace(out,
                        DL_3dFaceData(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, c.x, c.y, c.z),
                        membrane);
    }
    for (std::size_t i = 0; i < p.size(); ++i)
        if (held[i]) dxf.writePoint(out, DL_PointData(p[i].x, p[i].y, p[i].z), supports);
    out.sectionEnd();
    dxf.writeObjects(out);
    dxf.writeObjectsEnd(out);
    out.dxfEOF();
    out.Flush();
    file->Close();  // throws IoError when a write failed
    target.Commit();
}

}  // namespace membrane
