// Form-finding models whose equilibrium shape is known exactly, for checking the
// form-finding against it and for timing it on large meshes (units kN, m):
//
//   catenoid     two coaxial rings of radius R at z = -h/2 and h/2 held, a cylinder
//                between them as the start, prestress sigma: the catenoid r = a cosh(z / a)
//                with a cosh(h / 2a) = R, where one exists (h / R <= 1.3255); each ring's
//                vertical reaction 2 pi a sigma. Rings of m nodes, k + 1 of them, alternate
//                rings turned by half a step, m / k close to 2 pi R / h (square cells).
//   cable square the square [0, L]^2 flat, its corners held, each side a cable of force S,
//                prestress sigma: the membrane stays flat and each side becomes a circular
//                arc of radius S / sigma through the two corners (sag S/sigma minus
//                sqrt((S/sigma)^2 - L^2/4)). An n x n grid, its cells cut along alternating
//                diagonals.
//   cap          a disc of radius R flat, its rim held, prestress sigma and pressure p: a
//                spherical cap of radius 2 sigma / p (rise 2 sigma/p - sqrt((2 sigma/p)^2 -
//                R^2)). Rings of 6 j nodes at radius j R / k around a node at the centre.
#pragma once

#include <cstdint>

#include "form/form_model.h"

namespace membrane {

struct CatenoidForm {
    double radius = 10.0, height = 12.0, stress = 1.0;
};
struct CableSquareForm {
    double side = 10.0, stress = 2.0, force = 20.0;
};
struct CapForm {
    double radius = 5.0, stress = 2.0, pressure = 0.5;
};

// About `nodes` nodes each (at least a handful).
FormModel GenerateCatenoidForm(const CatenoidForm& form, std::int64_t nodes);
FormModel GenerateCableSquareForm(const CableSquareForm& form, std::int64_t nodes);
FormModel GenerateCapForm(const CapForm& form, std::int64_t nodes);

// The exact neck radius a of a catenoid between rings of radius R a height h apart (the
// larger, stable root of a cosh(h / 2a) = R); 0 when there is none.
double CatenoidNeck(double radius, double height);

}  // namespace membrane
