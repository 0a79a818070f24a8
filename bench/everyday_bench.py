#!/usr/bin/env python3
"""The everyday path timed: every model of examples/ and tests/data and four imported
structures, run with the defaults and with --solver cholmod; and every export format.

Solver table: for each model the wall time of `membrane run MODEL` with the defaults
(and the solver auto chose) against `--solver cholmod`, run in turns --repeat times each
(once when a run takes longer than 5 s), the medians, so that a load on the machine falls
on both alike. The targets (bench/README.md): with the defaults
no model slower than 1.5 x cholmod, none under 5000 nodes over 0.5 s. With --before
PROGRAM the same table for an older build too, its models imported by that build and its
stored examples taken from --before-examples.

Export table: `membrane export MODEL FILE --timings` for each format, on a catenoid of
--export-nodes nodes (two triangles a node), the seconds of the file alone and of the
whole command.

    bench/everyday_bench.py
    bench/everyday_bench.py --before /tmp/old/membrane --before-examples /tmp/old/examples

Only the Python standard library is needed.
"""

from __future__ import annotations

import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, os.pardir)

# The imported structures: name, .geo file, import options.
STRUCTURES = [
    ("cone 1.5 m", "tests/data/cone/cone.geo", ["--held-height", "ring=1.5"]),
    ("arches", "examples/arches.geo", ["--size", "0.3"]),
    ("arches, finer", "examples/arches.geo", ["--size", "0.26"]),
    ("hypar sail", "examples/hypar.geo", ["--size", "0.17"]),
    ("four-mast site", "bench/site.geo", ["--held-height", "rings=6"]),
]


def timed(command: list[str], cwd: str) -> tuple[float, str]:
    start = time.perf_counter()
    done = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    return time.perf_counter() - start, done.stdout + done.stderr


def best(command: list[str], cwd: str, repeat: int) -> tuple[float, str]:
    seconds, output = timed(command, cwd)
    for _ in range(repeat - 1 if seconds < 5 else 0):
        again, output = timed(command, cwd)
        seconds = min(seconds, again)
    return seconds, output


def in_turns(commands: list[list[str]], cwd: str, repeat: int) -> list[tuple[float, str]]:
    """Each command run `repeat` times, in turns; the median time of each and its output."""
    first = [timed(command, cwd) for command in commands]
    times = [[seconds] for seconds, _ in first]
    outputs = [output for _, output in first]
    if max(seconds for seconds, _ in first) < 5:
        for _ in range(repeat - 1):
            for k, command in enumerate(commands):
                times[k].append(timed(command, cwd)[0])
    return [(sorted(t)[len(t) // 2], outputs[k]) for k, t in enumerate(times)]


def solver_of(output: str) -> str:
    found = re.search(r"^solver\s+: (\S+)", output, re.M)
    return found.group(1) if found else "?"


def nodes_of(path: str) -> int:
    with open(path, "rb") as f:
        found = re.search(rb"&COORDINATES\s+(\d+)", f.read())
    return int(found.group(1)) if found else 0


def models(program: str, work: str, examples: str) -> list[tuple[str, str]]:
    """(name, path) of every model: the stored ones, then the structures imported by
    `program`."""
    found = []
    stored = sorted(glob.glob(os.path.join(examples, "*.DAT")))
    stored += sorted(glob.glob(os.path.join(ROOT, "tests", "data", "**", "*.DAT"), recursive=True))
    for path in stored:
        name = os.path.relpath(path, os.path.dirname(examples) if path.startswith(examples)
                               else ROOT)
        copy = os.path.join(work, f"m{len(found)}.DAT")
        shutil.copy(path, copy)
        found.append((name, copy))
    for name, geo, options in STRUCTURES:
        copy = os.path.join(work, f"m{len(found)}.DAT")
        subprocess.run([program, "import", os.path.join(ROOT, geo), "-o", copy, "-q"] + options,
                       check=True, cwd=work)
        found.append((name, copy))
    return found


def solver_rows(program: str, examples: str, repeat: int) -> dict[str, tuple]:
    rows = {}
    with tempfile.TemporaryDirectory() as work:
        for name, path in models(program, work, examples):
            run = [program, "run", path, "--max-iterations", "20"]
            (defaults, output), (cholmod, _) = in_turns([run, run + ["--solver", "cholmod"]],
                                                        work, repeat)
            rows[name] = (nodes_of(path), defaults, solver_of(output), cholmod)
            print(f"  {name}: {rows[name]}", file=sys.stderr)
    return rows


def export_rows(program: str, nodes: int, repeat: int) -> list[tuple]:
    rows = []
    with tempfile.TemporaryDirectory() as work:
        subprocess.run([program, "generate", "catenoid", "--nodes", str(nodes), "c.DAT", "-q"],
                       check=True, cwd=work)
        subprocess.run([program, "run", "c.DAT", "-q"], cwd=work)
        triangles = int(re.search(r"&ELEMENTS\s+(\d+)", open(os.path.join(work, "c.DAT")).read())
                        .group(1))
        for extension in ("obj", "stl", "ply", "glb", "dxf"):
            command = [program, "export", "c.DAT", "c." + extension, "--timings"]
            whole, output = best(command, work, repeat)
            found = re.search(r"^file\s+:\s+([0-9.]+) s", output, re.M)
            rows.append((extension, triangles, float(found.group(1)) if found else None, whole))
    return rows


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--membrane", default=os.path.join(ROOT, "build", "membrane"))
    parser.add_argument("--before", help="an older build of membrane, for the before columns")
    parser.add_argument("--before-examples", help="that build's examples directory")
    parser.add_argument("--repeat", type=int, default=9)
    parser.add_argument("--export-nodes", type=int, default=100000)
    args = parser.parse_args()
    program = os.path.abspath(args.membrane)
    after = solver_rows(program, os.path.join(ROOT, "examples"), args.repeat)
    before = {}
    if args.before:
        before = solver_rows(os.path.abspath(args.before),
                             os.path.abspath(args.before_examples or
                                             os.path.join(ROOT, "examples")), args.repeat)

    print("| model | nodes | defaults (solver) | cholmod | ratio |"
          + (" before: nodes | defaults (solver) | cholmod |" if before else ""))
    print("|---|---|---|---|---|" + ("---|---|---|" if before else ""))
    for name, (nodes, defaults, solver, cholmod) in after.items():
        line = (f"| {name} | {nodes} | {defaults:.2f} s ({solver}) | {cholmod:.2f} s | "
                f"{defaults / cholmod:.2f} |")
        if before:
            b = before.get(name)
            line += (f" {b[0]} | {b[1]:.2f} s ({b[2]}) | {b[3]:.2f} s |" if b else " – | – | – |")
        print(line)

    print()
    print("| format | triangles | file s | whole command s |")
    print("|---|---|---|---|")
    for extension, triangles, seconds, whole in export_rows(program, args.export_nodes,
                                                           args.repeat):
        shown = f"{seconds:.3f}" if seconds is not None else "–"
        print(f"| {extension} | {triangles} | {shown} | {whole:.2f} |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
