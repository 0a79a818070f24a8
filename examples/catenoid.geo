// A cylinder of radius 10 m and height 12 m: the start shape of a membrane between two rings.
R = 10;
H = 12;
Point(1) = {0, 0, 0};
Point(2) = {R, 0, 0};
Point(3) = {0, R, 0};
Point(4) = {-R, 0, 0};
Point(5) = {0, -R, 0};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
band[] = Extrude {0, 0, H} { Curve{1, 2, 3, 4}; };
Physical Curve("bottom ring") = {1, 2, 3, 4};
Physical Curve("top ring") = {band[0], band[4], band[8], band[12]};
Physical Surface("membrane") = {band[1], band[5], band[9], band[13]};
