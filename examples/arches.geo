// Saddle between two parabolic arches 20 m apart, each of 10 m span and 4 m rise; the
// membrane is held along both arches and along the ground lines between their feet.
//   membrane import arches.geo -o arches.DAT
// The start is the ruled surface between the arches; the full Newton step overshoots it
// (the third raises the area), so the run starts again from the harmonic start with a line
// search: "iterations : 3 after a restart, 3 before".
L = 20;    // distance between the arches
s = 10;    // span of an arch
f = 4;     // rise of an arch
lc = 0.5;  // element size
For i In {0:10}
  y = s * i / 10;
  z = 4 * f * (y / s) * (1 - y / s);
  Point(100 + i) = {0, y, z, lc};
  Point(200 + i) = {L, y, z, lc};
EndFor
Spline(1) = {100:110};
Spline(2) = {200:210};
Line(3) = {100, 200};
Line(4) = {110, 210};
Curve Loop(1) = {3, 2, -4, -1};
Surface(1) = {1};
Physical Surface("membrane") = {1};
