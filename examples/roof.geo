// Ridge-and-valley roof over a 16 m x 8 m rectangle, held at 0 m all round. Three cables
// span across it: two ridge cables rising to 3 m and a valley cable between them rising
// to 1 m. Each of the four panels between them is a Coons patch, a good start; the cables
// are held at the heights drawn here:
//   membrane import roof.geo -o roof.DAT --held ridges --held valley
L = 16; B = 8; lc = 0.5;
ridge = 3; valley = 1;
For i In {0:4}
  Point(10 + i) = {4 * i, 0, 0, lc};  // on the edge y = 0
  Point(20 + i) = {4 * i, B, 0, lc};  // on the edge y = B
EndFor
Point(31) = {4, B / 2, ridge, lc};
Point(32) = {8, B / 2, valley, lc};
Point(33) = {12, B / 2, ridge, lc};
For i In {0:3}
  Line(10 + i) = {10 + i, 11 + i};  // edge y = 0
  Line(20 + i) = {20 + i, 21 + i};  // edge y = B
EndFor
Line(30) = {10, 20};                 // short edges
Line(34) = {14, 24};
Spline(31) = {11, 31, 21};           // ridge
Spline(32) = {12, 32, 22};           // valley
Spline(33) = {13, 33, 23};           // ridge
For i In {0:3}
  Curve Loop(i + 1) = {10 + i, 31 + i, -(20 + i), -(30 + i)};
  Surface(i + 1) = {i + 1};
EndFor
Physical Surface("membrane") = {1, 2, 3, 4};
Physical Curve("ridges") = {31, 33};
Physical Curve("valley") = {32};
