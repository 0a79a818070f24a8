#!/usr/bin/env python3
"""The result files of a form-finding run, read back by a library that did not write them.

Generates the square with edge cables, form-finds it with `membrane form --export`, and
reads the ParaView (.vtu) results and the OBJ export with meshio and the Gmsh (.msh)
results with Gmsh itself (its Python interface). Each
must hold the model's points at the shape found, its triangles and cable segments, the
reactions that balance (they sum to zero here: no load), stresses at the prestress,
cable forces at the cables' force and the physical groups by their names.

usage: check_form_results.py MEMBRANE
"""
import os
import shutil
import subprocess
import sys
import tempfile

import gmsh
import meshio
import numpy as np


def run(*args):
    done = subprocess.run(args, capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit(f"{' '.join(args)} failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    return done.stdout


def check(condition, what):
    if not condition:
        sys.exit("FAILED: " + what)


def cells(mesh, kind):
    return sum(len(block.data) for block in mesh.cells if block.type == kind)


def main():
    membrane = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        model = os.path.join(work, "square.toml")
        run(membrane, "generate", "form-cable-square", "--nodes", "400", model, "-q")
        run(membrane, "form", model, "-q", "--export", os.path.join(work, "square.obj.obj"))

        vtu = meshio.read(os.path.join(work, "square.form.vtu"))
        points = len(vtu.points)
        check(points == 400, f"vtu: {points} points, not 400")
        check(cells(vtu, "triangle") == 2 * 19 * 19, "vtu: triangles")
        check(cells(vtu, "line") == 4 * 19, "vtu: cable segments")
        reactions = vtu.point_data["reaction_kN"]
        check(np.abs(reactions.sum(axis=0)).max() < 1e-9, "vtu: the reactions do not balance")
        check(np.count_nonzero(np.linalg.norm(reactions, axis=1)) == 4, "vtu: reactions outside the corners")
        major = np.concatenate([d for d, b in zip(vtu.cell_data["stress_major_kN_per_m"], vtu.cells)
                                if b.type == "triangle"])
        check(np.abs(major - 2.0).max() < 1e-3, "vtu: stresses off the prestress of 2 kN/m")
        force = np.concatenate([d for d, b in zip(vtu.cell_data["cable_force_kN"], vtu.cells) if b.type == "line"])
        check(np.abs(force - 20.0).max() < 1e-3, "vtu: cable forces off 20 kN")
        check(np.abs(vtu.points[:, 2]).max() == 0.0, "vtu: the square left its plane")

        # The compressed binary file (the default) holds the numbers of the text one exactly.
        text_dir = os.path.join(work, "text")
        os.mkdir(text_dir)
        for name in ("square.toml", "square.obj"):
            shutil.copy(os.path.join(work, name), text_dir)
        run(membrane, "form", os.path.join(text_dir, "square.toml"), "-q", "--text-results")
        with open(os.path.join(text_dir, "square.form.vtu"), "rb") as f:
            check(b'format="ascii"' in f.read(), "vtu: --text-results wrote no text")
        with open(os.path.join(work, "square.form.vtu"), "rb") as f:
            check(b'compressor="vtkZLibDataCompressor"' in f.read(), "vtu: not compressed")
        text = meshio.read(os.path.join(text_dir, "square.form.vtu"))
        check(np.array_equal(text.points, vtu.points), "vtu: text and binary points differ")
        for name in vtu.point_data:
            check(np.array_equal(text.point_data[name], vtu.point_data[name]), f"vtu: {name} differs")
        for name in vtu.cell_data:
            for a, b in zip(text.cell_data[name], vtu.cell_data[name]):
                check(np.array_equal(a, b), f"vtu: {name} differs")

        gmsh.initialize()
        gmsh.option.setNumber("General.Terminal", 0)
        gmsh.open(os.path.join(work, "square.form.msh"))
        names = {gmsh.model.getPhysicalName(d, t) for d, t in gmsh.model.getPhysicalGroups()}
        check({"membrane", "south", "east", "north", "west", "corners"} <= names, f"msh: groups {names}")
        tags, coords, _ = gmsh.model.mesh.getNodes()
        check(np.allclose(np.reshape(coords, (-1, 3))[np.argsort(tags)], vtu.points, atol=1e-12),
              "msh: points differ from the vtu's")
        views = {gmsh.option.getString(f"View[{gmsh.view.getIndex(t)}].Name"): t for t in gmsh.view.getTags()}
        check({"reaction [kN]", "displacement [m]", "major principal stress [kN/m]",
               "minor principal stress [kN/m]", "cable force [kN]"} <= set(views), f"msh: views {list(views)}")
        _, nodes, data, _, _ = gmsh.view.getModelData(views["reaction [kN]"], 0)
        check(np.allclose(np.array(data)[np.argsort(nodes)], reactions, atol=1e-12), "msh: reactions differ")
        _, elements, data, _, _ = gmsh.view.getModelData(views["cable force [kN]"], 0)
        forces = np.array(data).ravel()[np.argsort(elements)]
        check(np.abs(forces[722:798] - 20.0).max() < 1e-3, "msh: cable forces off 20 kN")
        gmsh.finalize()

        obj = meshio.read(os.path.join(work, "square.obj.obj"))
        check(np.allclose(obj.points, vtu.points, atol=1e-12), "obj: points differ from the shape")
        check(cells(obj, "triangle") == 2 * 19 * 19, "obj: triangles")
    print("form results read back: vtu, msh and obj agree")


if __name__ == "__main__":
    main()
