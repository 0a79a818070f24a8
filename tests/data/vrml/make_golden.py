#!/usr/bin/env python3
"""Writes the expected scene files of the VRML writer tests.

An independent transcription of the scene file layout: each line is (indent, text,
values, pad), where indent is a number of blanks or "T4"/"T6" for a tab and 4 or 6
blanks, each value is written as one blank and the 23-character scientific real, and
pad is the number of trailing blanks. Lines end with CR LF.

Run from this directory: python3 make_golden.py
"""
import math

CRLF = "\r\n"


def sci(v):
    text = "%.14E" % abs(v)
    mantissa, exponent = text.split("E")
    e = int(exponent)
    sign = "-" if math.copysign(1.0, v) < 0 else " "
    return sign + mantissa + "E" + ("-" if e < 0 else "+") + "%04d" % abs(e)


def line(indent, text, values=(), pad=0):
    if isinstance(indent, str):
        prefix = "\t" + " " * int(indent[1:])
    else:
        prefix = " " * indent
    return prefix + text + "".join(" " + sci(v) for v in values) + " " * pad


def general(v):
    s = "%.15g" % v
    return s


def colour(index):
    rows = {0: (181, 41, 197), 5: (255, 0, 0), 16: (0, 0, 0), 20: (5, 250, 222)}
    r = rows.get(index, (155, 0, 10))
    return " ".join(general(c / 255) for c in r)


