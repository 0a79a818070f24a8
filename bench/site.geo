// Four-mast site: a 40 m x 25 m plot held at 0 m along its border, four masts with rings of
// 0.5 m radius at 6 m.
//   membrane import site.geo -o site.DAT --held-height rings=6
Lx = 40; Ly = 25; r = 0.5; lc = 0.6; lr = 0.1;
Point(1) = {0, 0, 0, lc}; Point(2) = {Lx, 0, 0, lc};
Point(3) = {Lx, Ly, 0, lc}; Point(4) = {0, Ly, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
masts[] = {10, 8, 30, 8, 10, 17, 30, 17};
For m In {0:3}
  cx = masts[2 * m]; cy = masts[2 * m + 1];
  p = 10 + 10 * m;
  Point(p) = {cx, cy, 0, lr};
  Point(p + 1) = {cx + r, cy, 0, lr}; Point(p + 2) = {cx, cy + r, 0, lr};
  Point(p + 3) = {cx - r, cy, 0, lr}; Point(p + 4) = {cx, cy - r, 0, lr};
  Circle(p) = {p + 1, p, p + 2}; Circle(p + 1) = {p + 2, p, p + 3};
  Circle(p + 2) = {p + 3, p, p + 4}; Circle(p + 3) = {p + 4, p, p + 1};
  Curve Loop(2 + m) = {p, p + 1, p + 2, p + 3};
  ring[] += {p, p + 1, p + 2, p + 3};
EndFor
Plane Surface(1) = {1, 2, 3, 4, 5};
Physical Surface("membrane") = {1};
Physical Curve("rings") = ring[];
