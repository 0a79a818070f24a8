#include "exchange/dxf_writer.h"

#include <dxflib/dl_dxf.h>

#include <fstream>
#include <memory>

#include "common/io_error.h"
#include "common/text_file.h"

namespace membrane {
namespace {

constexpr const char* kMembraneLayer = "MEMBRANE";
constexpr const char* kHeldLayer = "HELD_NODES";

// The tables and blocks every DXF reader expects before the entities.
void WriteHead(DL_Dxf& dxf, DL_WriterA& out) {
    dxf.writeHeader(out);
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
    dxf.writeStyle(out, DL_StyleData("standard", 0, 2.5, 1.0, 0.0, 0, 2.5, "txt", ""));
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
    // The temporary file is made (exclusively) here; the DXF writer then opens it by name.
    if (auto made = target.Create())
        made->Close();
    else
        throw IoError("Can not create " + target.Error());
    {
        DL_Dxf dxf;
        std::unique_ptr<DL_WriterA> out(dxf.out(target.TempPath().c_str(), DL_Codes::AC1015));
        if (!out || out->openFailed()) throw IoError("Can not create " + path);
        WriteHead(dxf, *out);
        out->sectionEntities();
        const DL_Attributes membrane(kMembraneLayer, 256, -1, -1, "BYLAYER");
        const DL_Attributes supports(kHeldLayer, 256, -1, -1, "BYLAYER");
        const auto& p = mesh.points;
        for (const auto& t : mesh.triangles) {
            const SurfacePoint &a = p[t[0]], &b = p[t[1]], &c = p[t[2]];
            // A triangle is a 3DFACE whose fourth corner repeats the third.
            dxf.write3dFace(
                *out, DL_3dFaceData(a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z, c.x, c.y, c.z),
                membrane);
        }
        for (std::size_t i = 0; i < p.size(); ++i)
            if (held[i]) dxf.writePoint(*out, DL_PointData(p[i].x, p[i].y, p[i].z), supports);
        out->sectionEnd();
        dxf.writeObjects(*out);
        dxf.writeObjectsEnd(*out);
        out->dxfEOF();
        out->close();
    }
    // dxflib does not tell of a failed write: a drawing cut short lacks its closing EOF.
    std::ifstream written(target.TempPath(), std::ios::binary | std::ios::ate);
    const auto size = static_cast<std::streamoff>(written.tellg());
    std::string tail(8, '\0');
    if (size >= 8) written.seekg(size - 8).read(tail.data(), 8);
    if (!written || tail.find("EOF") == std::string::npos) throw IoError("write error in " + path);
    target.Commit();
}

}  // namespace membrane
