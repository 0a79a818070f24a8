#!/usr/bin/env python3
"""End-to-end timing of `membrane run` on generated half-catenoid models.

For every size it generates a catenoid model (`membrane generate catenoid --nodes N`),
runs

    membrane run MODEL --accuracy 1e-6 --timings --max-iterations 50 [--solver NAME]

once per solver that `membrane run --help` offers (the default solver alone when it
offers no --solver option), and prints a markdown table: seconds spent loading,
assembling, solving and writing, the whole command's wall time, Newton steps, peak
memory, the final area recomputed here from the report's heights, its error against
the exact area of the catenoid and the largest nodal height error. A second table gives
how the total time grows from one size to the next.

The built-in elimination costs about n * bandwidth^2, so each run has a time limit
(--timeout); a run that exceeds it shows "timeout" and the larger sizes of that solver
are not tried. With --peers the same model files also go to the peer tools (DOLFINx and
Surface Evolver runners) where those are installed.

Only the Python standard library is needed.

    bench/run_bench.py --sizes 1e4 1e5 1e6 --timeout 600
    bench/run_bench.py --sizes 1e3 1e4 --peers
"""

from __future__ import annotations

import argparse
import json
import math
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, os.pardir))
DEFAULT_MEMBRANE = os.path.join(ROOT, "build", "membrane")
# The peers live beside the project: ../shared/peers from the project's root.
DEFAULT_PEERS = os.path.normpath(os.path.join(ROOT, os.pardir, "shared", "peers"))
PEER_PYTHON = "/usr/bin/python3"  # Debian's interpreter, which sees python3-dolfinx


# --------------------------------------------------------------------------------------
# small helpers
# --------------------------------------------------------------------------------------

def parse_size(text: str) -> int:
    value = float(text)
    if not (value >= 9 and value == value):
        raise argparse.ArgumentTypeError(f"not a node count: {text}")
    return int(round(value))


def size_label(n: int) -> str:
    exponent = math.log10(n)
    if abs(exponent - round(exponent)) < 1e-9:
        return f"1e{int(round(exponent))}"
    return str(n)


def seconds(value) -> str:
    if value is None:
        return "–"
    return f"{value:.3f}" if value < 10 else f"{value:.1f}"


def number(value, digits=12) -> str:
    return "–" if value is None else f"{value:.{digits}f}"


def scientific(value) -> str:
    return "–" if value is None else f"{value:.3e}"


def run_limited(command, timeout, cwd=None, memory_limit=None):
    """Runs a command in its own process group; on timeout the whole group is killed.
    Returns (status, stdout, stderr, wall seconds) with status 'ok', 'timeout' or the
    exit code / signal."""
    def limits():
        if memory_limit:
            import resource
            resource.setrlimit(resource.RLIMIT_AS, (memory_limit, memory_limit))

    start = time.perf_counter()
    process = subprocess.Popen(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                               text=True, start_new_session=True, preexec_fn=limits)
    try:
        out, err = process.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        out, err = process.communicate()
        return "timeout", out, err, time.perf_counter() - start
    wall = time.perf_counter() - start
    return process.returncode, out, err, wall


def status_text(code) -> str:
    if code == "timeout":
        return "timeout"
    if isinstance(code, int) and code < 0:
        return f"killed by signal {-code}"
    return f"exit status {code}"


# --------------------------------------------------------------------------------------
# the project's program
# --------------------------------------------------------------------------------------

def available_solvers(membrane: str):
    """[None] (the default solver) or the names that `membrane run --help` lists."""
    result = subprocess.run([membrane, "run", "--help"], capture_output=True, text=True)
    text = result.stdout + result.stderr
    if "--solver" not in text:
        return [None]
    for line in text.splitlines():
        if "--solver" in line:
            # "--solver auto|elimination|cholmod|amg" or "--solver {a,b}"
            choices = re.search(r"--solver\s+\{([^}]*)\}", line) or \
                re.search(r"--solver\s+([a-z]+(?:\|[a-z]+)+)", line)
            if choices:
                names = [c.strip() for c in re.split(r"[,|]", choices.group(1)) if c.strip()]
                if names:
                    return names
    return [None, "cholmod"]


