// Cone tent: a 12 m square held at 0 m along its border, a mast ring of 0.5 m radius in
// its middle held at the mast's height H:
//   membrane import cone.geo -o cone.DAT --held-height ring=H
// Above about 1.7 m no minimal surface spans this frame (README.md here).
a = 6;      // half the side of the square
r = 0.5;    // radius of the mast ring
lc = 0.35;  // element size at the border
lr = 0.07;  // element size at the ring
Point(1) = {-a, -a, 0, lc}; Point(2) = {a, -a, 0, lc};
Point(3) = {a, a, 0, lc};   Point(4) = {-a, a, 0, lc};
Point(5) = {0, 0, 0, lr};
Point(6) = {r, 0, 0, lr};  Point(7) = {0, r, 0, lr};
Point(8) = {-r, 0, 0, lr}; Point(9) = {0, -r, 0, lr};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Circle(5) = {6, 5, 7}; Circle(6) = {7, 5, 8}; Circle(7) = {8, 5, 9}; Circle(8) = {9, 5, 6};
Curve Loop(1) = {1, 2, 3, 4};
Curve Loop(2) = {5, 6, 7, 8};
Plane Surface(1) = {1, 2};
Physical Surface("membrane") = {1};
Physical Curve("ring") = {5, 6, 7, 8};
