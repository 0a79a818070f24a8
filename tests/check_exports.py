#!/usr/bin/env python3
"""Every surface the program exports, read back by a library that did not write it.

Imports examples/hypar.geo, runs it with --export to OBJ, STL, PLY, GLB and DXF, and
`membrane export`s the same membrane from the report again as OBJ. meshio reads the OBJ,
STL and PLY files, ezdxf the DXF file, and the GLB file's JSON chunk and binary buffer are
taken apart with the standard library. Each must hold the triangles of the model and the
bounding box of its membrane (x, y from the model file, z from the report's heights).

Every triangle must face up with its normals (the model's windings in the file do not
matter: tests/data/runs/HOLE.DAT has all of them clockwise).

usage: check_exports.py MEMBRANE EXAMPLES_DIR RUNS_DIR
"""
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile

import ezdxf
import meshio
import numpy as np


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(args)} failed ({done.returncode}):\n{done.stdout}{done.stderr}")


def table(lines, title):
    """The records of a model or report table: the lines after "TITLE n"."""
    for i, line in enumerate(lines):
        words = line.split()
        if words and words[0] == title:
            return [l.split() for l in lines[i + 1:i + 1 + int(words[1])]]
    sys.exit(f"no {title} table")


def expect(name, triangles, points, want_triangles, low, high, tolerance):
    if triangles != want_triangles:
        sys.exit(f"{name}: {triangles} triangles, the model has {want_triangles}")
    got_low, got_high = points.min(axis=0), points.max(axis=0)
    if not (np.allclose(got_low, low, atol=tolerance) and np.allclose(got_high, high, atol=tolerance)):
        sys.exit(f"{name}: bounding box {got_low} .. {got_high}, the membrane's {low} .. {high}")
    print(f"{name}: {triangles} triangles, box {got_low} .. {got_high}")


def glb_points(path):
    data = open(path, "rb").read()
    magic, version, length = struct.unpack_from("<4sII", data, 0)
    if magic != b"glTF" or version != 2 or length != len(data):
        sys.exit(f"{path}: not a glTF 2 binary of its own length")
    json_length, json_type = struct.unpack_from("<I4s", data, 12)
    gltf = json.loads(data[20:20 + json_length])
    bin_offset = 20 + json_length
    bin_length, bin_type = struct.unpack_from("<I4s", data, bin_offset)
    if json_type != b"JSON" or bin_type != b"BIN\0":
        sys.exit(f"{path}: chunks {json_type} {bin_type}")
    buffer = data[bin_offset + 8:bin_offset + 8 + bin_length]
    primitive = gltf["meshes"][0]["primitives"][0]
    if "NORMAL" not in primitive["attributes"]:
        sys.exit(f"{path}: no normals")

    def accessor(index, dtype, width):
        a = gltf["accessors"][index]
        view = gltf["bufferViews"][a["bufferView"]]
        start = view.get("byteOffset", 0) + a.get("byteOffset", 0)
        values = np.frombuffer(buffer, dtype=dtype, count=a["count"] * width, offset=start)
        return a, values.reshape(-1, width)

    positions_accessor, positions = accessor(primitive["attributes"]["POSITION"], "<f4", 3)
    # The stated min and max must be the data's (viewers frame the scene by them).
    if not (np.allclose(positions.min(axis=0), positions_accessor["min"]) and
            np.allclose(positions.max(axis=0), positions_accessor["max"])):
        sys.exit(f"{path}: accessor min/max differ from the positions")
    indices_accessor, indices = accessor(primitive["indices"], "<u4", 1)
    _, normals = accessor(primitive["attributes"]["NORMAL"], "<f4", 3)
    # glTF is y up: the membrane's (x, y, z) is stored as (x, z, -y).
    up = lambda v: np.column_stack([v[:, 0], -v[:, 2], v[:, 1]])
    return indices.reshape(-1, 3), up(positions), up(normals)


def stl_facets(path):
    """The corners (n, 3, 3) and the stated normals (n, 3) of a binary STL file."""
    data = open(path, "rb").read()
    count = struct.unpack_from("<I", data, 80)[0]
    facets = np.frombuffer(data, dtype=np.dtype([("n", "<f4", 3), ("v", "<f4", (3, 3)),
                                                 ("attr", "<u2")]), count=count, offset=84)
    return facets["v"].astype(float), facets["n"].astype(float)