def generate(membrane: str, nodes: int, directory: str):
    path = os.path.join(directory, f"catenoid_{size_label(nodes)}.DAT")
    subprocess.run([membrane, "generate", "catenoid", "--nodes", str(nodes), path, "-q"], check=True)
    with open(os.path.splitext(path)[0] + ".json") as f:
        return path, json.load(f)


def read_model(path):
    """Node coordinates (in node order 1..N) and triangles (0-based) of a generated model."""
    xs, ys, triangles = [], [], []
    with open(path) as f:
        lines = iter(f)
        for line in lines:
            if line.startswith("&COORDINATES"):
                for _ in range(int(line.split()[1])):
                    _, x, y = next(lines).split()
                    xs.append(float(x))
                    ys.append(float(y))
            elif line.startswith("&ELEMENTS"):
                for _ in range(int(line.split()[1])):
                    _, a, b, c = next(lines).split()
                    triangles.append((int(a) - 1, int(b) - 1, int(c) - 1))
    return xs, ys, triangles


def read_solution(report_path):
    """The heights of the report's &SOLUTION table, in node order."""
    with open(report_path) as f:
        lines = iter(f)
        for line in lines:
            if line.startswith("&SOLUTION"):
                return [float(next(lines)) for _ in range(int(line.split()[1]))]
    return None


def lifted_area(xs, ys, zs, triangles):
    terms = []
    for a, b, c in triangles:
        ux, uy, uz = xs[b] - xs[a], ys[b] - ys[a], zs[b] - zs[a]
        vx, vy, vz = xs[c] - xs[a], ys[c] - ys[a], zs[c] - zs[a]
        cx, cy, cz = uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx
        terms.append(0.5 * math.sqrt(cx * cx + cy * cy + cz * cz))
    return math.fsum(terms)


def catenoid_height(x, y, a):
    return a * math.acosh(max(1.0, math.hypot(x, y) / a))


SUMMARY_LINE = re.compile(r"^([a-z ]+?)\s*:\s*(\S+)")


def run_membrane(membrane, model, meta, solver, args):
    command = [membrane, "run", model, "--accuracy", str(args.accuracy), "--timings",
               "--max-iterations", str(args.max_iterations)]
    if solver:
        command += ["--solver", solver]
    memory_limit = int(args.memory_limit * 1024 ** 3) if args.memory_limit else None
    code, out, err, wall = run_limited(command, args.timeout, cwd=os.path.dirname(model),
                                       memory_limit=memory_limit)
    row = dict(solver=solver or "default", total=wall)
    values = {}
    for line in out.splitlines():
        match = SUMMARY_LINE.match(line)
        if match:
            values[match.group(1).strip()] = match.group(2)
    if code != 0:
        row["status"] = status_text(code)
        if code != "timeout" and err.strip():
            row["status"] += ": " + err.strip().splitlines()[-1][:60]
        return row
    row["status"] = "ok"
    for key in ("load", "assemble", "solve", "write"):
        row[key] = float(values[key]) if key in values else None
    row["memory"] = float(values["peak memory"]) if "peak memory" in values else None
    row["steps"] = int(values["iterations"]) if "iterations" in values else None
    row["converged"] = row["steps"] is not None and row["steps"] < args.max_iterations

    # The area and the height error from the report's heights, computed here.
    xs, ys, triangles = read_model(model)
    zs = read_solution(os.path.splitext(model)[0] + ".OUT")
    if zs is not None and len(zs) == len(xs):
        row["area"] = lifted_area(xs, ys, zs, triangles)
        row["error"] = row["area"] - meta["exact_area"]
        a = meta["params"]["a"]
        row["height_error"] = max(abs(z - catenoid_height(x, y, a)) for x, y, z in zip(xs, ys, zs))
    return row


# --------------------------------------------------------------------------------------
# peers
# --------------------------------------------------------------------------------------

def peers_available(peers_dir):
    found = []
    have_python = os.path.exists(PEER_PYTHON)
    if have_python and os.path.exists(os.path.join(peers_dir, "run_dolfinx.py")):
        probe = subprocess.run([PEER_PYTHON, "-c", "import dolfinx, numpy"], capture_output=True)
        if probe.returncode == 0:
            # Each Newton step by LU, and by conjugate gradients with BoomerAMG.
            found += ["dolfinx", "dolfinx-amg"]
    if shutil.which("evolver-nox-d") and shutil.which("bc") and \
            os.path.exists(os.path.join(peers_dir, "run_evolver.sh")):
        found.append("evolver")
    return found


