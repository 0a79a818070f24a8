#!/usr/bin/env python3
"""Newton step settings on the reference problems: which runs converge, in how many steps,
to which area, how fast.

For every model it runs `membrane run MODEL --accuracy 1e-6 --max-iterations 50 --history
--timings` three ways: `--newton pure`, the default (auto) and `--newton damped`, and
prints a markdown table with the pure outcome, the steps of auto (pure steps + restart
steps) and of damped, the peers' damped steps and area (read from the peers' RESULTS.md,
damped table), the relative area difference and the wall times. Models come from the
peers' generator (`gen_model.py`, run with Debian's /usr/bin/python3); "harmonic" rows run
the same file with `--start harmonic`. The example rows use examples/TEST3.DAT and a copy
with every held height x 2.5 and the free nodes started at 25.

    bench/newton_bench.py --sizes 1e3 1e4 1e5 [--big]   # --big adds the 1e6 rows
"""
from __future__ import annotations

import argparse
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.join(HERE, os.pardir)
PEERS = "/work/shared/peers"


def peer_damped():
    """(problem, nodes) -> (steps, area) of the peers' damped Newton (DOLFINx rows)."""
    table, section = {}, None
    path = os.path.join(PEERS, "RESULTS.md")
    if not os.path.exists(path):
        return table
    for line in open(path, encoding="utf-8"):
        if line.startswith("### "):
            section = "damped" if "Damped" in line else "other"
        cells = [c.strip() for c in line.split("|")]
        if section == "damped" and len(cells) > 9 and cells[4] == "dolfinx" and cells[7] == "yes":
            table[(cells[1], int(cells[2]))] = (int(cells[5]), float(cells[8]))
    return table


def run(membrane, model, *options):
    start = time.time()
    p = subprocess.run([membrane, "run", model, "--accuracy", "1e-6", "--max-iterations", "50",
                        "--history", "--timings", *options], capture_output=True, text=True)
    wall = time.time() - start
    rows = re.findall(r"^\s+(\d+)\s+(\S+)\s+(\S+)\s+(\S+)\s+(\S+)$", p.stdout, re.M)
    area = float(rows[-1][4]) if rows and p.returncode == 0 else float("nan")
    restart = p.stdout.count("(started again")
    return {"status": p.returncode, "steps": len(rows), "area": area, "wall": wall,
            "restart": restart, "iterations": int(rows[-1][0]) if rows else 0}


def models(sizes, big, work):
    def gen(problem, nodes):
        name = f"{problem}_{nodes}"
        path = os.path.join(work, name + ".DAT")
        if not os.path.exists(path):
            subprocess.run(["/usr/bin/python3", os.path.join(PEERS, "gen_model.py"), problem,
                            "--nodes", nodes, "--out", work, "--name", name], check=True,
                           capture_output=True)
        return path
    out = []
    example = os.path.join(ROOT, "examples", "TEST3.DAT")
    raised = os.path.join(work, "TEST3_RAISED.DAT")
    text = open(example, encoding="latin-1").read()
    held = set(re.search(r"&CONSTR\w*\s+\d+[^\n]*\n(.*?)(?:&|\Z)", text, re.S).group(1).split())
    def lift(m):
        number, height = m.group(1), float(m.group(2))
        return f"{number} {height * 2.5 if number in held else 25.0}"
    init = re.search(r"(&INITIAL\w*\s+\d+[^\n]*\n)(.*?)(?=&|\Z)", text, re.S)
    lines = re.sub(r"^\s*(\d+)\s+(\S+)", lift, init.group(2), flags=re.M)
    open(raised, "w", encoding="latin-1").write(text[:init.start(2)] + lines + text[init.end(2):])
    out += [("example", 137, example, []), ("example, masts x2.5, start 25", 137, raised, [])]
    for size in sizes:
        for problem in ("saddle", "sine_disc", "scherk"):
            out.append((problem, size, gen(problem, size), []))
        out.append(("sine_disc_harmonic", size, gen("sine_disc", size), ["--start", "harmonic"]))
    if big:
        out.append(("scherk", "1e6", gen("scherk", "1e6"), []))
        out.append(("sine_disc", "1e6", gen("sine_disc", "1e6"), []))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--membrane", default=os.path.join(ROOT, "build", "membrane"))
    ap.add_argument("--sizes", nargs="+", default=["1e3", "1e4"])
    ap.add_argument("--big", action="store_true")
    ap.add_argument("--work", default="/tmp/newton_bench")
    a = ap.parse_args()
    os.makedirs(a.work, exist_ok=True)
    peers = peer_damped()
    print("| model | nodes | pure | auto steps | damped steps | peers' damped steps | "
          "area − peers' (rel.) | auto s | damped s | pure s |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for name, size, path, extra in models(a.sizes, a.big, a.work):
        solver = ["--solver", "cholmod"]
        pure = run(a.membrane, path, "--newton", "pure", *solver, *extra)
        auto = run(a.membrane, path, *solver, *extra)
        damped = run(a.membrane, path, "--newton", "damped", *solver, *extra)
        nodes = sum(1 for _ in open(path, encoding="latin-1")) and int(
            re.search(r"&COORDINATES\s+(\d+)", open(path, encoding="latin-1").read()).group(1))
        peer = next((v for (p, n), v in peers.items()
                     if p == name and abs(n - nodes) <= 0.01 * nodes), None)
        pure_text = "converges" if pure["status"] == 0 else f"exit {pure['status']}"
        auto_steps = (f"{auto['steps'] - auto['iterations']} + {auto['iterations']}"
                      if auto["restart"] else str(auto["steps"]))
        if auto["status"] != 0:
            auto_steps += f" (exit {auto['status']})"
        diff = "–" if peer is None else f"{abs(auto['area'] - peer[1]) / peer[1]:.1e}"
        print(f"| {name} | {nodes} | {pure_text} | {auto_steps} | {damped['steps']}"
              f"{'' if damped['status'] == 0 else ' (exit %d)' % damped['status']} | "
              f"{'–' if peer is None else peer[0]} | {diff} | {auto['wall']:.2f} | "
              f"{damped['wall']:.2f} | {pure['wall']:.2f} |")
        sys.stdout.flush()


if __name__ == "__main__":
    main()