class Scene:
    def __init__(self, model_name, s):
        self.s = s
        self.lines = [
            "#VRML V2.0 utf8",
            "# Minimum-area membrane over a triangular mesh, written by membrane",
            "# Bars are the triangle sides, spheres the nodes, cones the held nodes",
            "#",
            "",
            "WorldInfo {",
            '  info ["Membrane : ' + model_name
            + '","bars, nodes and supports of the lifted mesh","written by membrane"]',
            '  title "Membrane"',
            "}",
            "",
            line(0, 'NavigationInfo { type [ "EXAMINE", "ANY" ] }', (), 45),
            " " * 89,
            line(0, "Viewpoint", (), 80),
            line(0, "{", (), 88),
            line(2, 'description "Viewpoint1"', (), 64),
            line(2, "position", (s, s, -s), 42),
            "  orientation -0.897148 0.403004 -0.180869 2.25325 # towards 0 0 0  tilt -2.03541 radians",
            line(2, "fieldOfView 0.785398", (), 67),
            "}",
            "",
            line(0, "Viewpoint", (), 80),
            line(0, "{", (), 88),
            line(2, 'description "Viewpoint2"', (), 63),
            line(2, "position", (-s, -s, -s), 40),
            line(2, "orientation 0.689054 0.561775 -0.457835 3.04848 # towards 0 0 0  tilt 2.03541 radians", (), 2),
            line(2, "fieldOfView 0.785398", (), 67),
            "}",
            "",
        ]

    def node(self, label, x, y, z):
        L = self.lines
        L += ["", "# node " + label, "",
              line(0, "Transform {", (), 26),
              line(2, "translation", (x, y, z), 6),
              line(2, "children [", (), 25),
              line(4, "Shape {", (), 26),
              line(4, "appearance Appearance {", (), 10),
              line(8, "material Material { diffuseColor 1 1 0 }", (), 1),
              line(4, "}", (), 32),
              line(4, "geometry Sphere {", (), 16),
              line(12, "radius", (0.065,), 2),
              line(4, "}", (), 32),
              line(2, "}", (), 34),
              line(2, "]", (), 34),
              line(0, "}", (), 36),
              ""]
        if label == "none":
            return
        L += [line(0, "# name of the node", (), 1), "",
              line(0, "Transform {", (), 35),
              line(2, "translation", (x + 0.06, y, z), 10),
              line(2, "rotation    1 0 0 -1.57079", (), 18),
              line(2, "children [", (), 34),
              line(4, "Shape {", (), 35),
              line(6, "appearance Appearance {", (), 17),
              line("T4", "material Material { diffuseColor 1 1 0 }", (), 0),
              line(6, "}", (), 39),
              line(6, "geometry Text {", (), 25),
              line(8, "string [", (), 30),
              line(16, '"' + label + '"]', (), 18),
              line(8, "fontStyle FontStyle {", (), 17),
              line(12, 'family "ARIAL"', (), 20),
              line(12, "size", (self.s / 40,), 10),
              line(8, "}   }   }", (), 29),
              line(6, "]", (), 39),
              line(0, "}", (), 45),
              ""]

    def support(self, label, direction, x, y, z):
        rot = None
        if direction == "x":
            rot = (line(2, "rotation    0 0 1 -1.57079", (), 16) if x >= 0
                   else line(2, "rotation    0 0 1  1.57079", (), 16))
        elif direction == "y":
            if y < 0:
                rot = line(2, "rotation    0 0 1  3.1415", (), 17)
        elif direction == "z":
            rot = (line(2, "rotation    1 0 0 -1.57079", (), 16) if z >= 0
                   else line(2, "rotation    1 0 0  1.57079", (), 16))
        L = self.lines
        L += [line(0, "# supportnode " + label, (), 23), "",
              line(0, "Transform {", (), 35),
              line(2, "translation", (x, y, z), 15)]
        if rot is not None:
            L.append(rot)
        L += [line(2, "children [", (), 34),
              line(4, "Shape {", (), 35),
              line(6, "appearance Appearance {", (), 17),
              line("T4", "material Material { diffuseColor 0 0 1 }", (), 0),
              line(6, "}", (), 39),
              line(6, "geometry Cone {", (), 25),
              line(8, "bottomRadius", (0.1,), 10),
              line("T6", "height", (0.1,), 16),
              line("T6", "side TRUE", (), 29),
              line(8, "bottom TRUE", (), 27),
              line(6, "}", (), 39),
              line(4, "}", (), 41),
              line(3, "]", (), 42),
              line(0, "}", (), 45)]

    def bar(self, colour_index, label, x1, y1, z1, x2, y2, z2):
        length = math.sqrt((x1 - x2) * (x1 - x2) + (y1 - y2) * (y1 - y2) + (z1 - z2) * (z1 - z2))
        if abs(length) <= 1e-9:
            return
        dx, dy, dz = (x1 - x2) / length, (y1 - y2) / length, (z1 - z2) / length
        mx, my, mz = (x1 + x2) * 0.5, (y1 + y2) * 0.5, (z1 + z2) * 0.5
        small = lambda v: abs(v) <= 1e-8
        case = "general"
        if small(dy) and small(dz):
            case = "x"
        if small(dx) and small(dz):
            case = "y"
        if small(dx) and small(dy):
            case = "z"
        L = self.lines
        L += ["", line(0, "Transform {", (), 42)]
        if case == "general":
            a = (dy * 0.0 - dz * 1.0, dz * 0.0 - dx * 0.0, dx * 1.0 - dy * 0.0)
            theta = -math.atan2(math.sqrt(1 - dy * dy), dy)
            L.append(line(2, "rotation  ", a + (theta,), 2))
        elif case == "x":
            L.append(line(2, "rotation    0 0 1", (math.pi / 2,), 17))
        elif case == "z":
            L.append(line(2, "rotation    1 0 0", (math.pi / 2,), 17))
        L += [line(2, "translation", (mx, my, mz), 19),
              line(2, "children [", (), 41),
              line(2, "Shape {", (), 44),
              line(6, "appearance Appearance {", (), 24),
              line(10, "material Material { diffuseColor " + colour(colour_index) + " }", (), 0),
              line(6, "}", (), 46),
              line(6, "geometry Cylinder {", (), 28),
              line(10, "radius", (0.05,), 22),
              line(10, "height", (length,), 30),
              line(6, "}", (), 46),
              line(2, "}", (), 50),
              line(2, "]", (), 50),
              line(0, "}", (), 52)]
        if label == "none":
            return
        L += [line(0, "# name of bar", (), 1), "",
              line(0, "Transform {", (), 35),
              line(2, "translation", (mx + 0.06, my, mz), 7),
              line(2, "rotation    1 0 0 -1.57079", (), 18),
              line(2, "children [", (), 34),
              line(4, "Shape {", (), 35),
              line(6, "appearance Appearance {", (), 17),
              line("T4", "material Material { diffuseColor 1 1 0 }", (), 0),
              line(6, "}", (), 39),
              line(6, "geometry Text {", (), 25),
              line(8, "string [", (), 30),
              line(16, '"(' + label + ')"]', (), 16),
              line(8, "fontStyle FontStyle {", (), 17),
              line(12, 'family "ARIAL"', (), 20),
              line(12, "size", (self.s / 40,), 10),
              line(8, "}   }   }", (), 29),
              line(6, "]", (), 39),
              line(0, "}", (), 45),
              ""]

    def axes(self, show, lx, ly, lz):
        if not show:
            return
        for letter in "xyz":
            length = {"x": lx, "y": ly, "z": lz}[letter]
            c = 0.375 * length
            tip = 0.75 * length + 0.06
            centre = {"x": (c, 0.0, 0.0), "y": (0.0, c, 0.0), "z": (0.0, 0.0, c)}[letter]
            L = self.lines
            L += [line(0, "Transform {", (), 40), line(2, "translation", centre, 9)]
            if letter == "x":
                L.append(line(2, "rotation    0 0 1 -1.57079", (), 23))
            if letter == "z":
                L.append(line(2, "rotation    1 0 0 -1.57079", (), 23))
            L += [line(2, "children [", (), 39),
                  line(2, "Shape {", (), 42),
                  line(6, "appearance Appearance {", (), 22),
                  line(10, "material Material { diffuseColor 1 1 1 }", (), 1),
                  line(6, "}", (), 44),
                  line(6, "geometry Cylinder {", (), 26),
                  line(10, "radius", (0.01,), 19),
                  line(10, "height", (0.75 * length,), 23),
                  line(6, "}", (), 44),
                  line(2, "}", (), 48),
                  line(2, "]", (), 48),
                  line(0, "}", (), 50),
                  line(0, "# name of axis", (), 1), "",
                  line(0, "Transform {", (), 40)]
            if letter == "x":
                L.append(line(2, "translation", (tip, 0.0, 0.0), 5))
            elif letter == "y":
                L.append("  translation " + sci(0.0) + " " + sci(tip) + "  " + sci(0.0) + "    ")
            else:
                L.append("  translation " + sci(0.0) + " " + sci(0.0) + "  " + sci(tip) + "    ")
            L += [line(2, "rotation    1 0 0 -1.57079", (), 23),
                  line(2, "children [", (), 39),
                  line(4, "Shape {", (), 40),
                  line(6, "appearance Appearance {", (), 22),
                  line("T4", "material Material { diffuseColor 1 1 0 }", (), 5),
                  line(6, "}", (), 44),
                  line(6, "geometry Text {", (), 30),
                  line(8, "string [", (), 35),
                  line(16, '"' + letter + '"]', (), 31),
                  line(8, "fontStyle FontStyle {", (), 22),
                  line(12, 'family "ARIAL"', (), 25),
                  line(12, "size", (self.s / 40,), 15),
                  line(8, "}   }   }", (), 34),
                  line(6, "]", (), 44),
                  line(0, "}", (), 50),
                  ""]

    def save(self, name):
        self.lines += ["", "# end of file, membrane scene"]
        with open(name, "wb") as f:
            f.write("".join(l + CRLF for l in self.lines).encode("ascii"))