def run_peer(peer, peers_dir, model, args):
    report = os.path.splitext(model)[0] + f".{peer}.json"
    common = ["--tol", str(args.accuracy), "--maxit", str(args.max_iterations), "--mode", "pure",
              "--json", report, "--time-limit", str(max(1, int(args.timeout) - 30))]
    if peer.startswith("dolfinx"):
        command = [PEER_PYTHON, os.path.join(peers_dir, "run_dolfinx.py"), model, "--quiet"] + common
        if peer == "dolfinx-amg":
            command.append("--amg")
    else:
        command = [os.path.join(peers_dir, "run_evolver.sh"), model] + common
    env = dict(os.environ, OMP_NUM_THREADS="1", OPENBLAS_NUM_THREADS="1")
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                               start_new_session=True, env=env)
    try:
        process.communicate(timeout=args.timeout)
        code = process.returncode
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.communicate()
        code = "timeout"
    row = dict(solver=peer, total=time.perf_counter() - start)
    if code == "timeout" or not os.path.exists(report):
        row["status"] = status_text(code)
        return row
    with open(report) as f:
        rep = json.load(f)
    row["status"] = "ok" if rep.get("converged") else "no: " + str(rep.get("status"))
    if peer.startswith("dolfinx"):
        row["load"] = sum(rep.get(k, 0.0) for k in ("t_import", "t_read", "t_setup", "t_jit"))
        row["assemble"] = rep.get("t_assemble")
        row["solve"] = rep.get("t_solve", 0.0) + rep.get("t_energy", 0.0)
    else:
        row["load"] = rep.get("t_convert", 0.0) + rep.get("t_load", 0.0)
        row["solve"] = rep.get("t_newton")  # assembly and factorisation together
        row["write"] = rep.get("t_write")
    row["steps"] = rep.get("iterations")
    row["memory"] = rep.get("peak_rss_mb")
    row["area"] = rep.get("area")
    row["error"] = rep.get("area_minus_exact")
    row["height_error"] = rep.get("max_height_error")
    return row


# --------------------------------------------------------------------------------------
# tables
# --------------------------------------------------------------------------------------

