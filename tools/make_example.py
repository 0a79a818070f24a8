#!/usr/bin/env python3
"""Writes examples/TEST3.DAT: a tent over a notched 12 x 10 grid.

110 squares of a 12 x 10 grid (the four corners, two steps and four edge notches cut
away), each cut into two counter-clockwise triangles: 137 nodes, 220 triangles, 52
boundary nodes. The boundary is held at height 0 except at three masts on the edge, and
one interior mast is held at 8; the free nodes start on a smooth guess between them.
"""
import math
import sys

COLS, ROWS = 12, 10
DX, DY = 4.0, 3.2
removed = {(0, 0), (COLS - 1, 0), (0, ROWS - 1), (COLS - 1, ROWS - 1),  # corners
           (1, 0), (COLS - 2, ROWS - 1),                                # steps
           (5, 0), (8, ROWS - 1), (0, 4), (COLS - 1, 6)}                # notches
cells = [(i, j) for j in range(ROWS) for i in range(COLS) if (i, j) not in removed]

used = sorted({(i + a, j + b) for (i, j) in cells for a in (0, 1) for b in (0, 1)},
              key=lambda p: (p[1], p[0]))
number = {p: k + 1 for k, p in enumerate(used)}

def coord(p):
    i, j = p
    # a gentle deterministic shear so the plan does not look like graph paper
    return (i * DX + 0.35 * math.sin(0.7 * j) + 0.13 * j, j * DY + 0.2 * math.sin(0.5 * i))

triangles = []
for (i, j) in cells:
    a, b, c, d = number[(i, j)], number[(i + 1, j)], number[(i + 1, j + 1)], number[(i, j + 1)]
    if (i + j) % 2 == 0:
        triangles += [(a, b, c), (a, c, d)]
    else:
        triangles += [(a, b, d), (b, c, d)]

edges = {}
for t in triangles:
    for k in range(3):
        e = tuple(sorted((t[k], t[(k + 1) % 3])))
        edges[e] = edges.get(e, 0) + 1
boundary = sorted({n for e, c in edges.items() if c == 1 for n in e})

mast_node = number[(6, 5)]
edge_masts = {number[(3, 0)]: 14.0, number[(COLS, 3)]: 18.0, number[(4, ROWS)]: 20.0}

def fixed_height(n):
    if n == mast_node:
        return 8.0
    return edge_masts.get(n, 0.0)

fixed = boundary + [mast_node]
pts = {number[p]: coord(p) for p in used}

# Start heights: the discrete harmonic extension of the held heights (Gauss-Seidel on
# the mesh graph), which lies between their extremes and is close to the minimal surface.
neighbours = {n: set() for n in pts}
for t in triangles:
    for a in t:
        for b in t:
            if a != b:
                neighbours[a].add(b)
guess = {n: fixed_height(n) if n in fixed else 0.0 for n in pts}
for sweep in range(2000):
    for n in pts:
        if n not in fixed:
            guess[n] = sum(guess[m] for m in neighbours[n]) / len(neighbours[n])

def start_height(n):
    return guess[n]

def value_text(n, z):
    forms = {0.0: "0.0000000000", 8.0: "8.0000000000", 14.0: "14.000000000",
             18.0: "18.000000000", 20.0: "20.000000000"}
    if n in fixed:
        return forms[z]
    return "%.10f" % z

out = ["FILE TEST3.DAT", ""]
out.append("&COORDINATES %d  " % len(used))
for p in used:
    x, y = coord(p)
    out.append("%5d %14.5f %14.5f" % (number[p], x, y))
out.append("")
out.append("&ELEMENTS %d  " % len(triangles))
for k, t in enumerate(triangles, 1):
    out.append("%5d %10d %7d %7d" % (k, t[0], t[1], t[2]))
out.append("")
out.append("&INITIAL %d  " % len(used))
for p in used:
    n = number[p]
    z = fixed_height(n) if n in fixed else start_height(n)
    out.append("%5d     %s" % (n, value_text(n, z)))
out.append("")
out.append("&CONSTRAINTS %d  " % len(fixed))
for n in fixed:
    out.append(str(n))
out.append("")
sys.stdout.buffer.write(("\r\n".join(out) + "\r\n").encode("ascii"))
print(len(used), len(triangles), len(boundary), len(fixed), file=sys.stderr)
