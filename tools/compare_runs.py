#!/usr/bin/env python3
"""Runs two builds of `membrane` over the same models and compares every file they write.

    tools/compare_runs.py OLD_BINARY NEW_BINARY [--work DIR] [--big]

The models: the bundled example, variants of it that exercise the reader and the tables
(other numbering, gaps, negative and large numbers, repeated and unknown constraints,
comments, tabs, CR-only line ends, tables in another order, a hole), generated models of
both solvers' sizes, the fuzz corpus, and a few broken files. Each model runs with
several option sets (both solvers, weights, accuracies, iteration limits, scene options)
and through `membrane vrml`. For every run the .OUT, .TRS, BNDRYPTS.txt, .wrl, .svg,
stdout, stderr and exit status must agree byte for byte; only the boundary file's
creation time and the work directory's name are masked. With --files-only, the status,
stdout and stderr are left out (to check that a change of messages or exit statuses left
every written file alone). Exit status 0 when everything agrees, 1 otherwise.
"""
import argparse
import math
import os
import random
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def read_tables(text):
    """The four tables of a plain model file as lists of field lists."""
    tables, current = {}, None
    for line in text.splitlines():
        fields = line.split()
        if fields and fields[0].startswith("&"):
            current = fields[0]
            tables[current] = []
        elif fields and current:
            tables[current].append(fields)
    return tables


def write_model(path, tables, order=("&COORDINATES", "&ELEMENTS", "&INITIAL", "&CONSTRAINTS"),
                eol="\r\n", title="FILE MODEL.DAT", header_pad="  ", sep="    "):
    lines = [title, ""]
    for name in order:
        rows = tables[name]
        lines.append(f"{name} {len(rows)}{header_pad}")
        lines += [sep + sep.join(r) for r in rows]
        lines.append("")
    Path(path).write_bytes(eol.join(lines).encode("latin-1") + eol.encode())


def example_variants(out):
    base = read_tables((ROOT / "examples" / "TEST3.DAT").read_text("latin-1"))
    shutil.copy(ROOT / "examples" / "TEST3.DAT", out / "TEST3.DAT")

    def renumbered(mapping, name, shuffle=None):
        t = {k: [list(r) for r in v] for k, v in base.items()}
        for r in t["&COORDINATES"]:
            r[0] = str(mapping(int(r[0])))
        for r in t["&ELEMENTS"]:
            r[1:] = [str(mapping(int(n))) for n in r[1:]]
        for r in t["&INITIAL"]:
            r[0] = str(mapping(int(r[0])))
        for r in t["&CONSTRAINTS"]:
            r[0] = str(mapping(int(r[0])))
        if shuffle:
            rnd = random.Random(shuffle)
            for k in t:
                rnd.shuffle(t[k])
        write_model(out / name, t)
        return t

    renumbered(lambda n: n + 1000, "OFFSET.DAT", shuffle=7)
    renumbered(lambda n: -n, "NEGATIVE.DAT")
    renumbered(lambda n: 20_000_000 + 37 * n, "LARGE_NUMBERS.DAT", shuffle=3)

    t = {k: [list(r) for r in v] for k, v in base.items()}
    for k, r in enumerate(t["&ELEMENTS"]):
        r[0] = str(3 * (len(t["&ELEMENTS"]) - k) + 5)  # gaps, descending
    t["&CONSTRAINTS"] = t["&CONSTRAINTS"] + [["1"], ["2"], ["999"]]  # repeats, unknown node
    t["&INITIAL"] = t["&INITIAL"] + [["70", "3.5"], ["70", "4.0"], ["5000", "1.0"]]
    write_model(out / "GAPS_REPEATS.DAT", t, order=("&CONSTRAINTS", "&INITIAL", "&ELEMENTS", "&COORDINATES"))

    text = (ROOT / "examples" / "TEST3.DAT").read_text("latin-1")
    text = text.replace("&ELEMENTS", "# a comment line\r\n&ELEMENTS").replace("    ", "\t")
    text = text.replace("\r\n    1     0.", "  ; trailing\r\n    1     0.")
    (out / "COMMENTS_TABS.DAT").write_bytes(text.encode("latin-1"))
    (out / "CR_ONLY.DAT").write_bytes((ROOT / "examples" / "TEST3.DAT").read_bytes().replace(b"\r\n", b"\r"))
    write_model(out / "LF_ONLY.DAT", base, eol="\n", header_pad="")


def annulus_with_hole(out, rings=6, sectors=24):
    """A ring of triangles around a hole: two boundaries, the inner one held higher."""
    coords, elems, held = [], [], []
    for i in range(rings + 1):
        r = 1.0 + i * 0.5
        for j in range(sectors):
            a = 2 * math.pi * (j + 0.5 * (i % 2)) / sectors
            coords.append([str(i * sectors + j + 1), f"{r * math.cos(a):.6f}", f"{r * math.sin(a):.6f}"])
    for i in range(rings):
        for j in range(sectors):
            a, b = i * sectors + j + 1, i * sectors + (j + 1) % sectors + 1
            c, d = a + sectors, b + sectors
            elems += [[a, b, c] if i % 2 == 0 else [a, b, d], [b, d, c] if i % 2 == 0 else [a, d, c]]
    elems = [[str(k + 1)] + [str(n) for n in e] for k, e in enumerate(elems)]
    held = [j + 1 for j in range(sectors)] + [rings * sectors + j + 1 for j in range(sectors)]
    initial = [[str(n), "2.0" if n <= sectors else "0.0"] for n in held]
    write_model(out / "HOLE.DAT", {"&COORDINATES": coords, "&ELEMENTS": elems,
                                   "&INITIAL": initial, "&CONSTRAINTS": [[str(n)] for n in held]})


