#!/usr/bin/env python3
"""A Gmsh 2.2 mesh of a hypar held along its four edges, for the import benchmark.

usage: make_hypar_msh.py N OUT.msh
An N x N grid of nodes over a 10 m square, 2 (N-1)^2 triangles, heights of the hyperbolic
paraboloid through corners at 0 and 3 m (N = 708 gives about a million triangles).
"""
import sys

n, out = int(sys.argv[1]), sys.argv[2]
size, rise = 10.0, 3.0
with open(out, "w") as f:
    f.write("$MeshFormat\n2.2 0 8\n$EndMeshFormat\n$Nodes\n%d\n" % (n * n))
    lines = []
    for j in range(n):
        v = j / (n - 1)
        for i in range(n):
            u = i / (n - 1)
            z = rise * (u + v - 2 * u * v)
            lines.append("%d %.17g %.17g %.17g" % (j * n + i + 1, size * u, size * v, z))
    f.write("\n".join(lines))
    f.write("\n$EndNodes\n$Elements\n%d\n" % (2 * (n - 1) ** 2))
    lines = []
    e = 0
    for j in range(n - 1):
        for i in range(n - 1):
            a = j * n + i + 1
            e += 1
            lines.append("%d 2 2 1 1 %d %d %d" % (e, a, a + 1, a + n + 1))
            e += 1
            lines.append("%d 2 2 1 1 %d %d %d" % (e, a, a + n + 1, a + n))
    f.write("\n".join(lines))
    f.write("\n$EndElements\n")