# Nodes: labelled and not, negative zero coordinate.
s = Scene("dome.DAT", 4.0)
s.node("7", 1.0, -2.0, 0.5)
s.node("none", 0.0, 0.0, -0.0)
s.save("nodes.wrl")

# Bars: every orientation case, labels, colours, a zero-length bar.
s = Scene("bars.DAT", 2.0)
s.bar(0, "12", 0.0, 0.0, 0.0, 1.0, 0.0, 0.0)          # along x
s.bar(0, "none", 0.0, 0.0, 0.0, 0.0, 2.0, 0.0)        # along y
s.bar(5, "none", 0.0, 0.0, 1.0, 0.0, 0.0, 0.0)        # along z
s.bar(16, "3", 1.0, 0.0, 0.0, 0.0, 0.0, 1.0)          # general, axis with -0
s.bar(20, "none", 0.0, 0.0, 0.0, 1.0, 0.0, 1.0)       # general, axis with +0
s.bar(40, "none", 0.3, -1.2, 2.5, -0.7, 0.4, 1.1)     # general, default colour
s.bar(0, "5", 1.0, 1.0, 1.0, 1.0, 1.0, 1.0 + 5e-10)   # too short: nothing
s.bar(0, "none", 0.0, 0.0, 0.0, 1.0, 5e-9, 0.0)       # within the alignment limit: along x
s.save("bars.wrl")