def check_faces_up(name, corners, normals=None, vertex_normals=None):
    """A membrane is a height field seen from above: every triangle turns counter-clockwise
    in plan, so its normal by the winding points up (+z), and the normals written with it
    agree: the per-facet ones point the winding's way, the per-vertex ones point up."""
    winding = np.cross(corners[:, 1] - corners[:, 0], corners[:, 2] - corners[:, 0])
    down = np.count_nonzero(winding[:, 2] <= 0)
    if down:
        sys.exit(f"{name}: {down} of {len(winding)} triangles turn clockwise seen from above")
    if normals is not None and np.any(np.einsum("ij,ij->i", normals, winding) <= 0):
        sys.exit(f"{name}: a facet normal points against its triangle's winding")
    if vertex_normals is not None:
        if np.any(vertex_normals[:, :, 2] <= 0):
            sys.exit(f"{name}: {np.count_nonzero(vertex_normals[:, :, 2] <= 0)} vertex normals point down")
        if np.any(np.einsum("ij,ij->i", vertex_normals.sum(axis=1), winding) <= 0):
            sys.exit(f"{name}: vertex normals against their triangle's winding")
    print(f"{name}: {len(winding)} triangles face up, normals agree")


def check_orientation(stem):
    """The exports of STEM.obj/.stl/.ply/.glb: windings and normals (see check_faces_up)."""
    for suffix in (".obj", ".ply"):
        mesh = meshio.read(stem + suffix)
        tri = np.concatenate([c.data for c in mesh.cells if c.type == "triangle"])
        if suffix == ".obj":
            vn = mesh.point_data["obj:vn"]
        else:
            vn = np.column_stack([mesh.point_data[k] for k in ("nx", "ny", "nz")])
        check_faces_up(stem + suffix, mesh.points[tri], vertex_normals=vn[tri])
    corners, normals = stl_facets(stem + ".stl")
    check_faces_up(stem + ".stl", corners, normals=normals)
    tri, points, vn = glb_points(stem + ".glb")
    check_faces_up(stem + ".glb", points[tri], vertex_normals=vn[tri])


def main():
    membrane, examples, runs = sys.argv[1], sys.argv[2], sys.argv[3]
    with tempfile.TemporaryDirectory() as work:
        os.chdir(work)
        run(membrane, "import", os.path.join(examples, "hypar.geo"), "-o", "h.DAT", "-q")
        outputs = ["h.obj", "h.stl", "h.ply", "h.glb", "h.dxf"]
        run(membrane, "run", "h.DAT", "-q", *[a for f in outputs for a in ("--export", f)])
        run(membrane, "export", "h.DAT", "again.obj", "-q")

        model = open("h.DAT").read().splitlines()
        xy = np.array([[float(r[1]), float(r[2])] for r in table(model, "&COORDINATES")])
        triangles = len(table(model, "&ELEMENTS"))
        z = np.array([float(r[0]) for r in table(open("h.OUT").read().splitlines(), "&SOLUTION")])
        low = np.array([*xy.min(axis=0), z.min()])
        high = np.array([*xy.max(axis=0), z.max()])

        for name in ("h.obj", "h.stl", "h.ply", "again.obj"):
            mesh = meshio.read(name)
            count = sum(len(c.data) for c in mesh.cells if c.type == "triangle")
            # OBJ keeps every digit; STL and PLY store single-precision floats.
            expect(name, count, mesh.points, triangles, low, high,
                   1e-12 if name.endswith(".obj") else 1e-5)
        if not np.allclose(meshio.read("again.obj").points, meshio.read("h.obj").points,
                           rtol=1e-14, atol=1e-14):
            sys.exit("membrane export from the report differs from the run's own export")

        tri, points, _ = glb_points("h.glb")
        expect("h.glb", len(tri), points, triangles, low, high, 1e-5)
        check_orientation("h")

        # A model whose triangles all turn clockwise in its file: exported turned round.
        shutil.copy(os.path.join(runs, "HOLE.DAT"), "hole.DAT")
        run(membrane, "run", "hole.DAT", "-q",
            *[a for f in ("hole.obj", "hole.stl", "hole.ply", "hole.glb") for a in ("--export", f)])
        check_orientation("hole")

        drawing = ezdxf.readfile("h.dxf")
        if drawing.header.get("$INSUNITS") != 6:
            sys.exit("h.dxf: the drawing's unit ($INSUNITS) is not metres (6)")
        faces = drawing.modelspace().query("3DFACE")
        if any(f.dxf.layer != "MEMBRANE" for f in faces):
            sys.exit("h.dxf: a 3DFACE off the MEMBRANE layer")
        corners = np.array([list(f.dxf.get(v)) for f in faces for v in ("vtx0", "vtx1", "vtx2")])
        expect("h.dxf", len(faces), corners, triangles, low, high, 1e-12)
        held = drawing.modelspace().query('POINT[layer=="HELD_NODES"]')
        want_held = len(table(model, "&CONSTRAINTS"))
        if len(held) != want_held:
            sys.exit(f"h.dxf: {len(held)} held points, the model holds {want_held} nodes")
    print("every export reads back")


if __name__ == "__main__":
    main()
