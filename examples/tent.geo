// Conical tent: a square of 12 m held at 0 m all round, lifted at its centre by a mast
// whose head is a ring of 1 m radius at 2 m. The ring is a hole in the membrane; its nodes
// are held at the height of the mast head with
//   membrane import tent.geo -o tent.DAT --held-height ring=2
// A minimal surface climbs a ring of radius r only so far: the catenoid from a circle of
// radius R at 0 m meets the ring vertically at r acosh(R / r), 2.5 m for R = 6 m (the
// circle inside the square; its corners reach a little higher). At 2 m the membrane stays
// below 60 degrees. A 4 m mast on this ring asks for a shape that does not exist: the run
// warns of near-vertical walls (tests/data/cone has that series).
a = 6;      // half the side of the square
r = 1;      // radius of the mast ring
lc = 0.6;   // element size at the edge
lr = 0.25;  // element size at the ring
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
