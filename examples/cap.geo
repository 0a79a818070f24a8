// A flat disc of radius 5 m: the start of a pressurised cap.
R = 5;
Point(1) = {0, 0, 0};
Point(2) = {R, 0, 0};
Point(3) = {0, R, 0};
Point(4) = {-R, 0, 0};
Point(5) = {0, -R, 0};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve("ring") = {1, 2, 3, 4};
Physical Surface("membrane") = {1};