def print_tables(results, sizes, args):
    print(f"Catenoid z = acosh(r) over 1.2 <= r <= 3, accuracy {args.accuracy:g}, "
          f"at most {args.max_iterations} Newton steps, timeout {args.timeout:g} s per run.\n")
    print("| nodes | triangles | solver | load s | assemble s | solve s | write s | total s "
          "| Newton steps | peak MB | final area | area − exact | max abs(z − z_exact) | load avg |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|---|---|")
    for n in sizes:
        for row in results.get(n, []):
            meta = row["meta"]
            if row["status"] != "ok" and row.get("area") is None:
                # The outcome stands in the total-time column.
                outcome = f"timeout (> {args.timeout:g} s)" if row["status"] == "timeout" else row["status"]
                cells = ["–"] * 4 + [outcome] + ["–"] * 6
                print(f"| {meta['nodes']} | {meta['triangles']} | {row['solver']} | " + " | ".join(cells) + " |")
                continue
            steps = "–" if row.get("steps") is None else str(row["steps"])
            if row["status"] != "ok":
                steps += f" ({row['status']})"
            memory = "–" if row.get("memory") is None else f"{row['memory']:.0f}"
            print(f"| {meta['nodes']} | {meta['triangles']} | {row['solver']} | {seconds(row.get('load'))} "
                  f"| {seconds(row.get('assemble'))} | {seconds(row.get('solve'))} | {seconds(row.get('write'))} "
                  f"| {seconds(row.get('total'))} | {steps} | {memory} | {number(row.get('area'))} "
                  f"| {scientific(row.get('error'))} | {scientific(row.get('height_error'))} "
                  f"| {row.get('loadavg', 0.0):.1f} |")
    exact = next((row["meta"]["exact_area"] for rows in results.values() for row in rows), None)
    if exact is not None:
        print(f"\nExact area {exact!r}; the error includes the O(h²) error of the inscribed polygonal annulus.")

    if len(sizes) < 2:
        return
    solvers = []
    for n in sizes:
        for row in results.get(n, []):
            if row["solver"] not in solvers:
                solvers.append(row["solver"])
    steps = [f"{size_label(a)} → {size_label(b)}" for a, b in zip(sizes, sizes[1:])]
    print("\nGrowth of the total time (factor from one size to the next):\n")
    print("| solver | " + " | ".join(steps) + " |")
    print("|---|" + "---|" * len(steps))
    for solver in solvers:
        totals = {}
        for n in sizes:
            times = sorted(row["total"] for row in results.get(n, [])
                           if row["solver"] == solver and row["status"] == "ok")
            if times:
                totals[n] = times[len(times) // 2]
        cells = []
        for a, b in zip(sizes, sizes[1:]):
            cells.append(f"× {totals[b] / totals[a]:.1f}" if a in totals and b in totals else "–")
        print(f"| {solver} | " + " | ".join(cells) + " |")


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--sizes", nargs="+", type=parse_size, default=[10 ** 4, 10 ** 5, 10 ** 6],
                    help="node counts, e.g. 1e4 1e5 1e6 (default)")
    ap.add_argument("--timeout", type=float, default=600.0, help="seconds per run (default 600)")
    ap.add_argument("--peers", action="store_true",
                    help="also run the DOLFINx and Surface Evolver peers on the same files, where installed")
    ap.add_argument("--peers-dir", default=DEFAULT_PEERS, help=f"where the peer tools are (default {DEFAULT_PEERS})")
    ap.add_argument("--membrane", default=DEFAULT_MEMBRANE, help="the membrane program (default build/membrane)")
    ap.add_argument("--solvers", nargs="+",
                    help="solver names for --solver (default: what `membrane run --help` lists)")
    ap.add_argument("--accuracy", type=float, default=1e-6)
    ap.add_argument("--max-iterations", type=int, default=50)
    ap.add_argument("--memory-limit", type=float, default=None,
                    help="address-space limit of a membrane run in GB (default none)")
    ap.add_argument("--scratch", help="directory for the models (default a temporary one, removed afterwards)")
    ap.add_argument("--keep", action="store_true", help="keep the models and outputs")
    ap.add_argument("--repeat", type=int, default=1,
                    help="run every solver and peer this many times, in turns (default 1); "
                         "the growth table takes the median")
    args = ap.parse_args(argv)

    membrane = os.path.abspath(args.membrane)
    if not os.access(membrane, os.X_OK):
        ap.error(f"no membrane program at {membrane} (build it, or give --membrane)")
    solvers = args.solvers or available_solvers(membrane)
    peers = peers_available(args.peers_dir) if args.peers else []
    if args.peers and not peers:
        print("note: no peer tools are installed; running the project alone", file=sys.stderr)

    sizes = sorted(set(args.sizes))
    scratch = args.scratch or tempfile.mkdtemp(prefix="membrane-bench-")
    os.makedirs(scratch, exist_ok=True)
    results = {}
    timed_out = {}  # solver -> size at which it timed out
    try:
        for n in sizes:
            model, meta = generate(membrane, n, scratch)
            rows = []
            # In turns: every solver and peer once, then again, so that a load on the
            # machine falls on all of them alike.
            for _ in range(args.repeat):
                for solver in solvers:
                    name = solver or "default"
                    print(f"[{size_label(n)}] membrane {name} ...", file=sys.stderr, flush=True)
                    load = os.getloadavg()[0]
                    if name in timed_out:
                        row = dict(solver=name, status=f"skipped: timeout at {size_label(timed_out[name])}")
                    else:
                        row = run_membrane(membrane, model, meta, solver, args)
                        if row["status"] == "timeout":
                            timed_out[name] = n
                    row["meta"], row["loadavg"] = meta, load
                    rows.append(row)
                for peer in peers:
                    print(f"[{size_label(n)}] {peer} ...", file=sys.stderr, flush=True)
                    load = os.getloadavg()[0]
                    row = run_peer(peer, args.peers_dir, model, args)
                    row["meta"], row["loadavg"] = meta, load
                    rows.append(row)
            results[n] = rows
            if not args.keep:
                base = os.path.splitext(model)[0]
                for extension in (".DAT", ".OUT", ".TRS", ".json", ".dolfinx.json", ".dolfinx-amg.json",
                                  ".evolver.json"):
                    if os.path.exists(base + extension):
                        os.remove(base + extension)
    finally:
        if not args.keep and not args.scratch:
            shutil.rmtree(scratch, ignore_errors=True)
    print_tables(results, sizes, args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
