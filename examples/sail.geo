// A four-point sail over a 12 m square: two opposite corners on 1 m posts, two on 5 m
// masts. The start shape is the ruled (hyperbolic) surface through the four corners; its
// edges become cables that pull in from the straight lines between the corners.
L = 12;
Point(1) = {0, 0, 1};
Point(2) = {L, 0, 5};
Point(3) = {L, L, 1};
Point(4) = {0, L, 5};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 4};
Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Surface(1) = {1};
Physical Point("low corners") = {1, 3};
Physical Point("high corners") = {2, 4};
Physical Curve("south edge") = {1};
Physical Curve("east edge") = {2};
Physical Curve("north edge") = {3};
Physical Curve("west edge") = {4};
Physical Surface("sail") = {1};
