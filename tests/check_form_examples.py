#!/usr/bin/env python3
"""The form models of examples/, run as a user runs them (`membrane form MODEL.toml`), and
their reports checked against the exact shapes they stand for.

usage: check_form_examples.py MEMBRANE EXAMPLES_DIR
"""
import math
import os
import re
import shutil
import subprocess
import sys
import tempfile

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def form(membrane, work, name, *options):
    run = subprocess.run([membrane, "form", os.path.join(work, name + ".toml"), "-q", *options],
                         capture_output=True, text=True)
    report_path = os.path.join(work, name + ".form.txt")
    report = open(report_path).read() if os.path.exists(report_path) else ""
    return run.returncode, run.stdout + run.stderr, report


def support_sum(report, support):
    """The summed reaction (Rx, Ry, Rz) of a support, from its "sum" row."""
    m = re.search(r"^\s+" + re.escape(support) + r"\s+sum\s+(\S+)\s+(\S+)\s+(\S+)", report, re.M)
    return tuple(float(v) for v in m.groups()) if m else (math.nan,) * 3


def balanced(report):
    """The forces left out of balance, against the largest reaction."""
    left = re.search(r"left out of balance, kN\s+(\S+)\s+(\S+)\s+(\S+)", report)
    return left is not None and max(abs(float(v)) for v in left.groups()) < 1e-9


def main():
    membrane, examples = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as work:
        for f in os.listdir(examples):
            if f.endswith((".toml", ".geo")):
                shutil.copy(os.path.join(examples, f), work)

        # Rings of 10 m, 12 m apart: a catenoid with neck a = 7.45071 m, area 699.964 m^2,
        # each ring pulled with 2 pi a sigma = 46.8142 kN.
        status, out, report = form(membrane, work, "catenoid")
        check(status == 0, "catenoid converges (exit %d)" % status)
        area = float(re.search(r"area of the membrane : (\S+)", report).group(1))
        check(abs(area - 699.9642567622) < 0.05, "catenoid area %.4f" % area)
        for ring, sign in (("bottom ring", -1), ("top ring", 1)):
            rz = support_sum(report, ring)[2]
            check(abs(rz - sign * 46.8142) < 0.1, "%s pulls %.4f kN" % (ring, rz))
        check(balanced(report), "catenoid balanced")

        # 14 m apart no catenoid spans the rings.
        status, out, report = form(membrane, work, "catenoid_h14")
        check(status == 3 and "no equilibrium" in out, "catenoid_h14 ends with no equilibrium")

        # Edge cables of S = 20 kN on a square, sigma = 2: arcs of 10 m radius, sag 1.33975 m.
        status, out, report = form(membrane, work, "cable_square")
        check(status == 0, "cable_square converges")
        sags = [float(s) for s in re.findall(r"^\s+\w+\s+20\.0000\s+\S+\s+(\S+)", report, re.M)]
        check(len(sags) == 4 and all(abs(s - (10 - math.sqrt(75))) < 1e-3 for s in sags),
              "cable sags %s" % sags)
        check(balanced(report), "cable_square balanced")

        # A disc of 5 m inflated: a spherical cap of radius 8 m, rise 8 - sqrt(39).
        status, out, report = form(membrane, work, "cap", "--export",
                                   os.path.join(work, "cap.obj"))
        check(status == 0, "cap converges")
        heights = [float(line.split()[3]) for line in open(os.path.join(work, "cap.obj"))
                   if line.startswith("v ")]
        check(abs(max(heights) - (8 - math.sqrt(39))) < 1e-3, "cap rise %.5f" % max(heights))
        p = support_sum(report, "ring")
        check(abs(p[2] + 0.5 * math.pi * 25) < 0.02, "cap ring carries %.4f kN" % p[2])  # polygon, not disc

        # The sail and the tent: converged, balanced, the masts pulled up as much as the
        # anchors down.
        for name, up, down in (("sail", "high corners", "low corners"),
                               ("cone_tent", "mast ring", "ground")):
            status, out, report = form(membrane, work, name)
            check(status == 0, "%s converges (exit %d)" % (name, status))
            check(balanced(report), "%s balanced" % name)
            rz_up, rz_down = support_sum(report, up)[2], support_sum(report, down)[2]
            check(rz_up > 0 and abs(rz_up + rz_down) < 1e-4, "%s: %s %.4f, %s %.4f kN"
                  % (name, up, rz_up, down, rz_down))
    if failures:
        sys.exit(1)
    print("form examples: all agree")


if __name__ == "__main__":
    main()
