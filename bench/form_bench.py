#!/usr/bin/env python3
"""3D form-finding beside a height-field run of the same size, in turns.

For every size N it generates a catenoid form model (`membrane generate form-catenoid
--nodes N`: rings of 10 m, 12 m apart, a cylinder to start from) and a half-catenoid plan
model (`membrane generate catenoid --nodes N`), then runs, alternately and --repeats
times each,

    membrane form CAT.toml --timings -q        (accuracy 1e-6 m, the default)
    membrane run  CAT.DAT  --timings -q --accuracy 1e-6

and prints a markdown table of the median wall time of each command (read off the
clock around the whole process), the form-finding's iterations and peak memory, the
ratio of the two, and how each grows from one size to the next. The target: the
form-finding at 1e5 nodes within 3 x the height-field run.

    bench/form_bench.py --sizes 1e4 1e5 1e6 --repeats 3

Only the Python standard library is needed.
"""

from __future__ import annotations

import argparse
import os
import re
import resource
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
DEFAULT_MEMBRANE = os.path.join(HERE, os.pardir, "build", "membrane")


def timed(command: list[str]) -> tuple[float, float, str]:
    """Wall seconds, processor seconds (user + system of the child) and the output."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(command, capture_output=True, text=True)
    seconds = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    processor = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    if done.returncode not in (0, 1):
        sys.exit(f"{' '.join(command)} failed ({done.returncode}):\n{done.stdout}{done.stderr}")
    return seconds, processor, done.stdout + done.stderr


def figure(text: str, name: str) -> float:
    found = re.search(rf"^{name}\s*:\s*([0-9.]+)", text, re.M)
    return float(found.group(1)) if found else float("nan")


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", nargs="+", default=["1e4", "1e5"])
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--membrane", default=DEFAULT_MEMBRANE)
    args = parser.parse_args()
    membrane = os.path.abspath(args.membrane)

    rows = []
    with tempfile.TemporaryDirectory() as work:
        for size in args.sizes:
            nodes = int(float(size))
            form = os.path.join(work, f"cat{nodes}.toml")
            plan = os.path.join(work, f"cat{nodes}.DAT")
            subprocess.run([membrane, "generate", "form-catenoid", "--nodes", str(nodes), form, "-q"], check=True)
            subprocess.run([membrane, "generate", "catenoid", "--nodes", str(nodes), plan, "-q"], check=True)
            form_times, plan_times, form_cpu, plan_cpu = [], [], [], []
            iterations, memory = 0, 0.0
            for turn in range(args.repeats):
                pair = [("form", [membrane, "form", form, "--timings", "--history"]),
                        ("plan", [membrane, "run", plan, "--timings", "-q", "--accuracy", "1e-6"])]
                if turn % 2:
                    pair.reverse()
                for kind, command in pair:
                    seconds, processor, output = timed(command)
                    if kind == "form":
                        form_times.append(seconds)
                        form_cpu.append(processor)
                        iterations = len(re.findall(r"^\s+\d+\s+\S+\s+\S+\s+(plain|accelerated)$", output, re.M))
                        memory = figure(output, "peak memory")
                    else:
                        plan_times.append(seconds)
                        plan_cpu.append(processor)
            rows.append((nodes, statistics.median(form_times), statistics.median(plan_times), iterations, memory,
                         statistics.median(form_cpu), statistics.median(plan_cpu)))

    # Wall time is what a user waits; processor time is what a loaded machine changes least.
    print("| nodes | form-finding s (processor s) | iterations | peak MB | height field s (processor s) | ratio wall (processor) |")
    print("|---|---|---|---|---|---|")
    for nodes, form, plan, iterations, memory, form_p, plan_p in rows:
        print(f"| {nodes:.0e} | {form:.2f} ({form_p:.2f}) | {iterations} | {memory:.0f} | {plan:.2f} ({plan_p:.2f}) "
              f"| {form / plan:.2f} ({form_p / plan_p:.2f}) |")
    if len(rows) > 1:
        print()
        print("| from | to | form-finding grows (processor) | height field grows (processor) |")
        print("|---|---|---|---|")
        for before, after in zip(rows, rows[1:]):
            print(f"| {before[0]:.0e} | {after[0]:.0e} | x {after[1] / before[1]:.1f} (x {after[5] / before[5]:.1f}) "
                  f"| x {after[2] / before[2]:.1f} (x {after[6] / before[6]:.1f}) |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
