// A flat square of 10 m, its four edges to become cables between the corners.
L = 10;
Point(1) = {0, 0, 0};
Point(2) = {L, 0, 0};
Point(3) = {L, L, 0};
Point(4) = {0, L, 0};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Point("corners") = {1, 2, 3, 4};
Physical Curve("south") = {1};
Physical Curve("east") = {2};
Physical Curve("north") = {3};
Physical Curve("west") = {4};
Physical Surface("membrane") = {1};