# Supports: every rotation case; a support straight after an unlabelled bar.
s = Scene("supports.DAT", 1.5)
s.support("1", "x", 0.5, 0.0, 0.0)
s.support("2", "x", -0.5, 0.0, 0.0)
s.support("3", "x", -0.0, 0.0, 0.0)
s.support("4", "y", 0.0, -0.5, 0.0)
s.support("5", "y", 0.0, 0.5, 0.0)
s.support("6", "z", 0.0, 0.0, 0.0)
s.support("7", "z", 0.0, 0.0, -0.25)
s.support("8", "z", 0.0, 0.0, -0.0)
s.support("9", "w", 1.0, 1.0, -1.0)
s.bar(0, "none", 0.0, 0.0, 0.0, 1.0, 0.0, 0.0)
s.support("10", "z", 1.0, 0.0, 0.0)
s.save("supports.wrl")

# Axes on (lengths as the export passes them and uneven ones) and off; scene size 0.
s = Scene("axes.DAT", 3.0)
s.axes(True, 2.0, 2.0, 2.0)
s.axes(False, 2.0, 2.0, 2.0)
s.axes(True, 1.0, 4.0, 0.5)
s.save("axes.wrl")

s = Scene("unknown file", 0.0)
s.node("1", 0.0, 0.0, 0.0)
s.save("empty_size.wrl")

# Exported scene of a small model (see vrml_export_test.cpp): nodes
#   1 (0,0) h=0 held, 2 (2,0) h=0 held, 3 (2,2) h=0.5, 4 (0,2) h=0.25 held, 5 (1,1) h=0.8
# triangles 1-2-5, 2-3-5, 3-4-5, 4-1-5 -> bars in order of first appearance.
nodes = {1: (0.0, 0.0, 0.0), 2: (2.0, 0.0, 0.0), 3: (2.0, 2.0, 0.5), 4: (0.0, 2.0, 0.25),
         5: (1.0, 1.0, 0.8)}
heights = {1: 0.0, 2: 0.0, 3: 0.5, 4: 0.25, 5: 0.8}
bars = [(1, 1, 2), (2, 2, 5), (3, 5, 1), (4, 2, 3), (5, 3, 5), (6, 3, 4), (7, 4, 5), (8, 4, 1)]
constraints = [1, 2, 4]


def export(name, numbering, axes, scale):
    extent = 2.0  # plan extent 2 beats the largest height 0.8
    s = Scene("small.DAT", 1.5 * extent)
    s.axes(axes, 2.0, 2.0, 2.0)
    def at(k):
        x, y, z = nodes[k]
        return x, y, (z if scale == -1 else scale * heights[k])
    for number, a, b in bars:
        p, q = at(a), at(b)
        s.node(str(a) if numbering else "none", *p)
        s.node(str(b) if numbering else "none", *q)
        s.bar(0, str(number) if numbering else "none", *p, *q)
    for c in constraints:
        s.support(str(c), "z", *at(c))
    s.save(name)


export("small_default.wrl", False, True, 1.0)
export("small_numbered_undeformed.wrl", True, False, -1)
