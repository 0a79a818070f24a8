// A 4 m square, saddle-shaped (corners up and down), with a mast point at its centre and
// a point off the membrane; the test meshes are made from it:
//   gmsh -2 square.geo -format msh22 -o square_v2.msh
//   gmsh -2 square.geo -format msh41 -o square_v4.msh
//   gmsh -2 square.geo -setnumber quads 1 -format msh41 -o quads_v4.msh
//   gmsh -2 square.geo -format msh22 -bin -o square_v2_binary.msh
//   gmsh -2 square.geo -format msh41 -bin -o square_v4_binary.msh
DefineConstant[quads = 0];
lc = 1.2;
Point(1) = {0, 0, 0, lc}; Point(2) = {4, 0, 1, lc};
Point(3) = {4, 4, 0, lc}; Point(4) = {0, 4, 1, lc};
Point(5) = {2, 2, 0.5, lc};
Point(6) = {9, 9, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Surface(1) = {1};
Point{5} In Surface{1};
If (quads)
  Recombine Surface{1};
EndIf
Physical Surface("membrane") = {1};
Physical Point("mast") = {5};
Physical Point("off") = {6};
Physical Curve(7) = {1};