def make_models(binary, out, big):
    out.mkdir(parents=True, exist_ok=True)
    example_variants(out)
    annulus_with_hole(out)
    sizes = [("catenoid", 3000), ("scherk", 2000), ("square", 200)]
    if big:
        sizes += [("catenoid", 20000)]
    for shape, nodes in sizes:
        subprocess.run([binary, "generate", shape, "--nodes", str(nodes), "-q",
                        str(out / f"{shape.upper()}_{nodes}.DAT")], check=True)
    # Reference problems of the peers beside the project, when they are there: one that
    # the undamped Newton step cannot solve (diverges) and one it solves.
    peers = ROOT.parent / "shared" / "peers" / "models"
    for name in ("saddle_1e3.DAT", "sine_disc_harmonic_1e3.DAT"):
        if (peers / name).exists():
            shutil.copy(peers / name, out / ("PEER_" + name))
    for f in (ROOT / "tests" / "fuzz" / "corpus" / "model_run").iterdir():
        shutil.copy(f, out / ("FUZZ_" + f.name))
    for f in sorted((ROOT / "tests" / "data").rglob("*.DAT")):
        shutil.copy(f, out / ("DATA_" + f.name))
    (out / "EMPTY.DAT").write_bytes(b"")
    # Loads completely, then fails the model check (a node given twice, a missing node).
    (out / "CHECK_FAILS.DAT").write_bytes(
        b"FILE X\r\n&COORDINATES 4  \r\n1 0 0\r\n2 1 0\r\n3 1 1\r\n3 0 1\r\n&ELEMENTS 2  \r\n"
        b"1 1 2 3\r\n2 1 3 4\r\n&INITIAL 1  \r\n1 0\r\n&CONSTRAINTS 1  \r\n1\r\n")
    (out / "CUT.DAT").write_bytes((ROOT / "examples" / "TEST3.DAT").read_bytes()[:9000])
    for f in sorted(out.glob("*.json")):
        f.unlink()


OPTION_SETS = [
    ["run"],
    ["run", "--solver", "cholmod"],
    ["run", "--weight", "2.5", "--accuracy", "1e-6", "--vrml", "--svg", "PLAN.svg"],
    ["run", "--solver", "cholmod", "--accuracy", "1e-7", "--max-iterations", "3", "--numbering", "--scale", "2"],
    ["run", "--max-iterations", "0", "--undeformed", "--no-axes"],
    ["run", "--max-iterations", "1", "--solver", "cholmod", "--vrml"],
    ["run", "--accuracy", "0", "--max-iterations", "2", "--scale", "0"],
    ["vrml", "--numbering"],
]


def run_one(binary, model, options, work):
    if work.exists():
        shutil.rmtree(work)
    work.mkdir(parents=True)
    shutil.copy(model, work / model.name)
    # The boundary points file goes beside the program: a copy of the binary in the work
    # directory keeps the two builds apart.
    shutil.copy(binary, work / "membrane")
    args = [str(work / "membrane"), options[0], str(work / model.name)] + options[1:]
    args = [a if a != "PLAN.svg" else str(work / "PLAN.svg") for a in args]
    proc = subprocess.run(args, cwd=work, capture_output=True, timeout=600)
    files = {"status": str(proc.returncode).encode(), "stdout": proc.stdout, "stderr": proc.stderr}
    for f in sorted(work.iterdir()):
        if f.name not in ("membrane", model.name):
            files[f.name] = f.read_bytes()
    masked = {}
    for name, data in files.items():
        data = data.replace(str(work).encode(), b"<WORK>")
        data = re.sub(rb"- created : [^\r\n]*", b"- created : <TIME>", data)
        masked[name] = data
    return masked


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--work", default="/tmp/membrane-compare")
    parser.add_argument("--big", action="store_true", help="also a 20000-node catenoid")
    parser.add_argument("--files-only", action="store_true",
                        help="compare the files written, not the status, stdout and stderr")
    args = parser.parse_args()
    work = Path(args.work)
    if work.exists():
        shutil.rmtree(work)
    models = work / "models"
    make_models(os.path.abspath(args.old), models, args.big)

    runs = differ = 0
    for model in sorted(models.iterdir()):
        for options in OPTION_SETS:
            runs += 1
            old = run_one(Path(args.old).resolve(), model, options, work / "old")
            new = run_one(Path(args.new).resolve(), model, options, work / "new")
            if args.files_only:
                for data in (old, new):
                    for key in ("status", "stdout", "stderr"):
                        data.pop(key)
            label = f"{model.name} {' '.join(options)}"
            if old == new:
                print(f"same      {label}  ({', '.join(k for k in old if k not in ('status', 'stdout', 'stderr'))}"
                      f"; exit {old.get('status', b'-').decode()})")
                continue
            differ += 1
            names = sorted(set(old) | set(new))
            print(f"DIFFERENT {label}: " + ", ".join(n for n in names if old.get(n) != new.get(n)))
    print(f"{runs} runs, {differ} different")
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
