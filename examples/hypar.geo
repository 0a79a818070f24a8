// Hypar held along all four edges: two high and two low corners on a 10 m square, the
// straight edges between them held.
//   membrane import hypar.geo -o hypar.DAT
h = 3;     // rise of the high corners
lc = 1.0;  // element size
Point(1) = {0, 0, 0, lc};
Point(2) = {10, 0, h, lc};
Point(3) = {10, 10, 0, lc};
Point(4) = {0, 10, h, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Surface(1) = {1};   // a Coons patch through the four edges
Physical Surface("membrane") = {1};
Physical Point("corners") = {1, 2, 3, 4};
