// The shape a form-finding run found, with its forces as fields, for the post-processors
// engineers use:
// - VTK's XML unstructured grid (".vtu", ParaView; formats/vtu_writer.h, zlib-compressed
//   binary unless text is asked for): the triangles and the cable segments as cells; per
//   point the displacement from the start, the reaction (kN) and whether it is held; per
//   cell the principal stresses (kN/m), the cable force (kN), the region and the cable it
//   belongs to.
// - Gmsh's mesh format 2.2 (".msh", binary unless text is asked for): the triangles, cable segments
// and held points in
//   physical groups named after the model's regions, cables and supports, and the same
//   fields as views ($NodeData, $ElementData), written by formats/msh_writer.h.
// Text lines end with LF; every number in text is the shortest text that reads back as the
// same double.
#pragma once

#include "common/text_sink.h"
#include "form/form_model.h"
#include "form/form_solution.h"
#include "formats/msh_writer.h"
#include "formats/vtu_writer.h"

namespace membrane {

void RenderFormVtu(TextSink& out, const FormModel& model, const FormSolution& solution,
                   VtuEncoding encoding = VtuEncoding::Compressed);
void RenderFormMsh(TextSink& out, const FormModel& model, const FormSolution& solution,
                   MshEncoding encoding = MshEncoding::Binary);

}  // namespace membrane
